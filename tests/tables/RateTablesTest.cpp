#include "RateTables.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>

namespace {

const double kRates[] = {22050.0, 44100.0, 48000.0, 88200.0, 96000.0, 176400.0, 192000.0};

std::unique_ptr<RateTables> tablesAt(double rate, uint32_t seed = 1)
{
    auto tables = std::make_unique<RateTables>(seed);
    tables->rebuild(rate);
    return tables;
}

double timeMs(int j) { return 2.0 * std::pow(10000.0, j / 1024.0); }

template <typename Table>
int argMax(const Table& t, int n) { return static_cast<int>(std::max_element(t.begin(), t.begin() + n) - t.begin()); }

} // namespace

TEST(RateTables, EnvelopeTablesReachATenthAndCoverOneInTheirTime)
{
    for (double sr : kRates) {
        auto t = tablesAt(sr);
        for (int j : {0, 1, 300, 512, 777, 1024}) {
            const double frames = timeMs(j) * 0.001 * sr;
            // Factors this close to 1 are only as good as f32 allows (half a step below 1.0 is 2^-25),
            // so only the shorter times are checked by decaying for their length.
            EXPECT_NEAR(t->envelopeDecayFactor[j], std::pow(0.1, 1.0 / frames), 0x1p-25) << sr << " j=" << j;
            if (j <= 512) {
                EXPECT_NEAR(std::pow(t->envelopeDecayFactor[j], frames), 0.1, 2e-4) << sr << " j=" << j;
            }
            EXPECT_NEAR(t->envelopeRampStep[j] * frames, 1.0, 1e-6) << sr << " j=" << j;
        }
    }
    auto t = tablesAt(44100.0);
    EXPECT_NEAR(t->envelopeDecayFactor[0], std::pow(0.1, 1.0 / 88.2), 1e-6);
    EXPECT_NEAR(t->envelopeDecayFactor[0], 0.9742, 1e-4);
    EXPECT_FLOAT_EQ(t->envelopeRampStep[1024], 1.0f / 882000.0f);
}

TEST(RateTables, SineTablesFollowTheirRuleAndCloseTheCycle)
{
    auto t = tablesAt(48000.0);
    for (int i = 0; i <= 2048; ++i) {
        const double x = 0.999 * std::sin(2.0 * M_PI * i / 2048.0);
        ASSERT_NEAR(t->sine[i], x, 1e-7) << i;
        ASSERT_EQ(t->sineInt16[i], static_cast<int16_t>(32767.0 * x)) << i;
        ASSERT_NEAR(t->softSquare[i], x > 0 ? std::exp(-15.0 * x) - 1.0 : 1.0 - std::exp(15.0 * x), 1e-6) << i;
    }
    EXPECT_EQ(t->sineInt16[512], 32734); // truncated, never the rail
    EXPECT_NEAR(t->softSquare[512], -1.0, 1e-6);
    EXPECT_NEAR(t->softSquare[1536], 1.0, 1e-6);
    EXPECT_NEAR(t->sine[2048], t->sine[0], 1e-9);
    EXPECT_NEAR(t->softSquare[2048], t->softSquare[0], 1e-9);
}

TEST(RateTables, SawAndTriangleShapesAre16BitAndCarryGuards)
{
    auto t = tablesAt(44100.0);
    // The first saw entry must stay at the top: +32768 wrapped in 16 bits would be -1.
    EXPECT_EQ(t->fallingSaw[0], 32767.0f / 32768.0f);
    for (int i = 1; i < 2048; ++i)
        ASSERT_EQ(t->fallingSaw[i], 1.0f - i / 1024.0f) << i;
    for (int i = 0; i < 1024; ++i) {
        ASSERT_EQ(t->triangle[i], t->fallingSaw[2 * i]) << i;
        ASSERT_EQ(t->triangle[i + 1024], -t->triangle[i]) << i;
    }
    EXPECT_EQ(t->skewedTriangle[0], -32767.0f / 32768.0f);
    EXPECT_EQ(t->skewedTriangle[128], 32767.0f / 32768.0f);
    EXPECT_EQ(t->skewedTriangle[2047], -32732.0f / 32768.0f);
    for (int i = 1; i < 2048; ++i) {
        ASSERT_EQ(std::fmod(t->skewedTriangle[i] * 32768.0f, 1.0f), 0.0f) << i;
        ASSERT_NEAR(t->skewedTriangle[i] - t->skewedTriangle[i - 1], i <= 128 ? 2.0 / 128 : -2.0 / 1920, 1e-4) << i;
    }
    EXPECT_EQ(t->fallingSaw[2048], t->fallingSaw[0]);
    EXPECT_EQ(t->triangle[2048], t->triangle[0]);
    EXPECT_EQ(t->skewedTriangle[2048], t->skewedTriangle[0]);
}

TEST(RateTables, SmoothRandomHoldsFifteenBitDrawsThroughItsFilter)
{
    auto t = tablesAt(44100.0, 7);
    const auto& y = t->smoothRandom;
    for (int step = 0; step < 15; ++step) {
        // Undo the filter: inside a hold x_i = x_(i-1), so y_i - 0.47472 y_(i-1) = 0.52528 x.
        const double drawn = (y[step * 128 + 1] - 0.47472 * y[step * 128]) / 0.52528;
        const double r = (drawn + 0.5) * 32767.0;
        EXPECT_NEAR(r, std::round(r), 2e-3) << step;
        EXPECT_GE(drawn, -0.5);
        EXPECT_LE(drawn, 0.5);
        for (int i = step * 128 + 2; i < step * 128 + 128; ++i)
            ASSERT_NEAR((y[i] - 0.47472 * y[i - 1]) / 0.52528, drawn, 1e-5) << i;
        EXPECT_NEAR(y[step * 128 + 127], drawn, 1e-6); // unity gain: each step settles on its draw
    }
    EXPECT_NEAR(y[2048], 0.0f, 1e-12);

    auto sameSeed = tablesAt(96000.0, 7);
    EXPECT_EQ(sameSeed->smoothRandom, t->smoothRandom);
    EXPECT_NE(tablesAt(44100.0, 8)->smoothRandom, t->smoothRandom);
    const auto before = t->smoothRandom;
    t->rebuild(44100.0);
    EXPECT_NE(t->smoothRandom, before);
}

TEST(RateTables, PitchTableIs1536StepsPerOctaveFromMidiNoteZero)
{
    auto t = tablesAt(44100.0);
    const auto& p = t->pitchToFrequency;
    for (int i = 0; i < RateTables::kPitchTableSize; i += 97)
        ASSERT_NEAR(p[i] / (1.021974609375 * std::exp2(i / 1536.0)), 1.0, 2e-7) << i;
    for (int i = 0; i + 1536 < RateTables::kPitchTableSize; i += 61)
        ASSERT_EQ(p[i + 1536], 2.0f * p[i]) << i;
    EXPECT_NEAR(p[RateTables::kMidiNoteZeroPitch], 8.175797, 1e-5);
    EXPECT_NEAR(p[RateTables::kMidiNoteZeroPitch + 69 * 128], 440.0, 2e-4);
    EXPECT_NEAR(p[RateTables::kMidiNoteZeroPitch + 70 * 128] / p[RateTables::kMidiNoteZeroPitch + 69 * 128],
                std::exp2(1.0 / 12.0), 1e-6);
}

TEST(RateTables, CutoffTablesMapTheirFrequenciesAtEveryRate)
{
    EXPECT_NEAR(RateTables::cutoffFrequency(0), 10.0, 1e-9);
    EXPECT_NEAR(RateTables::cutoffFrequency(2048), 22000.0, 1e-9);
    EXPECT_NEAR(RateTables::cutoffFrequency(2253), 47500.0, 100.0);
    for (double sr : kRates) {
        auto t = tablesAt(sr);
        // The state-variable filter runs at three times the rate: invert its coefficient to get the cutoff back.
        const auto svfCutoff = [&](int i) { return std::asin(t->svfCoefficient[i] / 2.0) * 3.0 * sr / M_PI; };
        EXPECT_NEAR(svfCutoff(2048), 22000.0, 0.05) << sr;
        EXPECT_NEAR(svfCutoff(0), 10.0, 1e-4) << sr;
        for (int i = 0; i < RateTables::kCutoffTableSize; i += 53) {
            const double f = RateTables::cutoffFrequency(i);
            ASSERT_NEAR(t->ladderTuning[i], 1.2 * (1.0 - std::exp(-2.0 * M_PI * f / sr)) - 1.0, 1e-6) << i;
            if (i > 0) {
                ASSERT_GT(t->ladderTuning[i], t->ladderTuning[i - 53]);
            }
        }
        EXPECT_NEAR(t->combDelay[0], 50.0 * sr / 44100.0, 1e-4) << sr;
        EXPECT_NEAR(t->combDelay[1024], 10.0 * sr / 44100.0, 1e-4) << sr;
        EXPECT_NEAR(t->combDelay[2048], 2.0 * sr / 44100.0, 1e-5) << sr;
    }
}

TEST(RateTables, CutoffIndexLimitKeepsTheLadderBelowNyquistUpTo48k)
{
    const std::pair<double, int32_t> cases[] = {{22050.0, 2046}, {44100.0, 2046}, {44101.0, 2068},
                                                {48000.0, 2068}, {48001.0, 2253}, {96000.0, 2253}};
    for (const auto& [sr, limit] : cases)
        EXPECT_EQ(tablesAt(sr)->cutoffIndexLimit, limit) << sr;
    EXPECT_LT(RateTables::cutoffFrequency(2046), 22050.0);
    EXPECT_LT(RateTables::cutoffFrequency(2068), 24000.0);
}

TEST(RateTables, SpikesLastTheirLengthAndPeakAtTheirLevel)
{
    const std::pair<double, int32_t> lengths[] = {
        {16000.0, 371}, {44100.0, 1024}, {48000.0, 1114}, {96000.0, 2229}, {352800.0, 8192}, {400000.0, 8192}};
    for (const auto& [sr, length] : lengths) {
        auto t = tablesAt(sr);
        ASSERT_EQ(t->spikeLength, length) << sr;
        for (const auto* spike : {&t->spikeSoft, &t->spikeHard}) {
            const float peak = spike == &t->spikeSoft ? 1.0f : 1.6f;
            const int top = argMax(*spike, length);
            EXPECT_NEAR((*spike)[top], peak, 1e-6) << sr;
            EXPECT_EQ((*spike)[0], 0.0f);
            for (int i = 1; i < length; ++i)
                ASSERT_TRUE(i <= top ? (*spike)[i] >= (*spike)[i - 1] : (*spike)[i] <= (*spike)[i - 1]) << sr << " " << i;
            // Once the pulse is over, only the one-pole low-pass rings out: its pole sets the decay.
            const double fc = spike == &t->spikeSoft ? 60.0 : 300.0;
            const double w = 2.0 * sr * std::tan(M_PI * fc / sr);
            const int n = length - 2;
            EXPECT_NEAR((*spike)[n + 1] / (*spike)[n], (2.0 * sr - w) / (2.0 * sr + w), 1e-5) << sr;
        }
        EXPECT_LT(argMax(t->spikeHard, length), argMax(t->spikeSoft, length)) << sr;
    }
    auto t = tablesAt(96000.0);
    t->rebuild(44100.0);
    EXPECT_TRUE(std::all_of(t->spikeSoft.begin() + 1024, t->spikeSoft.end(), [](float v) { return v == 0.0f; }));
}

TEST(RateTables, InstancesAtDifferentRatesStayIndependent)
{
    auto a = tablesAt(44100.0);
    const auto reference = tablesAt(44100.0);
    auto b = tablesAt(96000.0);
    b->rebuild(22050.0);
    EXPECT_EQ(a->envelopeDecayFactor, reference->envelopeDecayFactor);
    EXPECT_EQ(a->svfCoefficient, reference->svfCoefficient);
    EXPECT_EQ(a->combDelay, reference->combDelay);
    EXPECT_EQ(a->spikeHard, reference->spikeHard);
    EXPECT_EQ(a->cutoffIndexLimit, 2046);
    EXPECT_EQ(b->cutoffIndexLimit, 2046);
    EXPECT_NE(a->svfCoefficient, b->svfCoefficient);
    EXPECT_EQ(&RateTables::saturation(), &RateTables::saturation());
}

TEST(RateTables, UnusableRatesStillGiveFiniteTables)
{
    const double inf = std::numeric_limits<double>::infinity();
    for (double sr : {std::nan(""), 0.0, -48000.0, inf, -inf, 1e300}) {
        auto t = tablesAt(sr);
        EXPECT_TRUE(t->sampleRate >= RateTables::kLowestSampleRate && t->sampleRate <= RateTables::kHighestSampleRate);
        const auto finite = [](const auto& table) {
            return std::all_of(table.begin(), table.end(), [](float v) { return std::isfinite(v); });
        };
        EXPECT_TRUE(finite(t->envelopeDecayFactor) && finite(t->envelopeRampStep) && finite(t->svfCoefficient) &&
                    finite(t->ladderTuning) && finite(t->combDelay) && finite(t->spikeSoft) && finite(t->spikeHard))
            << sr;
        EXPECT_GE(t->spikeLength, 0);
        EXPECT_LE(t->spikeLength, RateTables::kSpikeCapacity);
    }
    EXPECT_EQ(tablesAt(std::nan(""))->sampleRate, 44100.0);
}

TEST(RateTables, SharedTablesFollowTheirRule)
{
    for (int i = 0; i < RateTables::kIndexRampSize; ++i) {
        ASSERT_EQ(RateTables::indexRampUp()[i], i);
        ASSERT_EQ(RateTables::indexRampDown()[i], 1024 - i);
    }
    for (int i = 0; i < RateTables::kSaturationTableSize; ++i)
        ASSERT_NEAR(RateTables::saturation()[i], std::tanh(i / 256.0), 1e-7) << i;
}
