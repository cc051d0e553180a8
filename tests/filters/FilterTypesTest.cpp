// Type codes, menu and cutoff position: what decides which kernel runs and where.
#include "FilterTestSupport.h"

#include <limits>
#include <set>
#include <string>
#include <tuple>

TEST(FilterTypes, MenuListsEveryTypeOnceBetweenSeparatorsInModulationOrder)
{
    std::set<int32_t> codes;
    std::vector<int32_t> menuOrder;
    int32_t separators = 0;
    for (int32_t row = 0; row < kFilterMenuEntries; ++row) {
        const FilterMenuEntry& entry = kFilterMenu[row];
        if (entry.code == kFilterMenuSeparatorCode) {
            EXPECT_EQ(std::string(entry.name), "-");
            // Separators divide groups: never first, last or doubled.
            ASSERT_TRUE(row > 0 && row < kFilterMenuEntries - 1);
            EXPECT_NE(kFilterMenu[row - 1].code, kFilterMenuSeparatorCode);
            ++separators;
            continue;
        }
        EXPECT_TRUE(codes.insert(entry.code).second) << entry.name;
        EXPECT_STREQ(filterTypeName(entry.code), entry.name);
        menuOrder.push_back(entry.code);
    }
    EXPECT_EQ(separators, 3);
    ASSERT_EQ(codes.size(), 18u);
    EXPECT_TRUE(*codes.begin() == 0 && *codes.rbegin() == 17);
    EXPECT_STREQ(kFilterMenu[0].name, "Lowpass 12dB");
    EXPECT_STREQ(kFilterMenu[kFilterMenuEntries - 1].name, "HP12/LP12 Split");

    // Modulation runs in menu order except that saturation comes before follow.
    const auto follow = std::find(menuOrder.begin(), menuOrder.end(), int32_t{kLowpass12Follow});
    ASSERT_NE(follow, menuOrder.end());
    std::iter_swap(follow, follow + 1);
    EXPECT_EQ(menuOrder, std::vector<int32_t>(kFilterModulationOrder, kFilterModulationOrder + kNumFilterTypes));
    EXPECT_STREQ(kFilterShortNames[11], "LP+Sat");
    EXPECT_STREQ(kFilterShortNames[12], "LP+Folw");
    EXPECT_STREQ(kFilterShortNames[17], "HP/LP");
}

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

TEST(FilterCutoff, KeyTrackingAddsFiveThousandthsPerSemitone)
{
    EXPECT_FLOAT_EQ(filterCutoffPosition(0.2f, 1.0f, 60 * 128.0f), 0.5f);
    EXPECT_FLOAT_EQ(filterCutoffPosition(0.2f, 0.5f, 72 * 128.0f), 0.2f + 0.5f * 0.005f * 72.0f);
    EXPECT_FLOAT_EQ(filterCutoffPosition(0.2f, 0.0f, 127 * 128.0f), 0.2f);
}

TEST(FilterCutoff, RampRunsFromPreviousTargetAndLandsOnTheNewOne)
{
    VoiceSlot slot{};
    slot.prevCutoff = kUnsetCutoff;
    const CutoffRamp first = beginCutoffRamp(slot, 0.6f, 0.0f, 32);
    EXPECT_FLOAT_EQ(first.start, 0.6f); // a fresh voice starts at its target
    EXPECT_FLOAT_EQ(first.step, 0.0f);
    const CutoffRamp second = beginCutoffRamp(slot, 0.2f, 0.001f, 40);
    EXPECT_FLOAT_EQ(second.start, 0.6f);
    EXPECT_NEAR(second.start + 40 * second.step, 0.2f + 40 * 0.001f, 1e-6f);
    const CutoffRamp third = beginCutoffRamp(slot, 0.9f, 0.0f, 1); // one frame completes it at once
    EXPECT_FLOAT_EQ(third.start + third.step, 0.9f);
}

TEST(FilterCutoff, IndexRoundsAndStaysInsideEachKernelsLimit)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const std::tuple<float, int32_t, int32_t> cases[] = {
        {0.0f, kSvfIndexLimit, 0},     {-3.0f, kSvfIndexLimit, 0},   {nan, kSvfIndexLimit, 0},
        {1.0f, kSvfIndexLimit, 2047},  {1.0f, kWideIndexLimit, 2048}, {5.0f, 2253, 2253},
        {1e30f, 2068, 2068},           {1000.4f / 2048.0f, kSvfIndexLimit, 1000},
        {1000.6f / 2048.0f, kSvfIndexLimit, 1001}};
    for (const auto& [position, limit, index] : cases)
        EXPECT_EQ(cutoffIndex(position, limit), index) << position << " limit " << limit;
}

// The envelope and the filter-FM buffer move the cutoff frame by frame.
TEST(FilterCutoff, EnvelopeAndFilterFmMoveThePosition)
{
    const std::vector<float> tone = sine(3000.0, 44100.0, 8192);
    auto level = [&](float envelope) {
        FilterRig rig(kLowpass12, 44100.0);
        rig.position = positionFor(300.0);
        rig.params.envAmount = 0.5f;
        rig.envelopeLevel = envelope;
        return peakOf(rig.process(tone), 4096);
    };
    EXPECT_GT(level(1.0f), 10.0 * level(0.0f));

    FilterRig plain(kLowpass12, 44100.0), modulated(kLowpass12, 44100.0);
    plain.position = positionFor(30000.0);
    modulated.position = positionFor(300.0);
    modulated.filterFm.assign(tone.size(), positionFor(30000.0) - positionFor(300.0));
    // The same index either way; the FM path only adds its gentle bound on the
    // band memory (a cubic term, about 1e-6 at this level).
    const std::vector<float> a = plain.process(tone), b = modulated.process(tone);
    for (size_t i = 0; i < a.size(); ++i)
        ASSERT_NEAR(a[i], b[i], 1e-5f) << i;
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
