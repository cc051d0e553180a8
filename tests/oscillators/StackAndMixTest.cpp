#include <gtest/gtest.h>

#include <limits>

#include "OscillatorHarness.h"

namespace {

using namespace osctest;

// Oscillator 1 a sine at 440 Hz, oscillator 2 a sine a major third above.
const double kThird = 440.0 * std::pow(2.0, 4.0 / 12.0);
OscillatorRig twoSines(float mix = 0.0f, float ring = 0.0f)
{
    OscillatorRig rig;
    rig.params.shape[0] = rig.params.shape[1] = kOscSine;
    rig.params.coarse[1] = 4;
    rig.params.oscMix = mix;
    rig.params.ringMod = ring;
    return rig;
}

TEST(OscillatorMix, OscMixCrossfadesAndRingModulationTakesOver)
{
    for (float mix : {0.0f, 0.25f, 1.0f, 7.0f}) {
        const WindowSpectrum spectrum(twoSines(mix).render(kFrames));
        const double m = std::min(mix, 1.0f);
        EXPECT_NEAR(spectrum.amplitude(440.0), 0.999 * (1.0 - m), 0.002) << mix;
        EXPECT_NEAR(spectrum.amplitude(kThird), 0.999 * m, 0.002) << mix;
    }
    for (float ring : {0.5f, 1.0f}) {
        const WindowSpectrum spectrum(twoSines(0.0f, ring).render(kFrames));
        EXPECT_NEAR(spectrum.amplitude(440.0), 0.999 * (1.0 - ring), 0.002) << ring;
        for (double f : {kThird - 440.0, kThird + 440.0})
            EXPECT_NEAR(spectrum.amplitude(f), ring * 0.5 * 0.999 * 0.999, 0.002) << ring;
    }
    // The product takes the main oscillators: a stack does not show in it.
    OscillatorRig plain = twoSines(0.0f, 1.0f), stacked = twoSines(0.0f, 1.0f);
    plain.params.shape[0] = stacked.params.shape[0] = kOscSaw;
    stacked.params.fatAmount[0] = 128;
    EXPECT_EQ(plain.render(4096), stacked.render(4096));
}

} // namespace
