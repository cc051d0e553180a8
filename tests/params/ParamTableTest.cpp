#include "ParamTable.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

namespace {

using namespace ParamIndex;

std::string nameOf(int32_t index) { return kParamDescriptors[index].name; }

TEST(ParamTable, NumberedFamiliesCountFromOne)
{
    const auto expectFamily = [](int32_t first, int32_t count, const std::string& stem, const std::string& tail = "") {
        for (int32_t i = 0; i < count; ++i)
            EXPECT_EQ(nameOf(first + i), stem + std::to_string(i % 16 + 1) + tail) << first + i;
    };
    // The modulation families run twice, 16 slots at a time.
    expectFamily(kModSource, 32, "ModSrc");
    expectFamily(kModAmount, 32, "ModAmt");
    expectFamily(kModDestination, 32, "ModDst");
    expectFamily(kModVoices, 32, "ModVoc");
    expectFamily(kVoice1, 8, "Voice ");
    expectFamily(kEffectOrder, 6, "Effect order - slot ");
    for (int32_t i = 0; i < 32; ++i) {
        EXPECT_EQ(nameOf(kArpStep + i), "Arp" + std::to_string(i + 1));
        EXPECT_EQ(nameOf(kArpFinger + i), "ArpFinger" + std::to_string(i + 1));
    }
}

} // namespace
