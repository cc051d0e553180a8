#include "OscillatorHarness.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstring>

namespace osctest {

PitchTable::PitchTable(double rate)
    : sampleRate(rate), hzToPhaseInc(static_cast<float>(4294967296.0 / rate)), hz(23040)
{
    for (size_t p = 0; p < hz.size(); ++p)
        hz[p] = static_cast<float>(1.021974609375 * std::pow(2.0, double(p) / 1536.0));
}

double incrementHz(double increment, double sampleRate) { return increment * sampleRate / 4294967296.0; }

OscillatorRig::OscillatorRig(double sampleRate, int32_t note) : table(sampleRate)
{
    std::memset(&slot, 0, sizeof slot);
    startNote(note);
}

void OscillatorRig::startNote(int32_t note)
{
    slot.active = 1;
    slot.pitch = static_cast<float>(note * 128);
    slot.note = static_cast<int8_t>(note);
    slot.age = 0;
    slot.osc2Done = false;
    slot.prevInc1 = slot.prevInc2 = kUnsetRamp;
    slot.prevMix = slot.prevFmDepth = slot.prevRingMod = kUnsetRamp;
    slot.prevOsc3Level = kUnsetOsc3Level;
    std::fill(std::begin(slot.syncRing), std::end(slot.syncRing), 0.0f);
}

OscillatorInputs OscillatorRig::inputs() const
{
    OscillatorInputs in = startingOscillatorInputs(params, pulseWidth, fmRamp, bendOffset);
    if (modulate)
        modulate(in);
    return in;
}

OscillatorSlice OscillatorRig::peekSlice() const
{
    VoiceSlot copy = slot;
    return prepareOscillators(params, inputs(), table.rates(), copy, callFrames, split);
}

void OscillatorRig::renderSplit(int32_t frames, std::vector<float>& first, std::vector<float>& second)
{
    first.assign(size_t(frames), 0.0f);
    second.assign(size_t(frames), 0.0f);
    filterFmOut.assign(size_t(frames), 0.0f);
    for (int32_t done = 0; done < frames;) {
        const int32_t n = std::min(callFrames, frames - done);
        const OscillatorSlice s = prepareOscillators(params, inputs(), table.rates(), slot, n, split);
        renderOscillators(s, slot, noiseGenerator, first.data() + done, second.data() + done,
                          filterFmOut.data() + done);
        slot.age += uint32_t(n);
        done += n;
    }
}

std::vector<float> OscillatorRig::render(int32_t frames)
{
    std::vector<float> out, unused;
    renderSplit(frames, out, unused);
    return out;
}

double frequencyOf(const std::vector<float>& x, double sampleRate)
{
    double mean = 0.0;
    for (float v : x)
        mean += v;
    mean /= double(x.size());
    double first = -1.0, last = -1.0;
    int crossings = 0;
    for (size_t i = 1; i < x.size(); ++i) {
        const double a = x[i - 1] - mean, b = x[i] - mean;
        if (a < 0.0 && b >= 0.0) {
            const double t = double(i - 1) + a / (a - b);
            if (first < 0.0)
                first = t;
            last = t;
            ++crossings;
        }
    }
    return crossings < 2 ? 0.0 : (crossings - 1) * sampleRate / (last - first);
}

double rms(const std::vector<float>& x, size_t from)
{
    double sum = 0.0;
    for (size_t i = from; i < x.size(); ++i)
        sum += double(x[i]) * x[i];
    return std::sqrt(sum / double(x.size() - from));
}

double peak(const std::vector<float>& x, size_t from)
{
    double p = 0.0;
    for (size_t i = from; i < x.size(); ++i)
        p = std::max(p, std::fabs(double(x[i])));
    return p;
}

namespace {

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

Spectrum::Spectrum(const std::vector<float>& signal, size_t from, size_t length, double sampleRate)
    : binHz(sampleRate / double(length)), windowed(length), sampleRate(sampleRate)
{
    for (size_t i = 0; i < length; ++i) {
        const double u = 2.0 * M_PI * double(i) / double(length);
        const double w = 0.35875 - 0.48829 * std::cos(u) + 0.14128 * std::cos(2 * u) - 0.01168 * std::cos(3 * u);
        windowGain += w;
        windowed[i] = w * double(signal[from + i]);
    }
    std::vector<std::complex<double>> x(windowed.begin(), windowed.end());
    fft(x);
    magnitude.resize(length / 2);
    for (size_t k = 0; k < magnitude.size(); ++k)
        magnitude[k] = 2.0 * std::abs(x[k]) / windowGain;
}

double Spectrum::amplitude(double f) const
{
    std::complex<double> sum = 0.0;
    for (size_t i = 0; i < windowed.size(); ++i)
        sum += windowed[i] * std::polar(1.0, -2.0 * M_PI * f * double(i) / sampleRate);
    return 2.0 * std::abs(sum) / windowGain;
}

double Spectrum::peakNear(double f, double halfWidthHz) const
{
    const double width = std::max(halfWidthHz, binHz);
    const long lo = std::max(0L, long(std::floor((f - width) / binHz)));
    const long hi = std::min(long(magnitude.size()) - 1, long(std::ceil((f + width) / binHz)));
    double m = 0.0;
    for (long k = lo; k <= hi; ++k)
        m = std::max(m, magnitude[size_t(k)]);
    return m;
}

namespace {

bool offHarmonic(double f, double f0, double guardHz)
{
    return f > guardHz && std::fabs(f - std::round(f / f0) * f0) > guardHz;
}

} // namespace

double Spectrum::strongestOffHarmonic(double f0, double guardHz, double maxHz) const
{
    double m = 0.0;
    for (size_t k = 0; k < magnitude.size() && double(k) * binHz < maxHz; ++k) {
        if (offHarmonic(double(k) * binHz, f0, guardHz))
            m = std::max(m, magnitude[k]);
    }
    return m;
}

double Spectrum::offHarmonicPowerDb(double f0, double guardHz) const
{
    double off = 0.0, all = 0.0;
    for (size_t k = 1; k < magnitude.size(); ++k) {
        const double p = magnitude[k] * magnitude[k];
        all += p;
        if (offHarmonic(double(k) * binHz, f0, guardHz))
            off += p;
    }
    return 10.0 * std::log10(std::max(off, 1e-300) / all);
}

double Spectrum::strongest() const { return *std::max_element(magnitude.begin(), magnitude.end()); }

double db(double ratio) { return 20.0 * std::log10(std::max(ratio, 1e-30)); }

} // namespace osctest
