#include "EqBand.h"

#include "Conversions.h"

#include <cmath>

#include <xmmintrin.h>

namespace {

constexpr float kFlush = 1e-9f;

float flushed(float x) { return std::fabs(x) < kFlush ? 0.0f : x; }

struct Biquad {
    float b0, b1, b2, a2; // a1 equals b1 in the peaking design
};

// The bilinear transform without prewarping: the gain enters only the
// numerator, so cuts come out narrower than boosts of the same Q.
Biquad peaking(double f, double q, double gain, double sampleRate)
{
    const double k = 2.0 * sampleRate;
    const double w = 2.0 * M_PI * f;
    const double kk = k * k;
    const double ww = w * w;
    const double d = kk + k * w / q + ww;
    return {static_cast<float>((kk + k * gain * w / q + ww) / d), static_cast<float>((2.0 * ww - 2.0 * kk) / d),
            static_cast<float>((kk - k * gain * w / q + ww) / d), static_cast<float>((kk - k * w / q + ww) / d)};
}

struct Shelf {
    float b0, b1, a1;
};

Shelf lowShelf(double f, double gain, double sampleRate)
{
    const double k = 2.0 * sampleRate;
    const double w = 2.0 * M_PI * f;
    if (gain > 1.0)
        return {static_cast<float>((k + w * gain) / (w + k)), static_cast<float>((w * gain - k) / (w + k)),
                static_cast<float>((w - k) / (w + k))};
    const double wc = w / gain;
    return {static_cast<float>((k + w) / (wc + k)), static_cast<float>((w - k) / (wc + k)),
            static_cast<float>((wc - k) / (wc + k))};
}

Shelf highShelf(double f, double gain, double sampleRate)
{
    const double k = 2.0 * sampleRate;
    const double w = prewarped(f, sampleRate);
    if (gain > 1.0)
        return {static_cast<float>((w + k * gain) / (w + k)), static_cast<float>((w - k * gain) / (w + k)),
                static_cast<float>((w - k) / (w + k))};
    const double kc = k / gain;
    return {static_cast<float>((w + k) / (w + kc)), static_cast<float>((w - k) / (w + kc)),
            static_cast<float>((w - kc) / (w + kc))};
}

} // namespace

void processEq(EqBand& band, double sampleRate, int32_t n, float** io)
{
    // Values a host could send beyond the controls' ranges would put a pole
    // outside the unit circle; within them nothing changes.
    const double nyquistish = 0.49 * sampleRate;
    const double f = clampTo<double>(band.eqFreq, 1.0, nyquistish);
    const double q = clampTo<double>(band.eqQ, 0.01, 100.0);
    const double gain = clampTo<double>(band.eqGain, 1e-3, 1e3);
    // Left and right in the two low lanes of one register: one recurrence's
    // latency per frame instead of two, with the scalar arithmetic lane by lane.
    float* left = io[0];
    float* right = io[1];
    __m128 x1 = _mm_setr_ps(band.x1[0], band.x1[1], 0.0f, 0.0f);
    __m128 x2 = _mm_setr_ps(band.x2[0], band.x2[1], 0.0f, 0.0f);
    __m128 y1 = _mm_setr_ps(band.y1[0], band.y1[1], 0.0f, 0.0f);
    __m128 y2 = _mm_setr_ps(band.y2[0], band.y2[1], 0.0f, 0.0f);
    const auto frame = [&](int32_t i) { return _mm_unpacklo_ps(_mm_load_ss(left + i), _mm_load_ss(right + i)); };
    const auto store = [&](int32_t i, __m128 y) {
        _mm_store_ss(left + i, y);
        _mm_store_ss(right + i, _mm_shuffle_ps(y, y, 1));
    };
    if (band.eqType == 0) {
        const Biquad p = peaking(f, q, gain, sampleRate);
        const __m128 b0 = _mm_set1_ps(p.b0), b1 = _mm_set1_ps(p.b1), b2 = _mm_set1_ps(p.b2), a2 = _mm_set1_ps(p.a2);
        for (int32_t i = 0; i < n; ++i) {
            const __m128 x = frame(i);
            // Grouped so that a band at 0 dB, whose numerator equals its
            // denominator, returns its input to the last bit.
            const __m128 y = _mm_add_ps(_mm_mul_ps(b0, x), _mm_add_ps(_mm_mul_ps(b1, _mm_sub_ps(x1, y1)),
                                                                   _mm_sub_ps(_mm_mul_ps(b2, x2), _mm_mul_ps(a2, y2))));
            x2 = x1;
            x1 = x;
            y2 = y1;
            y1 = y;
            store(i, y);
        }
    } else {
        const Shelf sh = band.eqType == 1 ? lowShelf(f, gain, sampleRate) : highShelf(f, gain, sampleRate);
        const __m128 b0 = _mm_set1_ps(sh.b0), b1 = _mm_set1_ps(sh.b1), a1 = _mm_set1_ps(sh.a1);
        for (int32_t i = 0; i < n; ++i) {
            const __m128 x = frame(i);
            const __m128 y = _mm_add_ps(_mm_mul_ps(b0, x), _mm_sub_ps(_mm_mul_ps(b1, x1), _mm_mul_ps(a1, y1)));
            x1 = x;
            y1 = y;
            store(i, y);
        }
    }
    float state[4][4];
    _mm_storeu_ps(state[0], x1);
    _mm_storeu_ps(state[1], x2);
    _mm_storeu_ps(state[2], y1);
    _mm_storeu_ps(state[3], y2);
    for (int32_t c = 0; c < 2; ++c) {
        band.x1[c] = flushed(state[0][c]);
        band.x2[c] = flushed(state[1][c]);
        band.y1[c] = flushed(state[2][c]);
        band.y2[c] = flushed(state[3][c]);
    }
}
