// Type codes, menu and cutoff position: what decides which kernel runs and where.
#include "FilterTestSupport.h"

#include <limits>
#include <set>
#include <string>
#include <tuple>

TEST(FilterTypes, ModulationValueAndUnknownCodesStayInRange)
{
    const std::pair<int32_t, int32_t> byModulation[] = {{1, kLowpass12},  {3, kLadder12},  {12, kLowpass24Saturation},
                                                        {18, kSplitHighpass}, {0, kLowpass12}, {-5, kLowpass12},
                                                        {40, kSplitHighpass}};
    for (const auto& [value, type] : byModulation)
        EXPECT_EQ(filterTypeForModulation(value), type) << value;
    EXPECT_EQ(filterTypeName(18), nullptr);
    EXPECT_EQ(filterTypeName(kFilterMenuSeparatorCode), nullptr);
    EXPECT_TRUE(isSplitFilterType(kSplitLowpass) && isSplitFilterType(kSplitHighpass));
    EXPECT_FALSE(isSplitFilterType(kSweep) || isSplitFilterType(18));
}

// While the cutoff control moves, each slice starts where the last one ended.
TEST(FilterCutoff, RampIsContinuousAcrossSlices)
{
    VoiceSlot slot{};
    slot.prevCutoff = kUnsetCutoff;
    const float blockStep = 0.5f / 512.0f; // 0.2 -> 0.7 over a 512-frame block
    float target = 0.2f;
    float end = 0.0f;
    for (int slice = 0; slice < 8; ++slice) {
        target += blockStep * 64.0f;
        const CutoffRamp ramp = beginCutoffRamp(slot, target, blockStep, 64);
        if (slice > 0) {
            EXPECT_NEAR(ramp.start, end, 1e-6f) << slice;
        }
        end = ramp.start + ramp.step * 64.0f;
        EXPECT_GE(ramp.step, 0.0f);
    }
}
