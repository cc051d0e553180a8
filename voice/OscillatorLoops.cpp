#include "OscillatorLoops.h"

#include <array>
#include <utility>

#include "OscillatorReads.h"

namespace {

constexpr int32_t kWeightScale = 1024;

// phases[k] = the phase before frame k, for every frame of the padded slice;
// increments holds the padded count.
void phasesAhead(uint32_t phase, const uint32_t* increments, int32_t frames, uint32_t* phases)
{
    __m128i base = _mm_set1_epi32(static_cast<int32_t>(phase));
    for (int32_t k = 0; k < frames; k += kLanes) {
        const __m128i inc = _mm_loadu_si128(reinterpret_cast<const __m128i*>(increments + k));
        __m128i sum = _mm_add_epi32(inc, _mm_slli_si128(inc, 4));
        sum = _mm_add_epi32(sum, _mm_slli_si128(sum, 8));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(phases + k), _mm_add_epi32(base, _mm_sub_epi32(sum, inc)));
        base = _mm_add_epi32(base, _mm_shuffle_epi32(sum, _MM_SHUFFLE(3, 3, 3, 3)));
    }
}

template <unsigned Features>
constexpr int kFractionBits = (Features & kFineFraction) != 0 ? 10 : 8;

// The main oscillator's samples at four phases.
template <unsigned Features>
__m128i mainSamples(const MainOscillatorJob& job, __m128i phases)
{
    constexpr int kFrac = kFractionBits<Features>;
    if constexpr ((Features & kMorphRead) != 0) {
        const __m128i weights = _mm_set1_epi32((kWeightScale - job.morph) | job.morph << 16);
        return crossfade4(readTable4<10>(job.table, phases, phases), readTable4<10>(job.morphTable, phases, phases),
                          weights);
    } else if constexpr ((Features & kPulseRead) != 0) {
        const __m128i shifted = _mm_add_epi32(phases, _mm_set1_epi32(static_cast<int32_t>(job.pulseOffset)));
        return _mm_sub_epi32(readTable4<kFrac>(job.table, phases, phases), readTable4<kFrac>(job.table, shifted, phases));
    } else {
        return readTable4<kFrac>(job.table, phases, phases);
    }
}

// The same sample at one phase, for the loops whose next phase depends on it.
template <unsigned Features>
int32_t mainSample(const MainOscillatorJob& job, uint32_t phase)
{
    constexpr int kFrac = kFractionBits<Features>;
    if constexpr ((Features & kMorphRead) != 0)
        return (readTable<10>(job.table, phase) * (kWeightScale - job.morph) +
                readTable<10>(job.morphTable, phase) * job.morph) /
               kWeightScale;
    else if constexpr ((Features & kPulseRead) != 0)
        return readTable<kFrac>(job.table, phase) - readTableShifted<kFrac>(job.table, phase, job.pulseOffset);
    else
        return readTable<kFrac>(job.table, phase);
}

// Frame by frame, where FM or the one-shot makes each phase wait for the
// frame before: main[] for the frames produced, which it returns.
template <unsigned Features>
int32_t serialMain(const MainOscillatorJob& job, uint32_t& phaseRef, int32_t* main, int32_t frames)
{
    constexpr bool kFm = (Features & kFeedbackFm) != 0;
    constexpr bool kOneShot = (Features & kOneShotCycle) != 0;
    uint32_t phase = phaseRef;
    Ramp depth = job.fm.depth;
    int32_t produced = frames;
    for (int32_t k = 0; k < frames; ++k) {
        const int32_t m = mainSample<Features>(job, phase);
        main[k] = m;
        uint32_t inc = job.increments[k];
        if constexpr (kFm) {
            depth.value += depth.step;
            inc = feedbackFmIncrement(job.fm.modulator[k], static_cast<float>(m), depth.value, job.fm.feedback,
                                      static_cast<float>(inc));
        }
        const uint32_t next = phase + inc;
        if constexpr (kOneShot) {
            // Under FM a "negative" increment runs backwards; that is no completed cycle.
            const bool forward = !kFm || static_cast<int32_t>(inc) > 0;
            if (forward && next < phase) {
                phase = next;
                produced = k + 1;
                break;
            }
        }
        phase = next;
    }
    phaseRef = phase;
    return produced;
}

// The plain sum of the six copies' table values, read without interpolation:
// copies 0..3 in lo, 4 and 5 in hi's low lanes.
inline int32_t copiesSum(const int16_t* table, __m128i lo, __m128i hi)
{
    const __m128i index = _mm_packs_epi32(_mm_srli_epi32(lo, kTableShift), _mm_srli_epi32(hi, kTableShift));
    return table[_mm_extract_epi16(index, 0)] + table[_mm_extract_epi16(index, 1)] +
           table[_mm_extract_epi16(index, 2)] + table[_mm_extract_epi16(index, 3)] +
           table[_mm_extract_epi16(index, 4)] + table[_mm_extract_epi16(index, 5)];
}

// The detuned copies around main[], their six phases advanced together.
template <bool Pulse>
void fatStack(const MainOscillatorJob& job, uint32_t* fatPhases, const int32_t* main, float* out, int32_t frames)
{
    alignas(16) uint32_t phases[2 * kLanes] = {};
    alignas(16) uint32_t increments[2 * kLanes] = {};
    for (int c = 0; c < kFatCopies; ++c) {
        phases[c] = fatPhases[c];
        increments[c] = job.fatIncrements[c];
    }
    __m128i lo = _mm_load_si128(reinterpret_cast<const __m128i*>(phases));
    __m128i hi = _mm_load_si128(reinterpret_cast<const __m128i*>(phases + kLanes));
    const __m128i incLo = _mm_load_si128(reinterpret_cast<const __m128i*>(increments));
    const __m128i incHi = _mm_load_si128(reinterpret_cast<const __m128i*>(increments + kLanes));
    const __m128i offset = _mm_set1_epi32(static_cast<int32_t>(job.pulseOffset));
    const int32_t a = job.weightMain;
    const int32_t b = job.weightCopies;
    for (int32_t k = 0; k < frames; ++k) {
        const int32_t sum = copiesSum(job.table, lo, hi);
        int32_t stacked;
        if constexpr (Pulse) {
            const int32_t shifted = copiesSum(job.table, _mm_add_epi32(lo, offset), _mm_add_epi32(hi, offset));
            const int32_t q = (main[k] * a - shifted * b) / kWeightScale;
            stacked = (q * a + sum * b) / kWeightScale;
        } else {
            stacked = (main[k] * a + sum * b) / kWeightScale;
        }
        out[k] = static_cast<float>(stacked);
        lo = _mm_add_epi32(lo, incLo);
        hi = _mm_add_epi32(hi, incHi);
    }
    _mm_store_si128(reinterpret_cast<__m128i*>(phases), lo);
    _mm_store_si128(reinterpret_cast<__m128i*>(phases + kLanes), hi);
    for (int c = 0; c < kFatCopies; ++c)
        fatPhases[c] = phases[c];
}

template <unsigned Features>
int32_t mainLoop(const MainOscillatorJob& job, uint32_t& phase, uint32_t* fatPhases, float* mainOut,
                 float* stackOut, int32_t frames)
{
    alignas(16) int32_t main[kMaxSliceFrames];
    int32_t produced = frames;
    if constexpr ((Features & (kFeedbackFm | kOneShotCycle)) != 0) {
        produced = serialMain<Features>(job, phase, main, frames);
        for (int32_t k = 0; k < produced; ++k)
            mainOut[k] = static_cast<float>(main[k]);
    } else {
        alignas(16) uint32_t phases[kMaxSliceFrames];
        phasesAhead(phase, job.increments, frames, phases);
        for (int32_t k = 0; k < frames; k += kLanes) {
            const __m128i m = mainSamples<Features>(job, _mm_load_si128(reinterpret_cast<const __m128i*>(phases + k)));
            _mm_store_si128(reinterpret_cast<__m128i*>(main + k), m);
            _mm_storeu_ps(mainOut + k, _mm_cvtepi32_ps(m));
        }
        uint32_t end = phase;
        for (int32_t k = 0; k < frames; ++k)
            end += job.increments[k];
        phase = end;
    }
    if constexpr ((Features & kFatStack) != 0)
        fatStack<(Features & kPulseRead) != 0>(job, fatPhases, main, stackOut, produced);
    return produced;
}

using MainLoop = int32_t (*)(const MainOscillatorJob&, uint32_t&, uint32_t*, float*, float*, int32_t);

template <size_t... I>
constexpr std::array<MainLoop, sizeof...(I)> mainLoops(std::index_sequence<I...>)
{
    return {&mainLoop<static_cast<unsigned>(I)>...};
}
constexpr std::array<MainLoop, kMainLoopVariants> kMainLoops = mainLoops(std::make_index_sequence<kMainLoopVariants>{});

} // namespace

int32_t runMainOscillator(unsigned features, const MainOscillatorJob& job, uint32_t& phase, uint32_t* fatPhases,
                          float* main, float* stacked, int32_t frames)
{
    return kMainLoops[features % kMainLoopVariants](job, phase, fatPhases, main, stacked, frames);
}

void runSubOscillator(const int16_t* table, uint32_t increment, Ramp level, uint32_t& phaseRef, float* out,
                      int32_t frames)
{
    // The level sums frame by frame as it always has; only the reads go four at a time.
    alignas(16) float levels[kMaxSliceFrames];
    for (int32_t k = 0; k < paddedFrames(frames); ++k) {
        level.value += level.step;
        levels[k] = level.value;
    }
    const uint32_t phase = phaseRef;
    __m128i phases = _mm_setr_epi32(static_cast<int32_t>(phase), static_cast<int32_t>(phase + increment),
                                    static_cast<int32_t>(phase + 2 * increment),
                                    static_cast<int32_t>(phase + 3 * increment));
    const __m128i step = _mm_set1_epi32(static_cast<int32_t>(kLanes * increment));
    for (int32_t k = 0; k < frames; k += kLanes) {
        const __m128 sample = _mm_cvtepi32_ps(readTable4<8>(table, phases, phases));
        _mm_storeu_ps(out + k, _mm_mul_ps(sample, _mm_load_ps(levels + k)));
        phases = _mm_add_epi32(phases, step);
    }
    phaseRef = phase + increment * static_cast<uint32_t>(frames);
}

void runDualFmCarrier(const int16_t* table, const uint32_t* increments, const float* modulator, Ramp depth,
                      float feedback, uint32_t& phaseRef, float* osc2, int32_t frames)
{
    // Oscillator 2's own sample counts four times as much here as in "1->2 fbk".
    const float ownDepth = 4.0f * feedback;
    uint32_t phase = phaseRef;
    for (int32_t k = 0; k < frames; ++k) {
        depth.value += depth.step;
        const float own = osc2[k];
        osc2[k] = static_cast<float>(readTable<8>(table, phase));
        phase += static_cast<uint32_t>(
            nearestInt((own * ownDepth + modulator[k] * depth.value + 1.0f) * static_cast<float>(increments[k])));
    }
    phaseRef = phase;
}

void writeFilterFm(const float* osc1, const float* osc2, Ramp depth, float feedback, float* out, int32_t frames)
{
    const float ownDepth = feedback * 0.25f;
    for (int32_t k = 0; k < frames; ++k) {
        depth.value += depth.step;
        out[k] = depth.value * osc1[k] * (1.0f / 128.0f) + osc2[k] * ownDepth;
    }
}
