// The kernels built from one or two state-variable stages on one input.
#include "FilterCores.h"
#include "FilterKernels.h"
#include "FilterTypes.h"

#include "Conversions.h"

namespace {

enum class SvfShape {
    Low,         // one stage, low-pass
    Low24,       // two stages in series on one coefficient
    Band,        // one stage, band-pass ("BP12 -> LP12" with the low-pass opened)
    High,        // one stage, high-pass ("HP12 -> LP12" likewise)
    BandIntoLow, // band-pass into a low-pass on the second cutoff
    HighIntoLow,
    NotchIntoLow,
    Sweep,       // crossfade low -> band -> high
};

struct SweepWeights {
    float low, band, high;
};

SweepWeights sweepWeights(float offset)
{
    const float low = 1.0f - 2.0f * offset;
    const float high = 2.0f * offset - 1.0f;
    const float band = offset < 0.5f ? 2.0f * offset : 2.0f - 2.0f * offset;
    return {low > 0.0f ? low : 0.0f, band, high > 0.0f ? high : 0.0f};
}

// ×0.5 at offset 0, ×1 at 0.5, ×4 at 1: finer below the first cutoff.
float serialCutoffFactor(float offset)
{
    return offset <= 0.5f ? expMapF(offset, 0.5f, 2.0f) : expMapF(offset, 0.25f, 4.0f);
}

template <SvfShape Shape, bool FilterFm, bool ConstantCutoff>
void svfLoop(VoiceSlot& slot, const FilterTables& tables, const FilterParams& params,
             const FilterBuffers& buffers, int32_t frames)
{
    constexpr bool kTwoStages = Shape == SvfShape::Low24 || Shape == SvfShape::BandIntoLow ||
                                Shape == SvfShape::HighIntoLow || Shape == SvfShape::NotchIntoLow;
    constexpr bool kSecondCutoff = kTwoStages && Shape != SvfShape::Low24;

    float* state = slot.filterState;
    StateVariableFilter one{state[kStage1Low], state[kStage1Band], 0.0f};
    StateVariableFilter two{state[kStage2Low], state[kStage2Band], 0.0f};
    const float q = StateVariableFilter::damping(params.resonance);
    const float k = kSecondCutoff ? serialCutoffFactor(params.offset) : 1.0f;
    const SweepWeights sweep = sweepWeights(params.offset);
    CutoffPositions<FilterFm> cutoff = cutoffPositions<FilterFm>(params, buffers);
    float* voice = buffers.voice;

    float f = 0.0f;
    if constexpr (ConstantCutoff)
        f = StateVariableFilter::coefficient(tables, cutoffIndex(cutoff.next(0), kSvfIndexLimit));
    if constexpr (ConstantCutoff && Shape == SvfShape::Low) {
        one.lowpassInPairs(voice, frames, f, q);
        state[kStage1Low] = one.low;
        state[kStage1Band] = one.band;
        return;
    }
    // Unrolled: the recursion is short enough that the loop counter shows.
#pragma GCC unroll 4
    for (int32_t t = 0; t < frames; ++t) {
        float x = 0.0f;
        if constexpr (!ConstantCutoff) {
            x = cutoff.next(t);
            f = StateVariableFilter::coefficient(tables, cutoffIndex(x, kSvfIndexLimit));
        }
        const float u = voice[t];
        one.tick<FilterFm>(u, f, q);
        float out;
        if constexpr (Shape == SvfShape::Low) {
            out = one.low;
        } else if constexpr (Shape == SvfShape::Low24) {
            two.tick<FilterFm>(one.low, f, q);
            out = two.low;
        } else if constexpr (Shape == SvfShape::Band) {
            out = one.band;
        } else if constexpr (Shape == SvfShape::High) {
            out = one.high;
        } else if constexpr (Shape == SvfShape::Sweep) {
            out = sweep.low * one.low + sweep.band * one.band + sweep.high * one.high;
        } else {
            const float f2 = StateVariableFilter::coefficient(tables, cutoffIndex(x * k, kSvfIndexLimit));
            const float feed = Shape == SvfShape::BandIntoLow ? one.band
                               : Shape == SvfShape::HighIntoLow ? one.high
                                                                : one.notch(u);
            two.tick<FilterFm>(feed, f2, q);
            out = two.low;
        }
        voice[t] = out;
    }

    state[kStage1Low] = one.low;
    state[kStage1Band] = one.band;
    if constexpr (kTwoStages) {
        state[kStage2Low] = two.low;
        state[kStage2Band] = two.band;
    }
}

template <SvfShape Shape>
void runPlainLowpass(VoiceSlot& slot, const FilterTables& tables, const FilterParams& params,
                     const FilterBuffers& buffers, int32_t frames)
{
    if (buffers.filterFm != nullptr)
        svfLoop<Shape, true, false>(slot, tables, params, buffers, frames);
    else if (params.envelopeSustaining && params.cutoff.step == 0.0f)
        svfLoop<Shape, false, true>(slot, tables, params, buffers, frames);
    else
        svfLoop<Shape, false, false>(slot, tables, params, buffers, frames);
}

template <SvfShape Shape>
void runWithFm(VoiceSlot& slot, const FilterTables& tables, const FilterParams& params,
               const FilterBuffers& buffers, int32_t frames)
{
    if (buffers.filterFm != nullptr)
        svfLoop<Shape, true, false>(slot, tables, params, buffers, frames);
    else
        svfLoop<Shape, false, false>(slot, tables, params, buffers, frames);
}

// The serial pair is bypassed at the top of the offset range, where the
// low-pass would sit four times above the first cutoff anyway.
constexpr float kSerialBypassOffset = 0.999f;

} // namespace

void runStateVariableKernel(int32_t type, VoiceSlot& slot, const FilterTables& tables,
                            const FilterParams& params, const FilterBuffers& buffers, int32_t frames)
{
    const bool bypassLowpass = params.offset >= kSerialBypassOffset;
    switch (type) {
    case kLowpass24:
        runPlainLowpass<SvfShape::Low24>(slot, tables, params, buffers, frames);
        break;
    case kBandpassIntoLowpass:
        if (bypassLowpass)
            runWithFm<SvfShape::Band>(slot, tables, params, buffers, frames);
        else
            runWithFm<SvfShape::BandIntoLow>(slot, tables, params, buffers, frames);
        break;
    case kHighpassIntoLowpass:
        if (bypassLowpass)
            runWithFm<SvfShape::High>(slot, tables, params, buffers, frames);
        else
            runWithFm<SvfShape::HighIntoLow>(slot, tables, params, buffers, frames);
        break;
    case kNotchIntoLowpass:
        runWithFm<SvfShape::NotchIntoLow>(slot, tables, params, buffers, frames);
        break;
    case kSweep:
        runWithFm<SvfShape::Sweep>(slot, tables, params, buffers, frames);
        break;
    default: // 0, and 2, 4, 6 behind their pre-stages
        runPlainLowpass<SvfShape::Low>(slot, tables, params, buffers, frames);
        break;
    }
}
