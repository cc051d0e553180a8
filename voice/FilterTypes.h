// The filter type vocabulary shared by the voices, the editor's filter menu
// and display, and the modulation matrix's Filter Type destination.
#pragma once

#include <cstdint>

enum FilterTypeCode : int32_t {
    kLowpass12 = 0,
    kLowpass24 = 1,
    kLowpass12Dist = 2,
    kCombLowpass24 = 3,
    kLowpass12Bitcrush = 4,
    kLowpass24Saturation = 5,
    kLowpass12Follow = 6,
    kLadder24 = 7,
    kLadderIntoLowpass12 = 8,
    kBandpassIntoLowpass = 9,
    kNotchIntoLowpass = 10,
    kHighpassIntoLowpass = 11,
    kSplitLowpass = 12,
    kSplitBandpass = 13,
    kSplitNotch = 14,
    kSplitHighpass = 15,
    kSweep = 16,
    kLadder12 = 17,
};

constexpr int32_t kNumFilterTypes = 18;
constexpr int32_t kFilterMenuSeparatorCode = 111;
// 18 types in four groups: plain low-passes, serial pairs, low-pass with an
// extra stage (and the sweep), splits; the editor's step buttons walk these
// 21 rows.
constexpr int32_t kFilterMenuEntries = 21;

// One menu record: the code stored in the parameter and its text.
struct FilterMenuEntry {
    int32_t code;
    char name[32];
};

// The editor's Filter Type menu in display order, separators included.
extern const FilterMenuEntry kFilterMenu[kFilterMenuEntries];

// The order the Filter Type modulation destination counts through (1..18
// maps to entry 0..17); the short names of the compact display follow it.
extern const int32_t kFilterModulationOrder[kNumFilterTypes];
extern const char* const kFilterShortNames[kNumFilterTypes];

// The menu name of a type code; nullptr for codes that name no filter.
const char* filterTypeName(int32_t code);

// The type a voice starting with Filter Type destination value k (1..18,
// limited into range) gets.
int32_t filterTypeForModulation(int32_t k);

// The kernel a stored code runs: codes with no filter behind them play the
// plain 12 dB low-pass rather than nothing.
inline int32_t effectiveFilterType(int32_t code)
{
    return code >= 0 && code < kNumFilterTypes ? code : kLowpass12;
}

// Types that filter the oscillator-1 part and the rest of the mix apart.
inline bool isSplitFilterType(int32_t code)
{
    const int32_t type = effectiveFilterType(code);
    return type >= kSplitLowpass && type <= kSplitHighpass;
}
