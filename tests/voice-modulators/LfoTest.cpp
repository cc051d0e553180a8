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

