// The ladder kernels: the 24 dB ladder (also under "LP24+Saturation"), its
// 12 dB tap, and the saturating ladder into a state-variable low-pass.
#include "FilterCores.h"
#include "FilterKernels.h"
#include "FilterTypes.h"

#include "Conversions.h"

namespace {

enum class LadderShape {
    Full,      // stage-4 output
    Tap12,     // stage-2 tap out, stage-4 feedback
    IntoSvf,   // saturated stage-4 output into a state-variable low-pass
};

template <LadderShape Shape>
struct LadderVoicing;

template <>
struct LadderVoicing<LadderShape::Full> {
    static constexpr float kInputGain = 0.35f;
    static constexpr float kFeedback = 0.95f;
};

template <>
struct LadderVoicing<LadderShape::Tap12> {
    static constexpr float kInputGain = 0.5f;
    static constexpr float kFeedback = 0.95f;
};

// Driven softly so the saturator's x16 gain is where the colour comes from;
// the saturator also bounds the loop, so it may ring a little harder.
template <>
struct LadderVoicing<LadderShape::IntoSvf> {
    static constexpr float kInputGain = 0.025f;
    static constexpr float kFeedback = 0.96f;
    static constexpr float kSaturatorGain = 16.0f;
};

template <LadderShape Shape, bool FilterFm, bool ClippedFeedback>
void ladderLoop(VoiceSlot& slot, const FilterTables& tables, const FilterParams& params,
                const FilterBuffers& buffers, int32_t frames)
{
    using Voicing = LadderVoicing<Shape>;
    constexpr bool kIntoSvf = Shape == LadderShape::IntoSvf;

    float* state = slot.filterState;
    LadderFilter ladder{state[kStage1Low], state[kStage1Band], state[kStage2Low], state[kStage2Band]};
    StateVariableFilter post{state[kPostLow], state[kPostBand], 0.0f};
    float fb = state[kLadderOut];
    const float gain = Voicing::kInputGain;
    const float feedback = Voicing::kFeedback * params.resonance;
    const int32_t limit = kIntoSvf ? kWideIndexLimit : tables.cutoffIndexLimit;
    const float q = StateVariableFilter::damping(params.resonance);
    const float k = kIntoSvf ? expMapF(params.offset, 0.25f, 4.0f) : 1.0f;
    const float* saturation = tables.saturation;
    CutoffPositions<FilterFm> cutoff = cutoffPositions<FilterFm>(params, buffers);
    float* voice = buffers.voice;

    // Two frames per pass: a little less loop work around the long recursion.
#pragma GCC unroll 2
    for (int32_t t = 0; t < frames; ++t) {
        const float x = cutoff.next(t);
        const float p = tables.ladderTuning[cutoffIndex(x, limit)];
        const float loop = ClippedFeedback ? clippedFeedback(fb) : fb;
        float tap2;
        const float y = ladder.tick(gain * voice[t] - feedback * loop, p, tap2);
        if constexpr (kIntoSvf) {
            fb = saturateLinear(saturation, y) * (1.0f / Voicing::kSaturatorGain);
            const float f2 = StateVariableFilter::coefficient(tables, cutoffIndex(x * k, kWideIndexLimit));
            post.tick<FilterFm>(fb, f2, q);
            voice[t] = Voicing::kSaturatorGain * post.low;
        } else {
            fb = y;
            voice[t] = Shape == LadderShape::Tap12 ? tap2 : y;
        }
    }

    state[kStage1Low] = ladder.y1;
    state[kStage1Band] = ladder.y2;
    state[kStage2Low] = ladder.y3;
    state[kStage2Band] = ladder.y4;
    state[kLadderOut] = fb;
    if constexpr (kIntoSvf) {
        state[kPostLow] = post.low;
        state[kPostBand] = post.band;
    }
}

// Audio-rate cutoff jumps can push the linear loop far past its rest level,
// so in "Filter FM" the 24 and 12 dB ladders clip what they feed back.
template <LadderShape Shape>
void runLadder(VoiceSlot& slot, const FilterTables& tables, const FilterParams& params,
               const FilterBuffers& buffers, int32_t frames)
{
    if (buffers.filterFm != nullptr)
        ladderLoop<Shape, true, Shape != LadderShape::IntoSvf>(slot, tables, params, buffers, frames);
    else
        ladderLoop<Shape, false, false>(slot, tables, params, buffers, frames);
}

} // namespace

void runLadderKernel(int32_t type, VoiceSlot& slot, const FilterTables& tables, const FilterParams& params,
                     const FilterBuffers& buffers, int32_t frames)
{
    switch (type) {
    case kLadder12:
        runLadder<LadderShape::Tap12>(slot, tables, params, buffers, frames);
        break;
    case kLadderIntoLowpass12:
        runLadder<LadderShape::IntoSvf>(slot, tables, params, buffers, frames);
        break;
    default: // 7, and 5 ahead of its saturation stage
        runLadder<LadderShape::Full>(slot, tables, params, buffers, frames);
        break;
    }
}
