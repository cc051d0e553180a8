#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include "Conversions.h"
#include "Lfo.h"
#include "RateTables.h"

namespace {

constexpr float kUntouched = 123.0f;
using Table = std::array<float, kLfoTableSize + 64>; // room behind the table shows stray writes

// The shape sources the engine ships.
struct Sources {
    Sources() { rates.rebuild(44100.0); }
    RateTables rates;
    const RateTables::CycleTable& saw = rates.skewedTriangle;
    const RateTables::CycleTable& sine = rates.sine;
    const RateTables::CycleTable& random = rates.smoothRandom;
};
const Sources sources;

Table built(int32_t shape, float skew)
{
    Table table;
    table.fill(kUntouched);
    const LfoSkew derived{expMapF(skew, 0.25f, 4.0f), expMapF(skew, 0.5f, 2.0f), skew};
    buildLfoTable(table.data(), shape, derived, {sources.saw.data(), sources.sine.data(), sources.random.data()});
    EXPECT_TRUE(std::all_of(table.begin() + kLfoCycleLength, table.end(), [](float x) { return x == kUntouched; }))
        << "shape " << shape << " skew " << skew << " wrote past the cycle";
    return table;
}

} // namespace

TEST(LfoTable, SkewBendsSawAndSineAndOtherShapesCopyOrClear)
{
    const Table saw = built(kLfoSaw, 0.5f), towardsTop = built(kLfoSaw, 0.0f), towardsBottom = built(kLfoSaw, 1.0f);
    const std::pair<int32_t, float> points[] = {{0, -0.99997f}, {128, 0.99997f}, {2047, -0.9989f}, {1088, 0.0f}};
    for (const auto& [i, value] : points)
        EXPECT_NEAR(saw[i], value, 1e-5f) << i;
    EXPECT_GT(towardsTop[1088], 0.5f);
    EXPECT_LT(towardsBottom[1088], -0.5f);
    EXPECT_NEAR(towardsBottom[128], 1.0f, 1e-3f);

    const Table plain = built(kLfoSine, 0.5f), narrow = built(kLfoSine, 1.0f), wide = built(kLfoSine, 0.0f);
    for (const int32_t i : {100, 256, 512, 1300, 1536}) { // magnitude bends, sign stays
        const float s = sources.sine[i];
        EXPECT_NEAR(plain[i], s, 1e-6f);
        EXPECT_NEAR(narrow[i], std::copysign(s * s, s), 1e-5f);
        EXPECT_NEAR(wide[i], std::copysign(std::sqrt(std::fabs(s)), s), 1e-5f);
    }
    const Table sh = built(kLfoSampleHold, 0.3f), unknown = built(7, 0.3f);
    EXPECT_TRUE(std::equal(sh.begin(), sh.begin() + kLfoCycleLength, sources.random.begin()));
    EXPECT_TRUE(std::all_of(unknown.begin(), unknown.begin() + kLfoCycleLength, [](float x) { return x == 0.0f; }));
}

TEST(LfoTable, PulseWidthFollowsSkewAndTheWidestNeverWritesPastTheCycle)
{
    const Table half = built(kLfoPulse, 0.5f); // high for 1016 + 8 entries
    const std::pair<int32_t, float> edges[] = {{1024, 1.0f},  {1025, 1.0f - 1.0f / 32}, {1087, 1.0f - 63.0f / 32},
                                               {1088, -1.0f}, {1984, -1.0f},           {2047, -1.0f + 63.0f / 32}};
    for (const auto& [i, value] : edges)
        EXPECT_EQ(half[i], value) << i;
    EXPECT_LT(built(kLfoPulse, 0.0f)[9], 1.0f);

    const Table widest = built(kLfoPulse, 1.0f);
    EXPECT_TRUE(std::all_of(widest.begin(), widest.begin() + 1984, [](float x) { return x == 1.0f; }));
    for (int32_t k = 0; k < 64; ++k)
        ASSERT_EQ(widest[1984 + k], -1.0f + k / 32.0f) << k;
    for (const float skew : {5.0f, -5.0f, 1e30f, std::numeric_limits<float>::quiet_NaN()}) {
        const Table t = built(kLfoPulse, skew);
        EXPECT_TRUE(std::all_of(t.begin(), t.begin() + kLfoCycleLength, [](float x) { return std::fabs(x) <= 1.0f; }))
            << skew;
    }
}

TEST(LfoOutput, ReadsTheTopElevenPhaseBitsAndFadesInLinearly)
{
    Table table{};
    for (int32_t i = 0; i < kLfoCycleLength; ++i)
        table[i] = static_cast<float>(i);
    Random15 random;
    VoiceSlot v{};
    v.lfoPhase[1] = (100u << 21) + (1u << 20);
    EXPECT_EQ(lfoOutput({table.data(), kLfoSaw, 1.0f, 0.0f}, 1, v, 1000, 64, random), 100.0f);
    const LfoParams fading{table.data(), kLfoSine, 1.0f, 44100.0f}; // 1 s at 44.1 kHz
    for (const auto& [age, expected] : {std::pair{0u, 0.0f}, std::pair{22050u, 50.0f}, std::pair{44100u, 100.0f}}) {
        v.age = age;
        EXPECT_FLOAT_EQ(lfoOutput(fading, 1, v, 1000, 64, random), expected) << age;
    }
}

TEST(LfoOutput, SampleHoldDrawsAtTheFirstCallAndOncePerCycleThenSmooths)
{
    Random15 random(99);
    VoiceSlot v{};
    v.lfoPhase[2] = 0x12345678u;
    const uint32_t increment = 4292000u; // about 1000.7 frames per cycle
    int32_t draws = 0, wraps = 0;
    for (int32_t call = 0; call < 2000; ++call) {
        const int32_t frames = call % 3 == 0 ? 17 : 64;
        const float before = v.shTarget[2];
        const float out = lfoOutput({nullptr, kLfoSampleHold, 1.0f, 0.0f}, 2, v, increment, frames, random);
        EXPECT_FLOAT_EQ(out, v.shTarget[2]);
        const uint32_t next = v.lfoPhase[2] + increment * static_cast<uint32_t>(frames);
        const bool wrapped = next < v.lfoPhase[2];
        if (v.shTarget[2] != before) {
            ++draws;
            EXPECT_TRUE(wrapped || call == 0) << call;
        }
        wraps += wrapped;
        v.lfoPhase[2] = next;
        v.age += frames;
    }
    EXPECT_GT(wraps, 90);
    EXPECT_EQ(draws, wraps + 1);

    VoiceSlot exact{};
    exact.age = 500;
    exact.lfoPhase[1] = 0u - 64u; // lands exactly on the cycle end: that cycle still gets its draw
    lfoOutput({nullptr, kLfoSampleHold, 1.0f, 0.0f}, 1, exact, 1, 64, random);
    EXPECT_NE(exact.shTarget[1], 0.0f);

    VoiceSlot s{};
    s.age = 500;
    s.shTarget[0] = 0.8f;
    EXPECT_FLOAT_EQ(lfoOutput({nullptr, kLfoSampleHold, 0.25f, 0.0f}, 0, s, 1, 64, random), 0.2f);
    EXPECT_FLOAT_EQ(lfoOutput({nullptr, kLfoSampleHold, 0.25f, 0.0f}, 0, s, 1, 64, random), 0.35f);
}
