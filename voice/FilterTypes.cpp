#include "FilterTypes.h"

const FilterMenuEntry kFilterMenu[kFilterMenuEntries] = {
    {kLowpass12, "Lowpass 12dB"},
    {kLowpass24, "Lowpass 24dB"},
    {kLadder12, "LP Ladder 12dB"},
    {kLadder24, "LP Ladder 24dB"},
    {kFilterMenuSeparatorCode, "-"},
    {kLadderIntoLowpass12, "LP24 -> LP12"},
    {kBandpassIntoLowpass, "BP12 -> LP12"},
    {kNotchIntoLowpass, "BS12 -> LP12"},
    {kHighpassIntoLowpass, "HP12 -> LP12"},
    {kCombLowpass24, "Comb -> LP24"},
    {kFilterMenuSeparatorCode, "-"},
    {kLowpass12Dist, "LP12+Dist"},
    {kLowpass12Bitcrush, "LP12+Bitcrush"},
    {kLowpass12Follow, "LP12+Follow"},
    {kLowpass24Saturation, "LP24+Saturation"},
    {kSweep, "LP/BP/HP Sweep"},
    {kFilterMenuSeparatorCode, "-"},
    {kSplitLowpass, "LP12/LP12 Split"},
    {kSplitBandpass, "BP12/LP12 Split"},
    {kSplitNotch, "BS12/LP12 Split"},
    {kSplitHighpass, "HP12/LP12 Split"},
};

const int32_t kFilterModulationOrder[kNumFilterTypes] = {
    kLowpass12, kLowpass24, kLadder12, kLadder24, kLadderIntoLowpass12, kBandpassIntoLowpass,
    kNotchIntoLowpass, kHighpassIntoLowpass, kCombLowpass24, kLowpass12Dist, kLowpass12Bitcrush,
    kLowpass24Saturation, kLowpass12Follow, kSweep, kSplitLowpass, kSplitBandpass, kSplitNotch,
    kSplitHighpass,
};

const char* const kFilterShortNames[kNumFilterTypes] = {
    "LP12", "LP24", "LP12b", "LP24b", "LP>LP", "BP>LP", "BS>LP", "HP>LP", "Comb>LP",
    "LP+Dist", "LP+Bitc", "LP+Sat", "LP+Folw", "LP/BP/HP", "LP/LP", "BP/LP", "BS/LP", "HP/LP",
};

const char* filterTypeName(int32_t code)
{
    if (code == kFilterMenuSeparatorCode)
        return nullptr;
    for (const FilterMenuEntry& entry : kFilterMenu)
        if (entry.code == code)
            return entry.name;
    return nullptr;
}

int32_t filterTypeForModulation(int32_t k)
{
    const int32_t limited = k < 1 ? 1 : (k > kNumFilterTypes ? kNumFilterTypes : k);
    return kFilterModulationOrder[limited - 1];
}
