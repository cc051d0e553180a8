// Hard sync: oscillator 2 restarts whenever oscillator 1's phase wraps. A
// synced cycle has a step wherever it restarts, so oscillator 2 is computed
// from its phase directly and every step, the restarts and its own wraps, is
// smoothed by adding a band-limited-step residual into the slot's 64-frame
// correction ring.
#include <cmath>

#include "OscillatorLoops.h"
#include "OscillatorReads.h"
#include "OscillatorTables.h"

namespace {

constexpr float kCycle = 4294967296.0f; // 2^32
constexpr float kPerCycle = 1.0f / kCycle;
constexpr float kTo15Bit = 1.0f / 32768.0f;
constexpr int32_t kRingMask = kSyncRingSize - 1;
constexpr int32_t kResidualFrames = vesk::kBlepLength - 1; // the last entry of a row is not used

enum class SyncWave { kSaw, kPulse, kTable };

// Row for a step that fell `fraction` of a frame before the frame it shows in.
inline const float* residualRow(float fraction)
{
    const int64_t row = nearestInt(fraction * vesk::kBlepPhaseSteps);
    return vesk::blepResidual[row < 0 ? 0 : (row > vesk::kBlepPhaseSteps ? vesk::kBlepPhaseSteps : row)];
}

inline void addStep(float* ring, uint32_t start, float size, const float* row)
{
    for (int32_t j = 0; j < kResidualFrames; ++j)
        ring[(start + j) & kRingMask] += size * row[j];
}

template <SyncWave Wave, bool Fm>
void syncLoop(const SyncJob& job, uint32_t masterPhase, VoiceSlot& slot, float* out, int32_t frames)
{
    const int16_t* const table = job.table;
    const uint32_t offset = job.pulseOffset;
    float* const ring = slot.syncRing;
    uint32_t pos = slot.syncPos & kRingMask;
    uint32_t phase = slot.osc2Phase;
    uint32_t master = masterPhase;
    Ramp depth = job.fmInput.depth;

    for (int32_t k = 0; k < frames; ++k) {
        const uint32_t masterInc = job.masterIncrements[k];
        const uint32_t inc = job.increments[k];
        const uint32_t masterNext = master + masterInc;
        if (masterNext < master) {
            const float after = static_cast<float>(masterNext) / static_cast<float>(masterInc);
            const uint32_t restart = static_cast<uint32_t>(nearestInt(static_cast<float>(inc) * after));
            // The step is the naive signal's drop at the restart. (The pulse's
            // restart is left uncorrected, as its two edges are handled apart.)
            if constexpr (Wave == SyncWave::kSaw)
                addStep(ring, pos, (static_cast<float>(phase) - static_cast<float>(restart)) * kPerCycle,
                        residualRow(after));
            else if constexpr (Wave == SyncWave::kTable)
                addStep(ring, pos,
                        static_cast<float>(table[phase >> kTableShift] - table[restart >> kTableShift]) * kTo15Bit,
                        residualRow(after));
            phase = restart;
        }
        master = masterNext;

        float value; // +-1.0
        if constexpr (Wave == SyncWave::kSaw)
            value = 2.0f * (static_cast<float>(phase) * kPerCycle - 0.5f + ring[pos]);
        else if constexpr (Wave == SyncWave::kPulse)
            value = 2.0f * (static_cast<float>(int64_t{phase} - int64_t{phase + offset}) * kPerCycle + ring[pos]);
        else
            value = static_cast<float>(readTable<10>(table, phase)) * kTo15Bit + ring[pos];
        const float sample = value * 32768.0f;
        out[k] = sample;

        uint32_t advance = inc;
        if constexpr (Fm) {
            depth.value += depth.step;
            advance = feedbackFmIncrement(job.fmInput.modulator[k], sample, depth.value, job.fmInput.feedback,
                                          static_cast<float>(inc));
        }
        if constexpr (Wave != SyncWave::kTable) {
            // Its own wrap drops the naive saw by a full cycle; a pulse also
            // rises by one where its shifted read wraps. A backward FM step is
            // no wrap.
            if (static_cast<int32_t>(advance) > 0 || !Fm) {
                const uint32_t next = phase + advance;
                if (next < phase)
                    addStep(ring, pos + 1, 1.0f, residualRow(static_cast<float>(next) / static_cast<float>(advance)));
                if constexpr (Wave == SyncWave::kPulse) {
                    const uint32_t shifted = phase + offset;
                    const uint32_t shiftedNext = shifted + advance;
                    if (shiftedNext < shifted)
                        addStep(ring, pos + 1, -1.0f,
                                residualRow(static_cast<float>(shiftedNext) / static_cast<float>(advance)));
                }
            }
        }
        phase += advance;
        ring[pos] = 0.0f;
        pos = (pos + 1) & kRingMask;
    }

    slot.osc2Phase = phase;
    slot.syncPos = pos;
}

template <SyncWave Wave>
void syncLoopFor(const SyncJob& job, uint32_t masterPhase, VoiceSlot& slot, float* out, int32_t frames)
{
    if (job.fm)
        syncLoop<Wave, true>(job, masterPhase, slot, out, frames);
    else
        syncLoop<Wave, false>(job, masterPhase, slot, out, frames);
}

} // namespace

void runSyncedOscillator(const SyncJob& job, uint32_t masterPhase, VoiceSlot& slot, float* out, int32_t frames)
{
    switch (job.shape) {
    case kOscSaw:
        syncLoopFor<SyncWave::kSaw>(job, masterPhase, slot, out, frames);
        break;
    case kOscPulse:
        syncLoopFor<SyncWave::kPulse>(job, masterPhase, slot, out, frames);
        break;
    default:
        syncLoopFor<SyncWave::kTable>(job, masterPhase, slot, out, frames);
        break;
    }
}
