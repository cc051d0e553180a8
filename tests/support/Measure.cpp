#include "Measure.h"

#include <algorithm>
#include <cmath>

namespace {
size_t endOf(const Samples& x, size_t from, size_t count)
{
    return count == kToEnd ? x.size() : std::min(x.size(), from + count);
}

void fft(std::vector<std::complex<double>>& x)
{
    const size_t n = x.size();
    for (size_t i = 1, j = 0; i < n; ++i) {
        size_t bit = n >> 1;
        for (; j & bit; bit >>= 1)
            j ^= bit;
        j |= bit;
        if (i < j)
            std::swap(x[i], x[j]);
    }
    for (size_t len = 2; len <= n; len <<= 1) {
        const std::complex<double> step = std::polar(1.0, -2.0 * M_PI / double(len));
        for (size_t start = 0; start < n; start += len) {
            std::complex<double> w = 1.0;
            for (size_t k = 0; k < len / 2; ++k, w *= step) {
                const auto u = x[start + k], v = x[start + k + len / 2] * w;
                x[start + k] = u + v;
                x[start + k + len / 2] = u - v;
            }
        }
    }
}
} // namespace

double frequencyOf(const Samples& x, double rate, size_t from, size_t count)
{
    const size_t end = endOf(x, from, count);
    if (end <= from + 1)
        return 0.0;
    double mean = 0.0;
    for (size_t i = from; i < end; ++i)
        mean += x[i];
    mean /= double(end - from);
    double first = -1.0, last = -1.0;
    int crossings = 0;
    for (size_t i = from + 1; i < end; ++i) {
        const double a = x[i - 1] - mean, b = x[i] - mean;
        if (a < 0.0 && b >= 0.0) {
            last = double(i - 1) + a / (a - b);
            if (crossings++ == 0)
                first = last;
        }
    }
    return crossings > 1 && last > first ? (crossings - 1) * rate / (last - first) : 0.0;
}

double rmsOf(const Samples& x, size_t from, size_t count)
{
    const size_t end = endOf(x, from, count);
    double sum = 0.0;
    for (size_t i = from; i < end; ++i)
        sum += double(x[i]) * x[i];
    return end > from ? std::sqrt(sum / double(end - from)) : 0.0;
}

double roughnessOf(const Samples& x, size_t from, size_t count)
{
    const size_t end = endOf(x, from, count);
    double sum = 0.0;
    for (size_t i = from + 1; i < end; ++i)
        sum += (double(x[i]) - x[i - 1]) * (double(x[i]) - x[i - 1]);
    return end > from + 1 ? std::sqrt(sum / double(end - from - 1)) : 0.0;
}

double peakOf(const Samples& x, size_t from, size_t count)
{
    const size_t end = endOf(x, from, count);
    double peak = 0.0;
    for (size_t i = from; i < end; ++i) {
        if (!std::isfinite(x[i]))
            return HUGE_VAL; // a NaN must not hide behind a comparison
        peak = std::max(peak, std::fabs(double(x[i])));
    }
    return peak;
}

double dB(double ratio) { return 20.0 * std::log10(std::max(ratio, 1e-30)); }

int64_t firstAbove(const Samples& x, float level)
{
    for (size_t i = 0; i < x.size(); ++i)
        if (std::fabs(x[i]) > level)
            return int64_t(i);
    return -1;
}

std::vector<double> cycleHarmonics(const int16_t* cycle, size_t length)
{
    std::vector<std::complex<double>> bins(cycle, cycle + length);
    fft(bins);
    std::vector<double> amplitudes(length / 2 + 1);
    for (size_t k = 0; k <= length / 2; ++k)
        amplitudes[k] = std::abs(bins[k]) * (k == 0 ? 1.0 : 2.0) / double(length);
    return amplitudes;
}

int highestHarmonicAbove(const std::vector<double>& amplitudes, double floor)
{
    for (size_t k = amplitudes.size() - 1; k > 0; --k)
        if (amplitudes[k] > floor)
            return int(k);
    return 0;
}

Samples sine(double hz, double rate, size_t frames, float amplitude)
{
    Samples v(frames);
    for (size_t i = 0; i < frames; ++i)
        v[i] = amplitude * float(std::sin(2.0 * M_PI * hz * double(i) / rate));
    return v;
}

Samples noise(size_t frames, uint32_t seed, float amplitude)
{
    Samples v(frames);
    for (float& x : v) {
        seed = seed * 1664525u + 1013904223u;
        x = amplitude * (float(seed >> 8) / 8388608.0f - 1.0f);
    }
    return v;
}

Spectrum::Spectrum(const Samples& x, double sampleRate, size_t from, size_t window)
    : rate(sampleRate), windowed(window)
{
    for (size_t i = 0; i < window; ++i) {
        const double u = 2.0 * M_PI * double(i) / double(window);
        const double w = 0.35875 - 0.48829 * std::cos(u) + 0.14128 * std::cos(2 * u) - 0.01168 * std::cos(3 * u);
        gain += w;
        windowed[i] = w * double(from + i < x.size() ? x[from + i] : 0.0f);
    }
    std::vector<std::complex<double>> bins(windowed.begin(), windowed.end());
    fft(bins);
    for (size_t k = 0; k < window / 2; ++k)
        magnitude.push_back(2.0 * std::abs(bins[k]) / gain);
}

double Spectrum::amplitude(double f) const
{
    std::complex<double> sum = 0.0;
    const std::complex<double> step = std::polar(1.0, -2.0 * M_PI * f / rate);
    std::complex<double> turn = 1.0;
    for (size_t i = 0; i < windowed.size(); ++i, turn *= step)
        sum += windowed[i] * turn;
    return 2.0 * std::abs(sum) / gain;
}

double Spectrum::strongestOffHarmonic(double f0, double guardHz, double maxHz) const
{
    double m = 0.0;
    for (size_t k = 0; k < magnitude.size() && double(k) * binHz() < maxHz; ++k) {
        const double f = double(k) * binHz();
        if (f > guardHz && std::fabs(f - std::round(f / f0) * f0) > guardHz)
            m = std::max(m, magnitude[k]);
    }
    return m;
}
