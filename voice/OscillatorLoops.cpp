#include "OscillatorLoops.h"

#include <array>
#include <utility>

#include "OscillatorReads.h"

namespace {

constexpr int32_t kWeightScale = 1024;

template <unsigned Features>
int32_t mainLoop(const MainOscillatorJob& job, uint32_t& phaseRef, uint32_t* fatPhasesRef, float* mainOut,
                 float* stackOut, int32_t frames)
{
    constexpr bool kPulse = (Features & kPulseRead) != 0;
    constexpr bool kFat = (Features & kFatStack) != 0;
    constexpr bool kMorph = (Features & kMorphRead) != 0;
    constexpr bool kFm = (Features & kFeedbackFm) != 0;
    constexpr bool kOneShot = (Features & kOneShotCycle) != 0;
    constexpr int kFrac = (Features & kFineFraction) != 0 ? 10 : 8;

    const int16_t* const table = job.table;
    const int16_t* const morphTable = job.morphTable;
    const int32_t morph = job.morph;
    const uint32_t offset = job.pulseOffset;
    const int32_t weightMain = job.weightMain;
    const int32_t weightCopies = job.weightCopies;
    uint32_t phase = phaseRef;
    uint32_t fatPhases[kFatCopies];
    uint32_t fatIncrements[kFatCopies];
    if constexpr (kFat) {
        for (int c = 0; c < kFatCopies; ++c) {
            fatPhases[c] = fatPhasesRef[c];
            fatIncrements[c] = job.fatIncrements[c];
        }
    }
    Ramp depth = job.fm.depth;

    int32_t produced = frames;
    for (int32_t k = 0; k < frames; ++k) {
        int32_t m;
        if constexpr (kMorph)
            m = (readTable<10>(table, phase) * (kWeightScale - morph) + readTable<10>(morphTable, phase) * morph) /
                kWeightScale;
        else if constexpr (kPulse)
            m = readTable<kFrac>(table, phase) - readTableShifted<kFrac>(table, phase, offset);
        else
            m = readTable<kFrac>(table, phase);
        mainOut[k] = static_cast<float>(m);

        if constexpr (kFat) {
            // The copies are many and quiet: plain reads without interpolation.
            int32_t sum = 0;
            for (int c = 0; c < kFatCopies; ++c)
                sum += table[fatPhases[c] >> kTableShift];
            int32_t stacked;
            if constexpr (kPulse) {
                int32_t shifted = 0;
                for (int c = 0; c < kFatCopies; ++c)
                    shifted += table[(fatPhases[c] + offset) >> kTableShift];
                const int32_t q = (m * weightMain - shifted * weightCopies) / kWeightScale;
                stacked = (q * weightMain + sum * weightCopies) / kWeightScale;
            } else {
                stacked = (m * weightMain + sum * weightCopies) / kWeightScale;
            }
            stackOut[k] = static_cast<float>(stacked);
            for (int c = 0; c < kFatCopies; ++c)
                fatPhases[c] += fatIncrements[c];
        }

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
    if constexpr (kFat) {
        for (int c = 0; c < kFatCopies; ++c)
            fatPhasesRef[c] = fatPhases[c];
    }
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
    uint32_t phase = phaseRef;
    for (int32_t k = 0; k < frames; ++k) {
        level.value += level.step;
        out[k] = static_cast<float>(readTable<8>(table, phase)) * level.value;
        phase += increment;
    }
    phaseRef = phase;
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
