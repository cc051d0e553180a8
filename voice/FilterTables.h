// The lookup tables the voice filters read, handed in by whoever owns the
// rate-dependent tables, plus the index arithmetic every kernel shares.
#pragma once

#include <cstdint>

// Cutoff position p (0..1 nominal) maps to index p * 2048; index i stands for
// 22000 * 2200^((i - 2048) / 2048) Hz: 10 Hz at 0, 22 kHz at 2048.
constexpr int32_t kCutoffSteps = 2048;
constexpr int32_t kCutoffTableSize = 2254;  // svfCoefficient and ladderTuning entries
constexpr int32_t kCombTableSize = 2049;    // combDelay entries
constexpr int32_t kSaturationSize = 4097;   // tanh(i / 256)

// Highest index the state-variable kernels may use, and the one for the comb
// and "LP24 -> LP12" kernels (whose second tables end at 2048).
constexpr int32_t kSvfIndexLimit = 2047;
constexpr int32_t kWideIndexLimit = 2048;

struct FilterTables {
    const float* svfCoefficient; // [2254] 2 sin(pi fc(i) / (3 sr))
    const float* ladderTuning;   // [2254] 1.2 (1 - exp(-2 pi fc(i) / sr)) - 1
    const float* combDelay;      // [2049] 50 (sr / 44100) 0.04^(i / 2048) samples
    const float* saturation;     // [4097] tanh(i / 256)
    int32_t cutoffIndexLimit;    // highest index of the ladder kernels at this rate
    double sampleRate;           // Hz
    float rateRatio;             // sampleRate / 44100
};

// Nearest table index of position x scaled to `limit`; NaN and anything that
// rounds below 1 give 0.
inline int32_t cutoffIndex(float x, int32_t limit)
{
    float scaled = x * static_cast<float>(kCutoffSteps);
    if (!(scaled >= 0.0f))
        scaled = 0.0f;
    const float top = static_cast<float>(limit);
    if (scaled > top)
        scaled = top;
    return static_cast<int32_t>(scaled + 0.5f);
}

// sgn(x) tanh(16 |x|): the table spans tanh(0..16) over 4096 steps, so
// |x| * 4096 is the position. The index is held at 4094 so that the upper
// neighbour of the interpolation stays inside the table.
inline float saturateLinear(const float* saturation, float x)
{
    float position = (x < 0.0f ? -x : x) * 4096.0f;
    if (!(position < 4094.0f))
        position = 4094.0f;
    const int32_t index = static_cast<int32_t>(position);
    const float fraction = position - static_cast<float>(index);
    const float value = saturation[index] + (saturation[index + 1] - saturation[index]) * fraction;
    return x < 0.0f ? -value : value;
}
