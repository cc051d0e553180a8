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

// Gains ramp in closed form (start + step * frame), so the loops carry no
// float dependency from frame to frame beyond the envelope's own.
template <bool kWithSpike>
void mixFrames(const float* voice, int32_t frames, const VoiceGains& from, const VoiceGains& step, AmpEnvelope& amp,
               const Spike& spike, uint32_t& age, float* const* fxBus, float* const* dryBus)
{
    float* fxLeft = fxBus[0];
    float* fxRight = fxBus[1];
    float* dryLeft = dryBus[0];
    float* dryRight = dryBus[1];
    uint32_t frameAge = age;
    for (int32_t i = 0; i < frames; ++i) {
        // The call's last frame lands on the new gains.
        const float t = static_cast<float>(i + 1);
        const float left = from.left + step.left * t;
        const float right = from.right + step.right * t;
        const float share = from.fxShare + step.fxShare * t;
        float level = amp.current();
        if (kWithSpike)
            level += spike.gain(frameAge);
        const float y = level * voice[i];
        const float wet = share * y;
        const float dry = y - wet;
        fxLeft[i] += left * wet;
        fxRight[i] += right * wet;
        dryLeft[i] += left * dry;
        dryRight[i] += right * dry;
        amp.step(frameAge);
        ++frameAge;
    }
    age = frameAge;
}

// A sustaining envelope keeps its level for the whole call: the common case
// of held notes, written so the compiler can vectorise it.
void mixSteady(const float* __restrict voice, int32_t frames, const VoiceGains& from, const VoiceGains& step,
               float level, float* const* fxBus, float* const* dryBus)
{
    // The four bus channels and the voice buffer never overlap.
    float* __restrict fxLeft = fxBus[0];
    float* __restrict fxRight = fxBus[1];
    float* __restrict dryLeft = dryBus[0];
    float* __restrict dryRight = dryBus[1];
    for (int32_t i = 0; i < frames; ++i) {
        const float t = static_cast<float>(i + 1);
        const float y = level * voice[i];
        const float wet = (from.fxShare + step.fxShare * t) * y;
        const float dry = y - wet;
        const float left = from.left + step.left * t;
        const float right = from.right + step.right * t;
        fxLeft[i] += left * wet;
        fxRight[i] += right * wet;
        dryLeft[i] += left * dry;
        dryRight[i] += right * dry;
    }
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
    if (spike.activeFrom(slot.age)) {
        mixFrames<true>(voice, frames, from, step, amp, spike, slot.age, fxBus, dryBus);
    } else if (amp.sustaining()) {
        mixSteady(voice, frames, from, step, amp.current(), fxBus, dryBus);
        slot.age += static_cast<uint32_t>(frames);
    } else {
        mixFrames<false>(voice, frames, from, step, amp, spike, slot.age, fxBus, dryBus);
    }
    slot.prevGainL = gains.left;
    slot.prevGainR = gains.right;
    slot.prevFxShare = gains.fxShare;
}
