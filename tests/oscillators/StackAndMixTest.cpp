#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "OscillatorHarness.h"

namespace {

using namespace osctest;

constexpr double kRate = 44100.0;
constexpr size_t kSettle = 4096;
constexpr size_t kWindow = 65536;
constexpr int32_t kFrames = int32_t(kSettle + kWindow);

Spectrum spectrumOf(const std::vector<float>& out) { return Spectrum(out, kSettle, kWindow, kRate); }

TEST(OscillatorStack, CopiesSitAtTheRatiosPowersBesideTheNote)
{
    const double plainSaw = spectrumOf(OscillatorRig(kRate, 69).render(kFrames)).amplitude(440.0);
    struct Case {
        int osc;
        double e1, e2;
    };
    for (Case c : {Case{0, 1.9, 3.12}, Case{1, 1.88, 3.16}}) {
        SCOPED_TRACE(c.osc + 1);
        OscillatorRig rig(kRate, 69);
        rig.params.oscMix = float(c.osc);
        rig.params.fatAmount[c.osc] = 16; // F = 1024: A = B = 512
        rig.params.fatFactor[c.osc] = 1.01f;
        const Spectrum spectrum = spectrumOf(rig.render(kFrames));
        const double main = spectrum.amplitude(440.0);
        EXPECT_NEAR(main / plainSaw, 0.5, 0.01);
        for (double e : {1.0, c.e1, c.e2}) {
            for (double f : {440.0 * std::pow(1.01, e), 440.0 / std::pow(1.01, e)})
                EXPECT_NEAR(db(spectrum.amplitude(f) / main), 0.0, 0.5) << f << " Hz";
        }
    }
    // The fat mix stops at 1024 however far modulation pushes it.
    OscillatorRig full(kRate, 69), beyond(kRate, 69);
    full.modulate = [](OscillatorInputs& in) { in.fatMix[0] = 1024; };
    beyond.modulate = [](OscillatorInputs& in) { in.fatMix[0] = 900000; };
    EXPECT_EQ(full.render(4096), beyond.render(4096));
}

TEST(OscillatorStack, FatRatioDrivenToZeroOrBelowStaysBounded)
{
    for (float ratio : {0.0f, -3.0f, 1e-30f, std::numeric_limits<float>::quiet_NaN(), 1e30f}) {
        for (int32_t shape : {kOscSaw, kOscPulse, kOscWavetable}) {
            SCOPED_TRACE(testing::Message() << "ratio " << ratio << " shape " << shape);
            OscillatorRig rig(kRate, 69);
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
OscillatorRig twoSines()
{
    OscillatorRig rig(kRate, 69);
    rig.params.shape[0] = rig.params.shape[1] = kOscSine;
    rig.params.coarse[1] = 4;
    return rig;
}

TEST(OscillatorMix, OscMixCrossfadesAndRingModulationTakesOver)
{
    for (float mix : {0.0f, 0.25f, 1.0f, 7.0f}) {
        OscillatorRig rig = twoSines();
        rig.params.oscMix = mix;
        const Spectrum spectrum = spectrumOf(rig.render(kFrames));
        const double m = std::min(mix, 1.0f);
        EXPECT_NEAR(spectrum.amplitude(440.0), 0.999 * (1.0 - m), 0.002) << mix;
        EXPECT_NEAR(spectrum.amplitude(kThird), 0.999 * m, 0.002) << mix;
    }
    for (float ring : {0.5f, 1.0f}) {
        OscillatorRig rig = twoSines();
        rig.params.ringMod = ring;
        const Spectrum spectrum = spectrumOf(rig.render(kFrames));
        EXPECT_NEAR(spectrum.amplitude(440.0), 0.999 * (1.0 - ring), 0.002) << ring;
        EXPECT_NEAR(spectrum.amplitude(kThird - 440.0), ring * 0.5 * 0.999 * 0.999, 0.002) << ring;
        EXPECT_NEAR(spectrum.amplitude(kThird + 440.0), ring * 0.5 * 0.999 * 0.999, 0.002) << ring;
    }
    // The product takes the main oscillators: a stack does not show in it.
    OscillatorRig plain = twoSines(), stacked = twoSines();
    plain.params.shape[0] = stacked.params.shape[0] = kOscSaw;
    plain.params.ringMod = stacked.params.ringMod = 1.0f;
    stacked.params.fatAmount[0] = 128;
    EXPECT_EQ(plain.render(4096), stacked.render(4096));
}

TEST(OscillatorMix, SplitOutputsSeparateOscillatorOneFromTheRest)
{
    OscillatorRig rig = twoSines();
    rig.split = true;
    rig.params.oscMix = 0.5f;
    rig.params.ringMod = 1.0f; // no part in the split outputs
    rig.params.subLevel = 1.0f;
    rig.params.subShape = kSubTriangle;
    std::vector<float> first, second;
    rig.renderSplit(kFrames, first, second);
    const Spectrum a = spectrumOf(first), b = spectrumOf(second);
    EXPECT_NEAR(a.amplitude(440.0), 0.5 * 0.999, 0.002);
    EXPECT_LT(db(a.amplitude(kThird)), -80.0);
    EXPECT_LT(db(a.amplitude(220.0)), -80.0);
    EXPECT_LT(db(b.amplitude(440.0)), -80.0);
    EXPECT_NEAR(b.amplitude(kThird), 0.5 * 0.999, 0.002);
    EXPECT_GT(b.amplitude(220.0), 0.1); // the sub-oscillator goes with oscillator 2
}

TEST(OscillatorMix, SubOscillatorKeepsItsTimingWhileSilent)
{
    OscillatorRig steady(kRate, 69), gated(kRate, 69);
    for (OscillatorRig* rig : {&steady, &gated}) {
        rig->params.shape[1] = kOscPulse;
        rig->pulseWidth = 0.0f;
        rig->params.ringMod = 1.0f; // oscillators silent, sub alone
        rig->params.subLevel = 1.0f;
    }
    EXPECT_GT(peak(steady.render(640)), 0.3);
    gated.render(640);
    gated.params.subLevel = 0.0f;
    gated.render(64); // ramping down
    EXPECT_EQ(peak(gated.render(512)), 0.0);
    gated.params.subLevel = 1.0f;
    gated.render(64); // ramping up
    steady.render(640);
    EXPECT_EQ(gated.render(640), steady.render(640));
}

// Noise alone: both oscillators are silent pulses.
OscillatorRig noiseRig(float level, float colour)
{
    OscillatorRig rig(kRate, 69);
    rig.params.shape[0] = rig.params.shape[1] = kOscPulse;
    rig.pulseWidth = 0.0f;
    rig.params.noiseLevel = level;
    rig.params.noiseColour = colour;
    rig.params.noiseHighpass = onePoleHighpassCoefs(expMap(colour, 5.0, 20000.0), kRate);
    return rig;
}

double bandPower(const Spectrum& s, double lo, double hi)
{
    double sum = 0.0;
    for (size_t k = size_t(lo / s.binHz); k < size_t(hi / s.binHz); ++k)
        sum += s.magnitude[k] * s.magnitude[k];
    return sum;
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
    const Spectrum sa = spectrumOf(a), sb = spectrumOf(b);
    EXPECT_LT(10.0 * std::log10(bandPower(sb, 100.0, 2000.0) / bandPower(sa, 100.0, 2000.0)), -20.0);
    EXPECT_NEAR(10.0 * std::log10(bandPower(sb, 19000.0, 21000.0) / bandPower(sa, 19000.0, 21000.0)), -3.0, 1.5);

    uint32_t expected = 12345;
    for (int32_t i = 0; i < kFrames; ++i)
        expected = expected * 214013u + 2531011u;
    EXPECT_EQ(dark.noiseGenerator, expected);

    OscillatorRig quiet = noiseRig(0.0f, 0.5f);
    const uint32_t before = quiet.noiseGenerator;
    EXPECT_EQ(peak(quiet.render(1000)), 0.0);
    EXPECT_EQ(quiet.noiseGenerator, before);
}

} // namespace
