// Measurements the suites make on rendered audio, and the test signals they
// feed into stages. Ranges are [from, from + count) and are cut at the end.
#pragma once

#include <complex>
#include <cstddef>
#include <cstdint>
#include <vector>

using Samples = std::vector<float>;

constexpr size_t kToEnd = SIZE_MAX;

// Rising zero crossings about the range's mean, interpolated between samples; 0 without two.
double frequencyOf(const Samples& x, double rate, size_t from = 0, size_t count = kToEnd);
double rmsOf(const Samples& x, size_t from = 0, size_t count = kToEnd);
// RMS of the first difference: it grows with the energy of the high partials.
double roughnessOf(const Samples& x, size_t from = 0, size_t count = kToEnd);
double peakOf(const Samples& x, size_t from = 0, size_t count = kToEnd); // infinite if any sample is not finite
double dB(double ratio); // 20 log10, floored at -600 dB
// Index of the first sample whose magnitude exceeds `level`, or -1.
int64_t firstAbove(const Samples& x, float level = 0.0f);

// Amplitude of harmonics 0..length/2 of one whole cycle (no window: the cycle
// is the period), in the table's own units.
std::vector<double> cycleHarmonics(const int16_t* cycle, size_t length = 2048);
// Highest harmonic above the floor, 0 if none.
int highestHarmonicAbove(const std::vector<double>& amplitudes, double floor);

Samples sine(double hz, double rate, size_t frames, float amplitude = 0.25f);
Samples noise(size_t frames, uint32_t seed, float amplitude = 1.0f);

// Magnitude spectrum of a power-of-two window starting at `from` (Blackman-
// Harris, scaled so a sine of amplitude a reads a at its peak).
class Spectrum {
public:
    Spectrum(const Samples& x, double rate, size_t from, size_t window);
    double binHz() const { return rate / double(windowed.size()); }
    const std::vector<double>& magnitudes() const { return magnitude; }
    // The component at exactly f, without the bins' scalloping.
    double amplitude(double f) const;
    // Largest magnitude further than guardHz from DC and from every multiple
    // of f0 below maxHz: what a signal of period 1/f0 should not hold.
    double strongestOffHarmonic(double f0, double guardHz, double maxHz = 1e300) const;

private:
    double rate, gain = 0.0;
    std::vector<double> windowed, magnitude;
};
