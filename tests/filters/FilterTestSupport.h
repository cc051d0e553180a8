// Drives one voice slot's filter the way the render loop does, on tables
// built here from their defining formulas, and measures what comes out.
#pragma once

#include "Filter.h"
#include "FilterTypes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

// Cutoff position whose table index stands for hz.
inline float positionFor(double hz) { return float(1.0 + std::log(hz / 22000.0) / std::log(2200.0)); }

struct FilterRig {
    FilterRig(int32_t type, double rate) : sampleRate(rate), svf(2254), ladder(2254), comb(2049), saturation(4097)
    {
        for (int32_t i = 0; i < 2254; ++i) {
            const double fc = 22000.0 * std::pow(2200.0, (i - 2048) / 2048.0);
            svf[i] = float(2.0 * std::sin(M_PI * fc / (3.0 * rate)));
            ladder[i] = float(0.6 * (2.0 * (1.0 - std::exp(-2.0 * M_PI * fc / rate)) - 1.0) - 0.4);
        }
        for (int32_t i = 0; i < 2049; ++i)
            comb[i] = float(50.0 * (rate / 44100.0) * std::pow(0.04, i / 2048.0));
        for (int32_t i = 0; i < 4097; ++i)
            saturation[i] = float(std::tanh(i / 256.0));
        slot.voiceFilterType = type;
        slot.prevCutoff = kUnsetCutoff;
        slot.active = 1;
        params.osc1Frequency = 440.0f;
    }
    FilterTables tables() const
    {
        const int32_t limit = sampleRate < 44101.0 ? 2046 : (sampleRate < 48001.0 ? 2068 : 2253);
        return {svf.data(), ladder.data(), comb.data(), saturation.data(), limit, sampleRate, float(sampleRate / 44100.0)};
    }
    // Pre-stage, kernel, flush and post-stage in slices of at most 64 frames;
    // `rest` feeds the split types' second path. preOnly runs the pre-stage alone.
    std::vector<float> process(std::vector<float> signal, const std::vector<float>* rest = nullptr, bool preOnly = false)
    {
        const FilterTables view = tables();
        float voice2[kMaxSliceFrames], envelope[kMaxSliceFrames], fm[kMaxSliceFrames];
        std::fill(std::begin(envelope), std::end(envelope), envelopeLevel);
        for (size_t at = 0; at < signal.size(); at += kMaxSliceFrames) {
            const int32_t frames = int32_t(std::min<size_t>(kMaxSliceFrames, signal.size() - at));
            float* voice = signal.data() + at;
            for (int32_t t = 0; t < frames; ++t) {
                voice2[t] = rest ? (*rest)[at + t] : 0.0f;
                fm[t] = filterFm.empty() ? 0.0f : filterFm[at + t];
            }
            params.cutoff = beginCutoffRamp(slot, position, 0.0f, frames);
            applyPreFilterStage(slot, view, params, voice, frames);
            if (preOnly)
                continue;
            runFilterKernel(slot, view, params, {voice, voice2, envelope, filterFm.empty() ? nullptr : fm}, frames);
            flushFilterDenormals(slot);
            applyPostFilterStage(slot, view, params, voice, frames);
        }
        return signal;
    }

    double sampleRate;
    std::vector<float> svf, ladder, comb, saturation;
    VoiceSlot slot{};
    FilterParams params{};
    float position = 0.5f; // target cutoff position, held from slice to slice
    float envelopeLevel = 0.0f;
    std::vector<float> filterFm; // used when non-empty; indexed by frame of the whole run
};

inline std::vector<float> sine(double hz, double rate, int32_t frames, float amplitude = 0.25f)
{
    std::vector<float> v(static_cast<size_t>(frames));
    for (size_t i = 0; i < v.size(); ++i)
        v[i] = amplitude * float(std::sin(2.0 * M_PI * hz * double(i) / rate));
    return v;
}

inline std::vector<float> noise(int32_t frames, uint32_t seed, float amplitude = 1.0f)
{
    std::vector<float> v(static_cast<size_t>(frames));
    for (float& x : v) {
        seed = seed * 1664525u + 1013904223u;
        x = amplitude * (float(seed >> 8) / 8388608.0f - 1.0f);
    }
    return v;
}

inline double peakFrom(const std::vector<float>& v, size_t from)
{
    double p = 0.0;
    for (size_t i = from; i < v.size(); ++i)
        p = std::max(p, double(std::fabs(v[i])));
    return p;
}

inline double rms(const std::vector<float>& v, size_t from)
{
    double sum = 0.0;
    for (size_t i = from; i < v.size(); ++i)
        sum += double(v[i]) * v[i];
    return std::sqrt(sum / double(v.size() - from));
}

// Steady-state gain of a fresh rig for a sine at hz (RMS out / RMS in), long
// enough for the slowest corner to settle and whole periods to dominate.
inline double sineGain(int32_t type, double rate, float position, double hz, float resonance = 0.0f,
                       float offset = 0.0f)
{
    FilterRig rig(type, rate);
    rig.position = position;
    rig.params.resonance = resonance;
    rig.params.offset = offset;
    const int32_t settle = 16384, window = std::max(16384, int32_t(8.0 * rate / hz));
    const std::vector<float> in = sine(hz, rate, settle + window);
    return rms(rig.process(in), settle) / rms(in, settle);
}

// Both rigs give the same output, bit for bit, on the same noise.
inline void expectSameOutput(FilterRig& a, FilterRig& b, int32_t frames = 4096, uint32_t seed = 7)
{
    const std::vector<float> in = noise(frames, seed);
    const std::vector<float> x = a.process(in), y = b.process(in);
    for (size_t i = 0; i < x.size(); ++i)
        ASSERT_EQ(x[i], y[i]) << "frame " << i;
}
