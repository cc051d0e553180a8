#include "FilterTypes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include <set>
#include <string>

TEST(FilterTypes, MenuListsEveryTypeOnceBetweenSeparators)
{
    std::set<int32_t> codes;
    int32_t separators = 0;
    for (int32_t row = 0; row < kFilterMenuEntries; ++row) {
        const FilterMenuEntry& entry = kFilterMenu[row];
        if (entry.code == kFilterMenuSeparatorCode) {
            EXPECT_EQ(std::string(entry.name), "-");
            // Separators divide groups: never first, last or doubled.
            ASSERT_GT(row, 0);
            ASSERT_LT(row, kFilterMenuEntries - 1);
            EXPECT_NE(kFilterMenu[row - 1].code, kFilterMenuSeparatorCode);
            ++separators;
            continue;
        }
        EXPECT_TRUE(codes.insert(entry.code).second) << entry.name;
        EXPECT_STREQ(filterTypeName(entry.code), entry.name);
    }
    EXPECT_EQ(separators, 3);
    ASSERT_EQ(codes.size(), 18u);
    EXPECT_EQ(*codes.begin(), 0);
    EXPECT_EQ(*codes.rbegin(), 17);
    EXPECT_STREQ(kFilterMenu[0].name, "Lowpass 12dB");
    EXPECT_STREQ(kFilterMenu[kFilterMenuEntries - 1].name, "HP12/LP12 Split");
}

TEST(FilterTypes, ModulationOrderIsMenuOrderWithSaturationBeforeFollow)
{
    std::vector<int32_t> menuOrder;
    for (const FilterMenuEntry& entry : kFilterMenu)
        if (entry.code != kFilterMenuSeparatorCode)
            menuOrder.push_back(entry.code);
    std::vector<int32_t> modulationOrder(kFilterModulationOrder, kFilterModulationOrder + kNumFilterTypes);
    const auto follow = std::find(menuOrder.begin(), menuOrder.end(), int32_t{kLowpass12Follow});
    ASSERT_NE(follow, menuOrder.end());
    std::iter_swap(follow, follow + 1);
    EXPECT_EQ(menuOrder, modulationOrder);

    EXPECT_STREQ(kFilterShortNames[11], "LP+Sat");
    EXPECT_STREQ(kFilterShortNames[12], "LP+Folw");
    EXPECT_STREQ(kFilterShortNames[17], "HP/LP");
}

TEST(FilterTypes, ModulationValueSelectsTypeWithinRange)
{
    EXPECT_EQ(filterTypeForModulation(1), kLowpass12);
    EXPECT_EQ(filterTypeForModulation(3), kLadder12);
    EXPECT_EQ(filterTypeForModulation(12), kLowpass24Saturation);
    EXPECT_EQ(filterTypeForModulation(18), kSplitHighpass);
    EXPECT_EQ(filterTypeForModulation(0), kLowpass12);
    EXPECT_EQ(filterTypeForModulation(-5), kLowpass12);
    EXPECT_EQ(filterTypeForModulation(40), kSplitHighpass);
}

TEST(FilterTypes, CodesWithoutFilterRunThePlainLowpass)
{
    for (int32_t code : {-1, 18, 111, 1000})
        EXPECT_EQ(effectiveFilterType(code), kLowpass12);
    EXPECT_EQ(filterTypeName(18), nullptr);
    EXPECT_EQ(filterTypeName(kFilterMenuSeparatorCode), nullptr);
    EXPECT_TRUE(isSplitFilterType(kSplitLowpass));
    EXPECT_TRUE(isSplitFilterType(kSplitHighpass));
    EXPECT_FALSE(isSplitFilterType(kSweep));
    EXPECT_FALSE(isSplitFilterType(18));
}
