// Drives one voice slot's filter the way the render loop does, on the tables
// the engine ships, and measures what comes out.
#pragma once

#include "Filter.h"
#include "FilterTypes.h"
#include "Measure.h"
#include "RateTables.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <memory>
#include <vector>

// Cutoff position whose table index stands for hz.
inline float positionFor(double hz) { return float(1.0 + std::log(hz / 22000.0) / std::log(2200.0)); }

// Building every table of a rate costs more than a filter run, and the
// stability sweep makes a rig per cutoff index: rigs at one rate share them.
inline std::shared_ptr<const RateTables> sharedTablesAt(double rate)
{
    static std::map<double, std::shared_ptr<const RateTables>> built;
    std::shared_ptr<const RateTables>& tables = built[rate];
    if (!tables) {
        auto fresh = std::make_shared<RateTables>();
        fresh->rebuild(rate);
        tables = std::move(fresh);
    }
    return tables;
}

struct FilterRig {
    FilterRig(int32_t type, double rate) : sampleRate(rate), rates(sharedTablesAt(rate))
    {
        slot.voiceFilterType = type;
        slot.prevCutoff = kUnsetCutoff;
        slot.active = 1;
        params.osc1Frequency = 440.0f;
    }
    FilterTables tables() const
    {
        return {rates->svfCoefficient.data(), rates->ladderTuning.data(), rates->combDelay.data(),
                RateTables::saturation().data(), rates->cutoffIndexLimit, sampleRate, float(sampleRate / 44100.0)};
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
    std::shared_ptr<const RateTables> rates;
    VoiceSlot slot{};
    FilterParams params{};
    float position = 0.5f; // target cutoff position, held from slice to slice
    float envelopeLevel = 0.0f;
    std::vector<float> filterFm; // used when non-empty; indexed by frame of the whole run
};

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
    return rmsOf(rig.process(in), settle) / rmsOf(in, settle);
}

// Both rigs give the same output, bit for bit, on the same noise.
inline void expectSameOutput(FilterRig& a, FilterRig& b, int32_t frames = 4096, uint32_t seed = 7)
{
    const std::vector<float> in = noise(frames, seed);
    const std::vector<float> x = a.process(in), y = b.process(in);
    for (size_t i = 0; i < x.size(); ++i)
        ASSERT_EQ(x[i], y[i]) << "frame " << i;
}
