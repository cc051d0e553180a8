#include "RateTables.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>

namespace {

const double kRates[] = {22050.0, 44100.0, 48000.0, 88200.0, 96000.0, 176400.0, 192000.0};

std::unique_ptr<RateTables> tablesAt(double rate)
{
    auto tables = std::make_unique<RateTables>();
    tables->rebuild(rate);
    return tables;
}

template <typename Table>
int argMax(const Table& t, int n) { return static_cast<int>(std::max_element(t.begin(), t.begin() + n) - t.begin()); }

} // namespace

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

