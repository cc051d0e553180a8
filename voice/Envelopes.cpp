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

void runModEnvelope(const EnvelopeTables& tables, const EnvelopeSettings& settings, bool pedalDown, int32_t frames,
                    VoiceSlot& slot)
{
    float level = slot.modEnvLevel;
    uint8_t stage = slot.modEnvStage;
    int32_t frame = 0;

    if (stage == kAttack) {
        const float step = tables.rampStep[envelopeTimeIndex(settings.attack)];
        while (frame < frames) {
            level += step;
            ++frame;
            if (level >= 1.0f) {
                level = 1.0f;
                stage = kDecay;
                break;
            }
        }
    }
    if (stage == kDecay) {
        float sustain = nonNegative(settings.sustain);
        if (sustain > kModSustainTop)
            sustain = kModSustainHeld;
        const float decay = tables.decayFactor[envelopeTimeIndex(settings.decay)];
        // Unrolled: a compare and a multiply per frame, less than the loop around them.
#pragma GCC unroll 4
        for (; frame < frames; ++frame) {
            if (level < sustain) {
                stage = kSustain;
                break;
            }
            level *= decay;
        }
    } else if (stage == kRelease) {
        const int32_t releaseIndex = envelopeTimeIndex(settings.release);
        if (!pedalDown && releaseIndex != kEnvelopeTimeSteps) {
            const float release = tables.decayFactor[releaseIndex];
            for (; frame < frames; ++frame)
                level *= release;
        }
    }

    slot.modEnvLevel = level < kEnvelopeFloor ? 0.0f : level;
    slot.modEnvStage = stage;
}
