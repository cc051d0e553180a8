#include "ModulationVocabulary.h"

namespace {

constexpr uint32_t kAllLayers = 0xFFFF;

// Voice-selection code -> layer mask, codes 0..26.
constexpr uint32_t kVoicesMask[kModVoicesLastCode + 1] = {
    kAllLayers, 0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80, // "---", "1".."8"
    0x03, 0x05, 0x09, 0x11, 0x06, 0x0A, 0x15, 0x0E, 0x2A,       // "1+2".."2+4+6"
    0x0C, 0x30, 0xC0, 0x07, 0x38, 0x1C, 0xA8,                   // "3+4".."4+6+8"
    0x55, 0xAA,                                                 // "Odd", "Even"
};

template <int32_t kEntries>
const char* textOf(const ModMenuEntry (&menu)[kEntries], int32_t code)
{
    for (const ModMenuEntry& entry : menu)
        if (entry.code == code)
            return entry.text;
    return nullptr;
}

} // namespace

const ModMenuEntry kModSourceMenu[kModSourceMenuEntries] = {
    {0, "---"},      {1, "Velocity"}, {2, "Note #"},   {3, "MWheel"},   {4, "PWheel"},   {5, "ATouch"},
    {7, "Const"},    {6, "Random"},   {8, "Arp Note"}, {9, "Arp Vel"},  {10, "Breath"},  {11, "Foot"},
    {12, "Expr"},    {13, "LFO 1"},   {14, "LFO 2"},   {15, "LFO 3"},   {16, "LFO1*MW"}, {17, "LFO2*MW"},
    {18, "LFO3*MW"}, {19, "LFO1*AT"}, {20, "LFO2*AT"}, {21, "LFO3*AT"}, {24, "Voice #"}, {25, "Mod Env"},
    {23, "Filter Env"}, {22, "Amp Env"},
};

const ModMenuEntry kModVoicesMenu[kModVoicesMenuEntries] = {
    {0, "---"},     {1, "1"},       {2, "2"},      {3, "3"},       {4, "4"},       {5, "5"},
    {6, "6"},       {7, "7"},       {8, "8"},      {9, "1+2"},     {10, "1+3"},    {11, "1+4"},
    {12, "1+5"},    {13, "2+3"},    {14, "2+4"},   {18, "3+4"},    {19, "5+6"},    {20, "7+8"},
    {21, "1+2+3"},  {15, "1+3+5"},  {16, "2+3+4"}, {17, "2+4+6"},  {23, "3+4+5"},  {22, "4+5+6"},
    {24, "4+6+8"},  {25, "Odd"},    {26, "Even"},
};

const ModMenuEntry kModDestinationMenu[kModDestinationMenuEntries] = {
    {0, "---"},
    {11, "Osc 1 Semi"},     {12, "Osc 2 Semi"},     {47, "Osc 1 Fine"},     {48, "Osc 2 Fine"},
    {49, "Osc 1 Fat"},      {50, "Osc 2 Fat"},      {15, "Osc 1 Wave"},     {16, "Osc 2 Wave"},
    {32, "Osc 1 Phase"},    {33, "Osc 2 Phase"},    {53, "Osc 1 KeyTrk"},   {54, "Osc 2 KeyTrk"},
    {93, "Osc 2 OneShot"},  {37, "Osc 3 Level"},    {87, "Osc 3 Phase"},    {8, "Osc Mix"},
    {27, "Noise Level"},    {89, "Noise Colour"},   {25, "Pulse Width"},    {14, "Ring Mod"},
    {30, "FM 1"},           {52, "FM 2"},           {91, "FM Depth"},
    {57, "Mod Attack"},     {58, "Mod Decay"},      {59, "Mod Sustain"},    {60, "Mod Relase"},
    {5, "Filter Cutoff"},   {26, "Filter Reso"},    {6, "Filter Env"},      {92, "Filter KeyTrk"},
    {13, "Filter Type"},    {51, "Filter Offset"},  {21, "Filter Attack"},  {22, "Filter Decay"},
    {23, "Filter Sustain"}, {24, "Filter Release"}, {85, "Spike Hard"},     {55, "Spike Soft"},
    {17, "Amp Attack"},     {31, "Amp Hold"},       {18, "Amp Decay"},      {19, "Amp Sustain"},
    {20, "Amp Release"},    {96, "Breath Curve"},   {94, "MWheel Curve"},   {95, "Velocity Curve"},
    {34, "LFO 1 Rate"},     {35, "LFO 2 Rate"},     {36, "LFO 3 Rate"},     {43, "LFO 1 Phase"},
    {44, "LFO 2 Phase"},    {45, "LFO 3 Phase"},    {39, "LFO 1*Semi"},     {9, "LFO 1*Fine"},
    {38, "LFO 1*PW"},       {10, "LFO 2*Cutoff"},   {42, "LFO 2*EnvAmt"},   {46, "LFO 2*FXDly"},
    {28, "LFO 3*Amp"},      {29, "LFO 3*Pan"},      {41, "LFO 3*Comb"},
    {61, "MM Amount 1"},    {62, "MM Amount 2"},    {63, "MM Amount 3"},    {64, "MM Amount 4"},
    {65, "MM Amount 5"},    {66, "MM Amount 6"},    {67, "MM Amount 7"},    {68, "MM Amount 8"},
    {69, "MM Amount 9"},    {70, "MM Amount 10"},   {71, "MM Amount 11"},   {72, "MM Amount 12"},
    {73, "MM Amount 13"},   {74, "MM Amount 14"},   {75, "MM Amount 15"},   {76, "MM Amount 16"},
    {77, "MM Amount 17"},   {78, "MM Amount 18"},   {79, "MM Amount 19"},   {80, "MM Amount 20"},
    {81, "MM Amount 21"},   {82, "MM Amount 22"},   {83, "MM Amount 23"},   {84, "MM Amount 24"},
    {1, "Pitch Semi"},      {2, "Pitch Fine"},      {86, "FX Dry/Wet"},     {7, "Detune"},
    {90, "Pan Spread"},     {4, "Pan"},             {88, "Level (dB)"},     {3, "Volume"},
};

const char* modSourceText(int32_t code) { return textOf(kModSourceMenu, code); }
const char* modVoicesText(int32_t code) { return textOf(kModVoicesMenu, code); }
const char* modDestinationText(int32_t code) { return textOf(kModDestinationMenu, code); }

bool isBipolarSource(int32_t code)
{
    switch (code) {
    case kSrcModWheel:
    case kSrcArpVel:
    case kSrcBreath:
    case kSrcFoot:
    case kSrcExpression:
    case kSrcAmpEnv:
    case kSrcFilterEnv:
    case kSrcModEnv:
        return false;
    default:
        return isModSource(code);
    }
}

uint32_t modVoicesMask(int32_t code) { return code >= 0 && code <= kModVoicesLastCode ? kVoicesMask[code] : 0; }
