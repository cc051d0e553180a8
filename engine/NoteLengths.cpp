#include "NoteLengths.h"

#include "Conversions.h"

// Thirds are written as fractions so that the triplet lengths are the exact
// doubles 2^k / 3 rather than rounded decimals.
const NoteLength kNoteLengths[kNumNoteLengths] = {
    {"8/1*", "", 768.0},         {"8/1", "", 512.0},          {"8/1T", "", 1024.0 / 3.0},
    {"4/1*", "1/2*", 384.0},     {"4/1", "1/2", 256.0},       {"4/1T", "1/2T", 512.0 / 3.0},
    {"2/1*", "1/4*", 192.0},     {"2/1", "1/4", 128.0},       {"2/1T", "1/4T", 256.0 / 3.0},
    {"1/1*", "1/8*", 96.0},      {"1/1", "1/8", 64.0},        {"1/1T", "1/8T", 128.0 / 3.0},
    {"1/2*", "1/16*", 48.0},     {"1/2", "1/16", 32.0},       {"1/2T", "1/16T", 64.0 / 3.0},
    {"1/4*", "1/32*", 24.0},     {"1/4", "1/32", 16.0},       {"1/4T", "1/32T", 32.0 / 3.0},
    {"1/8*", "1/64*", 12.0},     {"1/8", "1/64", 8.0},        {"1/8T", "1/64T", 16.0 / 3.0},
    {"1/16*", "1/128*", 6.0},    {"1/16", "1/128", 4.0},      {"1/16T", "1/128T", 8.0 / 3.0},
    {"1/32*", "", 3.0},          {"1/32", "", 2.0},           {"1/32T", "", 4.0 / 3.0},
};

int32_t lfoNoteLengthIndex(double v)
{
    return clampTo<int32_t>(truncToInt(26.001 * v), 0, kNumNoteLengths - 1);
}

int32_t arpNoteLengthIndex(double v)
{
    return kFirstArpNoteLength + clampTo<int32_t>(truncToInt(20.01 * v), 0, kNumArpNoteLengths - 1);
}
