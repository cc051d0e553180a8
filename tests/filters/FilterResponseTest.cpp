// Measured responses of the kernel families: sines through fresh filters,
// gains compared at and around the corner.
#include "FilterTestSupport.h"
#include "FilterTypes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

constexpr double kRates[] = {44100.0, 96000.0};

// The state-variable coefficient is computed for three times the rate, so
// its corner sits at a third of the frequency the cutoff index names.
float svfPositionFor(double corner) { return positionFor(3.0 * corner); }

void expectSameOutput(FilterRig& a, FilterRig& b)
{
    const std::vector<float> in = noise(4096, 7);
    const std::vector<float> x = a.process(in);
    const std::vector<float> y = b.process(in);
    for (size_t i = 0; i < x.size(); ++i)
        ASSERT_EQ(x[i], y[i]) << "frame " << i;
}

double peakGain(int32_t type, double rate, float position, double from, double to, float resonance)
{
    double peak = 0.0;
    for (double hz = from; hz <= to; hz *= std::pow(2.0, 1.0 / 12.0))
        peak = std::max(peak, sineGain(type, rate, position, hz, resonance));
    return peak;
}

} // namespace

TEST(StateVariableResponse, LowpassPassesBelowAndFallsTwelveDbPerOctaveAbove)
{
    for (double rate : kRates) {
        const double f0 = 1000.0;
        const float position = svfPositionFor(f0);
        EXPECT_NEAR(sineGain(kLowpass12, rate, position, f0 / 8), 1.0, 0.05) << rate;
        EXPECT_NEAR(sineGain(kLowpass12, rate, position, f0), 1.0, 0.1) << rate; // q = 1 at the corner
        const double slope = sineGain(kLowpass12, rate, position, 4 * f0) / sineGain(kLowpass12, rate, position, 8 * f0);
        EXPECT_GT(slope, 3.0) << rate;
        EXPECT_LT(slope, 5.0) << rate;
    }
}

TEST(StateVariableResponse, TwoStagesFallTwentyFourDbPerOctave)
{
    for (double rate : kRates) {
        const float position = svfPositionFor(1000.0);
        EXPECT_NEAR(sineGain(kLowpass24, rate, position, 125.0), 1.0, 0.05) << rate;
        const double slope = sineGain(kLowpass24, rate, position, 4000.0) / sineGain(kLowpass24, rate, position, 8000.0);
        EXPECT_GT(slope, 10.0) << rate;
        EXPECT_LT(slope, 22.0) << rate;
    }
}

TEST(StateVariableResponse, ResonanceRaisesAPeakOnlyWhenTurnedUp)
{
    const double rate = 44100.0;
    const float position = svfPositionFor(1000.0);
    // q = 1 leaves only the gentle bump of a damped two-pole, under 1.5 dB.
    EXPECT_LT(peakGain(kLowpass12, rate, position, 250.0, 2000.0, 0.0f), 1.19);
    EXPECT_GT(sineGain(kLowpass12, rate, position, 1000.0, 0.9f), 4.0);
    EXPECT_GT(sineGain(kLowpass12, rate, position, 1000.0, 0.9f), 3.0 * sineGain(kLowpass12, rate, position, 1000.0, 0.0f));
}

TEST(StateVariableResponse, BandpassNotchAndHighpassShapes)
{
    for (double rate : kRates) {
        const double f0 = 800.0;
        const float position = svfPositionFor(f0);
        // "BP12 -> LP12" and "HP12 -> LP12" with the low-pass opened are the bare band and high outputs.
        const double bandAtCorner = sineGain(kBandpassIntoLowpass, rate, position, f0, 0.0f, 1.0f);
        EXPECT_NEAR(bandAtCorner, 1.0, 0.1) << rate;
        EXPECT_LT(sineGain(kBandpassIntoLowpass, rate, position, f0 / 8, 0.0f, 1.0f), 0.2) << rate;
        EXPECT_LT(sineGain(kBandpassIntoLowpass, rate, position, f0 * 8, 0.0f, 1.0f), 0.2) << rate;

        EXPECT_LT(sineGain(kNotchIntoLowpass, rate, position, f0, 0.0f, 1.0f), 0.15) << rate;
        EXPECT_NEAR(sineGain(kNotchIntoLowpass, rate, position, f0 / 8, 0.0f, 1.0f), 1.0, 0.05) << rate;

        EXPECT_NEAR(sineGain(kHighpassIntoLowpass, rate, position, f0 * 8, 0.0f, 1.0f), 1.0, 0.1) << rate;
        EXPECT_LT(sineGain(kHighpassIntoLowpass, rate, position, f0 / 8, 0.0f, 1.0f), 0.03) << rate;
    }
}

TEST(StateVariableResponse, SerialLowpassFollowsTheOffset)
{
    const double rate = 44100.0;
    const float position = svfPositionFor(500.0);
    // At offset 0.5 the low-pass sits on the band-pass's corner and cuts its upper skirt.
    const double bandOnly = sineGain(kBandpassIntoLowpass, rate, position, 4000.0, 0.0f, 1.0f);
    const double bandIntoLow = sineGain(kBandpassIntoLowpass, rate, position, 4000.0, 0.0f, 0.5f);
    EXPECT_LT(bandIntoLow, 0.1 * bandOnly);
    // Offset 0 puts it an octave lower still.
    EXPECT_LT(sineGain(kHighpassIntoLowpass, rate, position, 1000.0, 0.0f, 0.0f),
              0.5 * sineGain(kHighpassIntoLowpass, rate, position, 1000.0, 0.0f, 0.5f));
}

TEST(StateVariableResponse, SweepIsLowpassBandpassHighpassAtItsEnds)
{
    const double rate = 48000.0;
    const float position = svfPositionFor(1200.0);
    struct Case {
        float sweepOffset;
        int32_t referenceType;
        float referenceOffset;
    };
    for (const Case& c : {Case{0.0f, kLowpass12, 0.0f}, Case{0.5f, kBandpassIntoLowpass, 1.0f},
                          Case{1.0f, kHighpassIntoLowpass, 1.0f}}) {
        FilterRig sweep(kSweep, rate);
        sweep.position = position;
        sweep.params.offset = c.sweepOffset;
        sweep.params.resonance = 0.4f;
        FilterRig reference(c.referenceType, rate);
        reference.position = position;
        reference.params.offset = c.referenceOffset;
        reference.params.resonance = 0.4f;
        SCOPED_TRACE(c.sweepOffset);
        expectSameOutput(sweep, reference);
    }
}

TEST(SplitResponse, FirstPathIsTheStageOneFilterAndSecondFollowsTheOffset)
{
    const double rate = 44100.0;
    const float position = svfPositionFor(1000.0);
    FilterRig split(kSplitLowpass, rate);
    split.position = position;
    FilterRig plain(kLowpass12, rate);
    plain.position = position;
    expectSameOutput(split, plain); // silent second path

    // Only the second path sounding: its corner moves from x0.5 to x2.
    auto restGain = [&](float offset) {
        FilterRig rig(kSplitBandpass, rate);
        rig.position = position;
        rig.params.offset = offset;
        const std::vector<float> tone = sine(2000.0, rate, 16384);
        const std::vector<float> silent(tone.size(), 0.0f);
        const std::vector<float> out = rig.process(silent, &tone);
        double peak = 0.0;
        for (size_t i = 8192; i < out.size(); ++i)
            peak = std::max(peak, static_cast<double>(std::fabs(out[i])));
        return peak / 0.25;
    };
    EXPECT_NEAR(restGain(1.0f), 1.0, 0.1);
    EXPECT_LT(restGain(0.0f), 0.1);
}

TEST(LadderResponse, FourPolesFallTwentyFourDbPerOctave)
{
    for (double rate : kRates) {
        const float position = positionFor(1000.0);
        const double passband = sineGain(kLadder24, rate, position, 50.0);
        EXPECT_NEAR(passband, 1.47, 0.1) << rate; // 0.35 input gain, 1.43 per stage at DC
        const double atCorner = sineGain(kLadder24, rate, position, 1000.0);
        EXPECT_LT(atCorner, 0.8 * passband) << rate;
        EXPECT_GT(atCorner, 0.1 * passband) << rate;
        const double slope = sineGain(kLadder24, rate, position, 8000.0) / sineGain(kLadder24, rate, position, 16000.0);
        EXPECT_GT(slope, 10.0) << rate;
    }
}

TEST(LadderResponse, TwelveDbTapFallsHalfAsSteeply)
{
    const double rate = 96000.0;
    const float position = positionFor(500.0);
    const double slope = sineGain(kLadder12, rate, position, 4000.0) / sineGain(kLadder12, rate, position, 8000.0);
    EXPECT_GT(slope, 3.0);
    EXPECT_LT(slope, 5.0);
}

TEST(LadderResponse, ResonanceRaisesAPeakAndZeroHasNone)
{
    const double rate = 44100.0;
    const float position = positionFor(1000.0);
    const double passband = sineGain(kLadder24, rate, position, 50.0);
    EXPECT_LE(peakGain(kLadder24, rate, position, 100.0, 4000.0, 0.0f), passband * 1.01);
    EXPECT_GT(peakGain(kLadder24, rate, position, 100.0, 4000.0, 0.9f), 2.0 * passband);
}

TEST(LadderResponse, SaturationAtOffsetZeroIsThePlainLadder)
{
    FilterRig saturated(kLowpass24Saturation, 44100.0);
    FilterRig plain(kLadder24, 44100.0);
    for (FilterRig* rig : {&saturated, &plain}) {
        rig->position = positionFor(2000.0);
        rig->params.resonance = 0.7f;
        rig->params.offset = 0.0f;
    }
    expectSameOutput(saturated, plain);
}

TEST(LadderResponse, SaturatingLadderIntoLowpassStaysALowpass)
{
    const double rate = 44100.0;
    const float position = positionFor(1000.0);
    const double low = sineGain(kLadderIntoLowpass12, rate, position, 100.0, 0.3f, 0.5f);
    const double high = sineGain(kLadderIntoLowpass12, rate, position, 8000.0, 0.3f, 0.5f);
    EXPECT_GT(low, 0.1);
    EXPECT_LT(high, 0.01 * low);
}

// In "Filter FM" the ladder clips what it feeds back, which tames loud
// resonance but leaves quiet signals as the linear loop has them.
TEST(LadderResponse, FilterFmModeClipsTheFeedback)
{
    const double rate = 44100.0;
    const float position = positionFor(1000.0);
    auto gain = [&](bool filterFm, double hz, float amplitude) {
        FilterRig rig(kLadder24, rate);
        rig.position = position;
        rig.params.resonance = 1.0f;
        if (filterFm)
            rig.filterFm.assign(32768, 0.0f);
        const std::vector<float> out = rig.process(sine(hz, rate, 32768, amplitude));
        double p = 0.0;
        for (size_t i = 16384; i < out.size(); ++i)
            p = std::max(p, static_cast<double>(std::fabs(out[i])));
        return p / amplitude;
    };
    double resonant = 0.0;
    double best = 0.0;
    for (double hz = 300.0; hz < 3000.0; hz *= std::pow(2.0, 1.0 / 24.0)) {
        const double g = gain(false, hz, 0.001f);
        if (g > best) {
            best = g;
            resonant = hz;
        }
    }
    EXPECT_LT(gain(true, resonant, 1.0f), 0.5 * gain(false, resonant, 1.0f));
    EXPECT_NEAR(gain(true, resonant, 0.001f) / gain(false, resonant, 0.001f), 1.0, 0.02);
}

TEST(CombResponse, DelayFromTheCutoffCarvesNotches)
{
    // Position 0.5 reads a 10-sample delay at 44.1 kHz: nulls at odd
    // multiples of 2205 Hz, peaks at multiples of 4410 Hz.
    const double rate = 44100.0;
    const double null = sineGain(kCombLowpass24, rate, 0.5f, 2205.0, 0.0f, 1.0f);
    const double peak = sineGain(kCombLowpass24, rate, 0.5f, 4410.0, 0.0f, 1.0f);
    EXPECT_LT(null, 0.1 * peak);
}

TEST(CombResponse, DelayNeverDropsBelowTwoSamples)
{
    // A deep sweep would pull the delay far below zero; held at two samples,
    // the comb is the ladder fed with the input plus its echo two samples later.
    const double rate = 22050.0;
    const std::vector<float> lfoAtBottom(2049, -1.0f);
    FilterRig comb(kCombLowpass24, rate);
    comb.position = 0.5f;
    comb.params.offset = 0.5f; // ladder on the same index as the comb
    comb.params.resonance = 0.5f;
    comb.params.combModulation = 1000.0f;
    comb.params.lfo3Wave = lfoAtBottom.data();
    comb.params.lfo3Increment = 12345;
    FilterRig ladder(kLadder24, rate);
    ladder.position = 0.5f;
    ladder.params.resonance = 0.5f;

    const std::vector<float> in = noise(2048, 3);
    std::vector<float> withEcho(in);
    for (size_t i = 2; i < in.size(); ++i)
        withEcho[i] += in[i - 2];
    const std::vector<float> a = comb.process(in);
    const std::vector<float> b = ladder.process(withEcho);
    for (size_t i = 0; i < a.size(); ++i)
        ASSERT_EQ(a[i], b[i]) << i;
    EXPECT_EQ(comb.slot.combLfoPhase, 12345u * 2048u);
}
