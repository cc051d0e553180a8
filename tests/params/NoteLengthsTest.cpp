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

} // namespace
