// The effects' choice names, in the order a parameter value selects them. The
// display texts, the effects and the editor all read these, so a renamed or
// reordered entry changes every view at once.
#pragma once

#include <cstdint>

inline constexpr int32_t kNumPhaserTypes = 7;
inline constexpr const char* kPhaserTypeNames[kNumPhaserTypes] = {
    "4-Stage-Ph", "6-Stage-Ph", "8-Stage-Ph", "Flanger+", "Flanger-", "Chorus I", "Chorus II",
};

// "Diffuse" appears twice: int(8 v) reaches mode 8 only at v = 1, and that mode
// sounds like mode 7.
inline constexpr int32_t kNumDelayTypes = 9;
inline constexpr const char* kDelayTypeNames[kNumDelayTypes] = {
    "Simple", "Ping-Pong", "PP 75%", "PP 50%", "PP 25%", "PP 10%", "Multi-Tap", "Diffuse", "Diffuse",
};

// Delay times as note lengths, longest first; "*" dotted, "T" triplet.
inline constexpr int32_t kNumDelayRates = 21;
inline constexpr const char* kDelayRateNames[kNumDelayRates] = {
    "1/1*",  "1/1",  "1/1T",  "1/2*",  "1/2",  "1/2T",  "1/4*", "1/4",  "1/4T", "1/8*", "1/8",
    "1/8T", "1/16*", "1/16", "1/16T", "1/32*", "1/32", "1/32T", "1/64*", "1/64", "1/64T",
};

inline constexpr int32_t kNumReverbTypes = 5;
inline constexpr const char* kReverbTypeNames[kNumReverbTypes] = {
    "Diffuse-1", "Diffuse-2", "Room", "Hall", "Cathedral",
};

// Even codes filter low-pass, odd codes high-pass ("LP Only" is 6, "HP Only" 7).
inline constexpr int32_t kNumDistTypes = 9;
inline constexpr const char* kDistTypeNames[kNumDistTypes] = {
    "LP+Crunch", "HP+Crunch", "LP+Toxic", "HP+Toxic", "LP+Valve", "HP+Valve", "LP Only", "HP Only", "LP+Clip",
};

inline constexpr int32_t kNumEqTypes = 3;
inline constexpr const char* kEqTypeNames[kNumEqTypes] = {"Peaking", "Lo Shelf", "Hi Shelf"};
