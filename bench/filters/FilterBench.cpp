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

void runFilter(benchmark::State& state, int32_t type, bool filterFm, bool sustaining)
{
    auto rateTables = std::make_unique<RateTables>();
    rateTables->rebuild(48000.0);
    const FilterTables view{rateTables->svfCoefficient.data(), rateTables->ladderTuning.data(),
                            rateTables->combDelay.data(), RateTables::saturation().data(),
                            rateTables->cutoffIndexLimit, 48000.0, 48000.0f / 44100.0f};
    std::mt19937 random(1);
    std::uniform_real_distribution<float> full(-1.0f, 1.0f);
    std::vector<float> input(kMaxSliceFrames);
    for (float& x : input)
        x = full(random);
    const std::vector<float> lfo(2049, 0.5f);
    float envelope[kMaxSliceFrames];
    float fm[kMaxSliceFrames];
    for (int32_t t = 0; t < kMaxSliceFrames; ++t) {
        envelope[t] = sustaining ? 0.5f : 0.5f + 0.4f * std::sin(0.05f * t);
        fm[t] = 0.1f * std::sin(0.3f * t);
    }
    VoiceSlot slot{};
    slot.voiceFilterType = type;
    slot.prevCutoff = kUnsetCutoff;
    FilterParams params{};
    params.envAmount = 0.3f;
    params.resonance = 0.7f;
    params.offset = 0.4f;
    params.combModulation = 0.5f;
    params.lfo3Wave = lfo.data();
    params.lfo3Increment = 1 << 20;
    params.osc1Frequency = 220.0f;
    params.envelopeSustaining = sustaining;
    float voice[kMaxSliceFrames];
    float voice2[kMaxSliceFrames];
    for (auto _ : state) {
        std::copy(input.begin(), input.end(), voice);
        std::copy(input.begin(), input.end(), voice2);
        params.cutoff = beginCutoffRamp(slot, 0.55f, 0.0f, kMaxSliceFrames);
        applyPreFilterStage(slot, view, params, voice, kMaxSliceFrames);
        runFilterKernel(slot, view, params, {voice, voice2, envelope, filterFm ? fm : nullptr}, kMaxSliceFrames);
        flushFilterDenormals(slot);
        applyPostFilterStage(slot, view, params, voice, kMaxSliceFrames);
        benchmark::DoNotOptimize(voice);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kMaxSliceFrames);
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
