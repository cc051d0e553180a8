// Cost per voice-sample of each kernel family, run the way the render loop
// runs it: 64-frame slices, a moving envelope, pre- and post-stages.
#include "Filter.h"
#include "FilterTypes.h"
#include "RateTables.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <random>
#include <vector>

namespace {

// One voice's filter settings and input, as the benchmarks feed it.
struct BenchVoice {
    explicit BenchVoice(int32_t type, bool sustaining, uint32_t seed) : lfo(2049, 0.5f)
    {
        std::mt19937 random(seed);
        std::uniform_real_distribution<float> full(-1.0f, 1.0f);
        for (float& x : input)
            x = full(random);
        for (int32_t t = 0; t < kMaxSliceFrames; ++t)
            envelope[t] = sustaining ? 0.5f : 0.5f + 0.4f * std::sin(0.05f * t);
        slot.voiceFilterType = type;
        slot.prevCutoff = kUnsetCutoff;
        params.envAmount = 0.3f;
        params.resonance = 0.7f;
        params.offset = 0.4f;
        params.combModulation = 0.5f;
        params.lfo3Wave = lfo.data();
        params.lfo3Increment = 1 << 20;
        params.osc1Frequency = 220.0f;
        params.envelopeSustaining = sustaining;
    }
    // The slice's input, cutoff ramp and pre-stage: what comes before the kernel.
    void begin(const FilterTables& view)
    {
        std::copy(std::begin(input), std::end(input), voice);
        std::copy(std::begin(input), std::end(input), voice2);
        params.cutoff = beginCutoffRamp(slot, 0.55f, 0.0f, kMaxSliceFrames);
        applyPreFilterStage(slot, view, params, voice, kMaxSliceFrames);
    }
    void finish(const FilterTables& view)
    {
        flushFilterDenormals(slot);
        applyPostFilterStage(slot, view, params, voice, kMaxSliceFrames);
        benchmark::DoNotOptimize(voice);
    }

    std::vector<float> lfo;
    float input[kMaxSliceFrames];
    float envelope[kMaxSliceFrames];
    float voice[kMaxSliceFrames];
    float voice2[kMaxSliceFrames];
    VoiceSlot slot{};
    FilterParams params{};
};

struct BenchTables {
    BenchTables() : rateTables(std::make_unique<RateTables>()) { rateTables->rebuild(48000.0); }
    FilterTables view() const
    {
        return {rateTables->svfCoefficient.data(), rateTables->ladderTuning.data(), rateTables->combDelay.data(),
                RateTables::saturation().data(),    rateTables->cutoffIndexLimit,    48000.0,
                48000.0f / 44100.0f};
    }
    std::unique_ptr<RateTables> rateTables;
};

void runFilter(benchmark::State& state, int32_t type, bool filterFm, bool sustaining)
{
    const BenchTables tables;
    const FilterTables view = tables.view();
    float fm[kMaxSliceFrames];
    for (int32_t t = 0; t < kMaxSliceFrames; ++t)
        fm[t] = 0.1f * std::sin(0.3f * t);
    BenchVoice v(type, sustaining, 1);
    for (auto _ : state) {
        v.begin(view);
        runFilterKernel(v.slot, view, v.params, {v.voice, v.voice2, v.envelope, filterFm ? fm : nullptr},
                        kMaxSliceFrames);
        v.finish(view);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kMaxSliceFrames);
}

// A full group of voices of one filter type through the side-by-side kernel;
// items are voice-frames, so the rate compares with runFilter's.
void runGroup(benchmark::State& state, int32_t type, bool sustaining)
{
    const BenchTables tables;
    const FilterTables view = tables.view();
    std::vector<std::unique_ptr<BenchVoice>> voices;
    FilterLane lanes[kFilterLanes];
    for (int32_t l = 0; l < kFilterLanes; ++l) {
        voices.push_back(std::make_unique<BenchVoice>(type, sustaining, 1 + l));
        BenchVoice& v = *voices.back();
        lanes[l] = {&v.slot, &v.params, v.voice, v.envelope};
    }
    const FilterGroup group =
        filterGroup(voices[0]->slot, voices[0]->params, {voices[0]->voice, nullptr, voices[0]->envelope, nullptr});
    for (auto _ : state) {
        for (auto& v : voices)
            v->begin(view);
        runFilterGroup(group, lanes, kFilterLanes, view, kMaxSliceFrames);
        for (auto& v : voices)
            v->finish(view);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kMaxSliceFrames * kFilterLanes);
}

} // namespace

BENCHMARK_CAPTURE(runFilter, Lowpass12_Sustain, kLowpass12, false, true);
BENCHMARK_CAPTURE(runFilter, Lowpass12, kLowpass12, false, false);
BENCHMARK_CAPTURE(runFilter, Lowpass24, kLowpass24, false, false);
BENCHMARK_CAPTURE(runFilter, BandIntoLowpass, kBandpassIntoLowpass, false, false);
BENCHMARK_CAPTURE(runFilter, Sweep, kSweep, false, false);
BENCHMARK_CAPTURE(runFilter, Split, kSplitNotch, false, false);
BENCHMARK_CAPTURE(runFilter, Dist, kLowpass12Dist, false, false);
BENCHMARK_CAPTURE(runFilter, Bitcrush, kLowpass12Bitcrush, false, false);
BENCHMARK_CAPTURE(runFilter, Follow, kLowpass12Follow, false, false);
BENCHMARK_CAPTURE(runFilter, Ladder24, kLadder24, false, false);
BENCHMARK_CAPTURE(runFilter, Ladder24_FilterFm, kLadder24, true, false);
BENCHMARK_CAPTURE(runFilter, Ladder24Saturation, kLowpass24Saturation, false, false);
BENCHMARK_CAPTURE(runFilter, LadderIntoLowpass, kLadderIntoLowpass12, false, false);
BENCHMARK_CAPTURE(runFilter, Comb, kCombLowpass24, false, false);
BENCHMARK_CAPTURE(runGroup, Lowpass12_Sustain, kLowpass12, true);
BENCHMARK_CAPTURE(runGroup, Ladder24, kLadder24, false);
BENCHMARK_CAPTURE(runGroup, Ladder24Saturation, kLowpass24Saturation, false);
