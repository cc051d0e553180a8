// Exponential curves four samples at a time in SSE2, for the shapers that
// would otherwise call the C library once or twice per sample. Their errors
// stay near a float's own rounding (see each function), far below hearing.
#pragma once

#include <emmintrin.h>

namespace vecmath {

// 2^t, with t clamped to +-126 so that the result stays a normal float.
// Relative error below 2e-7: the exponent is taken exactly from the nearest
// whole number, the rest from a degree-6 polynomial over [-0.5, 0.5].
inline __m128 exp2(__m128 t)
{
    t = _mm_min_ps(_mm_max_ps(t, _mm_set1_ps(-126.0f)), _mm_set1_ps(126.0f));
    const __m128i whole = _mm_cvtps_epi32(t); // round to nearest
    const __m128 f = _mm_sub_ps(t, _mm_cvtepi32_ps(whole));
    __m128 p = _mm_set1_ps(1.535336188319500e-4f);
    p = _mm_add_ps(_mm_mul_ps(p, f), _mm_set1_ps(1.339887440266574e-3f));
    p = _mm_add_ps(_mm_mul_ps(p, f), _mm_set1_ps(9.618437357674640e-3f));
    p = _mm_add_ps(_mm_mul_ps(p, f), _mm_set1_ps(5.550332471162809e-2f));
    p = _mm_add_ps(_mm_mul_ps(p, f), _mm_set1_ps(2.402264791363012e-1f));
    p = _mm_add_ps(_mm_mul_ps(p, f), _mm_set1_ps(6.931472028550421e-1f));
    p = _mm_add_ps(_mm_mul_ps(p, f), _mm_set1_ps(1.0f));
    const __m128i scale = _mm_slli_epi32(_mm_add_epi32(whole, _mm_set1_epi32(127)), 23);
    return _mm_mul_ps(p, _mm_castsi128_ps(scale));
}

inline __m128 abs(__m128 x) { return _mm_and_ps(x, _mm_castsi128_ps(_mm_set1_epi32(0x7FFFFFFF))); }

inline __m128 select(__m128 mask, __m128 ifTrue, __m128 ifFalse)
{
    return _mm_or_ps(_mm_and_ps(mask, ifTrue), _mm_andnot_ps(mask, ifFalse));
}

// tanh(x), absolute error below 3e-7. Below 1/8 in magnitude an odd
// polynomial, where 1 - 2/(e^2x + 1) would lose its digits to cancellation.
inline __m128 tanh(__m128 x)
{
    const __m128 a = abs(x);
    const __m128 e = exp2(_mm_mul_ps(_mm_min_ps(a, _mm_set1_ps(9.0f)), _mm_set1_ps(2.8853900817779268f))); // e^2a
    const __m128 one = _mm_set1_ps(1.0f);
    const __m128 far = _mm_sub_ps(one, _mm_div_ps(_mm_set1_ps(2.0f), _mm_add_ps(e, one)));
    const __m128 signBit = _mm_andnot_ps(_mm_castsi128_ps(_mm_set1_epi32(0x7FFFFFFF)), x);
    const __m128 x2 = _mm_mul_ps(x, x);
    __m128 p = _mm_set1_ps(-17.0f / 315.0f);
    p = _mm_add_ps(_mm_mul_ps(p, x2), _mm_set1_ps(2.0f / 15.0f));
    p = _mm_add_ps(_mm_mul_ps(p, x2), _mm_set1_ps(-1.0f / 3.0f));
    p = _mm_add_ps(_mm_mul_ps(p, x2), one);
    const __m128 near = _mm_mul_ps(p, x);
    return select(_mm_cmplt_ps(a, _mm_set1_ps(0.125f)), near, _mm_or_ps(far, signBit));
}

} // namespace vecmath
