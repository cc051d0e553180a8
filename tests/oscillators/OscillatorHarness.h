// A voice's oscillator stage driven the way the render loop drives it, and
// the measurements the oscillator tests make on what it writes.
#pragma once

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstring>
#include <functional>
#include <vector>

#include "Oscillators.h"

namespace osctest {

constexpr double kRate = 44100.0;
constexpr size_t kSettle = 4096, kWindow = 65536;
constexpr int32_t kFrames = int32_t(kSettle + kWindow);

inline double incrementHz(double increment, double rate) { return increment * rate / 4294967296.0; }
inline double pitchRatio(double units) { return std::pow(2.0, units / 1536.0); } // 1/128 semitone
inline double db(double ratio) { return 20.0 * std::log10(std::max(ratio, 1e-30)); }

// One voice slot, rendered in 64-frame calls with inputs rebuilt per call as
// the modulation matrix would; the pitch table is built from its rule.
struct OscillatorRig {
    explicit OscillatorRig(double rate = kRate, int32_t note = 69) : sampleRate(rate), hz(23040)
    {
        for (size_t p = 0; p < hz.size(); ++p)
            hz[p] = float(1.021974609375 * std::pow(2.0, double(p) / 1536.0));
        std::memset(&slot, 0, sizeof slot);
        startNote(note);
    }
    // The fields note-on resets that the stage reads.
    void startNote(int32_t note)
    {
        slot.active = 1;
        slot.pitch = float(note * 128);
        slot.note = int8_t(note);
        slot.age = 0;
        slot.osc2Done = false;
        slot.prevInc1 = slot.prevInc2 = slot.prevMix = slot.prevFmDepth = slot.prevRingMod = kUnsetRamp;
        slot.prevOsc3Level = kUnsetOsc3Level;
        std::fill(std::begin(slot.syncRing), std::end(slot.syncRing), 0.0f);
    }
    OscillatorInputs inputs() const
    {
        OscillatorInputs in = startingOscillatorInputs(params, pulseWidth, 0.0f, 0);
        if (modulate)
            modulate(in);
        return in;
    }
    OscillatorRates rates() const { return {hz.data(), float(4294967296.0 / sampleRate), sampleRate}; }
    // What the next call would prepare, from a copy of the slot.
    OscillatorSlice peekSlice() const
    {
        VoiceSlot copy = slot;
        return prepareOscillators(params, inputs(), rates(), copy, kMaxSliceFrames, split);
    }
    double oscHz(int osc) const { return incrementHz(std::lround(peekSlice().increment[osc].value), sampleRate); }
    // `second` receives the split types' second output.
    std::vector<float> render(int32_t frames, std::vector<float>* second = nullptr)
    {
        std::vector<float> out(static_cast<size_t>(frames)), unused;
        std::vector<float>& rest = second ? *second : unused;
        rest.assign(size_t(frames), 0.0f);
        filterFm.assign(size_t(frames), 0.0f);
        for (int32_t done = 0; done < frames;) {
            const int32_t n = std::min(kMaxSliceFrames, frames - done);
            const OscillatorSlice s = prepareOscillators(params, inputs(), rates(), slot, n, split);
            renderOscillators(s, slot, noiseGenerator, &out[size_t(done)], &rest[size_t(done)], &filterFm[size_t(done)]);
            slot.age += uint32_t(n);
            done += n;
        }
        return out;
    }

    double sampleRate;
    std::vector<float> hz;
    OscillatorParameters params;
    std::function<void(OscillatorInputs&)> modulate;
    float pulseWidth = 0.5f; // the pulse-width ramp's value
    bool split = false;
    uint32_t noiseGenerator = 12345;
    VoiceSlot slot;
    std::vector<float> filterFm; // of the last render()
};

// Frequency from rising zero crossings, interpolated between frames.
inline double frequencyOf(const std::vector<float>& x, double rate = kRate)
{
    double mean = 0.0, first = -1.0, last = -1.0;
    for (float v : x)
        mean += v / double(x.size());
    int crossings = 0;
    for (size_t i = 1; i < x.size(); ++i) {
        const double a = x[i - 1] - mean, b = x[i] - mean;
        if (a < 0.0 && b >= 0.0) {
            last = double(i - 1) + a / (a - b);
            first = crossings++ ? first : last;
        }
    }
    return crossings < 2 ? 0.0 : (crossings - 1) * rate / (last - first);
}

inline double peak(const std::vector<float>& x, size_t from = 0, size_t to = SIZE_MAX)
{
    double p = 0.0;
    for (size_t i = from; i < std::min(to, x.size()); ++i)
        p = std::max(p, std::fabs(double(x[i])));
    return p;
}

inline double rms(const std::vector<float>& x, size_t from = 0)
{
    double sum = 0.0;
    for (size_t i = from; i < x.size(); ++i)
        sum += double(x[i]) * x[i];
    return std::sqrt(sum / double(x.size() - from));
}

// Magnitude spectrum of kWindow frames after kSettle (Blackman-Harris window,
// normalised so a sine of amplitude a shows a at its peak).
struct Spectrum {
    explicit Spectrum(const std::vector<float>& signal, double rate = kRate)
        : binHz(rate / double(kWindow)), rate(rate), windowed(kWindow)
    {
        for (size_t i = 0; i < kWindow; ++i) {
            const double u = 2.0 * M_PI * double(i) / double(kWindow);
            const double w = 0.35875 - 0.48829 * std::cos(u) + 0.14128 * std::cos(2 * u) - 0.01168 * std::cos(3 * u);
            gain += w;
            windowed[i] = w * double(signal[kSettle + i]);
        }
        std::vector<std::complex<double>> x(windowed.begin(), windowed.end());
        for (size_t i = 1, j = 0; i < kWindow; ++i) { // radix-2, in place
            size_t bit = kWindow >> 1;
            for (; j & bit; bit >>= 1)
                j ^= bit;
            j |= bit;
            if (i < j)
                std::swap(x[i], x[j]);
        }
        for (size_t len = 2; len <= kWindow; len <<= 1) {
            const std::complex<double> step = std::polar(1.0, -2.0 * M_PI / double(len));
            for (size_t start = 0; start < kWindow; start += len) {
                std::complex<double> w = 1.0;
                for (size_t k = 0; k < len / 2; ++k, w *= step) {
                    const auto u = x[start + k], v = x[start + k + len / 2] * w;
                    x[start + k] = u + v;
                    x[start + k + len / 2] = u - v;
                }
            }
        }
        for (size_t k = 0; k < kWindow / 2; ++k)
            magnitude.push_back(2.0 * std::abs(x[k]) / gain);
    }
    // Amplitude of a component at exactly f (no bin scalloping).
    double amplitude(double f) const
    {
        std::complex<double> sum = 0.0;
        for (size_t i = 0; i < kWindow; ++i)
            sum += windowed[i] * std::polar(1.0, -2.0 * M_PI * f * double(i) / rate);
        return 2.0 * std::abs(sum) / gain;
    }
    bool offHarmonic(size_t k, double f0, double guardHz) const
    {
        const double f = double(k) * binHz;
        return f > guardHz && std::fabs(f - std::round(f / f0) * f0) > guardHz;
    }
    // Largest magnitude at least guardHz from DC and every multiple of f0
    // below maxHz: what a signal with period 1/f0 should not hold.
    double strongestOffHarmonic(double f0, double guardHz, double maxHz = 1e300) const
    {
        double m = 0.0;
        for (size_t k = 0; k < magnitude.size() && double(k) * binHz < maxHz; ++k)
            m = offHarmonic(k, f0, guardHz) ? std::max(m, magnitude[k]) : m;
        return m;
    }
    double strongest() const { return *std::max_element(magnitude.begin(), magnitude.end()); }

    double binHz, rate, gain = 0.0;
    std::vector<double> windowed, magnitude;
};

} // namespace osctest
