// The value conversions shared by the engine, the effects and the display
// texts. Pure functions; sr is the sample rate in Hz.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

// lo at v = 0, hi at v = 1, exponential in between.
inline double expMap(double v, double lo, double hi) { return lo * std::pow(hi / lo, v); }
inline float expMapF(float v, float lo, float hi) { return lo * std::pow(hi / lo, v); }

// Linear gain from -range dB at v = 0 to +range dB at v = 1.
inline double dbGain(double v, double range) { return std::pow(10.0, (2.0 * v - 1.0) * range / 20.0); }

// Per-sample factor that shrinks a distance to `target` times itself in `ms`.
inline double timeCoef(double ms, double target, double sr) { return std::pow(target, 1000.0 / (ms * sr)); }

// Bilinear one-pole pairs: y = b*(x +- x1) - a*y1 style coefficients.
struct OnePoleCoefs {
    float a;
    float b;
};

// Corners at or past Nyquist (reachable with parameters beyond 0..1) would
// put the pole outside the unit circle; they stop just below it.
inline double prewarped(double f, double sr)
{
    const double corner = !(f > 0.0) ? 0.0 : (f > 0.49 * sr ? 0.49 * sr : f);
    return 2.0 * sr * std::tan(M_PI * corner / sr);
}

inline OnePoleCoefs onePoleLowpassCoefs(double f, double sr)
{
    const double w = prewarped(f, sr);
    return {static_cast<float>((w - 2.0 * sr) / (w + 2.0 * sr)), static_cast<float>(w / (w + 2.0 * sr))};
}

inline OnePoleCoefs onePoleHighpassCoefs(double f, double sr)
{
    const double w = prewarped(f, sr);
    return {static_cast<float>((w - 2.0 * sr) / (w + 2.0 * sr)), static_cast<float>(2.0 * sr / (w + 2.0 * sr))};
}

// int(x) truncating toward zero, but saturating instead of overflowing: hosts
// may send any float, and a plain cast of a huge value is undefined.
inline int32_t truncToInt(double x)
{
    if (!(x == x))
        return 0;
    if (x >= 2147483647.0)
        return std::numeric_limits<int32_t>::max();
    if (x <= -2147483648.0)
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(x);
}

template <typename T>
inline T clampTo(T x, T lo, T hi) { return x < lo ? lo : (hi < x ? hi : x); }
