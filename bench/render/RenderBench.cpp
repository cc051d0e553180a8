// Renders held chords through a plug-in's entry point, as a host would, and
// reports the real-time factor and the cost per voice-sample. Vesk and the
// peer synth run in the same process, alternating.
#include "PluginHost.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <sys/stat.h>
#include <vector>

namespace {

constexpr float kRate = 48000.0f;
constexpr int kBlock = 256;
constexpr int kBlocksPerRun = 188; // about one second

enum class Patch { Plain, Heavy };

// The heaviest sound the engine has so far: both oscillators fat-stacked,
// sub-oscillator, noise, ring modulation, a saturating ladder, eight layers.
void applyPatch(PluginHost& host, Patch patch, int voicesPerNote)
{
    host.dispatch(effSetProgram, 0, 0);
    host.setParameter(321, 1.0f); // 72 slots
    host.setParameter(77, voicesPerNote == 8 ? 1.0f : 0.0f);
    if (patch == Patch::Heavy) {
        host.setParameter(3, 1.0f);
        host.setParameter(8, 1.0f);
        host.setParameter(11, 0.5f);
        host.setParameter(14, 0.3f);
        host.setParameter(15, 0.4f);
        host.setParameter(126, 5.0f); // LP24+Saturation
        host.setParameter(28, 0.6f);
        host.setParameter(29, 0.5f);
    }
}

// Starts `voices` sounding voices: chords of notes, each note one voice (plain)
// or eight stacked layers (heavy).
std::vector<MidiMessage> chord(int notes)
{
    std::vector<MidiMessage> events;
    for (int i = 0; i < notes; ++i)
        events.push_back(MidiMessage::noteOn(0, static_cast<uint8_t>(36 + (i * 7) % 60), 100));
    return events;
}

bool moduleExists(const char* path)
{
    struct stat info;
    return stat(path, &info) == 0;
}

void renderChords(benchmark::State& state, const char* module, Patch patch, bool isVesk)
{
    const int voices = static_cast<int>(state.range(0));
    if (!moduleExists(module)) {
        state.SkipWithError("module not installed");
        return;
    }
    std::string error;
    auto host = PluginHost::load(module, error);
    if (!host) {
        state.SkipWithError(error.c_str());
        return;
    }
    host->start(kRate, kBlock);
    const int stack = patch == Patch::Heavy ? 8 : 1;
    if (isVesk)
        applyPatch(*host, patch, stack);
    std::vector<float> left(kBlock), right(kBlock);
    float* outputs[2] = {left.data(), right.data()};
    host->sendMidi(chord(voices / stack));
    host->process(outputs, kBlock);
    host->sendMidi({});
    for (auto _ : state) {
        for (int b = 0; b < kBlocksPerRun; ++b)
            host->process(outputs, kBlock);
        benchmark::DoNotOptimize(left.data());
    }
    const double frames = static_cast<double>(state.iterations()) * kBlocksPerRun * kBlock;
    state.counters["audio_s"] = benchmark::Counter(frames / kRate);
    state.counters["rtf"] = benchmark::Counter(frames / kRate, benchmark::Counter::kIsRate);
    state.counters["ns_per_voice_sample"] =
        benchmark::Counter(frames * voices / 1e9, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void vesk(benchmark::State& state) { renderChords(state, VESK_MODULE_PATH, Patch::Plain, true); }
void vesk_heavy(benchmark::State& state) { renderChords(state, VESK_MODULE_PATH, Patch::Heavy, true); }
void peer(benchmark::State& state) { renderChords(state, PEER_MODULE_PATH, Patch::Plain, false); }

} // namespace

BENCHMARK(vesk)->Arg(8)->Arg(32)->Arg(72)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(peer)->Arg(8)->Arg(32)->Arg(72)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(vesk_heavy)->Arg(8)->Arg(32)->Arg(72)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
