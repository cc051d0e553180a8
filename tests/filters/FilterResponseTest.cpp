// Measured responses of the kernel families: sines through fresh filters,
// gains compared at and around the corner.
#include "FilterTestSupport.h"

namespace {

constexpr double kRates[] = {44100.0, 96000.0};

// The state-variable coefficient is computed for three times the rate, so
// its corner sits at a third of the frequency the cutoff index names.
float svfPositionFor(double corner) { return positionFor(3.0 * corner); }

double peakGain(int32_t type, double rate, float position, double from, double to, float resonance)
{
    double peak = 0.0;
    for (double hz = from; hz <= to; hz *= std::pow(2.0, 1.0 / 12.0))
        peak = std::max(peak, sineGain(type, rate, position, hz, resonance));
    return peak;
}

// Gain ratio an octave apart, well above the corner.
double octaveFall(int32_t type, double rate, float position, double hz)
{
    return sineGain(type, rate, position, hz) / sineGain(type, rate, position, 2 * hz);
}

} // namespace

TEST(StateVariableResponse, LowpassesPassBelowAndFallTwelveOrTwentyFourDbPerOctave)
{
    for (double rate : kRates) {
        SCOPED_TRACE(rate);
        const float position = svfPositionFor(1000.0);
        for (int32_t type : {kLowpass12, kLowpass24})
            EXPECT_NEAR(sineGain(type, rate, position, 125.0), 1.0, 0.05) << type;
        EXPECT_NEAR(sineGain(kLowpass12, rate, position, 1000.0), 1.0, 0.1); // q = 1 at the corner
        const double fall12 = octaveFall(kLowpass12, rate, position, 4000.0);
        const double fall24 = octaveFall(kLowpass24, rate, position, 4000.0);
        EXPECT_TRUE(fall12 > 3.0 && fall12 < 5.0) << fall12;
        EXPECT_TRUE(fall24 > 10.0 && fall24 < 22.0) << fall24;
    }
}

TEST(StateVariableResponse, ResonanceRaisesAPeakOnlyWhenTurnedUp)
{
    const float position = svfPositionFor(1000.0);
    // q = 1 leaves only the gentle bump of a damped two-pole, under 1.5 dB.
    EXPECT_LT(peakGain(kLowpass12, 44100.0, position, 250.0, 2000.0, 0.0f), 1.19);
    const double resonant = sineGain(kLowpass12, 44100.0, position, 1000.0, 0.9f);
    EXPECT_GT(resonant, 4.0);
    EXPECT_GT(resonant, 3.0 * sineGain(kLowpass12, 44100.0, position, 1000.0, 0.0f));
}

TEST(StateVariableResponse, BandpassNotchAndHighpassShapes)
{
    for (double rate : kRates) {
        SCOPED_TRACE(rate);
        const double f0 = 800.0;
        // The serial types with the low-pass opened (offset 1) are the bare
        // band, notch and high outputs.
        auto gain = [&](int32_t type, double hz) { return sineGain(type, rate, svfPositionFor(f0), hz, 0.0f, 1.0f); };
        EXPECT_NEAR(gain(kBandpassIntoLowpass, f0), 1.0, 0.1);
        EXPECT_LT(gain(kBandpassIntoLowpass, f0 / 8), 0.2);
        EXPECT_LT(gain(kBandpassIntoLowpass, f0 * 8), 0.2);
        EXPECT_LT(gain(kNotchIntoLowpass, f0), 0.15);
        EXPECT_NEAR(gain(kNotchIntoLowpass, f0 / 8), 1.0, 0.05);
        EXPECT_NEAR(gain(kHighpassIntoLowpass, f0 * 8), 1.0, 0.1);
        EXPECT_LT(gain(kHighpassIntoLowpass, f0 / 8), 0.03);
    }
    // Lower offsets bring the low-pass down: at 0.5 it sits on the corner,
    // at 0 an octave lower still.
    const float position = svfPositionFor(500.0);
    EXPECT_LT(sineGain(kBandpassIntoLowpass, 44100.0, position, 4000.0, 0.0f, 0.5f),
              0.1 * sineGain(kBandpassIntoLowpass, 44100.0, position, 4000.0, 0.0f, 1.0f));
    EXPECT_LT(sineGain(kHighpassIntoLowpass, 44100.0, position, 1000.0, 0.0f, 0.0f),
              0.5 * sineGain(kHighpassIntoLowpass, 44100.0, position, 1000.0, 0.0f, 0.5f));
}

TEST(FilterEquivalence, SweepEndsSplitAndSaturationAtZeroAreTheirPlainKernels)
{
    struct Case {
        int32_t type;
        float offset;
        int32_t referenceType;
        float referenceOffset;
    };
    // The sweep is low-pass, band-pass and high-pass at its ends; the split's
    // first path with a silent second is its stage-one filter; saturation at
    // offset 0 leaves the plain ladder.
    for (const Case& c : {Case{kSweep, 0.0f, kLowpass12, 0.0f}, Case{kSweep, 0.5f, kBandpassIntoLowpass, 1.0f},
                          Case{kSweep, 1.0f, kHighpassIntoLowpass, 1.0f}, Case{kSplitLowpass, 0.3f, kLowpass12, 0.0f},
                          Case{kLowpass24Saturation, 0.0f, kLadder24, 0.0f}}) {
        SCOPED_TRACE(testing::Message() << "type " << c.type << " offset " << c.offset);
        FilterRig rig(c.type, 48000.0), reference(c.referenceType, 48000.0);
        for (FilterRig* r : {&rig, &reference}) {
            r->position = svfPositionFor(1200.0);
            r->params.resonance = 0.7f;
        }
        rig.params.offset = c.offset;
        reference.params.offset = c.referenceOffset;
        expectSameOutput(rig, reference);
    }
}

TEST(LadderResponse, FourPolesFallTwentyFourDbPerOctaveAndTheTapTwelve)
{
    for (double rate : kRates) {
        const float position = positionFor(1000.0);
        const double passband = sineGain(kLadder24, rate, position, 50.0);
        EXPECT_NEAR(passband, 1.47, 0.1) << rate; // 0.35 input gain, 1.43 per stage at DC
        const double atCorner = sineGain(kLadder24, rate, position, 1000.0);
        EXPECT_TRUE(atCorner < 0.8 * passband && atCorner > 0.1 * passband) << rate;
        EXPECT_GT(octaveFall(kLadder24, rate, position, 8000.0), 10.0) << rate;
    }
    const double fall12 = octaveFall(kLadder12, 96000.0, positionFor(500.0), 4000.0);
    EXPECT_TRUE(fall12 > 3.0 && fall12 < 5.0) << fall12;
}

TEST(LadderResponse, ResonanceRaisesAPeakAndZeroHasNone)
{
    const float position = positionFor(1000.0);
    const double passband = sineGain(kLadder24, 44100.0, position, 50.0);
    EXPECT_LE(peakGain(kLadder24, 44100.0, position, 100.0, 4000.0, 0.0f), passband * 1.01);
    EXPECT_GT(peakGain(kLadder24, 44100.0, position, 100.0, 4000.0, 0.9f), 2.0 * passband);
    // Driving the ladder into the low-pass keeps a low-pass.
    const double low = sineGain(kLadderIntoLowpass12, 44100.0, position, 100.0, 0.3f, 0.5f);
    EXPECT_GT(low, 0.1);
    EXPECT_LT(sineGain(kLadderIntoLowpass12, 44100.0, position, 8000.0, 0.3f, 0.5f), 0.01 * low);
}

// In "Filter FM" the ladder clips what it feeds back, which tames loud
// resonance but leaves quiet signals as the linear loop has them.
TEST(LadderResponse, FilterFmModeClipsTheFeedback)
{
    auto gain = [](bool filterFm, double hz, float amplitude) {
        FilterRig rig(kLadder24, 44100.0);
        rig.position = positionFor(1000.0);
        rig.params.resonance = 1.0f;
        if (filterFm)
            rig.filterFm.assign(32768, 0.0f);
        return peakOf(rig.process(sine(hz, 44100.0, 32768, amplitude)), 16384) / amplitude;
    };
    double resonant = 0.0, best = 0.0;
    for (double hz = 300.0; hz < 3000.0; hz *= std::pow(2.0, 1.0 / 24.0)) {
        const double g = gain(false, hz, 0.001f);
        if (g > best)
            std::tie(best, resonant) = std::pair{g, hz};
    }
    EXPECT_LT(gain(true, resonant, 1.0f), 0.5 * gain(false, resonant, 1.0f));
    EXPECT_NEAR(gain(true, resonant, 0.001f) / gain(false, resonant, 0.001f), 1.0, 0.02);
}

TEST(CombResponse, DelayFromTheCutoffCarvesNotchesAndNeverDropsBelowTwoSamples)
{
    // Position 0.5 reads a 10-sample delay at 44.1 kHz: nulls at odd
    // multiples of 2205 Hz, peaks at multiples of 4410 Hz.
    EXPECT_LT(sineGain(kCombLowpass24, 44100.0, 0.5f, 2205.0, 0.0f, 1.0f),
              0.1 * sineGain(kCombLowpass24, 44100.0, 0.5f, 4410.0, 0.0f, 1.0f));

    // A deep sweep would pull the delay far below zero; held at two samples,
    // the comb is the ladder fed with the input plus its echo two samples later.
    const std::vector<float> lfoAtBottom(2049, -1.0f);
    FilterRig comb(kCombLowpass24, 22050.0), ladder(kLadder24, 22050.0);
    comb.params.offset = 0.5f; // ladder on the same index as the comb
    comb.params.resonance = ladder.params.resonance = 0.5f;
    comb.params.combModulation = 1000.0f;
    comb.params.lfo3Wave = lfoAtBottom.data();
    comb.params.lfo3Increment = 12345;
    const std::vector<float> in = noise(2048, 3);
    std::vector<float> withEcho(in);
    for (size_t i = 2; i < in.size(); ++i)
        withEcho[i] += in[i - 2];
    const std::vector<float> a = comb.process(in), b = ladder.process(withEcho);
    for (size_t i = 0; i < a.size(); ++i)
        ASSERT_EQ(a[i], b[i]) << i;
    EXPECT_EQ(comb.slot.combLfoPhase, 12345u * 2048u);
}

// A held envelope takes the kernel's fast path for the 12 dB low-pass; it
// must sound like the frame-by-frame path at the same level, whatever the
// slice length (odd ones included) and resonance.
TEST(FilterEquivalence, HeldLowpassMatchesTheFrameByFramePath)
{
    auto rates = std::make_unique<RateTables>();
    rates->rebuild(44100.0);
    const FilterTables tables{rates->svfCoefficient.data(), rates->ladderTuning.data(), rates->combDelay.data(),
                              RateTables::saturation().data(), rates->cutoffIndexLimit, 44100.0, 1.0f};
    float envelope[kMaxSliceFrames];
    std::fill(envelope, envelope + kMaxSliceFrames, 0.25f);
    for (const float resonance : {0.0f, 0.6f, 1.0f}) {
        VoiceSlot held{}, stepped{};
        held.voiceFilterType = stepped.voiceFilterType = kLowpass12;
        FilterParams params{};
        params.cutoff = {0.5f, 0.0f};
        params.envAmount = 0.2f;
        params.resonance = resonance;
        uint32_t noise = 12345;
        double worst = 0.0, loudest = 0.0;
        for (const int32_t frames : {64, 63, 1, 17, 64, 2, 64}) {
            float a[kMaxSliceFrames], b[kMaxSliceFrames];
            for (int32_t t = 0; t < frames; ++t) {
                noise = noise * 1664525u + 1013904223u;
                a[t] = b[t] = static_cast<float>(static_cast<int32_t>(noise)) * 4.6e-10f;
            }
            params.envelopeSustaining = true;
            runFilterKernel(held, tables, params, {a, nullptr, envelope, nullptr}, frames);
            params.envelopeSustaining = false;
            runFilterKernel(stepped, tables, params, {b, nullptr, envelope, nullptr}, frames);
            for (int32_t t = 0; t < frames; ++t) {
                worst = std::max(worst, std::fabs(double(a[t]) - double(b[t])));
                loudest = std::max(loudest, std::fabs(double(b[t])));
            }
        }
        EXPECT_GT(loudest, 0.05) << resonance;
        EXPECT_LT(worst, 1e-5 * loudest) << resonance;
    }
}
