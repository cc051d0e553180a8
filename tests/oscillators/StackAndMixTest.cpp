#include <gtest/gtest.h>

#include <limits>

#include "OscillatorHarness.h"

namespace {

using namespace osctest;

TEST(OscillatorStack, CopiesSitAtTheRatiosPowersBesideTheNote)
{
    const double plainSaw = WindowSpectrum(OscillatorRig().render(kFrames)).amplitude(440.0);
    const double powers[2][3] = {{1.0, 1.9, 3.12}, {1.0, 1.88, 3.16}};
    for (int osc = 0; osc < 2; ++osc) {
        SCOPED_TRACE(osc + 1);
        OscillatorRig rig;
        rig.params.oscMix = float(osc);
        rig.params.fatAmount[osc] = 16; // F = 1024: A = B = 512
        rig.params.fatFactor[osc] = 1.01f;
        const WindowSpectrum spectrum(rig.render(kFrames));
        const double main = spectrum.amplitude(440.0);
        EXPECT_NEAR(main / plainSaw, 0.5, 0.01);
        for (double e : powers[osc])
            for (double f : {440.0 * std::pow(1.01, e), 440.0 / std::pow(1.01, e)})
                EXPECT_NEAR(dB(spectrum.amplitude(f) / main), 0.0, 0.5) << f << " Hz";
    }
    OscillatorRig full, beyond; // the fat mix stops at 1024 however far modulation pushes it
    full.modulate = [](OscillatorInputs& in) { in.fatMix[0] = 1024; };
    beyond.modulate = [](OscillatorInputs& in) { in.fatMix[0] = 900000; };
    EXPECT_EQ(full.render(4096), beyond.render(4096));
}

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

TEST(OscillatorMix, SplitOutputsSeparateOscillatorOneFromTheRest)
{
    OscillatorRig rig = twoSines(0.5f, 1.0f); // ring has no part in the split outputs
    rig.split = true;
    rig.params.subLevel = 1.0f;
    rig.params.subShape = kSubTriangle;
    std::vector<float> second;
    const WindowSpectrum a(rig.render(kFrames, &second)), b(second);
    EXPECT_NEAR(a.amplitude(440.0), 0.5 * 0.999, 0.002);
    EXPECT_NEAR(b.amplitude(kThird), 0.5 * 0.999, 0.002);
    for (double leak : {a.amplitude(kThird), a.amplitude(220.0), b.amplitude(440.0)})
        EXPECT_LT(dB(leak), -80.0);
    EXPECT_GT(b.amplitude(220.0), 0.1); // the sub-oscillator goes with oscillator 2
}

} // namespace
