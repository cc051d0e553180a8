#include "ParamTable.h"

#include "FilterTypes.h"
#include "ModulationVocabulary.h"

#include <cstddef>

namespace {

using ParamIndex::kNumDescriptors;

// The editor picks a control class from these codes; several codes share a class
// and differ only in how the editor dresses the control.
enum ControlKind : int32_t {
    kPanelKnob = 0,
    kOnOffButton = 1,
    kShapeSwitch = 3,
    kPresetMenu = 6,
    kWaveParameter = 8, // no control of its own: the wave selectors edit it
    kNoControl = 9,
    kEnvelopeView = 10,
    kUrlButton = 11,
    kSmallKnob = 12,
    kOsc3ShapeSwitch = 13,
    kWheel = 15,
    kStepButtons = 16,
    kWaveSelector = 17,
    kModSourceMenu = 18,
    kModAmountKnob = 19,
    kModDestinationMenu = 20,
    kModVoicesMenu = 21,
    kPaneButton = 22,
    kPolyKnob = 23,
    kArpStepKnob = 24,
    kArpStepsKnob = 25,
    kArpFingerKnob = 26,
    kBendUpKnob = 28,
    kBendDownKnob = 29,
    kFilterTypeMenu = 30,
    kPageSelector = 32,
    kPanelBackground = 33,
    kTextDisplay = 34,
    kVoiceSwitch = 35,
    kBipolarKnob = 36,
    kPlainOnOff = 37,
    kKeyboard = 38,
    kArpRateKnob = 39,
    kArpSwingKnob = 40,
    kArpLengthKnob = 41,
    kArpModeMenu = 42,
    kArpSyncMenu = 43,
    kFmModeMenu = 44,
    kMatrixSortButton = 45,
    kCategoryFilterMenu = 46,
    kCategoryMenu = 47,
    kBankSwitch = 48,
    kArpPatternMenu = 49,
    kFileMenu = 50,
    kFxBox = 51,
};

struct Span {
    int32_t first;
    int32_t last;
    int32_t value;
};

struct NameSpan {
    int32_t first;
    int32_t last;
    const char* text;
    bool numbered = false; // members are text + "1", text + "2", ...; otherwise all share text
};

constexpr NameSpan kNameSpans[] = {
    {0, 0, "Osc 1 Shape"}, {1, 1, "Osc 1 Coarse"}, {2, 2, "Osc 1 Fine"}, {3, 3, "Osc 1 Fat"}, {4, 4, "Osc 1 Wave"},
    {5, 5, "Osc 2 Shape"}, {6, 6, "Osc 2 Coarse"}, {7, 7, "Osc 2 Fine"}, {8, 8, "Osc 2 Fat"}, {9, 9, "Osc 2 Wave"},
    {10, 10, "Osc 3 Shape"}, {11, 11, "Osc 3 Level"}, {12, 12, "Osc Mix"}, {13, 13, "Noise Colour"},
    {14, 14, "Noise Level"}, {15, 15, "Osc Common RM"}, {16, 16, "Osc Common PW"}, {17, 17, "Osc FM"},
    {18, 18, "Amp Attack"}, {19, 19, "Amp Decay"}, {20, 20, "Amp Sustain"}, {21, 21, "Amp Release"},
    {22, 22, "Filter Attack"}, {23, 23, "Filter Decay"}, {24, 24, "Filter Sustain"}, {25, 25, "Filter Release"},
    {26, 26, "Filter Keytrack"}, {27, 27, "Filter Reserved"}, {28, 28, "Filter Cutoff"},
    {29, 29, "Filter Resonance"}, {30, 30, "Filter Env Amt"}, {31, 31, "Filter Offset"}, {32, 32, "Osc Sync"},
    {33, 33, "LFO 1 Shape"}, {34, 34, "LFO 1 Rate"}, {35, 35, "LFO 1 Skew"}, {36, 36, "LFO 1 Fade In"},
    {37, 37, "LFO 1 Sync"}, {38, 38, "LFO 1 Reset"}, {39, 41, "Reserved"},
    {42, 42, "LFO 2 Shape"}, {43, 43, "LFO 2 Rate"}, {44, 44, "LFO 2 Skew"}, {45, 45, "LFO 2 Fade In"},
    {46, 46, "LFO 2 Sync"}, {47, 47, "LFO 2 Reset"}, {48, 50, "Reserved"},
    {51, 51, "LFO 3 Shape"}, {52, 52, "LFO 3 Rate"}, {53, 53, "LFO 3 Skew"}, {54, 54, "LFO 3 Fade In"},
    {55, 55, "LFO 3 Sync"}, {56, 56, "LFO 3 Reset"},
    {57, 57, "Mod Attack"}, {58, 58, "Mod Decay"}, {59, 59, "Mod Sustain"}, {60, 60, "Mod Release"},
    {61, 61, "FM Feedback"}, {62, 69, "Voice ", true},
    {70, 70, "Arp Range"}, {71, 71, "Arp Rate"}, {72, 72, "Arp Length"}, {73, 73, "Arp Swing"},
    {74, 74, "Volume"}, {75, 75, "Voice Spread"}, {76, 76, "Voice Detune"}, {77, 77, "Voices"}, {78, 78, "Glide"},
    {79, 79, "FX Phaser Type"}, {80, 80, "FX Phaser Rate"}, {81, 81, "FX Phaser Freq"}, {82, 82, "FX Phaser Fbk"},
    {83, 83, "FX Phaser Amt"}, {84, 84, "FX Phaser Depth"},
    {85, 85, "FX Delay Type"}, {86, 86, "FX Delay Colour"}, {87, 87, "FX Delay Feedbk"}, {88, 88, "FX Delay Amt"},
    {89, 89, "FX Delay Rate-L"}, {90, 90, "FX Delay Rate-R"},
    {91, 91, "FX Reverb Type"}, {92, 92, "FX Reverb Damp"}, {93, 93, "FX Reverb Decay"}, {94, 94, "FX Reverb Amt"},
    {95, 95, "FX Reverb Predly"}, {96, 96, "FX Reverb Locut"},
    {97, 97, "FX Dist Type"}, {98, 98, "FX Dist Colour"}, {99, 99, "FX Dist Drive"}, {100, 100, "FX Dist Amt"},
    {101, 101, "FX EQ-1 Type"}, {102, 102, "FX EQ-1 Freq"}, {103, 103, "FX EQ-1 Q"}, {104, 104, "FX EQ-1 Gain"},
    {105, 105, "Reserved"},
    {106, 106, "FX EQ-2 Type"}, {107, 107, "FX EQ-2 Freq"}, {108, 108, "FX EQ-2 Q"}, {109, 109, "FX EQ-2 Gain"},
    {110, 110, "Reserved"},
    {111, 111, "FM Mode"}, {112, 112, "FX"}, {113, 113, "mWheel"}, {114, 114, "Arp Sync"}, {115, 115, "Arp On"},
    {116, 116, "FX Phaser On"}, {117, 117, "FX Delay On"}, {118, 118, "FX Reverb On"}, {119, 119, "FX Dist On"},
    {120, 120, "FX EQ-1 On"}, {121, 121, "FX EQ-2 On"}, {122, 122, "MatrixBG21"}, {123, 123, "PatchBG1"},
    {124, 124, "MatrixBG2"}, {125, 125, "Arp Mode"}, {126, 126, "Filter Type"}, {127, 127, "Mono Mode"},
    // The modulation families come twice: one run of 16 per group of slots.
    {128, 143, "ModSrc", true}, {144, 159, "ModSrc", true}, {160, 175, "ModAmt", true}, {176, 191, "ModAmt", true},
    {192, 207, "ModDst", true}, {208, 223, "ModDst", true}, {224, 239, "ModVoc", true}, {240, 255, "ModVoc", true},
    {256, 287, "Arp", true}, {288, 319, "ArpFinger", true},
    {320, 320, "Arp Steps"}, {321, 321, "Poly"}, {322, 322, "PatchCategory"},
    {323, 328, "Effect order - slot ", true},
    // Editor-only tags.
    {329, 329, "Osc 1 Wave"}, {330, 330, "Osc 2 Wave"}, {331, 331, "Preset"}, {332, 332, "PresetLeft"},
    {333, 333, "AMP ADSR"}, {334, 334, "FLT ADSR"}, {335, 336, "PresetUpDown"}, {337, 338, "Switch Panes"},
    {339, 339, "FX"}, {340, 340, "BendUp"}, {341, 341, "BendDn"}, {342, 342, "FiltUpDown"},
    {343, 347, "FX Select"}, {348, 348, "Preset"}, {349, 349, "PresetRght"}, {350, 350, "Url"}, {351, 351, "CAT"},
    {352, 352, "BNK"}, {353, 353, "Matrix Sort"}, {354, 354, "Arp Mode"}, {355, 355, "FXPLoad"},
    {356, 356, "FXBLoad"},
};

constexpr Span kKindSpans[] = {
    {0, 0, kShapeSwitch}, {1, 2, kBipolarKnob}, {3, 3, kPanelKnob}, {4, 4, kWaveParameter},
    {5, 5, kShapeSwitch}, {6, 7, kBipolarKnob}, {8, 8, kPanelKnob}, {9, 9, kWaveParameter},
    {10, 10, kOsc3ShapeSwitch}, {11, 11, kSmallKnob}, {12, 12, kPanelKnob}, {13, 26, kSmallKnob},
    {27, 27, kNoControl}, {28, 28, kPanelKnob}, {29, 30, kSmallKnob}, {31, 31, kBipolarKnob},
    {32, 32, kOnOffButton},
    {33, 33, kShapeSwitch}, {34, 34, kPanelKnob}, {35, 36, kSmallKnob}, {37, 38, kOnOffButton}, {39, 41, kNoControl},
    {42, 42, kShapeSwitch}, {43, 43, kPanelKnob}, {44, 45, kSmallKnob}, {46, 47, kOnOffButton}, {48, 50, kNoControl},
    {51, 51, kShapeSwitch}, {52, 52, kPanelKnob}, {53, 54, kSmallKnob}, {55, 56, kOnOffButton},
    {57, 61, kSmallKnob}, {62, 69, kVoiceSwitch}, {70, 70, kSmallKnob}, {71, 71, kArpRateKnob},
    {72, 72, kArpLengthKnob}, {73, 73, kArpSwingKnob}, {74, 74, kPanelKnob}, {75, 76, kSmallKnob},
    {77, 77, kPanelKnob}, {78, 85, kSmallKnob}, {86, 86, kBipolarKnob}, {87, 103, kSmallKnob},
    {104, 104, kBipolarKnob}, {105, 105, kNoControl}, {106, 108, kSmallKnob}, {109, 109, kBipolarKnob},
    {110, 110, kNoControl}, {111, 111, kFmModeMenu}, {112, 112, kPanelBackground}, {113, 113, kWheel},
    {114, 114, kArpSyncMenu}, {115, 121, kOnOffButton}, {122, 124, kPanelBackground}, {125, 125, kArpModeMenu},
    {126, 126, kFilterTypeMenu}, {127, 127, kOnOffButton},
    {128, 159, kModSourceMenu}, {160, 191, kModAmountKnob}, {192, 223, kModDestinationMenu},
    {224, 255, kModVoicesMenu}, {256, 287, kArpStepKnob}, {288, 319, kArpFingerKnob}, {320, 320, kArpStepsKnob},
    {321, 321, kPolyKnob}, {322, 322, kCategoryMenu}, {323, 328, kFxBox},
    {329, 330, kWaveSelector}, {331, 331, kPresetMenu}, {332, 332, kStepButtons}, {333, 334, kEnvelopeView},
    {335, 336, kStepButtons}, {337, 338, kPaneButton}, {339, 339, kNoControl}, {340, 340, kBendUpKnob},
    {341, 341, kBendDownKnob}, {342, 342, kStepButtons}, {343, 343, kPageSelector}, {344, 344, kTextDisplay},
    {345, 345, kPlainOnOff}, {346, 346, kWheel}, {347, 347, kKeyboard}, {348, 348, kNoControl},
    {349, 349, kStepButtons}, {350, 350, kUrlButton}, {351, 351, kCategoryFilterMenu}, {352, 352, kBankSwitch},
    {353, 353, kMatrixSortButton}, {354, 354, kArpPatternMenu}, {355, 356, kFileMenu},
};

// Everything not listed has 128 steps.
constexpr Span kStepSpans[] = {
    {0, 0, 3}, {5, 5, 3}, {33, 33, 3}, {42, 42, 3}, {51, 51, 3},
    {10, 10, 2}, {125, 125, 2}, {126, 126, 20},
    {27, 27, 1}, {32, 32, 1}, {37, 38, 1}, {46, 47, 1}, {55, 56, 1}, {64, 69, 1}, {85, 95, 1},
    {97, 111, 1}, {114, 124, 1}, {127, 127, 1}, {256, 320, 1}, {323, 328, 1},
};
constexpr int32_t kDefaultSteps = 128;

// Controls that live on the four switchable pages rather than the main panel:
// the arpeggiator (70-73, 114, 115, 125, 256-320, tag 354), the modulation
// matrix (122, 124, 128-255, tag 353), the effects (79-109, 112, 116-121 and the
// effect-order box 323-328) and the patch settings (123, 321, 322, tag 344).
// Parameters without a control (105) stay unpaged.
constexpr Span kPagedSpans[] = {
    {70, 73, 1}, {79, 104, 1}, {106, 109, 1}, {112, 112, 1}, {114, 125, 1}, {128, 328, 1}, {344, 344, 1}, {353, 354, 1},
};

template <typename S, std::size_t N>
constexpr bool coversEveryIndexOnce(const S (&spans)[N])
{
    int32_t next = 0;
    for (const S& span : spans) {
        if (span.first != next || span.last < span.first)
            return false;
        next = span.last + 1;
    }
    return next == kNumDescriptors;
}
static_assert(coversEveryIndexOnce(kNameSpans), "every descriptor needs exactly one name");
static_assert(coversEveryIndexOnce(kKindSpans), "every descriptor needs exactly one control kind");

template <std::size_t N>
constexpr int32_t spanValue(const Span (&spans)[N], int32_t index, int32_t otherwise)
{
    for (const Span& span : spans)
        if (span.first <= index && index <= span.last)
            return span.value;
    return otherwise;
}

// Too long a name makes the constant evaluation fail, so it cannot slip through.
constexpr void writeName(char (&name)[32], const char* text, int32_t number)
{
    int32_t length = 0;
    for (; text[length] != '\0'; ++length)
        name[length] = text[length];
    char digits[10] = {};
    int32_t count = 0;
    for (; number > 0; number /= 10)
        digits[count++] = static_cast<char>('0' + number % 10);
    while (count > 0)
        name[length++] = digits[--count];
    name[length] = '\0';
}

constexpr ParamDescriptor describe(int32_t index)
{
    ParamDescriptor descriptor{};
    descriptor.paged = spanValue(kPagedSpans, index, 0);
    descriptor.controlKind = spanValue(kKindSpans, index, kNoControl);
    descriptor.steps = spanValue(kStepSpans, index, kDefaultSteps);
    for (const NameSpan& span : kNameSpans)
        if (span.first <= index && index <= span.last)
            writeName(descriptor.name, span.text, span.numbered ? index - span.first + 1 : 0);
    return descriptor;
}

} // namespace

// A constant-initialised array needs one initialiser per element; these expand
// to describe(i), describe(i + 1), ... so the rows still come from the rules.
#define VESK_DESCRIBE_4(i) describe(i), describe((i) + 1), describe((i) + 2), describe((i) + 3)
#define VESK_DESCRIBE_16(i) \
    VESK_DESCRIBE_4(i), VESK_DESCRIBE_4((i) + 4), VESK_DESCRIBE_4((i) + 8), VESK_DESCRIBE_4((i) + 12)
#define VESK_DESCRIBE_64(i) \
    VESK_DESCRIBE_16(i), VESK_DESCRIBE_16((i) + 16), VESK_DESCRIBE_16((i) + 32), VESK_DESCRIBE_16((i) + 48)

constexpr ParamDescriptor kParamDescriptors[kNumDescriptors] = {
    VESK_DESCRIBE_64(0),   VESK_DESCRIBE_64(64),  VESK_DESCRIBE_64(128), VESK_DESCRIBE_64(192),
    VESK_DESCRIBE_64(256), VESK_DESCRIBE_16(320), VESK_DESCRIBE_16(336), VESK_DESCRIBE_4(352),
    describe(356),
};

#undef VESK_DESCRIBE_64
#undef VESK_DESCRIBE_16
#undef VESK_DESCRIBE_4

namespace {
constexpr bool sameName(const char* a, const char* b)
{
    for (; *a != '\0' || *b != '\0'; ++a, ++b)
        if (*a != *b)
            return false;
    return true;
}

constexpr bool rowsMatchTheirIndices()
{
    for (int32_t index = 0; index < kNumDescriptors; ++index) {
        const ParamDescriptor expected = describe(index);
        const ParamDescriptor& row = kParamDescriptors[index];
        if (!sameName(row.name, expected.name) || row.controlKind != expected.controlKind ||
            row.steps != expected.steps || row.paged != expected.paged)
            return false;
    }
    return true;
}
} // namespace

static_assert(rowsMatchTheirIndices(), "one initialiser per descriptor, in index order");

ParamRange paramRange(int32_t index)
{
    using namespace ParamIndex;
    constexpr int32_t kFmModeCount = 3;
    constexpr int32_t kArpModeCount = 7;
    constexpr int32_t kCategoryCount = 14;
    constexpr int32_t kEffectKindCount = 6;
    const auto codes = [](int32_t count) { return ParamRange{0.0f, static_cast<float>(count - 1)}; };
    const auto inSlots = [index](int32_t first) { return index >= first && index < first + 32; };
    if (index == kFmMode)
        return codes(kFmModeCount);
    if (index == kArpMode)
        return codes(kArpModeCount);
    if (index == kFilterType)
        return codes(kNumFilterTypes);
    if (inSlots(kModSource))
        return codes(kModSourceCount);
    if (inSlots(kModDestination))
        return codes(kModDestinationCodes);
    if (inSlots(kModVoices))
        return codes(kModVoicesLastCode + 1);
    if (index == kPatchCategory)
        return codes(kCategoryCount);
    if (index >= kEffectOrder && index < kNumProgramParams)
        return codes(kEffectKindCount);
    return {0.0f, 1.0f};
}
