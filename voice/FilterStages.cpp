// The stages around the kernels: drive, bit reduction or the key-following
// high-pass before "LP12+Dist/Bitcrush/Follow", saturation after
// "LP24+Saturation".
#include "Filter.h"
#include "FilterTypes.h"

#include "Conversions.h"

#include <cmath>

namespace {

void drive(const FilterTables& tables, float offset, float* voice, int32_t frames)
{
    // Full scale at offset 1 goes 16 times into the tanh, at 0 a fifth of it.
    const float gamma = expMapF(offset, 0.0125f, 1.0f);
    const float* saturation = tables.saturation;
    for (int32_t t = 0; t < frames; ++t)
        voice[t] = saturateLinear(saturation, gamma * voice[t]);
}

// Adding and removing 1.5 * 2^23 leaves no mantissa bits below the unit, so
// the sum rounds to the nearest integer; exact for |v| < 2^22.
inline float roundToInteger(float v)
{
    constexpr float kRoundingBias = 12582912.0f;
    return (v + kRoundingBias) - kRoundingBias;
}

void bitcrush(float offset, float* voice, int32_t frames)
{
    // 512 levels per unit at offset 0, fewer than one at offset 1.
    const float levels = expMapF(1.0f - offset, 0.75f, 512.0f);
    const float step = 1.0f / levels;
    for (int32_t t = 0; t < frames; ++t) {
        float v = voice[t] * levels;
        v = v > 4194304.0f ? 4194304.0f : (v < -4194304.0f ? -4194304.0f : v);
        voice[t] = roundToInteger(v) * step;
    }
}

void followHighpass(VoiceSlot& slot, const FilterTables& tables, float osc1Frequency, float offset, float* voice,
                    int32_t frames)
{
    // Four octaves below to four above the played note (the pair itself keeps
    // corners below the Nyquist frequency).
    const double corner = static_cast<double>(osc1Frequency) * expMap(offset, 0.0625, 16.0);
    const OnePoleCoefs c = onePoleHighpassCoefs(corner, tables.sampleRate);
    float prev = slot.followPrev;
    float y = slot.followState;
    for (int32_t t = 0; t < frames; ++t) {
        const float x = voice[t];
        y = (x - prev) * c.b - y * c.a;
        prev = x;
        voice[t] = y;
    }
    slot.followPrev = prev;
    slot.followState = y;
}

} // namespace

void applyPreFilterStage(VoiceSlot& slot, const FilterTables& tables, const FilterParams& params, float* voice,
                         int32_t frames)
{
    const float offset = limitToUnit(params.offset);
    switch (effectiveFilterType(slot.voiceFilterType)) {
    case kLowpass12Dist:
        drive(tables, offset, voice, frames);
        break;
    case kLowpass12Bitcrush:
        bitcrush(offset, voice, frames);
        break;
    case kLowpass12Follow:
        followHighpass(slot, tables, params.osc1Frequency, offset, voice, frames);
        break;
    default:
        break;
    }
}

void applyPostFilterStage(const VoiceSlot& slot, const FilterTables& tables, const FilterParams& params,
                          float* voice, int32_t frames)
{
    if (effectiveFilterType(slot.voiceFilterType) != kLowpass24Saturation)
        return;
    // The offset is both the drive and the wet share: the plain ladder at 0.
    const float wet = limitToUnit(params.offset);
    const float gamma = expMapF(wet * 0.5f, 1.0f, 64.0f) * 0.020625f;
    const float* saturation = tables.saturation;
    // Table position in 1/4096 of an entry; held so the upper neighbour of
    // the interpolation is the table's last entry.
    constexpr float kPositionScale = 4096.0f * 4096.0f;
    constexpr float kLastPosition = static_cast<float>(((kSaturationSize - 1) << 12) - 1);

    // Short passes over the slice, so that all but the table reads run four
    // frames at a time: positions, index and fraction, the interpolated
    // reads, then the sign and the wet mix.
    float fraction[kMaxSliceFrames];
    for (int32_t t = 0; t < frames; ++t) {
        const float scaled = std::fabs(voice[t]) * gamma * kPositionScale;
        fraction[t] = scaled < kLastPosition ? scaled : kLastPosition; // NaN too
    }
    int32_t index[kMaxSliceFrames];
    for (int32_t t = 0; t < frames; ++t) {
        const int32_t position = static_cast<int32_t>(fraction[t]);
        index[t] = position >> 12;
        fraction[t] = static_cast<float>(position & 4095) * (1.0f / 4096.0f);
    }
    float shaped[kMaxSliceFrames];
    for (int32_t t = 0; t < frames; ++t) {
        const float below = saturation[index[t]];
        shaped[t] = below + (saturation[index[t] + 1] - below) * fraction[t];
    }
    for (int32_t t = 0; t < frames; ++t) {
        const float x = voice[t];
        voice[t] = x * (1.0f - wet) + (x < 0.0f ? -shaped[t] : shaped[t]) * wet;
    }
}
