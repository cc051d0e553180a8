#include "FilterTestSupport.h"

#include <algorithm>
#include <cmath>

namespace {

double cutoffFrequency(int32_t i) { return 22000.0 * std::pow(2200.0, (i - 2048) / 2048.0); }

double rms(const std::vector<float>& v, size_t from)
{
    double sum = 0.0;
    for (size_t i = from; i < v.size(); ++i)
        sum += static_cast<double>(v[i]) * v[i];
    return std::sqrt(sum / static_cast<double>(v.size() - from));
}

} // namespace

TestTables::TestTables(double sampleRate)
    : rate(sampleRate), svf(2254), ladder(2254), comb(2049), saturation(4097)
{
    for (int32_t i = 0; i < 2254; ++i) {
        const double fc = cutoffFrequency(i);
        svf[i] = static_cast<float>(2.0 * std::sin(M_PI * fc / (3.0 * rate)));
        ladder[i] = static_cast<float>(0.6 * (2.0 * (1.0 - std::exp(-2.0 * M_PI * fc / rate)) - 1.0) - 0.4);
    }
    for (int32_t i = 0; i < 2049; ++i)
        comb[i] = static_cast<float>(50.0 * (rate / 44100.0) * std::pow(0.04, i / 2048.0));
    for (int32_t i = 0; i < 4097; ++i)
        saturation[i] = static_cast<float>(std::tanh(i / 256.0));
}

FilterTables TestTables::view() const
{
    const int32_t limit = rate < 44101.0 ? 2046 : (rate < 48001.0 ? 2068 : 2253);
    return {svf.data(), ladder.data(), comb.data(), saturation.data(), limit, rate,
            static_cast<float>(rate / 44100.0)};
}

float positionFor(double hz) { return static_cast<float>(1.0 + std::log(hz / 22000.0) / std::log(2200.0)); }

FilterRig::FilterRig(int32_t type, double rate) : sampleRate(rate), tables(rate)
{
    slot.voiceFilterType = type;
    slot.prevCutoff = kUnsetCutoff;
    slot.active = 1;
    params.osc1Frequency = 440.0f;
}

std::vector<float> FilterRig::process(const std::vector<float>& input, const std::vector<float>* rest)
{
    const FilterTables view = tables.view();
    std::vector<float> out(input.size());
    float voice[kMaxSliceFrames];
    float voice2[kMaxSliceFrames];
    float envelope[kMaxSliceFrames];
    float fm[kMaxSliceFrames];
    std::fill(std::begin(envelope), std::end(envelope), envelopeLevel);
    for (size_t at = 0; at < input.size(); at += kMaxSliceFrames) {
        const int32_t frames = static_cast<int32_t>(std::min<size_t>(kMaxSliceFrames, input.size() - at));
        for (int32_t t = 0; t < frames; ++t) {
            voice[t] = input[at + t];
            voice2[t] = rest ? (*rest)[at + t] : 0.0f;
            fm[t] = filterFm.empty() ? 0.0f : filterFm[at + t];
        }
        params.cutoff = beginCutoffRamp(slot, position, 0.0f, frames);
        applyPreFilterStage(slot, view, params, voice, frames);
        runFilterKernel(slot, view, params, {voice, voice2, envelope, filterFm.empty() ? nullptr : fm}, frames);
        flushFilterDenormals(slot);
        applyPostFilterStage(slot, view, params, voice, frames);
        std::copy(voice, voice + frames, out.begin() + static_cast<std::ptrdiff_t>(at));
    }
    return out;
}

std::vector<float> sine(double hz, double sampleRate, int32_t frames, float amplitude)
{
    std::vector<float> v(static_cast<size_t>(frames));
    for (int32_t i = 0; i < frames; ++i)
        v[static_cast<size_t>(i)] = amplitude * static_cast<float>(std::sin(2.0 * M_PI * hz * i / sampleRate));
    return v;
}

std::vector<float> noise(int32_t frames, uint32_t seed, float amplitude)
{
    std::vector<float> v(static_cast<size_t>(frames));
    uint32_t state = seed;
    for (float& x : v) {
        state = state * 1664525u + 1013904223u;
        x = amplitude * (static_cast<float>(state >> 8) / 8388608.0f - 1.0f);
    }
    return v;
}

double sineGain(int32_t type, double sampleRate, float position, double hz, float resonance, float offset)
{
    FilterRig rig(type, sampleRate);
    rig.position = position;
    rig.params.resonance = resonance;
    rig.params.offset = offset;
    // Long enough for the slowest corner to settle and for whole periods to
    // dominate the RMS window.
    const int32_t settle = 16384;
    const int32_t window = std::max(16384, static_cast<int32_t>(8.0 * sampleRate / hz));
    const std::vector<float> in = sine(hz, sampleRate, settle + window);
    const std::vector<float> out = rig.process(in);
    return rms(out, settle) / rms(in, settle);
}
