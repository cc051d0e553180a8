#include "Lfo.h"

#include <cmath>

#include "Conversions.h"

namespace {

// Pulse layout: a high part of W + 8 entries (W from the skew), a 64-entry
// fall at 1/32 per entry, low, and a 64-entry rise at the end of the cycle so
// the wave returns to +1 without a step.
constexpr int32_t kPulseWidthRange = 2032;
constexpr int32_t kPulseMinHigh = 8;
constexpr int32_t kPulseEdge = 64;
constexpr int32_t kPulseRiseStart = kLfoCycleLength - kPulseEdge;
constexpr float kPulseSlope = 1.0f / 32.0f;

void buildPulse(float* table, float skewRaw)
{
    // A wide pulse pushes the fall past the rise; the rise wins and the fall
    // is cut at the cycle's end. Clamping keeps extreme skews in int range.
    const int32_t width = clampTo(truncToInt(static_cast<double>(skewRaw) * kPulseWidthRange),
                                  -kPulseMinHigh - kPulseEdge, kLfoCycleLength);
    const int32_t fallStart = width + kPulseMinHigh;
    for (int32_t i = 0; i < kLfoCycleLength; ++i) {
        float value;
        if (i >= kPulseRiseStart)
            value = -1.0f + static_cast<float>(i - kPulseRiseStart) * kPulseSlope;
        else if (i < fallStart)
            value = 1.0f;
        else if (i < fallStart + kPulseEdge)
            value = 1.0f - static_cast<float>(i - fallStart) * kPulseSlope;
        else
            value = -1.0f;
        table[i] = value;
    }
}

// A host can hand over any tempo or rate; keep the increment a valid u32.
double limitedIncrement(float frequency, float hzToPhaseInc)
{
    constexpr double kLargest = 4294967295.0;
    const double increment = static_cast<double>(frequency) * hzToPhaseInc;
    if (!(increment > 0.0))
        return 0.0;
    return increment < kLargest ? increment : kLargest;
}

} // namespace

void buildLfoTable(float* table, int32_t shape, const LfoSkew& skew, const LfoSources& sources)
{
    switch (shape) {
    case kLfoSaw:
        // Bending the ramp on 0..1 keeps both ends in place and moves the middle.
        for (int32_t i = 0; i < kLfoCycleLength; ++i)
            table[i] = 2.0f * std::pow((sources.sawRamp[i] + 1.0f) * 0.5f, skew.a) - 1.0f;
        break;
    case kLfoPulse:
        buildPulse(table, skew.raw);
        break;
    case kLfoSine:
        for (int32_t i = 0; i < kLfoCycleLength; ++i)
            table[i] = std::copysign(std::pow(std::fabs(sources.sine[i]), skew.b), sources.sine[i]);
        break;
    case kLfoSampleHold:
        // Only the comb filter reads this; the LFO's own output is drawn per cycle.
        for (int32_t i = 0; i < kLfoCycleLength; ++i)
            table[i] = sources.smoothRandom[i];
        break;
    default:
        for (int32_t i = 0; i < kLfoCycleLength; ++i)
            table[i] = 0.0f;
        break;
    }
}

float lfoOutput(const LfoParams& lfo, int32_t k, VoiceSlot& slot, uint32_t increment, int32_t frames,
                Random15& random)
{
    const uint32_t phase = slot.lfoPhase[k];
    float value;
    if (lfo.shape == kLfoSampleHold) {
        // Draw in the call in which the cycle ends, so every cycle gets
        // exactly one new target whatever the call lengths. The matrix may
        // still change the rate this call advances with, so a foreseen end
        // may not come and an unforeseen one may: each cycle that really
        // ended is counted once, late if it was not foreseen.
        bool draw = slot.age == 0;
        if (draw) {
            slot.shDrawnAhead[k] = false;
        } else if (phase < slot.shPhaseSeen[k]) {
            draw = !slot.shDrawnAhead[k];
            slot.shDrawnAhead[k] = false;
        }
        const uint64_t end = uint64_t{phase} + uint64_t{increment} * static_cast<uint32_t>(frames);
        if (!slot.shDrawnAhead[k] && end >= (uint64_t{1} << 32)) {
            slot.shDrawnAhead[k] = true;
            draw = true;
        }
        slot.shPhaseSeen[k] = phase;
        if (draw)
            slot.shTarget[k] = 2.0f * static_cast<float>(random.next()) / 32767.0f - 1.0f;
        slot.shValue[k] += (slot.shTarget[k] - slot.shValue[k]) * lfo.smoothing;
        value = slot.shValue[k];
    } else {
        value = lfo.table[phase >> kLfoReadShift];
    }

    const float age = static_cast<float>(slot.age);
    if (lfo.fadeInFrames > 0.0f && age < lfo.fadeInFrames)
        value *= age / lfo.fadeInFrames;
    return value;
}

uint32_t lfoIncrement(float frequency, float hzToPhaseInc)
{
    return static_cast<uint32_t>(std::nearbyint(limitedIncrement(frequency, hzToPhaseInc)));
}

uint32_t idleLfoIncrement(float frequency, float hzToPhaseInc)
{
    return static_cast<uint32_t>(limitedIncrement(frequency, hzToPhaseInc));
}
