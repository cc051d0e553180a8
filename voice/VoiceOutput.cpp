#include "VoiceOutput.h"

#include "Conversions.h"

float spreadPosition(int32_t voicesPerNote, int32_t layer, float spread)
{
    const int32_t half = voicesPerNote / 2;
    if (voicesPerNote % 2 != 0)
        return spread * static_cast<float>(layer - half);
    if (layer < half)
        return spread * static_cast<float>(layer + 1) / static_cast<float>(half);
    return spread * static_cast<float>(-1 - (layer - half)) / static_cast<float>(half);
}

VoiceGains voiceGains(const VoiceOutputInputs& inputs, int32_t layer)
{
    const int32_t voices = clampTo<int32_t>(inputs.voicesPerNote, 1, 8);
    const float spread = clampTo(inputs.spread, 0.0f, 1.0f);
    const float volume = inputs.volumeSum < -1.0f ? -1.0f : inputs.volumeSum;
    const float gain = 0.2f * inputs.levelFactor * inputs.ampFactor * (1.0f + volume) * (1.0f + volume);
    const float pan = clampTo(spreadPosition(voices, layer, spread) + inputs.panSum, -1.0f, 1.0f);
    VoiceGains gains;
    gains.left = pan > 0.0f ? gain * (1.0f - pan) : gain;
    gains.right = pan < 0.0f ? gain * (1.0f + pan) : gain;
    if (inputs.layerSilenced)
        gains.left = gains.right = 0.0f;
    gains.fxShare = clampTo(inputs.fxShare, 0.0f, 1.0f);
    return gains;
}

namespace {

// Gains ramp in closed form (start + step * frame) and the amplifier levels
// come in a buffer (one level for the whole call while it sustains), so no
// value carries from frame to frame and the compiler can run the loop four
// frames at a time. kAllWet: the FX share stays at 1 over the call (the
// default), so the dry bus would only receive zeros and is left alone.
template <bool kSteady, bool kAllWet>
void mixLoop(const float* __restrict voice, const float* __restrict levels, int32_t frames, const VoiceGains& from,
             const VoiceGains& step, float* const* fxBus, float* const* dryBus)
{
    // The four bus channels, the voice buffer and the levels never overlap.
    float* __restrict fxLeft = fxBus[0];
    float* __restrict fxRight = fxBus[1];
    float* __restrict dryLeft = dryBus[0];
    float* __restrict dryRight = dryBus[1];
    for (int32_t i = 0; i < frames; ++i) {
        // The call's last frame lands on the new gains.
        const float t = static_cast<float>(i + 1);
        const float y = levels[kSteady ? 0 : i] * voice[i];
        const float wet = kAllWet ? y : (from.fxShare + step.fxShare * t) * y;
        const float left = from.left + step.left * t;
        const float right = from.right + step.right * t;
        fxLeft[i] += left * wet;
        fxRight[i] += right * wet;
        if constexpr (!kAllWet) {
            const float dry = y - wet;
            dryLeft[i] += left * dry;
            dryRight[i] += right * dry;
        }
    }
}

template <bool kSteady>
void mixFrames(const float* voice, const float* levels, int32_t frames, const VoiceGains& from,
               const VoiceGains& step, float* const* fxBus, float* const* dryBus)
{
    if (from.fxShare == 1.0f && step.fxShare == 0.0f)
        mixLoop<kSteady, true>(voice, levels, frames, from, step, fxBus, dryBus);
    else
        mixLoop<kSteady, false>(voice, levels, frames, from, step, fxBus, dryBus);
}

} // namespace

void mixVoice(const float* voice, int32_t frames, const VoiceGains& gains, AmpEnvelope& amp, const Spike& spike,
              VoiceSlot& slot, float* const* fxBus, float* const* dryBus)
{
    VoiceGains from = gains;
    // The gains may legitimately go negative (LFO 3 * Amp); the FX share,
    // always 0..1, is the one that tells whether the end points were set.
    if (slot.prevFxShare >= 0.0f)
        from = {slot.prevGainL, slot.prevGainR, slot.prevFxShare};
    const float perFrame = 1.0f / static_cast<float>(frames);
    const VoiceGains step{(gains.left - from.left) * perFrame, (gains.right - from.right) * perFrame,
                          (gains.fxShare - from.fxShare) * perFrame};
    if (amp.sustaining() && !spike.activeFrom(slot.age)) {
        const float level = amp.current();
        mixFrames<true>(voice, &level, frames, from, step, fxBus, dryBus);
    } else {
        float levels[kMaxSliceFrames];
        amp.run(levels, frames, slot.age);
        spike.addTo(levels, frames, slot.age);
        mixFrames<false>(voice, levels, frames, from, step, fxBus, dryBus);
    }
    slot.age += static_cast<uint32_t>(frames);
    slot.prevGainL = gains.left;
    slot.prevGainR = gains.right;
    slot.prevFxShare = gains.fxShare;
}
