// The kernel families behind runFilterKernel. Each takes the resonance and
// offset already limited to 0..1 and the type already mapped into 0..17.
#pragma once

#include "Filter.h"
#include "FilterCores.h"

// Where the kernels keep their memories in VoiceSlot::filterState.
enum FilterMemory : int32_t {
    kStage1Low = 0,  // ladder stage 1
    kStage1Band = 1, // ladder stage 2
    kStage2Low = 2,  // ladder stage 3
    kStage2Band = 3, // ladder stage 4
    kLadderOut = 4,  // the ladder's previous output, its feedback
    kPostLow = 5,    // the state-variable stage after the ladder ("LP24 -> LP12")
    kPostBand = 6,
};

// Codes 0, 1, 2, 4, 6 (after their pre-stage), 9, 10, 11, 16.
void runStateVariableKernel(int32_t type, VoiceSlot& slot, const FilterTables& tables,
                            const FilterParams& params, const FilterBuffers& buffers, int32_t frames);

// Codes 12..15.
void runSplitKernel(int32_t type, VoiceSlot& slot, const FilterTables& tables, const FilterParams& params,
                    const FilterBuffers& buffers, int32_t frames);

// Codes 5, 7, 8, 17.
void runLadderKernel(int32_t type, VoiceSlot& slot, const FilterTables& tables, const FilterParams& params,
                     const FilterBuffers& buffers, int32_t frames);

// Code 3.
void runCombKernel(VoiceSlot& slot, const FilterTables& tables, const FilterParams& params,
                   const FilterBuffers& buffers, int32_t frames);

// Every frame's cutoff position: ramped cutoff + envelope * amount + filter
// FM. The ramp is summed frame by frame; the kernels then look their
// coefficients up from whole-slice index lists, so the per-frame loops carry
// only the filters' own recursions.
template <bool FilterFm>
void cutoffPositions(const FilterParams& params, const FilterBuffers& buffers, int32_t frames, float* positions)
{
    float position = params.cutoff.start;
    for (int32_t t = 0; t < frames; ++t) {
        position += params.cutoff.step;
        positions[t] = position;
    }
    const float* envelope = buffers.envelope;
    const float amount = params.envAmount;
    for (int32_t t = 0; t < frames; ++t) {
        float x = positions[t] + envelope[t] * amount;
        if constexpr (FilterFm)
            x += buffers.filterFm[t];
        positions[t] = x;
    }
}

// Table index of every position times `factor` (a kernel's second cutoff),
// held to 0..limit.
inline void cutoffIndices(const float* positions, float factor, int32_t limit, int32_t frames, int32_t* indices)
{
    for (int32_t t = 0; t < frames; ++t)
        indices[t] = cutoffIndex(positions[t] * factor, limit);
}

// Where a kernel reads its tables in each frame of a slice: the index of its
// cutoff, and of its second cutoff for the kernels that have one.
struct SliceIndices {
    int32_t first[kMaxSliceFrames];
    int32_t second[kMaxSliceFrames];
};

struct SecondCutoff {
    float factor; // times the cutoff position
    int32_t limit; // below 0: the kernel has no second cutoff
};

constexpr SecondCutoff kNoSecondCutoff{0.0f, -1};

template <bool FilterFm>
void sliceIndices(const FilterParams& params, const FilterBuffers& buffers, int32_t frames, int32_t limit,
                  const SecondCutoff& second, SliceIndices& indices)
{
    float positions[kMaxSliceFrames];
    cutoffPositions<FilterFm>(params, buffers, frames, positions);
    cutoffIndices(positions, 1.0f, limit, frames, indices.first);
    if (second.limit >= 0)
        cutoffIndices(positions, second.factor, second.limit, frames, indices.second);
}
