// Items are stereo frames (voice-samples for the plain voice), in host
// blocks of 256 frames at 48 kHz on full-scale noise.
#include "BenchOwner.h"
#include "FactoryBank.h"
#include "ParamFamilies.h"
#include "VstSynth.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <utility>
#include <vector>

namespace {

using namespace ParamIndex;

constexpr int32_t kBlock = 256;
constexpr float kRate = 48000.0f;

struct Rig {
    Rig()
    {
        owner.engine = &engine;
        engine.setSampleRate(kRate);
        engine.setProgram(kInitProgram);
        std::mt19937 random(1);
        std::uniform_real_distribution<float> full(-1.0f, 1.0f);
        for (auto* channel : {&noise[0], &noise[1]}) {
            channel->resize(kBlock);
            for (float& x : *channel)
                x = full(random);
        }
    }
    void set(std::initializer_list<std::pair<int32_t, float>> settings)
    {
        for (auto [index, value] : settings)
            owner.setParameter(index, value);
    }
    BenchOwner owner;
    Vesk engine{owner};
    std::vector<float> noise[2];
    float left[kBlock] = {};
    float right[kBlock] = {};
    float dryLeft[kBlock] = {};
    float dryRight[kBlock] = {};
};

// The effects of the heavy whole-chain setting: reverb "Cathedral", ping-pong
// delay, "Chorus I", "LP+Crunch", a peaking band and a high shelf.
const std::initializer_list<std::pair<int32_t, float>> kAllSix = {
    {kReverbType, 1.0f},         {kReverbDecay, 0.7f},    {kReverbAmount, 0.5f},    {kReverbPreDelay, 0.2f},
    {kDelayType, 0.125f},        {kDelayFeedback, 0.6f},  {kDelayAmount, 0.5f},     {kDelayRateLeft, 0.45f},
    {kDelayRateRight, 0.45f},    {kPhaserType, 5.5f / 6.1f}, {kPhaserAmount, 0.6f}, {kPhaserDepth, 0.5f},
    {kPhaserRate, 0.3f},         {kDistType, 0.0f},       {kDistDrive, 0.5f},       {kDistAmount, 0.5f},
    {kDistColour, 0.6f},         {kEq1Type, 0.0f},        {kEq1Type + kEqFreqOffset, 0.5f}, {kEq1Type + kEqGainOffset, 0.7f},
    {kEq2Type, 1.0f},            {kEq2Type + kEqFreqOffset, 0.8f}, {kEq2Type + kEqGainOffset, 0.3f},
};

void runChain(benchmark::State& state, std::vector<int32_t> onSwitches, bool silent)
{
    Rig rig;
    rig.set(kAllSix);
    for (int32_t k = 0; k < 6; ++k)
        rig.set({{kPhaserOn + k, 0.0f}});
    for (int32_t on : onSwitches)
        rig.set({{on, 1.0f}});
    const int32_t order[6] = {0, 1, 2, 3, 4, 5};
    float* io[2] = {rig.left, rig.right};
    float* dry[2] = {rig.dryLeft, rig.dryRight};
    // Fresh noise for every block that an effect feeds back; an idle chain
    // is timed on its own.
    const bool refill = !silent && !onSwitches.empty();
    std::copy(rig.noise[0].begin(), rig.noise[0].end(), rig.left);
    std::copy(rig.noise[1].begin(), rig.noise[1].end(), rig.right);
    for (auto _ : state) {
        if (refill) {
            std::copy(rig.noise[0].begin(), rig.noise[0].end(), rig.left);
            std::copy(rig.noise[1].begin(), rig.noise[1].end(), rig.right);
        } else if (silent) {
            std::fill(std::begin(rig.left), std::end(rig.left), 0.0f);
            std::fill(std::begin(rig.right), std::end(rig.right), 0.0f);
            // No voice is sounding, and the engine is to know it.
            rig.engine.beginBlock(kBlock);
        }
        rig.engine.processEffects(kBlock, io, dry, order, 120.0f);
        benchmark::DoNotOptimize(rig.left);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kBlock);
}

// One note of the Init program (two saws, open 12 dB low-pass), held.
void plainVoice(benchmark::State& state)
{
    Rig rig;
    rig.engine.noteOn(60, 100, -1);
    float* fx[2] = {rig.left, rig.right};
    float* dry[2] = {rig.dryLeft, rig.dryRight};
    for (auto _ : state) {
        rig.engine.beginBlock(kBlock);
        for (int32_t start = 0; start < kBlock; start += kMaxSliceFrames) {
            float* fxSlice[2] = {fx[0] + start, fx[1] + start};
            float* drySlice[2] = {dry[0] + start, dry[1] + start};
            rig.engine.render(kMaxSliceFrames, fxSlice, drySlice);
        }
        rig.engine.endBlock();
        benchmark::DoNotOptimize(rig.left);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kBlock);
}

VstIntPtr VSTCALLBACK quietHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float)
{
    return opcode == audioMasterVersion ? kVstVersion : 0;
}

// A whole instance with nothing to play, through the plug-in's process call:
// no notes, the heavy chain's reverb switched on and asleep, the other
// effects off. "core%" is its share of one core at 48 kHz.
void idleInstance(benchmark::State& state)
{
    auto synth = std::make_unique<VstSynth>(quietHost);
    synth->setSampleRate(kRate);
    synth->setBlockSize(kBlock);
    synth->setProgram(kInitProgram);
    for (auto [index, value] : kAllSix)
        synth->setParameter(index, value);
    for (int32_t k = 0; k < 6; ++k)
        synth->setParameter(kPhaserOn + k, k == 2 ? 1.0f : 0.0f);
    synth->resume();
    float left[kBlock], right[kBlock];
    float* outputs[2] = {left, right};
    for (auto _ : state) {
        synth->processReplacing(nullptr, outputs, kBlock);
        benchmark::DoNotOptimize(left);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kBlock);
    state.counters["core%"] = benchmark::Counter(static_cast<double>(state.iterations()) * kBlock / kRate / 100.0,
                                                 benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

} // namespace

BENCHMARK(plainVoice);
BENCHMARK_CAPTURE(runChain, Distortion, {kPhaserOn + 3}, false);
BENCHMARK_CAPTURE(runChain, EqBoth, {kPhaserOn + 4, kPhaserOn + 5}, false);
BENCHMARK_CAPTURE(runChain, Chorus, {kPhaserOn}, false);
BENCHMARK_CAPTURE(runChain, PingPongDelay, {kPhaserOn + 1}, false);
BENCHMARK_CAPTURE(runChain, ReverbCathedral, {kPhaserOn + 2}, false);
BENCHMARK_CAPTURE(runChain, AllSix, {kPhaserOn, kPhaserOn + 1, kPhaserOn + 2, kPhaserOn + 3, kPhaserOn + 4, kPhaserOn + 5},
                  false);
BENCHMARK_CAPTURE(runChain, AllOff, {}, true);
BENCHMARK_CAPTURE(runChain, ReverbAsleep, {kPhaserOn + 2}, true);
BENCHMARK(idleInstance);
