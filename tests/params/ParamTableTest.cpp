#include "ParamTable.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

namespace {

using namespace ParamIndex;

std::string nameOf(int32_t index) { return kParamDescriptors[index].name; }

TEST(ParamTable, NamesAreTerminatedNonEmptyAndSitAtTheirIndices)
{
    for (int32_t index = 0; index < kNumDescriptors; ++index) {
        const ParamDescriptor& d = kParamDescriptors[index];
        ASSERT_NE(std::memchr(d.name, '\0', sizeof d.name), nullptr) << index;
        EXPECT_GT(std::strlen(d.name), 0u) << index;
    }
    const std::pair<int32_t, const char*> names[] = {
        {kOsc1Shape, "Osc 1 Shape"}, {kOscRingMod, "Osc Common RM"}, {kFilterReserved, "Filter Reserved"},
        {kLfo2Shape + 3, "LFO 2 Fade In"}, {kLfo3Shape + 5, "LFO 3 Reset"}, {kFmFeedback, "FM Feedback"},
        {kVolume, "Volume"}, {kDelayType + 2, "FX Delay Feedbk"}, {kReverbType + 5, "FX Reverb Locut"},
        {kEq2Type + 3, "FX EQ-2 Gain"}, {kNumHostParams - 1, "Reserved"}, {kFmMode, "FM Mode"}, {kModWheel, "mWheel"},
        {122, "MatrixBG21"}, {kMonoMode, "Mono Mode"}, {kArpSteps, "Arp Steps"}, {kPoly, "Poly"},
        {kPatchCategory, "PatchCategory"}, {39, "Reserved"}, {40, "Reserved"}, {41, "Reserved"}, {48, "Reserved"},
        {49, "Reserved"}, {50, "Reserved"}, {105, "Reserved"}, {110, "Reserved"},
    };
    for (const auto& [index, name] : names)
        EXPECT_EQ(nameOf(index), name) << index;
    const char* const editorOnly[] = {"Osc 1 Wave", "Osc 2 Wave", "Preset", "PresetLeft", "AMP ADSR", "FLT ADSR",
                                      "PresetUpDown", "PresetUpDown", "Switch Panes", "Switch Panes", "FX", "BendUp",
                                      "BendDn", "FiltUpDown", "FX Select", "FX Select", "FX Select", "FX Select",
                                      "FX Select", "Preset", "PresetRght", "Url", "CAT", "BNK", "Matrix Sort",
                                      "Arp Mode", "FXPLoad", "FXBLoad"};
    static_assert(sizeof editorOnly / sizeof editorOnly[0] == kNumDescriptors - kNumProgramParams);
    for (int32_t i = 0; i < kNumDescriptors - kNumProgramParams; ++i)
        EXPECT_EQ(nameOf(kNumProgramParams + i), editorOnly[i]) << kNumProgramParams + i;
}

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

TEST(ParamTable, StepCountsFollowTheChoiceRules)
{
    const std::set<int32_t> three = {0, 5, 33, 42, 51};
    const std::set<int32_t> two = {10, 125};
    std::set<int32_t> one = {27, 32, 37, 38, 46, 47, 55, 56, 127};
    for (const auto& [first, last] : {std::pair{64, 69}, {85, 95}, {97, 111}, {114, 124}, {256, 320}, {323, 328}})
        for (int32_t i = first; i <= last; ++i)
            one.insert(i);
    for (int32_t index = 0; index < kNumProgramParams; ++index) {
        const int32_t expected = three.count(index) ? 3
                               : two.count(index)   ? 2
                               : index == 126       ? 20
                               : one.count(index)   ? 1
                                                    : 128;
        EXPECT_EQ(kParamDescriptors[index].steps, expected) << index;
    }
}

} // namespace
