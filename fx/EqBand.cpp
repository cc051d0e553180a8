#include "EqBand.h"

#include "Conversions.h"

#include <cmath>

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
    for (int32_t c = 0; c < 2; ++c) {
        float* x = io[c];
        float x1 = band.x1[c], x2 = band.x2[c], y1 = band.y1[c], y2 = band.y2[c];
        if (band.eqType == 0) {
            const Biquad p = peaking(f, q, gain, sampleRate);
            for (int32_t i = 0; i < n; ++i) {
                // Grouped so that a band at 0 dB, whose numerator equals its
                // denominator, returns its input to the last bit.
                const float y = p.b0 * x[i] + (p.b1 * (x1 - y1) + (p.b2 * x2 - p.a2 * y2));
                x2 = x1;
                x1 = x[i];
                y2 = y1;
                y1 = y;
                x[i] = y;
            }
        } else {
            const Shelf s = band.eqType == 1 ? lowShelf(f, gain, sampleRate) : highShelf(f, gain, sampleRate);
            for (int32_t i = 0; i < n; ++i) {
                const float y = s.b0 * x[i] + (s.b1 * x1 - s.a1 * y1);
                x1 = x[i];
                y1 = y;
                x[i] = y;
            }
        }
        band.x1[c] = flushed(x1);
        band.x2[c] = flushed(x2);
        band.y1[c] = flushed(y1);
        band.y2[c] = flushed(y2);
    }
}
