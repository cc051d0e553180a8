// Integer reads of the single-cycle tables (2048 entries plus a guard, so
// index + 1 never wraps) and the rounding the frame loops share.
#pragma once

#include <cmath>
#include <cstdint>

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
