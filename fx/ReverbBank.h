// The inner loops of the reverb's recirculating bank and early reflections,
// kept apart so that they can also be built for AVX and chosen at run time. Both builds do the same
// arithmetic lane by lane in the same order, so they give the same result to
// the bit.
#pragma once

#include <cstdint>

constexpr int32_t kReverbChunk = 256;     // frames the reverb takes at once
constexpr int32_t kReverbBankLines = 64;

// One block's copy of the lines that run: stores into the pool cannot alias
// it, and the loop keeps it in registers and cache.
struct ReverbBankLines {
    float* base[kReverbBankLines];
    int32_t index[kReverbBankLines];
    int32_t length[kReverbBankLines];
    float state[kReverbBankLines];
    float gain[kReverbBankLines];
    float outL[kReverbBankLines];
    float outR[kReverbBankLines];
    int32_t count;            // a multiple of 8
    bool evenLinesNegative;   // which of each pair of neighbours writes back negated
};

// c samples of every line: each line's state follows keep * state + gain *
// (its oldest sample), is written back as late - state (negated on every other line), and is
// weighed into sum[0] and sum[1].
void runReverbBank(ReverbBankLines& lines, const float* late, float (*sum)[kReverbChunk], int32_t c, float keep);

// The AVX build of the same loop, for machines that have it.
void runReverbBankAvx(ReverbBankLines& lines, const float* late, float (*sum)[kReverbChunk], int32_t c, float keep);

// to[s] += from[k][s] * gain[k] over s < c for taps k < count, in that order.
void addReverbTaps(const float* const* from, const float* gain, int32_t count, float* to, int32_t c);
void addReverbTapsAvx(const float* const* from, const float* gain, int32_t count, float* to, int32_t c);
