#include "TempoSync.h"

#include "Conversions.h"
#include "NoteLengths.h"

namespace {

constexpr double kFreeRateLowestHz = 0.1;
constexpr double kFreeRateHighestHz = 100.0;
constexpr double kTicksPerArpStep = 32.0;

double usableTempo(double bpm)
{
    return bpm > 0.0 ? clampTo(bpm, kMinTempoBpm, kMaxTempoBpm) : kDefaultTempoBpm;
}

double unitRate(float v)
{
    return v > 0.0f ? (v < 1.0f ? v : 1.0) : 0.0;
}

double freeRateHz(float rawRate)
{
    return expMap(unitRate(rawRate), kFreeRateLowestHz, kFreeRateHighestHz);
}

} // namespace

float lfoFrequency(float rawRate, bool synced, double tempoBpm)
{
    if (!synced)
        return static_cast<float>(freeRateHz(rawRate));
    // A length L lasts L/16 quarter notes, so a period takes 60 L / (16 tempo) s.
    const double length = kNoteLengths[lfoNoteLengthIndex(rawRate)].length;
    return static_cast<float>(usableTempo(tempoBpm) / (3.75 * length));
}

double arpFramesPerTick(float rawRate, bool synced, double tempoBpm, double sampleRate)
{
    if (!synced)
        return sampleRate / (kTicksPerArpStep * freeRateHz(rawRate));
    // A step of length L lasts L/128 quarter notes, 60 L / (128 tempo) s, over 32 ticks.
    const double length = kNoteLengths[arpNoteLengthIndex(rawRate)].length;
    return (15.0 / 1024.0) * length * sampleRate / usableTempo(tempoBpm);
}
