// The split kernels: oscillator 1's part through one state-variable stage,
// the rest of the mix through a low-pass on a second cutoff, summed.
#include "FilterCores.h"
#include "FilterKernels.h"
#include "FilterTypes.h"

#include "Conversions.h"

namespace {

enum class SplitShape { Low, Band, High, Notch };

template <SplitShape Shape, bool FilterFm>
void splitLoop(VoiceSlot& slot, const FilterTables& tables, const FilterParams& params,
               const FilterBuffers& buffers, int32_t frames)
{
    float* state = slot.filterState;
    StateVariableFilter one{state[kStage1Low], state[kStage1Band], 0.0f};
    StateVariableFilter two{state[kStage2Low], state[kStage2Band], 0.0f};
    const float q = StateVariableFilter::damping(params.resonance);
    const float k = expMapF(params.offset, 0.5f, 2.0f);
    CutoffPositions<FilterFm> cutoff = cutoffPositions<FilterFm>(params, buffers);
    float* voice = buffers.voice;
    const float* rest = buffers.voice2;

    for (int32_t t = 0; t < frames; ++t) {
        const float x = cutoff.next(t);
        const float f1 = StateVariableFilter::coefficient(tables, cutoffIndex(x, kSvfIndexLimit));
        const float f2 = StateVariableFilter::coefficient(tables, cutoffIndex(x * k, kSvfIndexLimit));
        const float u = voice[t];
        one.tick<FilterFm>(u, f1, q);
        two.tick<FilterFm>(rest[t], f2, q);
        float first;
        if constexpr (Shape == SplitShape::Low)
            first = one.low;
        else if constexpr (Shape == SplitShape::Band)
            first = one.band;
        else if constexpr (Shape == SplitShape::High)
            first = one.high;
        else
            first = one.notch(u);
        voice[t] = first + two.low;
    }

    state[kStage1Low] = one.low;
    state[kStage1Band] = one.band;
    state[kStage2Low] = two.low;
    state[kStage2Band] = two.band;
}

template <SplitShape Shape>
void runSplit(VoiceSlot& slot, const FilterTables& tables, const FilterParams& params,
              const FilterBuffers& buffers, int32_t frames)
{
    if (buffers.filterFm != nullptr)
        splitLoop<Shape, true>(slot, tables, params, buffers, frames);
    else
        splitLoop<Shape, false>(slot, tables, params, buffers, frames);
}

} // namespace

void runSplitKernel(int32_t type, VoiceSlot& slot, const FilterTables& tables, const FilterParams& params,
                    const FilterBuffers& buffers, int32_t frames)
{
    switch (type) {
    case kSplitBandpass:
        runSplit<SplitShape::Band>(slot, tables, params, buffers, frames);
        break;
    case kSplitHighpass:
        runSplit<SplitShape::High>(slot, tables, params, buffers, frames);
        break;
    case kSplitNotch:
        runSplit<SplitShape::Notch>(slot, tables, params, buffers, frames);
        break;
    default:
        runSplit<SplitShape::Low>(slot, tables, params, buffers, frames);
        break;
    }
}
