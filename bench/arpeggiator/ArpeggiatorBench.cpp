// What a running arpeggiator costs per 512-frame host block, against one held
// voice rendered over the same block. Time per iteration is per block.
#include <benchmark/benchmark.h>

#include "Arpeggiator.h"
#include "EngineOwner.h"
#include "FactoryBank.h"
#include "ParamIndex.h"
#include "TempoSync.h"
#include "Vesk.h"

namespace {

using namespace ParamIndex;

constexpr int32_t kBlock = 512;
constexpr double kRate = 44100.0;

class CountingSink : public ArpNoteSink {
public:
    void queueArpEvent(uint8_t, int32_t note, int32_t, uint8_t) override { count += note; }
    int64_t count = 0;
};

class BenchOwner : public EngineOwner {
public:
    double hostTempo() const override { return 120.0; }
    bool hostIsMaker() const override { return false; }
    void setParameter(int32_t index, float value) override { engine->setParameter(index, value); }
    float getParameter(int32_t) const override { return 0.0f; }
    void setEffectOrderSlot(int, int32_t) override {}
    Vesk* engine = nullptr;
};

// A busy pattern: sixteen synced "1/32" steps of notes, ties and rests over a
// held four-note chord, in the given mode.
void arpeggiate(benchmark::State& state, int32_t mode)
{
    Arpeggiator arp;
    arp.setArpMode(mode);
    arp.arpSteps = 16;
    for (int32_t k = 0; k < 16; ++k)
        arp.setStepValue(k, k % 5 == 4 ? 0.0f : (k % 7 == 6 ? 1.0f : static_cast<float>(k % 12 + 1) / 128.0f));
    for (int32_t key : {48, 52, 55, 60})
        arp.arpKeys[key] = 100;
    arp.restart();
    const double ticks = arpFramesPerTick(0.65f, true, 120.0, kRate); // "1/32"
    CountingSink sink;
    for (auto _ : state) {
        arp.beginPiece(0, kBlock, ticks);
        arp.process(0, kBlock, sink);
        benchmark::DoNotOptimize(sink.count);
    }
}

void oneVoice(benchmark::State& state)
{
    BenchOwner owner;
    auto engine = std::make_unique<Vesk>(owner);
    owner.engine = engine.get();
    engine->setSampleRate(static_cast<float>(kRate));
    engine->setProgram(kInitProgram);
    engine->noteOn(48, 100, -1);
    float fx[2][kMaxSliceFrames], dry[2][kMaxSliceFrames];
    float* fxBus[2] = {fx[0], fx[1]};
    float* dryBus[2] = {dry[0], dry[1]};
    for (auto _ : state) {
        for (int32_t done = 0; done < kBlock; done += kMaxSliceFrames)
            engine->render(kMaxSliceFrames, fxBus, dryBus);
        benchmark::DoNotOptimize(fx);
    }
}

void ArpSimple(benchmark::State& state) { arpeggiate(state, ArpModeCode::kSimple); }
void ArpChord(benchmark::State& state) { arpeggiate(state, ArpModeCode::kChord); }
void ArpDynamic(benchmark::State& state) { arpeggiate(state, ArpModeCode::kDynamic); }
void OneVoice(benchmark::State& state) { oneVoice(state); }

} // namespace

BENCHMARK(ArpSimple);
BENCHMARK(ArpChord);
BENCHMARK(ArpDynamic);
BENCHMARK(OneVoice);
