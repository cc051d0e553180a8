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

TEST(RateTables, CutoffIndexLimitKeepsTheLadderBelowNyquistUpTo48k)
{
    const std::pair<double, int32_t> cases[] = {{22050.0, 2046}, {44100.0, 2046}, {44101.0, 2068},
                                                {48000.0, 2068}, {48001.0, 2253}, {96000.0, 2253}};
    for (const auto& [sr, limit] : cases)
        EXPECT_EQ(tablesAt(sr)->cutoffIndexLimit, limit) << sr;
    EXPECT_LT(RateTables::cutoffFrequency(2046), 22050.0);
    EXPECT_LT(RateTables::cutoffFrequency(2068), 24000.0);
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

