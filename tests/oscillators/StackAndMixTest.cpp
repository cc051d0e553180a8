#include <gtest/gtest.h>

#include <limits>

#include "OscillatorHarness.h"

namespace {

using namespace osctest;

TEST(OscillatorStack, CopiesSitAtTheRatiosPowersBesideTheNote)
{
    const double plainSaw = Spectrum(OscillatorRig().render(kFrames)).amplitude(440.0);
    const double powers[2][3] = {{1.0, 1.9, 3.12}, {1.0, 1.88, 3.16}};
    for (int osc = 0; osc < 2; ++osc) {
        SCOPED_TRACE(osc + 1);
        OscillatorRig rig;
        rig.params.oscMix = float(osc);
        rig.params.fatAmount[osc] = 16; // F = 1024: A = B = 512
        rig.params.fatFactor[osc] = 1.01f;
        const Spectrum spectrum(rig.render(kFrames));
        const double main = spectrum.amplitude(440.0);
        EXPECT_NEAR(main / plainSaw, 0.5, 0.01);
        for (double e : powers[osc])
            for (double f : {440.0 * std::pow(1.01, e), 440.0 / std::pow(1.01, e)})
                EXPECT_NEAR(db(spectrum.amplitude(f) / main), 0.0, 0.5) << f << " Hz";
    }
    OscillatorRig full, beyond; // the fat mix stops at 1024 however far modulation pushes it
    full.modulate = [](OscillatorInputs& in) { in.fatMix[0] = 1024; };
    beyond.modulate = [](OscillatorInputs& in) { in.fatMix[0] = 900000; };
    EXPECT_EQ(full.render(4096), beyond.render(4096));
}

TEST(OscillatorStack, FatRatioDrivenToZeroOrBelowStaysBounded)
{
    for (float ratio : {0.0f, -3.0f, 1e-30f, std::numeric_limits<float>::quiet_NaN(), 1e30f}) {
        for (int32_t shape : {kOscSaw, kOscPulse, kOscWavetable}) {
            SCOPED_TRACE(testing::Message() << "ratio " << ratio << " shape " << shape);
            OscillatorRig rig;
            rig.params.shape[0] = rig.params.shape[1] = shape;
            rig.params.oscMix = 0.5f;
            rig.modulate = [ratio](OscillatorInputs& in) {
                in.fatMix[0] = in.fatMix[1] = 1024;
                in.fatRatio[0] = in.fatRatio[1] = ratio;
            };
            const auto out = rig.render(8192);
            EXPECT_TRUE(std::isfinite(rms(out)));
            EXPECT_LE(peak(out), 4.0); // main + six copies at half weight
        }
    }
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
        const Spectrum spectrum(twoSines(mix).render(kFrames));
        const double m = std::min(mix, 1.0f);
        EXPECT_NEAR(spectrum.amplitude(440.0), 0.999 * (1.0 - m), 0.002) << mix;
        EXPECT_NEAR(spectrum.amplitude(kThird), 0.999 * m, 0.002) << mix;
    }
    for (float ring : {0.5f, 1.0f}) {
        const Spectrum spectrum(twoSines(0.0f, ring).render(kFrames));
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
    const Spectrum a(rig.render(kFrames, &second)), b(second);
    EXPECT_NEAR(a.amplitude(440.0), 0.5 * 0.999, 0.002);
    EXPECT_NEAR(b.amplitude(kThird), 0.5 * 0.999, 0.002);
    for (double leak : {a.amplitude(kThird), a.amplitude(220.0), b.amplitude(440.0)})
        EXPECT_LT(db(leak), -80.0);
    EXPECT_GT(b.amplitude(220.0), 0.1); // the sub-oscillator goes with oscillator 2
}

// Noise alone: both oscillators are silent pulses.
OscillatorRig noiseRig(float level, float colour)
{
    OscillatorRig rig;
    rig.params.shape[0] = rig.params.shape[1] = kOscPulse;
    rig.pulseWidth = 0.0f;
    rig.params.noiseLevel = level;
    rig.params.noiseColour = colour;
    rig.params.noiseHighpass = onePoleHighpassCoefs(expMap(colour, 5.0, 20000.0), kRate);
    return rig;
}

TEST(OscillatorNoise, ColourMovesTheHighPassAndEveryNoisyFrameAdvancesTheGenerator)
{
    OscillatorRig dark = noiseRig(1.0f, 0.0f), bright = noiseRig(1.0f, 1.0f), voiceOwn = noiseRig(1.0f, 0.0f);
    voiceOwn.modulate = [](OscillatorInputs& in) {
        in.noiseColour = 3.0f; // limited to 1
        in.noiseColourModulated = true;
    };
    const auto a = dark.render(kFrames), b = bright.render(kFrames);
    EXPECT_EQ(voiceOwn.render(kFrames), b);
    EXPECT_NEAR(rms(a, kSettle), 1.0 / std::sqrt(3.0), 0.02); // uniform on -1..1
    const Spectrum sa(a), sb(b);
    auto bandDb = [&](double lo, double hi) { // bright against dark
        double pa = 0.0, pb = 0.0;
        for (size_t k = size_t(lo / sa.binHz); k < size_t(hi / sa.binHz); ++k) {
            pa += sa.magnitude[k] * sa.magnitude[k];
            pb += sb.magnitude[k] * sb.magnitude[k];
        }
        return 10.0 * std::log10(pb / pa);
    };
    EXPECT_LT(bandDb(100.0, 2000.0), -20.0);
    EXPECT_NEAR(bandDb(19000.0, 21000.0), -3.0, 1.5);

    uint32_t expected = 12345;
    for (int32_t i = 0; i < kFrames; ++i)
        expected = expected * 214013u + 2531011u;
    EXPECT_EQ(dark.noiseGenerator, expected);

    OscillatorRig quiet = noiseRig(0.0f, 0.5f);
    EXPECT_EQ(peak(quiet.render(1000)), 0.0);
    EXPECT_EQ(quiet.noiseGenerator, 12345u);
}

} // namespace
