#include "OscillatorLoops.h"

#include <array>
#include <utility>

#include "OscillatorReads.h"

namespace {

constexpr int32_t kWeightScale = 1024;

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

// The phases of one copy at four frames: phase + k inc, k = 0..3.
inline __m128i fourPhases(uint32_t phase, uint32_t increment)
{
    return _mm_setr_epi32(static_cast<int32_t>(phase), static_cast<int32_t>(phase + increment),
                          static_cast<int32_t>(phase + 2 * increment), static_cast<int32_t>(phase + 3 * increment));
}

// The table values (no interpolation) of two copies at four frames, in the
// 16-bit lanes first, second of frame 0, first, second of frame 1, ...: the
// pairs a multiply-add weighs and sums.
inline __m128i copyPairs(const int16_t* table, __m128i first, __m128i second)
{
    const __m128i index = _mm_packs_epi32(_mm_srli_epi32(first, kTableShift), _mm_srli_epi32(second, kTableShift));
    __m128i v = _mm_setzero_si128();
    v = _mm_insert_epi16(v, table[_mm_extract_epi16(index, 0)], 0);
    v = _mm_insert_epi16(v, table[_mm_extract_epi16(index, 4)], 1);
    v = _mm_insert_epi16(v, table[_mm_extract_epi16(index, 1)], 2);
    v = _mm_insert_epi16(v, table[_mm_extract_epi16(index, 5)], 3);
    v = _mm_insert_epi16(v, table[_mm_extract_epi16(index, 2)], 4);
    v = _mm_insert_epi16(v, table[_mm_extract_epi16(index, 6)], 5);
    v = _mm_insert_epi16(v, table[_mm_extract_epi16(index, 3)], 6);
    v = _mm_insert_epi16(v, table[_mm_extract_epi16(index, 7)], 7);
    return v;
}

// weight times the sum of the six copies at phases + offset, four frames.
inline __m128i weightedCopies(const int16_t* table, const __m128i* phases, __m128i offset, int32_t weight)
{
    const uint32_t half = static_cast<uint32_t>(weight) & 0xFFFFu; // the 16-bit weight, negative ones too
    const __m128i weights = _mm_set1_epi32(static_cast<int32_t>(half | half << 16));
    __m128i sum = _mm_setzero_si128();
    for (int c = 0; c < kFatCopies; c += 2) {
        const __m128i pairs =
            copyPairs(table, _mm_add_epi32(phases[c], offset), _mm_add_epi32(phases[c + 1], offset));
        sum = _mm_add_epi32(sum, _mm_madd_epi16(pairs, weights));
    }
    return sum;
}

// The detuned copies around main[] (padded), four frames at a time: each
// copy's phases for the four frames sit in one register and move on
// together. All weighted sums stay within 32 bits: at most 7 * 32767 * 1024.
template <bool Pulse>
void fatStack(const MainOscillatorJob& job, uint32_t* fatPhases, const int32_t* main, float* out, int32_t frames)
{
    __m128i phases[kFatCopies];
    __m128i steps[kFatCopies];
    for (int c = 0; c < kFatCopies; ++c) {
        phases[c] = fourPhases(fatPhases[c], job.fatIncrements[c]);
        steps[c] = _mm_set1_epi32(static_cast<int32_t>(kLanes * job.fatIncrements[c]));
    }
    const __m128i noOffset = _mm_setzero_si128();
    const __m128i offset = _mm_set1_epi32(static_cast<int32_t>(job.pulseOffset));
    const int32_t a = job.weightMain;
    const int32_t b = job.weightCopies;
    for (int32_t k = 0; k < frames; k += kLanes) {
        __m128i m = _mm_load_si128(reinterpret_cast<const __m128i*>(main + k));
        if constexpr (Pulse) {
            // The main pulse against the shifted copies first, then the plain copies on top.
            m = truncatedDiv1024(_mm_add_epi32(multiplyLow(m, a), weightedCopies(job.table, phases, offset, -b)));
        }
        const __m128i sum = _mm_add_epi32(multiplyLow(m, a), weightedCopies(job.table, phases, noOffset, b));
        _mm_storeu_ps(out + k, _mm_cvtepi32_ps(truncatedDiv1024(sum)));
        for (int c = 0; c < kFatCopies; ++c)
            phases[c] = _mm_add_epi32(phases[c], steps[c]);
    }
    for (int c = 0; c < kFatCopies; ++c)
        fatPhases[c] += job.fatIncrements[c] * static_cast<uint32_t>(frames);
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
        // The stack reads whole groups of four.
        for (int32_t k = produced; k < paddedFrames(produced); ++k)
            main[k] = 0;
    } else {
        const auto read = [&](int32_t k, __m128i phases) {
            const __m128i m = mainSamples<Features>(job, phases);
            _mm_store_si128(reinterpret_cast<__m128i*>(main + k), m);
            _mm_storeu_ps(mainOut + k, _mm_cvtepi32_ps(m));
        };
        __m128i base = _mm_set1_epi32(static_cast<int32_t>(phase));
        if (job.steadyIncrement) {
            // A held pitch: the same four steps from every group's start.
            const uint32_t inc = job.increments[0];
            const __m128i steps = fourPhases(0, inc);
            const __m128i advance = _mm_set1_epi32(static_cast<int32_t>(kLanes * inc));
            for (int32_t k = 0; k < frames; k += kLanes) {
                read(k, _mm_add_epi32(base, steps));
                base = _mm_add_epi32(base, advance);
            }
            phase += inc * static_cast<uint32_t>(frames);
        } else {
            // Each group's phases: the running phase plus the increments
            // summed lane by lane up to the frame before.
            for (int32_t k = 0; k < frames; k += kLanes) {
                const __m128i inc = _mm_loadu_si128(reinterpret_cast<const __m128i*>(job.increments + k));
                __m128i sum = _mm_add_epi32(inc, _mm_slli_si128(inc, 4));
                sum = _mm_add_epi32(sum, _mm_slli_si128(sum, 8));
                read(k, _mm_add_epi32(base, _mm_sub_epi32(sum, inc)));
                base = _mm_add_epi32(base, _mm_shuffle_epi32(sum, _MM_SHUFFLE(3, 3, 3, 3)));
            }
            uint32_t end = phase;
            for (int32_t k = 0; k < frames; ++k)
                end += job.increments[k];
            phase = end;
        }
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
