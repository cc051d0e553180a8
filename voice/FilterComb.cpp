// "Comb -> LP24": a feed-forward comb, its delay set by the cutoff and swept
// by LFO 3, into the ladder on a second cutoff.
#include "FilterCores.h"
#include "FilterKernels.h"

#include "Conversions.h"

namespace {

constexpr uint32_t kCombMask = kCombBufferSize - 1;
// Two samples keep the comb clear of the sample being written; the read of
// n + 1 samples back must stay inside the 256-sample line.
constexpr float kMinCombDelay = 2.0f;
constexpr float kMaxCombDelay = static_cast<float>(kCombBufferSize - 1);
// Without filter FM the LFO read is skipped unless the depth is above this;
// negative depths then leave the delay unswept.
constexpr float kMinCombDepth = 1e-7f;

// Audio-rate filter FM makes the linear ladder loop time-varying, and with
// the comb's doubled input it runs away; it clips its feedback in that mode
// as the plain ladders do.
constexpr float kInputGain = 0.35f;
constexpr float kFeedback = 0.95f;

template <bool FilterFm, bool Swept>
void combLoop(VoiceSlot& slot, const FilterTables& tables, const FilterParams& params,
              const FilterBuffers& buffers, int32_t frames, float depth)
{
    float* state = slot.filterState;
    LadderFilter ladder{state[kStage1Low], state[kStage1Band], state[kStage2Low], state[kStage2Band]};
    float fb = state[kLadderOut];
    float* line = slot.combBuffer;
    uint32_t write = slot.combWrite;
    uint32_t lfoPhase = slot.combLfoPhase;
    const uint32_t lfoIncrement = params.lfo3Increment;
    const float* lfoWave = params.lfo3Wave;
    const float feedback = kFeedback * params.resonance;
    const float k = expMapF(params.offset, 0.25f, 4.0f);
    CutoffPositions<FilterFm> cutoff = cutoffPositions<FilterFm>(params, buffers);
    float* voice = buffers.voice;

    for (int32_t t = 0; t < frames; ++t) {
        const float x = cutoff.next(t);
        float delay = tables.combDelay[cutoffIndex(x, kWideIndexLimit)];
        if constexpr (Swept)
            delay += depth * lfoWave[lfoPhase >> 21];
        lfoPhase += lfoIncrement;
        // Written so that a NaN depth lands on the shortest delay.
        if (!(delay > kMinCombDelay))
            delay = kMinCombDelay;
        if (delay > kMaxCombDelay)
            delay = kMaxCombDelay;
        const uint32_t n = static_cast<uint32_t>(delay);
        const float r = delay - static_cast<float>(n);
        const float comb = (1.0f - r) * line[(write - n) & kCombMask] + r * line[(write - n - 1) & kCombMask];
        const float u = voice[t];
        line[write] = u;
        write = (write + 1) & kCombMask;

        const float p = tables.ladderTuning[cutoffIndex(x * k, kWideIndexLimit)];
        float tap2;
        const float loop = FilterFm ? clippedFeedback(fb) : fb;
        fb = ladder.tick(kInputGain * (u + comb) - feedback * loop, p, tap2);
        voice[t] = fb;
    }

    state[kStage1Low] = ladder.y1;
    state[kStage1Band] = ladder.y2;
    state[kStage2Low] = ladder.y3;
    state[kStage2Band] = ladder.y4;
    state[kLadderOut] = fb;
    slot.combWrite = static_cast<uint8_t>(write);
    slot.combLfoPhase = lfoPhase;
}

} // namespace

void runCombKernel(VoiceSlot& slot, const FilterTables& tables, const FilterParams& params,
                   const FilterBuffers& buffers, int32_t frames)
{
    const float depth = 4.0f * tables.rateRatio * params.combModulation;
    const bool filterFm = buffers.filterFm != nullptr;
    const bool swept = (depth > kMinCombDepth || filterFm) && params.lfo3Wave != nullptr;
    if (filterFm) {
        if (swept)
            combLoop<true, true>(slot, tables, params, buffers, frames, depth);
        else
            combLoop<true, false>(slot, tables, params, buffers, frames, depth);
    } else {
        if (swept)
            combLoop<false, true>(slot, tables, params, buffers, frames, depth);
        else
            combLoop<false, false>(slot, tables, params, buffers, frames, depth);
    }
}
