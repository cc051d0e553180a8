#include "NoteLengths.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

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
