#include "Envelopes.h"

namespace {

// Sustain levels from here up would let the first decay step dip below 1.0
// before the envelope noticed it had reached its sustain; treat them as "hold
// at the top" instead.
constexpr float kModSustainTop = 0.9999f;
constexpr float kModSustainHeld = 1.00001f;

float nonNegative(double level) { return level > 0.0 ? static_cast<float>(level) : 0.0f; }

} // namespace

int32_t envelopeTimeIndex(double raw)
{
    const double scaled = raw * kEnvelopeTimeSteps;
    // Written so that NaN fails the first test and lands on index 0.
    if (!(scaled >= 0.5))
        return 0;
    if (scaled >= kEnvelopeTimeSteps)
        return kEnvelopeTimeSteps;
    return static_cast<int32_t>(scaled + 0.5);
}

EnvelopeCoefs envelopeCoefs(const EnvelopeTables& tables, const EnvelopeSettings& settings, bool pedalDown)
{
    EnvelopeCoefs coefs;
    coefs.attackFactor = tables.decayFactor[envelopeTimeIndex(settings.attack)];
    coefs.decayFactor = tables.decayFactor[envelopeTimeIndex(settings.decay)];
    coefs.releaseFactor = pedalDown ? 1.0f : tables.decayFactor[envelopeTimeIndex(settings.release)];
    coefs.sustain = nonNegative(settings.sustain);
    return coefs;
}

void applySpecialStarts(VoiceSlot& slot, const EnvelopeSettings& filter, const EnvelopeSettings& mod, bool modEnvUsed,
                        bool spikeHardRouted)
{
    if (slot.age != 0)
        return;
    if (modEnvUsed && envelopeTimeIndex(mod.attack) == 0) {
        slot.modEnvLevel = 1.0f;
        slot.modEnvStage = kDecay;
    }
    if (spikeHardRouted && envelopeTimeIndex(filter.attack) == 0) {
        slot.filterEnvLevel = 1.0f;
        slot.filterEnvStage = kDecay;
    }
}

void runModEnvelopes(const EnvelopeTables& tables, const ModEnvelopeJob* jobs, int32_t count, bool pedalDown,
                     int32_t frames)
{
    count = count < kModEnvelopeLanes ? count : kModEnvelopeLanes;
    float level[kModEnvelopeLanes], factor[kModEnvelopeLanes], stopBelow[kModEnvelopeLanes];
    int32_t start[kModEnvelopeLanes];
    uint8_t stage[kModEnvelopeLanes];
    bool falling[kModEnvelopeLanes];
    int32_t firstFall = frames;
    for (int32_t i = 0; i < count; ++i) {
        const EnvelopeSettings& settings = *jobs[i].settings;
        level[i] = jobs[i].slot->modEnvLevel;
        stage[i] = jobs[i].slot->modEnvStage;
        int32_t frame = 0;
        if (stage[i] == kAttack) {
            const float step = tables.rampStep[envelopeTimeIndex(settings.attack)];
            while (frame < frames) {
                level[i] += step;
                ++frame;
                if (level[i] >= 1.0f) {
                    level[i] = 1.0f;
                    stage[i] = kDecay;
                    break;
                }
            }
        }
        // Decay falls to the sustain level and stops there; release falls
        // through the call.
        falling[i] = false;
        if (stage[i] == kDecay) {
            float sustain = nonNegative(settings.sustain);
            if (sustain > kModSustainTop)
                sustain = kModSustainHeld;
            factor[i] = tables.decayFactor[envelopeTimeIndex(settings.decay)];
            stopBelow[i] = sustain;
            falling[i] = true;
        } else if (stage[i] == kRelease) {
            const int32_t releaseIndex = envelopeTimeIndex(settings.release);
            if (!pedalDown && releaseIndex != kEnvelopeTimeSteps) {
                factor[i] = tables.decayFactor[releaseIndex];
                stopBelow[i] = -1.0f;
                falling[i] = true;
            }
        }
        start[i] = frame;
        if (falling[i] && frame < firstFall)
            firstFall = frame;
    }

    for (int32_t frame = firstFall; frame < frames; ++frame)
        for (int32_t i = 0; i < count; ++i) {
            if (!falling[i] || frame < start[i])
                continue;
            if (level[i] < stopBelow[i]) {
                stage[i] = kSustain;
                falling[i] = false;
                continue;
            }
            level[i] *= factor[i];
        }

    for (int32_t i = 0; i < count; ++i) {
        jobs[i].slot->modEnvLevel = level[i] < kEnvelopeFloor ? 0.0f : level[i];
        jobs[i].slot->modEnvStage = stage[i];
    }
}

void runModEnvelope(const EnvelopeTables& tables, const EnvelopeSettings& settings, bool pedalDown, int32_t frames,
                    VoiceSlot& slot)
{
    const ModEnvelopeJob job{&settings, &slot};
    runModEnvelopes(tables, &job, 1, pedalDown, frames);
}
