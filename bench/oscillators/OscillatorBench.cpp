// Cost of the oscillator stage per voice-sample: one voice rendered in
// 64-frame calls, each call preparing its slice as the render loop does.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "Oscillators.h"

namespace {

constexpr double kRate = 44100.0;

struct Voice {
    Voice()
    {
        for (size_t p = 0; p < pitch.size(); ++p)
            pitch[p] = static_cast<float>(1.021974609375 * std::pow(2.0, double(p) / 1536.0));
        std::memset(&slot, 0, sizeof slot);
        slot.active = 1;
        slot.pitch = 60 * 128;
        slot.prevInc1 = slot.prevInc2 = kUnsetRamp;
        slot.prevMix = slot.prevFmDepth = slot.prevRingMod = kUnsetRamp;
        slot.prevOsc3Level = kUnsetOsc3Level;
        params.oscMix = 0.5f;
        params.coarse[1] = 7;
    }

    void run(benchmark::State& state)
    {
        const OscillatorRates rates{pitch.data(), static_cast<float>(4294967296.0 / kRate), kRate};
        for (auto _ : state) {
            const OscillatorInputs in = startingOscillatorInputs(params, 0.5f, 0.0f, 0);
            const OscillatorSlice s = prepareOscillators(params, in, rates, slot, kMaxSliceFrames, false);
            renderOscillators(s, slot, noise, voice, second, filterFm);
            slot.age += kMaxSliceFrames;
            benchmark::DoNotOptimize(voice);
        }
        // items_per_second counts voice-samples; its inverse is the cost of one.
        state.SetItemsProcessed(int64_t(state.iterations()) * kMaxSliceFrames);
    }

    std::vector<float> pitch = std::vector<float>(23040);
    OscillatorParameters params;
    VoiceSlot slot;
    uint32_t noise = 1;
    float voice[kMaxSliceFrames], second[kMaxSliceFrames], filterFm[kMaxSliceFrames];
};

void TwoSaws(benchmark::State& state)
{
    Voice v;
    v.run(state);
}

void FatStackedSaws(benchmark::State& state)
{
    Voice v;
    v.params.fatAmount[0] = v.params.fatAmount[1] = 128;
    v.params.fatFactor[0] = v.params.fatFactor[1] = 1.005f;
    v.run(state);
}

void SyncedSaws(benchmark::State& state)
{
    Voice v;
    v.params.oscSync = true;
    v.params.coarse[1] = 19;
    v.run(state);
}

void EverythingOn(benchmark::State& state)
{
    Voice v;
    v.params.shape[0] = kOscPulse;
    v.params.shape[1] = kOscWavetable;
    v.params.fatAmount[0] = v.params.fatAmount[1] = 64;
    v.params.subLevel = 0.5f;
    v.params.noiseLevel = 0.2f;
    v.params.ringMod = 0.3f;
    v.params.fmFeedback = 0.2f;
    v.run(state);
}

} // namespace

BENCHMARK(TwoSaws);
BENCHMARK(FatStackedSaws);
BENCHMARK(SyncedSaws);
BENCHMARK(EverythingOn);
