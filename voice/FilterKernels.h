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

template <bool FilterFm>
inline CutoffPositions<FilterFm> cutoffPositions(const FilterParams& params, const FilterBuffers& buffers)
{
    return {params.cutoff.start, params.cutoff.step, params.envAmount, buffers.envelope, buffers.filterFm};
}
