#include "Filter.h"
#include "FilterKernels.h"
#include "FilterTypes.h"

#include <cmath>

namespace {

// Full key tracking moves the position 0.005 per semitone: 0.3 of the range
// at note 60.
constexpr float kKeytrackPerSemitone = 0.005f;
constexpr float kPitchPerSemitone = 128.0f;
constexpr float kDenormalLimit = 1e-9f;

// Also the last line of defence: a memory that has gone non-finite would
// poison every later frame of the voice, so it starts again from rest.
void flush(float& v)
{
    if (!(std::fabs(v) >= kDenormalLimit) || !std::isfinite(v))
        v = 0.0f;
}

} // namespace

float filterCutoffPosition(float cutoffSum, float keytrack, float pitch)
{
    if (keytrack == 0.0f)
        return cutoffSum;
    return cutoffSum + keytrack * kKeytrackPerSemitone * (pitch / kPitchPerSemitone);
}

CutoffRamp beginCutoffRamp(VoiceSlot& slot, float target, float blockRampStep, int32_t frames)
{
    CutoffRamp ramp{target, blockRampStep};
    if (slot.prevCutoff >= -99.0f && frames > 0)
        ramp = {slot.prevCutoff, (target - slot.prevCutoff) / static_cast<float>(frames) + blockRampStep};
    // The next slice starts where this one ends; storing the bare target would
    // make the cutoff jump back at every slice while the control moves.
    slot.prevCutoff = ramp.start + ramp.step * static_cast<float>(frames);
    return ramp;
}

void runFilterKernel(VoiceSlot& slot, const FilterTables& tables, const FilterParams& params,
                     const FilterBuffers& buffers, int32_t frames)
{
    FilterParams limited = params;
    limited.resonance = limitToUnit(params.resonance);
    limited.offset = limitToUnit(params.offset);

    const int32_t type = effectiveFilterType(slot.voiceFilterType);
    switch (type) {
    case kLadder24:
    case kLowpass24Saturation:
    case kLadder12:
    case kLadderIntoLowpass12:
        runLadderKernel(type, slot, tables, limited, buffers, frames);
        break;
    case kCombLowpass24:
        runCombKernel(slot, tables, limited, buffers, frames);
        break;
    case kSplitLowpass:
    case kSplitBandpass:
    case kSplitNotch:
    case kSplitHighpass:
        runSplitKernel(type, slot, tables, limited, buffers, frames);
        break;
    default:
        runStateVariableKernel(type, slot, tables, limited, buffers, frames);
        break;
    }
    slot.lfoPhase[1] += params.lfo2Increment * static_cast<uint32_t>(frames);
}

void clearFilterMemories(VoiceSlot& slot)
{
    for (float& v : slot.filterState)
        v = 0.0f;
    slot.followPrev = 0.0f;
    slot.followState = 0.0f;
    for (float& v : slot.combBuffer)
        v = 0.0f;
    slot.combWrite = 0;
}

void flushFilterDenormals(VoiceSlot& slot)
{
    for (float& v : slot.filterState)
        flush(v);
    flush(slot.followPrev);
    flush(slot.followState);
}
