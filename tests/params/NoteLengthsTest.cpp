#include "NoteLengths.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace {

TEST(NoteLengths, NamesRunFromEightDottedWholesToThirtySecondTriplets)
{
    const char* const lfoNames[] = {"8/1*", "8/1", "8/1T", "4/1*", "4/1", "4/1T", "2/1*", "2/1", "2/1T",
                                    "1/1*", "1/1", "1/1T", "1/2*", "1/2", "1/2T", "1/4*", "1/4", "1/4T",
                                    "1/8*", "1/8", "1/8T", "1/16*", "1/16", "1/16T", "1/32*", "1/32", "1/32T"};
    // The arpeggiator reads the same entries 8 times finer: "4/1" as an LFO
    // period is "1/2" as a step.
    for (int32_t i = 0; i < kNumNoteLengths; ++i) {
        EXPECT_STREQ(kNoteLengths[i].lfoName, lfoNames[i]) << i;
        const bool reachable = i >= kFirstArpNoteLength && i < kFirstArpNoteLength + kNumArpNoteLengths;
        EXPECT_EQ(std::string(kNoteLengths[i].arpName).empty(), !reachable) << i;
    }
    EXPECT_STREQ(kNoteLengths[kFirstArpNoteLength].arpName, "1/2*");
    EXPECT_STREQ(kNoteLengths[16].arpName, "1/32");
    EXPECT_STREQ(kNoteLengths[kFirstArpNoteLength + kNumArpNoteLengths - 1].arpName, "1/128T");
}

TEST(NoteLengths, DottedAndTripletLengthsRelateToTheStraightOne)
{
    EXPECT_EQ(kNoteLengths[0].length, 768.0);
    EXPECT_EQ(kNoteLengths[16].length, 16.0); // "1/4": one quarter note of LFO period
    EXPECT_EQ(kNoteLengths[2].length, 1024.0 / 3.0);
    for (int32_t straight = 1; straight < kNumNoteLengths; straight += 3) {
        const double length = kNoteLengths[straight].length;
        EXPECT_DOUBLE_EQ(kNoteLengths[straight - 1].length, 1.5 * length) << straight;
        EXPECT_DOUBLE_EQ(kNoteLengths[straight + 1].length, length * 2.0 / 3.0) << straight;
        EXPECT_TRUE(straight + 3 >= kNumNoteLengths || kNoteLengths[straight + 3].length == length / 2.0) << straight;
    }
}

TEST(NoteLengths, AnyRateValuePicksAnEntryWithinTheTable)
{
    EXPECT_EQ(lfoNoteLengthIndex(0.0), 0);
    EXPECT_EQ(lfoNoteLengthIndex(1.0), kNumNoteLengths - 1);
    EXPECT_EQ(lfoNoteLengthIndex(16.0 / 26.0), 16);
    EXPECT_EQ(arpNoteLengthIndex(0.0), kFirstArpNoteLength);
    EXPECT_EQ(arpNoteLengthIndex(1.0), kFirstArpNoteLength + kNumArpNoteLengths - 1);
    EXPECT_EQ(arpNoteLengthIndex(13.0 / 20.01), 16);
    const double inf = std::numeric_limits<double>::infinity();
    for (const double v : {std::nan(""), -1.0, 2.0, 1e300, -inf, inf}) {
        const int32_t lfo = lfoNoteLengthIndex(v);
        const int32_t arp = arpNoteLengthIndex(v);
        EXPECT_TRUE(lfo >= 0 && lfo < kNumNoteLengths) << v;
        EXPECT_TRUE(arp >= kFirstArpNoteLength && arp < kFirstArpNoteLength + kNumArpNoteLengths) << v;
    }
}

} // namespace
