// One held voice rendered in 64-frame slices, with all 24 modulation slots
// routed to it or none; and the per-voice pass alone on the same voice.
// items_per_second counts voice-samples; its inverse is the cost of one.
#include <benchmark/benchmark.h>

#include "BenchOwner.h"
#include "FactoryBank.h"
#include "ModulationMatrix.h"
#include "ModulationVocabulary.h"
#include "ParamIndex.h"
#include "Vesk.h"
#include "VoiceControls.h"

#include <cstring>

namespace {

using namespace ParamIndex;

struct Route {
    int32_t source;
    double amount;
    int32_t dest;
    int32_t voices;
};

// A busy but playable patch: every source kind and every group of destinations,
// with two MM Amount slots and a rate routing that recomputes an increment.
constexpr Route kBusyMatrix[24] = {
    {kSrcLfo1, 0.05, kDestPitchFine, 0},       {kSrcLfo1 + 1, 0.3, kDestFilterCutoff, 0},
    {kSrcVelocity, 0.2, kDestVolume, 0},       {kSrcNote, 0.1, kDestFilterKeyTrack, 0},
    {kSrcModWheel, 0.5, kDestMmAmount1, 0},    {kSrcAftertouch, 0.4, kDestOscMix, 0},
    {kSrcRandom, 0.1, kDestPan, 25},           {kSrcConst, 0.02, kDestDetune, 0},
    {kSrcLfo1Wheel, 0.2, kDestPulseWidth, 0},  {kSrcLfo1Touch + 2, 0.3, kDestLfo3Amp, 0},
    {kSrcAmpEnv, 0.1, kDestFilterEnv, 0},      {kSrcFilterEnv, 0.1, kDestRingMod, 0},
    {kSrcModEnv, 0.2, kDestFm1, 0},            {kSrcVoiceNumber, 0.05, kDestPanSpread, 0},
    {kSrcBreath, 0.3, kDestFilterReso, 0},     {kSrcFoot, 0.1, kDestNoiseLevel, 0},
    {kSrcExpression, 0.2, kDestLevelDb, 0},    {kSrcConst, 0.1, kDestLfo2Rate, 0},
    {kSrcLfo1 + 2, 0.2, kDestLfo3Pan, 0},      {kSrcPitchWheel, 0.1, kDestOsc2Fine, 0},
    {kSrcConst, 0.5, kDestMmAmount1 + 2, 0},   {kSrcArpVel, 0.1, kDestAmpSustain, 0},
    {kSrcLfo1, 0.2, kDestLfo1Pw, 0},           {kSrcConst, -0.1, kDestFxDryWet, 0},
};

struct HeldVoice {
    explicit HeldVoice(bool busy)
    {
        owner.engine = &engine;
        engine.setSampleRate(44100.0f);
        engine.setProgram(kInitProgram);
        for (int k = 0; busy && k < 24; ++k) {
            const Route& r = kBusyMatrix[k];
            owner.setParameter(kModSource + k, static_cast<float>(r.source));
            owner.setParameter(kModAmount + k, static_cast<float>((r.amount + 1.0) / 2.0));
            owner.setParameter(kModDestination + k, static_cast<float>(r.dest));
            owner.setParameter(kModVoices + k, static_cast<float>(r.voices));
        }
        engine.noteOn(48, 100, -1);
    }

    BenchOwner owner;
    Vesk engine{owner};
    float fx[2][kMaxSliceFrames], dry[2][kMaxSliceFrames];
};

void renderVoice(benchmark::State& state, bool busy)
{
    HeldVoice v(busy);
    float* fx[2] = {v.fx[0], v.fx[1]};
    float* dry[2] = {v.dry[0], v.dry[1]};
    for (auto _ : state) {
        v.engine.render(kMaxSliceFrames, fx, dry);
        benchmark::DoNotOptimize(v.fx);
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * kMaxSliceFrames);
}

void modulateOnly(benchmark::State& state, bool busy)
{
    HeldVoice v(busy);
    const VoiceSlot& voice = v.engine.voices[0];
    const ModRoutes routes = v.engine.modRoutes();
    for (auto _ : state) {
        VoiceControls c{};
        c.lfoOut[0] = 0.3f;
        c.lfoOut[1] = -0.2f;
        c.lfoOut[2] = 0.7f;
        v.engine.modulateVoice(voice, c, routes);
        benchmark::DoNotOptimize(c);
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * kMaxSliceFrames);
}

void RenderNoSlots(benchmark::State& state) { renderVoice(state, false); }
void RenderAllSlots(benchmark::State& state) { renderVoice(state, true); }
void MatrixNoSlots(benchmark::State& state) { modulateOnly(state, false); }
void MatrixAllSlots(benchmark::State& state) { modulateOnly(state, true); }

} // namespace

BENCHMARK(RenderNoSlots);
BENCHMARK(RenderAllSlots);
BENCHMARK(MatrixNoSlots);
BENCHMARK(MatrixAllSlots);
