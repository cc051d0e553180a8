// The static parameter descriptor table: one record per parameter index
// 0..328 and per editor-only control tag 329..356.
#pragma once

#include "ParamIndex.h"

#include <cstdint>

struct ParamDescriptor {
    int32_t rect[4];     // editor position; the editor keeps its own layout, so zero here
    int32_t reserved0;   // zero
    int32_t paged;       // 1: the control sits on a switchable editor page
    int32_t controlKind; // editor control kind
    int32_t reserved1;   // zero
    int32_t steps;       // a choice index is int(steps * value)
    int32_t flag;        // 0 or 1, unused by the shell
    char name[32];       // NUL-terminated display name
};

extern const ParamDescriptor kParamDescriptors[ParamIndex::kNumDescriptors];

// The values a parameter can meaningfully hold: 0..1 for the normalised ones,
// the first..last code for the code-valued ones (FM Mode, Arp Mode, Filter
// Type, the matrix slots' source, destination and voices, the category, the
// effect order).
struct ParamRange {
    float lowest;
    float highest;
};
ParamRange paramRange(int32_t index);

// Every value entering from outside (host, chunk, preset or parameter file)
// passes through this once, so nothing downstream meets a wild value.
inline float limitToParamRange(int32_t index, float value)
{
    const ParamRange range = paramRange(index);
    return value < range.lowest ? range.lowest : (value > range.highest ? range.highest : value);
}
