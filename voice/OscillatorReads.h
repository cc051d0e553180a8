// Integer reads of the single-cycle tables (2048 entries plus a guard, so
// index + 1 never wraps) and the rounding the frame loops share.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>

#include <emmintrin.h>

#if !defined(__SSE2__) && !defined(_M_X64) && !(defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#error "the oscillator loops are written for SSE2; build 32-bit x86 with -msse2"
#endif

constexpr int32_t kTableShift = 21; // phase >> 21 = table index 0..2047

// Linear interpolation with a FracBits-bit fraction taken from just below the
// index bits. The division (not a shift) truncates toward zero, so rising and
// falling segments round alike.
template <int FracBits>
inline int32_t readTable(const int16_t* table, uint32_t phase)
{
    const uint32_t i = phase >> kTableShift;
    const int32_t f = static_cast<int32_t>((phase >> (kTableShift - FracBits)) & ((1u << FracBits) - 1));
    const int32_t a = table[i];
    return a + (table[i + 1] - a) * f / (1 << FracBits);
}

// The pulse's second read: the index of phase + offset with the fraction of
// phase, so both reads interpolate by the same amount.
template <int FracBits>
inline int32_t readTableShifted(const int16_t* table, uint32_t phase, uint32_t offset)
{
    const uint32_t i = (phase + offset) >> kTableShift;
    const int32_t f = static_cast<int32_t>((phase >> (kTableShift - FracBits)) & ((1u << FracBits) - 1));
    const int32_t a = table[i];
    return a + (table[i + 1] - a) * f / (1 << FracBits);
}

// Four reads at once, lane for lane the value readTable gives: the index from
// indexPhases, the fraction from fractionPhases (they differ for the pulse's
// second read). a + trunc((b - a) f / 2^F) is formed as one multiply-add,
// a (2^F - f) + b f, and a shift that a bias of 2^F - 1 on falling segments
// turns from flooring into truncating, so the result is bit for bit the
// division's.
template <int FracBits>
inline __m128i readTable4(const int16_t* table, __m128i indexPhases, __m128i fractionPhases)
{
    const __m128i index = _mm_srli_epi32(indexPhases, kTableShift);
    // (T[i], T[i + 1]) as one 32-bit word per lane, T[i] in the low half.
    const auto pair = [table](int i) {
        int32_t word;
        std::memcpy(&word, table + i, sizeof word);
        return word;
    };
    const __m128i pairs = _mm_set_epi32(pair(_mm_extract_epi16(index, 6)), pair(_mm_extract_epi16(index, 4)),
                                        pair(_mm_extract_epi16(index, 2)), pair(_mm_extract_epi16(index, 0)));
    const __m128i one = _mm_set1_epi32(1 << FracBits);
    const __m128i mask = _mm_set1_epi32((1 << FracBits) - 1);
    const __m128i f = _mm_and_si128(_mm_srli_epi32(fractionPhases, kTableShift - FracBits), mask);
    const __m128i weights = _mm_or_si128(_mm_sub_epi32(one, f), _mm_slli_epi32(f, 16));
    const __m128i sum = _mm_madd_epi16(pairs, weights);
    // a > b, compared in the low 16-bit half of each lane; the mask drops the high half.
    const __m128i falling = _mm_cmpgt_epi16(pairs, _mm_srli_epi32(pairs, 16));
    return _mm_srai_epi32(_mm_add_epi32(sum, _mm_and_si128(falling, mask)), FracBits);
}

// x / 1024 truncating toward zero, four lanes.
inline __m128i truncatedDiv1024(__m128i x)
{
    const __m128i bias = _mm_and_si128(_mm_srai_epi32(x, 31), _mm_set1_epi32(1023));
    return _mm_srai_epi32(_mm_add_epi32(x, bias), 10);
}

// x c, the low 32 bits (the same signed or unsigned), four lanes; SSE2 has
// only the 32 x 32 -> 64-bit multiply of lanes 0 and 2.
inline __m128i multiplyLow(__m128i x, int32_t c)
{
    const __m128i factor = _mm_set1_epi32(c);
    const __m128i even = _mm_mul_epu32(x, factor);
    const __m128i odd = _mm_mul_epu32(_mm_srli_si128(x, 4), factor);
    return _mm_unpacklo_epi32(_mm_shuffle_epi32(even, _MM_SHUFFLE(0, 0, 2, 0)),
                              _mm_shuffle_epi32(odd, _MM_SHUFFLE(0, 0, 2, 0)));
}

// (x (1024 - mu) + y mu) / 1024 truncating, four lanes; x and y on the 16-bit
// scale (interpolated reads are), weights = (1024 - mu) | mu << 16.
inline __m128i crossfade4(__m128i x, __m128i y, __m128i weights)
{
    const __m128i pairs = _mm_unpacklo_epi16(_mm_packs_epi32(x, x), _mm_packs_epi32(y, y));
    return truncatedDiv1024(_mm_madd_epi16(pairs, weights));
}

// Nearest integer, halves away from zero. Callers keep |x| far below 2^63.
inline int64_t nearestInt(float x) { return static_cast<int64_t>(x + std::copysign(0.5f, x)); }

// A frame's increment from a non-negative ramp value; the 64-bit conversion
// keeps a value that rounds up to 2^32 defined (it wraps like the phase).
inline uint32_t rampIncrement(float value) { return static_cast<uint32_t>(static_cast<int64_t>(value + 0.5f)); }

// Oscillator 2's increment under "1->2 fbk" FM: never 0, modulo 2^32 (a
// negative result runs the phase backwards).
inline uint32_t feedbackFmIncrement(float modulator, float own, float depth, float feedback, float increment)
{
    const int64_t n = nearestInt((modulator * depth + own * feedback) * increment + increment);
    return n == 0 ? 1u : static_cast<uint32_t>(n);
}
