#include "ParamTable.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <set>
#include <string>

namespace {

using namespace ParamIndex;

std::string nameOf(int32_t index) { return kParamDescriptors[index].name; }

TEST(ParamTable, EveryNameIsTerminatedAndNonEmpty)
{
    for (int32_t index = 0; index < kNumDescriptors; ++index) {
        const ParamDescriptor& d = kParamDescriptors[index];
        ASSERT_NE(std::memchr(d.name, '\0', sizeof d.name), nullptr) << index;
        EXPECT_GT(std::strlen(d.name), 0u) << index;
    }
}

TEST(ParamTable, SingleNamesSitAtTheirIndices)
{
    EXPECT_EQ(nameOf(kOsc1Shape), "Osc 1 Shape");
    EXPECT_EQ(nameOf(kOscRingMod), "Osc Common RM");
    EXPECT_EQ(nameOf(kFilterReserved), "Filter Reserved");
    EXPECT_EQ(nameOf(kLfo2Shape + 3), "LFO 2 Fade In");
    EXPECT_EQ(nameOf(kLfo3Shape + 5), "LFO 3 Reset");
    EXPECT_EQ(nameOf(kFmFeedback), "FM Feedback");
    EXPECT_EQ(nameOf(kVolume), "Volume");
    EXPECT_EQ(nameOf(kDelayType + 2), "FX Delay Feedbk");
    EXPECT_EQ(nameOf(kReverbType + 5), "FX Reverb Locut");
    EXPECT_EQ(nameOf(kEq2Type + 3), "FX EQ-2 Gain");
    EXPECT_EQ(nameOf(kNumHostParams - 1), "Reserved");
    EXPECT_EQ(nameOf(kFmMode), "FM Mode");
    EXPECT_EQ(nameOf(kModWheel), "mWheel");
    EXPECT_EQ(nameOf(122), "MatrixBG21");
    EXPECT_EQ(nameOf(kMonoMode), "Mono Mode");
    EXPECT_EQ(nameOf(kArpSteps), "Arp Steps");
    EXPECT_EQ(nameOf(kPoly), "Poly");
    EXPECT_EQ(nameOf(kPatchCategory), "PatchCategory");
    for (const int32_t reserved : {39, 40, 41, 48, 49, 50, 105, 110})
        EXPECT_EQ(nameOf(reserved), "Reserved") << reserved;
}

TEST(ParamTable, NumberedFamiliesCountFromOne)
{
    for (int32_t i = 0; i < 8; ++i)
        EXPECT_EQ(nameOf(kVoice1 + i), "Voice " + std::to_string(i + 1));
    // The modulation families run twice, 16 slots at a time.
    const std::pair<int32_t, const char*> modFamilies[] = {
        {kModSource, "ModSrc"}, {kModAmount, "ModAmt"}, {kModDestination, "ModDst"}, {kModVoices, "ModVoc"}};
    for (const auto& [first, stem] : modFamilies)
        for (int32_t i = 0; i < 16; ++i) {
            EXPECT_EQ(nameOf(first + i), stem + std::to_string(i + 1));
            EXPECT_EQ(nameOf(first + 16 + i), stem + std::to_string(i + 1));
        }
    for (int32_t i = 0; i < 32; ++i) {
        EXPECT_EQ(nameOf(kArpStep + i), "Arp" + std::to_string(i + 1));
        EXPECT_EQ(nameOf(kArpFinger + i), "ArpFinger" + std::to_string(i + 1));
    }
    for (int32_t i = 0; i < 6; ++i)
        EXPECT_EQ(nameOf(kEffectOrder + i), "Effect order - slot " + std::to_string(i + 1));
}

TEST(ParamTable, EditorOnlyTagNames)
{
    const char* const expected[] = {"Osc 1 Wave", "Osc 2 Wave", "Preset", "PresetLeft", "AMP ADSR",
                                    "FLT ADSR", "PresetUpDown", "PresetUpDown", "Switch Panes",
                                    "Switch Panes", "FX", "BendUp", "BendDn", "FiltUpDown",
                                    "FX Select", "FX Select", "FX Select", "FX Select", "FX Select",
                                    "Preset", "PresetRght", "Url", "CAT", "BNK", "Matrix Sort",
                                    "Arp Mode", "FXPLoad", "FXBLoad"};
    static_assert(sizeof expected / sizeof expected[0] == kNumDescriptors - kNumProgramParams);
    for (int32_t i = 0; i < kNumDescriptors - kNumProgramParams; ++i)
        EXPECT_EQ(nameOf(kNumProgramParams + i), expected[i]) << kNumProgramParams + i;
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

TEST(ParamTable, ControlKindCounts)
{
    std::map<int32_t, int32_t> counts;
    for (const ParamDescriptor& d : kParamDescriptors)
        ++counts[d.controlKind];
    const std::map<int32_t, int32_t> expected = {
        {0, 9},   {1, 15},  {3, 5},  {6, 1},  {8, 2},   {9, 11},  {10, 2},  {11, 1},  {12, 59}, {13, 1},
        {15, 2},  {16, 5},  {17, 2}, {18, 32}, {19, 32}, {20, 32}, {21, 32}, {22, 2},  {23, 1},  {24, 32},
        {25, 1},  {26, 32}, {28, 1}, {29, 1},  {30, 1},  {32, 1},  {33, 4},  {34, 1},  {35, 8},  {36, 8},
        {37, 1},  {38, 1},  {39, 1}, {40, 1},  {41, 1},  {42, 1},  {43, 1},  {44, 1},  {45, 1},  {46, 1},
        {47, 1},  {48, 1},  {49, 1}, {50, 2},  {51, 6}};
    EXPECT_EQ(counts, expected);
}

TEST(ParamTable, ControlKindsOfRepresentativeControls)
{
    EXPECT_EQ(kParamDescriptors[kOsc1Shape].controlKind, 3);
    EXPECT_EQ(kParamDescriptors[kOsc3Shape].controlKind, 13);
    EXPECT_EQ(kParamDescriptors[kOsc2Coarse].controlKind, 36);
    EXPECT_EQ(kParamDescriptors[kFilterCutoff].controlKind, 0);
    EXPECT_EQ(kParamDescriptors[kDelayType].controlKind, 12);
    EXPECT_EQ(kParamDescriptors[kEq2Type + 3].controlKind, 36);
    EXPECT_EQ(kParamDescriptors[kArpRate].controlKind, 39);
    EXPECT_EQ(kParamDescriptors[kArpLength].controlKind, 41);
    EXPECT_EQ(kParamDescriptors[kArpSwing].controlKind, 40);
    EXPECT_EQ(kParamDescriptors[kFilterType].controlKind, 30);
    EXPECT_EQ(kParamDescriptors[kEditorPitchBend].controlKind, 15);
    EXPECT_EQ(kParamDescriptors[kModWheel].controlKind, 15);
    EXPECT_EQ(kParamDescriptors[343].controlKind, 32);
    EXPECT_EQ(kParamDescriptors[356].controlKind, 50);
}

TEST(ParamTable, LayoutFieldsStartEmpty)
{
    for (int32_t index = 0; index < kNumDescriptors; ++index) {
        const ParamDescriptor& d = kParamDescriptors[index];
        for (const int32_t edge : d.rect)
            EXPECT_EQ(edge, 0) << index;
        EXPECT_EQ(d.reserved0, 0) << index;
        EXPECT_EQ(d.reserved1, 0) << index;
        EXPECT_EQ(d.flag, 0) << index;
    }
}

TEST(ParamTable, PagedControlsAreTheSwitchablePages)
{
    const std::set<int32_t> noControlKinds = {2, 8, 9, 27};
    for (int32_t index = 0; index < kNumDescriptors; ++index) {
        const ParamDescriptor& d = kParamDescriptors[index];
        EXPECT_TRUE(d.paged == 0 || d.paged == 1) << index;
        if (noControlKinds.count(d.controlKind)) {
            EXPECT_EQ(d.paged, 0) << index;
        }
    }
    // Pages: arpeggiator, modulation matrix, effects, patch settings.
    const int32_t pagedIndices[] = {kArpRange, kArpSync, kArpMode, kArpStep + 31, kArpFinger, kArpSteps, 354,
                                kModSource, kModVoices + 31, 353, kPhaserType, kEq2Type + 3, kPhaserOn + 5,
                                kEffectOrder, kPoly, kPatchCategory, 344};
    for (const int32_t index : pagedIndices)
        EXPECT_EQ(kParamDescriptors[index].paged, 1) << index;
    // Main panel.
    const int32_t mainPanelIndices[] = {kOsc1Shape, kFilterCutoff, kAmpAttack, kLfo3Shape, kVolume, kVoices, kGlide,
                                kModWheel, kFilterType, kMonoMode, 331, 333, 343, kEditorPitchBend, 347, 355};
    for (const int32_t index : mainPanelIndices)
        EXPECT_EQ(kParamDescriptors[index].paged, 0) << index;
}

} // namespace
