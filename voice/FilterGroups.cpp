// Filters of up to four voices side by side, one voice to an SSE lane. Each
// lane does the arithmetic of the single-voice kernel in the same order, so
// a voice sounds the same whichever way it is filtered.
#include "FilterCores.h"
#include "FilterKernels.h"
#include "FilterTypes.h"

#include <emmintrin.h>

#include <algorithm>

namespace {

// GCC's vector of four floats: __m128 itself carries an aliasing attribute
// that a template argument would drop.
typedef float Lanes __attribute__((vector_size(16)));

// The lanes' buffers, and four frames of them turned frame-major: frame[i]
// holds frame t + i of every lane.
struct LaneBuffers {
    float* voice[kFilterLanes];
    const float* envelope[kFilterLanes];
};

struct Block {
    Lanes frame[4];
};

Block loadBlock(const float* const* lane, int32_t t)
{
    Block b{{_mm_loadu_ps(lane[0] + t), _mm_loadu_ps(lane[1] + t), _mm_loadu_ps(lane[2] + t),
             _mm_loadu_ps(lane[3] + t)}};
    _MM_TRANSPOSE4_PS(b.frame[0], b.frame[1], b.frame[2], b.frame[3]);
    return b;
}

void storeBlock(float* const* lane, int32_t t, Block b)
{
    _MM_TRANSPOSE4_PS(b.frame[0], b.frame[1], b.frame[2], b.frame[3]);
    for (int32_t l = 0; l < kFilterLanes; ++l)
        _mm_storeu_ps(lane[l] + t, b.frame[l]);
}

// Runs step(block, n) over the slice in blocks of four frames. The last,
// shorter block goes through a padded copy so nothing reads or writes past
// the frames the slice has.
template <typename Step>
void forEachBlock(const LaneBuffers& buffers, int32_t frames, Step step)
{
    int32_t t = 0;
    for (; t + 4 <= frames; t += 4) {
        const Block envelope = loadBlock(buffers.envelope, t);
        Block voice = loadBlock(buffers.voice, t);
        step(voice, envelope, 4);
        storeBlock(buffers.voice, t, voice);
    }
    const int32_t rest = frames - t;
    if (rest == 0)
        return;
    alignas(16) float voiceCopy[kFilterLanes][4] = {};
    alignas(16) float envelopeCopy[kFilterLanes][4] = {};
    float* voicePtr[kFilterLanes];
    const float* envelopePtr[kFilterLanes];
    for (int32_t l = 0; l < kFilterLanes; ++l) {
        std::copy(buffers.voice[l] + t, buffers.voice[l] + frames, voiceCopy[l]);
        std::copy(buffers.envelope[l] + t, buffers.envelope[l] + frames, envelopeCopy[l]);
        voicePtr[l] = voiceCopy[l];
        envelopePtr[l] = envelopeCopy[l];
    }
    const Block envelope = loadBlock(envelopePtr, 0);
    Block voice = loadBlock(voicePtr, 0);
    step(voice, envelope, rest);
    storeBlock(voicePtr, 0, voice);
    for (int32_t l = 0; l < kFilterLanes; ++l)
        std::copy(voiceCopy[l], voiceCopy[l] + rest, buffers.voice[l] + t);
}

// One value per lane from a per-lane function; lanes past count repeat lane 0.
template <typename Value>
Lanes perLane(int32_t count, Value value)
{
    alignas(16) float v[kFilterLanes];
    for (int32_t l = 0; l < kFilterLanes; ++l)
        v[l] = value(l < count ? l : 0);
    return _mm_load_ps(v);
}

// cutoffIndex of each lane.
__m128i cutoffIndices(Lanes x, int32_t limit)
{
    Lanes scaled = _mm_mul_ps(x, _mm_set1_ps(static_cast<float>(kCutoffSteps)));
    scaled = _mm_and_ps(scaled, _mm_cmpge_ps(scaled, _mm_setzero_ps())); // NaN and below 0 give 0
    scaled = _mm_min_ps(scaled, _mm_set1_ps(static_cast<float>(limit)));
    return _mm_cvttps_epi32(_mm_add_ps(scaled, _mm_set1_ps(0.5f)));
}

Lanes lookUp(const float* table, __m128i index)
{
    alignas(16) int32_t i[kFilterLanes];
    _mm_store_si128(reinterpret_cast<__m128i*>(i), index);
    return _mm_setr_ps(table[i[0]], table[i[1]], table[i[2]], table[i[3]]);
}

void heldLowpass(const FilterLane* lanes, int32_t count, const LaneBuffers& buffers, const FilterTables& tables,
                 int32_t frames)
{
    StateVariableFilter::PairStep step[kFilterLanes] = {{0.0f, 0.0f}, {0.0f, 0.0f}, {0.0f, 0.0f}, {0.0f, 0.0f}};
    float f[kFilterLanes] = {}, q[kFilterLanes] = {};
    for (int32_t l = 0; l < count; ++l) {
        const FilterParams& p = *lanes[l].params;
        q[l] = StateVariableFilter::damping(p.resonance);
        const float x = (p.cutoff.start + p.cutoff.step) + lanes[l].envelope[0] * p.envAmount;
        f[l] = StateVariableFilter::coefficient(tables, cutoffIndex(x, kSvfIndexLimit));
        step[l] = StateVariableFilter::PairStep(f[l], q[l]);
    }
    auto field = [&](float StateVariableFilter::PairStep::*m) {
        return perLane(count, [&](int32_t l) { return step[l].*m; });
    };
    const Lanes a11 = field(&StateVariableFilter::PairStep::a11), a12 = field(&StateVariableFilter::PairStep::a12);
    const Lanes b1 = field(&StateVariableFilter::PairStep::b1), b2 = field(&StateVariableFilter::PairStep::b2);
    const Lanes c11 = field(&StateVariableFilter::PairStep::c11), c12 = field(&StateVariableFilter::PairStep::c12);
    const Lanes c21 = field(&StateVariableFilter::PairStep::c21), c22 = field(&StateVariableFilter::PairStep::c22);
    const Lanes e1 = field(&StateVariableFilter::PairStep::e1), e2 = field(&StateVariableFilter::PairStep::e2);
    const Lanes fl = perLane(count, [&](int32_t l) { return f[l]; });
    const Lanes ql = perLane(count, [&](int32_t l) { return q[l]; });
    Lanes low = perLane(count, [&](int32_t l) { return lanes[l].slot->filterState[kStage1Low]; });
    Lanes band = perLane(count, [&](int32_t l) { return lanes[l].slot->filterState[kStage1Band]; });

    forEachBlock(buffers, frames, [&](Block& v, const Block&, int32_t n) {
        int32_t t = 0;
        for (; t + 1 < n; t += 2) {
            const Lanes u0 = v.frame[t], u1 = v.frame[t + 1];
            v.frame[t] = a11 * low + a12 * band + b1 * u0;
            const Lanes nextLow = c11 * low + c12 * band + (e1 * u0 + b1 * u1);
            band = c21 * low + c22 * band + (e2 * u0 + b2 * u1);
            low = nextLow;
            v.frame[t + 1] = low;
        }
        if (t < n) { // the slice's odd last frame, as StateVariableFilter::tick
            const Lanes high = v.frame[t] - low - ql * band;
            band += fl * high;
            low += fl * band;
            v.frame[t] = low;
        }
    });

    alignas(16) float lows[kFilterLanes], bands[kFilterLanes];
    _mm_store_ps(lows, low);
    _mm_store_ps(bands, band);
    for (int32_t l = 0; l < count; ++l) {
        lanes[l].slot->filterState[kStage1Low] = lows[l];
        lanes[l].slot->filterState[kStage1Band] = bands[l];
    }
}

// The 24 dB ladder of FilterLadder.cpp's ladderLoop, stage-4 output, no FM.
void ladder(const FilterLane* lanes, int32_t count, const LaneBuffers& buffers, const FilterTables& tables,
            int32_t frames)
{
    constexpr float kInputGain = 0.35f;
    constexpr float kFeedback = 0.95f;
    auto state = [&](int32_t memory) {
        return perLane(count, [&](int32_t l) { return lanes[l].slot->filterState[memory]; });
    };
    LadderStages<Lanes> stages{state(kStage1Low), state(kStage1Band), state(kStage2Low), state(kStage2Band)};
    Lanes fb = state(kLadderOut);
    Lanes position = perLane(count, [&](int32_t l) { return lanes[l].params->cutoff.start; });
    const Lanes step = perLane(count, [&](int32_t l) { return lanes[l].params->cutoff.step; });
    const Lanes envAmount = perLane(count, [&](int32_t l) { return lanes[l].params->envAmount; });
    const Lanes feedback = perLane(count, [&](int32_t l) { return kFeedback * lanes[l].params->resonance; });
    const int32_t limit = tables.cutoffIndexLimit;

    forEachBlock(buffers, frames, [&](Block& v, const Block& envelope, int32_t n) {
        for (int32_t t = 0; t < n; ++t) {
            position += step;
            const Lanes x = position + envelope.frame[t] * envAmount;
            const Lanes p = lookUp(tables.ladderTuning, cutoffIndices(x, limit));
            Lanes tap2;
            fb = stages.tick(kInputGain * v.frame[t] - feedback * fb, p, tap2);
            v.frame[t] = fb;
        }
    });

    alignas(16) float memories[5][kFilterLanes];
    _mm_store_ps(memories[0], stages.y1);
    _mm_store_ps(memories[1], stages.y2);
    _mm_store_ps(memories[2], stages.y3);
    _mm_store_ps(memories[3], stages.y4);
    _mm_store_ps(memories[4], fb);
    constexpr FilterMemory kOrder[5] = {kStage1Low, kStage1Band, kStage2Low, kStage2Band, kLadderOut};
    for (int32_t l = 0; l < count; ++l)
        for (int32_t m = 0; m < 5; ++m)
            lanes[l].slot->filterState[kOrder[m]] = memories[m][l];
}

} // namespace

FilterGroup filterGroup(const VoiceSlot& slot, const FilterParams& params, const FilterBuffers& buffers)
{
    if (buffers.filterFm != nullptr)
        return FilterGroup::Alone;
    switch (effectiveFilterType(slot.voiceFilterType)) {
    case kLowpass12:
    case kLowpass12Dist:
    case kLowpass12Bitcrush:
    case kLowpass12Follow:
        return params.envelopeSustaining && params.cutoff.step == 0.0f ? FilterGroup::HeldLowpass
                                                                        : FilterGroup::Alone;
    case kLadder24:
    case kLowpass24Saturation:
        return FilterGroup::Ladder;
    default:
        return FilterGroup::Alone;
    }
}

void runFilterGroup(FilterGroup group, const FilterLane* lanes, int32_t count, const FilterTables& tables,
                    int32_t frames)
{
    count = std::clamp<int32_t>(count, 0, kFilterLanes);
    if (count == 0 || frames <= 0)
        return;
    // The kernels take resonance and offset limited to 0..1, as runFilterKernel hands them on.
    FilterParams limited[kFilterLanes];
    FilterLane limitedLanes[kFilterLanes];
    LaneBuffers buffers;
    // Lanes without a voice filter silence into a buffer of their own.
    alignas(16) float spare[kMaxSliceFrames] = {};
    for (int32_t l = 0; l < kFilterLanes; ++l) {
        if (l < count) {
            limited[l] = *lanes[l].params;
            limited[l].resonance = limitToUnit(limited[l].resonance);
            limited[l].offset = limitToUnit(limited[l].offset);
            limitedLanes[l] = {lanes[l].slot, &limited[l], lanes[l].voice, lanes[l].envelope};
        }
        buffers.voice[l] = l < count ? lanes[l].voice : spare;
        buffers.envelope[l] = l < count ? lanes[l].envelope : spare;
    }
    if (group == FilterGroup::HeldLowpass)
        heldLowpass(limitedLanes, count, buffers, tables, frames);
    else if (group == FilterGroup::Ladder)
        ladder(limitedLanes, count, buffers, tables, frames);
    for (int32_t l = 0; l < count; ++l)
        lanes[l].slot->lfoPhase[1] += lanes[l].params->lfo2Increment * static_cast<uint32_t>(frames);
}
