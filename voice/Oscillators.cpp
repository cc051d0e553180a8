// The per-call frame work: oscillators 1 and 2, FM, the sub-oscillator and
// noise into scratch buffers, then the mix into the voice buffer.
#include "Oscillators.h"

#include "Noise.h"
#include "OscillatorLoops.h"
#include "OscillatorReads.h"
#include "OscillatorTables.h"

namespace {

constexpr float kTo15Bit = 1.0f / 32768.0f;
constexpr float kRingScale = 1.0f / 1073741824.0f; // 2^-30: the product of two 16-bit samples to full scale 1.0
// Increments below this (and not negative) convert exactly through 32-bit signed lanes.
constexpr float kLargestSignedIncrement = 2147483520.0f;

// Ramps are evaluated in closed form (value + step * frame): no float carried
// from frame to frame, so these loops vectorise. Fills the padded slice.
void fillIncrements(Ramp ramp, uint32_t* out, int32_t frames)
{
    const int32_t padded = paddedFrames(frames);
    if (ramp.step == 0.0f) {
        // A held pitch: the same increment for every frame.
        const uint32_t increment = rampIncrement(ramp.value);
        for (int32_t k = 0; k < padded; ++k)
            out[k] = increment;
        return;
    }
    const float last = ramp.value + ramp.step * static_cast<float>(padded);
    if (ramp.value < kLargestSignedIncrement && last < kLargestSignedIncrement) {
        // The same sums and the same rounding as rampIncrement, four frames at
        // a time: every value is below 2^31, where the 32-bit conversion holds it.
        const __m128 value = _mm_set1_ps(ramp.value);
        const __m128 step = _mm_set1_ps(ramp.step);
        const __m128 half = _mm_set1_ps(0.5f);
        __m128 frame = _mm_setr_ps(1.0f, 2.0f, 3.0f, 4.0f);
        for (int32_t k = 0; k < padded; k += kLanes) {
            const __m128 v = _mm_add_ps(_mm_add_ps(value, _mm_mul_ps(step, frame)), half);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + k), _mm_cvttps_epi32(v));
            frame = _mm_add_ps(frame, _mm_set1_ps(static_cast<float>(kLanes)));
        }
        return;
    }
    for (int32_t k = 0; k < padded; ++k)
        out[k] = rampIncrement(ramp.value + ramp.step * static_cast<float>(k + 1));
}

unsigned mainLoopFeatures(const OscillatorSlice& s, int i)
{
    unsigned f = 0;
    if (s.shape[i] == kOscPulse)
        f |= kPulseRead;
    if (s.fat[i])
        f |= kFatStack;
    // Oscillator 1 interpolates finer; so does a morph on either.
    if (i == 0 || s.morphTable[i] != nullptr)
        f |= kFineFraction;
    if (s.morphTable[i] != nullptr)
        f |= kMorphRead;
    if (i == 1 && s.fmUsed && s.fmMode == kFmFeedback)
        f |= kFeedbackFm;
    if (i == 1 && s.oneShot)
        f |= kOneShotCycle;
    return f;
}

MainOscillatorJob mainJob(const OscillatorSlice& s, int i, const uint32_t* increments, const FeedbackFm& fm)
{
    return {s.table[i],         s.morphTable[i],       s.morph[i],  s.pulseOffset,
            s.fatIncrements[i], s.fatWeightMain[i],    s.fatWeightCopies[i], increments,
            s.increment[i].step == 0.0f, fm};
}

// out = extra + (1 - R)(s2 M + (2^-15 - M) s1) + R 2^-30 m1 m2, M on the 2^-15 scale.
template <bool Extras, bool Ring>
void mixLoop(const OscillatorSlice& s, const float* m1, const float* s1, const float* m2, const float* s2,
             const float* extra, float* out)
{
    for (int32_t k = 0; k < s.frames; ++k) {
        const float t = static_cast<float>(k + 1);
        const float m = (s.mix.value + s.mix.step * t) * kTo15Bit;
        float v = s2[k] * m + (kTo15Bit - m) * s1[k];
        if constexpr (Ring) {
            const float r = s.ring.value + s.ring.step * t;
            v = (1.0f - r) * v + r * kRingScale * m1[k] * m2[k];
        }
        if constexpr (Extras)
            v = extra[k] + v;
        out[k] = v;
    }
}

// The split filter types take oscillator 1 alone; everything else, without
// ring modulation, goes to the second buffer.
template <bool Extras>
void splitLoop(const OscillatorSlice& s, const float* s1, const float* s2, const float* extra, float* out1,
               float* out2)
{
    for (int32_t k = 0; k < s.frames; ++k) {
        const float m = (s.mix.value + s.mix.step * static_cast<float>(k + 1)) * kTo15Bit;
        out1[k] = (kTo15Bit - m) * s1[k];
        float v = s2[k] * m;
        if constexpr (Extras)
            v = extra[k] + v;
        out2[k] = v;
    }
}

} // namespace

void renderOscillators(const OscillatorSlice& s, VoiceSlot& slot, uint32_t& noiseGenerator, float* voiceBuffer,
                       float* secondBuffer, float* filterFmBuffer)
{
    const int32_t frames = s.frames;
    uint32_t inc1[kMaxSliceFrames];
    uint32_t inc2[kMaxSliceFrames];
    fillIncrements(s.increment[0], inc1, frames);
    fillIncrements(s.increment[1], inc2, frames);

    float m1[kMaxSliceFrames];
    float s1[kMaxSliceFrames];
    float m2[kMaxSliceFrames];
    float s2[kMaxSliceFrames];
    float extra[kMaxSliceFrames];

    const uint32_t osc1Start = slot.osc1Phase;
    runMainOscillator(mainLoopFeatures(s, 0), mainJob(s, 0, inc1, {}), slot.osc1Phase, slot.fatPhases1, m1, s1, frames);
    const float* stacked1 = s.fat[0] ? s1 : m1;

    const FeedbackFm fm{m1, s.fmDepth, s.fmFeedback * kTo15Bit};
    const float* stacked2 = m2;
    int32_t sounding2 = frames; // a finished one-shot is silent from here on
    if (s.sync) {
        const SyncJob job{s.shape[1], s.table[1], s.pulseOffset, inc1, inc2, s.fmUsed && s.fmMode == kFmFeedback, fm};
        runSyncedOscillator(job, osc1Start, slot, m2, frames);
    } else if (s.oneShot && slot.osc2Done) {
        sounding2 = 0;
    } else {
        sounding2 = runMainOscillator(mainLoopFeatures(s, 1), mainJob(s, 1, inc2, fm), slot.osc2Phase,
                                      slot.fatPhases2, m2, s2, frames);
        if (sounding2 < frames)
            slot.osc2Done = true;
        if (s.fat[1])
            stacked2 = s2;
    }
    if (s.fmUsed && s.fmMode == kFmDual) {
        // A synced oscillator 2 has no table of its own to carry.
        runDualFmCarrier(s.sync ? vesk::sineTable : s.table[1], inc2, m1, s.fmDepth, fm.feedback, slot.fmPhase, m2,
                         sounding2);
        stacked2 = m2;
    }
    for (int32_t k = sounding2; k < frames; ++k) {
        m2[k] = 0.0f;
        s2[k] = 0.0f;
    }

    if (s.fmMode == kFmFilter) {
        if (s.fmUsed) {
            writeFilterFm(m1, m2, s.fmDepth, fm.feedback, filterFmBuffer, frames);
        } else {
            for (int32_t k = 0; k < frames; ++k)
                filterFmBuffer[k] = 0.0f;
        }
    }

    const bool extras = s.sub || s.noise;
    if (s.sub) {
        runSubOscillator(s.subTable, s.subIncrement, s.subLevel, slot.osc3Phase, extra, frames);
    } else {
        // Silent, but it keeps its timing for when it comes back.
        slot.osc3Phase += s.subIncrement * static_cast<uint32_t>(frames);
        if (s.noise) {
            for (int32_t k = 0; k < frames; ++k)
                extra[k] = 0.0f;
        }
    }
    if (s.noise)
        addColouredNoise(noiseGenerator, s.noiseLevel, s.noiseHighpass, slot.noisePrev, slot.noiseState, extra,
                         frames);

    if (s.split) {
        if (extras)
            splitLoop<true>(s, stacked1, stacked2, extra, voiceBuffer, secondBuffer);
        else
            splitLoop<false>(s, stacked1, stacked2, extra, voiceBuffer, secondBuffer);
    } else if (s.ringUsed) {
        if (extras)
            mixLoop<true, true>(s, m1, stacked1, m2, stacked2, extra, voiceBuffer);
        else
            mixLoop<false, true>(s, m1, stacked1, m2, stacked2, extra, voiceBuffer);
    } else {
        if (extras)
            mixLoop<true, false>(s, m1, stacked1, m2, stacked2, extra, voiceBuffer);
        else
            mixLoop<false, false>(s, m1, stacked1, m2, stacked2, extra, voiceBuffer);
    }
}
