// Renders the same held notes, spread over five octaves, through Vesk and
// through the peer synth, as a host would, alternating runs, and prints the
// real-time factor, the cost per voice-sample and the ratio Vesk/peer, each
// the median of several runs with their spread; then the oscillator stage
// alone, variant by variant.
//
//   render_bench [--runs N] [--seconds S] [--peer PATH|none] [--vesk PATH]
//                [--patch plain|heavy] [--voices N] [--no-stages]
//   render_bench --heavy-settings
// --vesk compares another build of the module (an older one, say); --patch
// and --voices narrow the table to one row, which is what a profiler wants.
// --heavy-settings prints the heavy patch as INDEX=VALUE lines for vesk-render.
#include "BenchTiming.h"
#include "FactoryBank.h"
#include "OscillatorStages.h"
#include "PluginHost.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr float kRate = 48000.0f;
constexpr int kBlock = 256;
constexpr int kVoiceCounts[] = {8, 32, 72};

enum class Patch { Plain, Heavy };

constexpr std::pair<int, float> kAllSlots = {321, 1.0f}; // Polyphony: all 72 slots

// The heaviest sound: both oscillators fat-stacked, sub-oscillator, noise,
// ring modulation, a saturating ladder, eight layers, all 24 modulation slots,
// and all six effects: "LP+Crunch", a peaking band and a high shelf, "Chorus I",
// a ping-pong delay and the "Cathedral" reverb. Parameter index and value,
// applied over Init with all 72 slots in use.
std::vector<std::pair<int, float>> heavySettings()
{
    std::vector<std::pair<int, float>> settings = {
        {79, 5.5f / 6.1f}, {80, 0.3f}, {83, 0.6f},  {84, 0.5f},            // chorus
        {85, 0.125f},      {87, 0.6f}, {88, 0.5f},  {89, 0.45f}, {90, 0.45f}, // ping-pong delay
        {91, 1.0f},        {93, 0.7f}, {94, 0.5f},  {95, 0.2f},            // reverb
        {97, 0.0f},        {98, 0.6f}, {99, 0.5f},  {100, 0.5f},           // distortion
        {101, 0.0f},       {102, 0.5f}, {104, 0.7f}, {106, 1.0f}, {107, 0.8f}, {109, 0.3f}, // EQ bands
        {116, 1.0f},       {117, 1.0f}, {118, 1.0f}, {119, 1.0f}, {120, 1.0f}, {121, 1.0f}, // all on
        {3, 1.0f},         {8, 1.0f},  {11, 0.5f},  {14, 0.3f},  {15, 0.4f}, {126, 5.0f}, {28, 0.6f},
        {29, 0.5f},        {77, 1.0f}, {75, 0.7f},  {34, 0.4f},  {43, 0.3f}, {52, 0.5f},
    };
    // Sources: LFOs, velocity, wheel, random, envelopes; destinations across
    // pitch, filter, mix, pan and shape.
    const int sources[] = {13, 14, 15, 1, 3, 6, 22, 23, 25, 13, 14, 15};
    const int destinations[] = {5, 2, 4, 8, 14, 25, 26, 49, 50, 6, 90, 37, 51, 9, 10, 29};
    for (int slot = 0; slot < 24; ++slot) {
        const int bank = slot < 16 ? 0 : 16; // slots 17..24 sit in the second group of each family
        const int offset = slot < 16 ? slot : slot - 16;
        settings.push_back({128 + bank + offset, static_cast<float>(sources[slot % 12])});
        settings.push_back({160 + bank + offset, 0.55f});
        settings.push_back({192 + bank + offset, static_cast<float>(destinations[slot % 16])});
    }
    return settings;
}

struct Subject {
    const char* name;
    std::unique_ptr<PluginHost> host;
};

std::unique_ptr<PluginHost> loadSubject(const std::string& path, bool isVesk, Patch patch)
{
    std::string error;
    auto host = PluginHost::load(path, error);
    if (!host) {
        fprintf(stderr, "render_bench: %s\n", error.c_str());
        return nullptr;
    }
    host->start(kRate, kBlock);
    if (isVesk) {
        host->dispatch(effSetProgram, 0, kInitProgram);
        host->setParameter(kAllSlots.first, kAllSlots.second);
        if (patch == Patch::Heavy)
            for (auto [index, value] : heavySettings())
                host->setParameter(index, value);
    }
    // The program change takes effect in the first block; keep it out of the timings.
    std::vector<float> left(kBlock), right(kBlock);
    float* outputs[2] = {left.data(), right.data()};
    host->process(outputs, kBlock);
    return host;
}

// The timed part alone, kept out of line so that a profiler can count just
// it (valgrind --toggle-collect=*heldRender*).
[[gnu::noinline]] void heldRender(PluginHost& host, float** outputs, int blocks)
{
    for (int b = 0; b < blocks; ++b) {
        host.process(outputs, kBlock);
        if (b == 0)
            host.sendMidi({});
    }
}

// Seconds of CPU for `seconds` of audio with `voices` voices sounding.
double renderSeconds(PluginHost& host, int voices, int stack, double seconds)
{
    std::vector<MidiMessage> on, off;
    const int keys = voices / stack;
    for (int i = 0; i < keys; ++i) {
        const auto note = static_cast<uint8_t>(spreadNote(i, keys));
        on.push_back(MidiMessage::noteOn(0, note, 100));
        off.push_back(MidiMessage::noteOff(0, note));
    }
    std::vector<float> left(kBlock), right(kBlock);
    float* outputs[2] = {left.data(), right.data()};
    const int blocks = static_cast<int>(seconds * kRate / kBlock);
    host.sendMidi(on);
    const double start = threadSeconds();
    heldRender(host, outputs, blocks);
    const double used = threadSeconds() - start;
    host.sendMidi(off);
    for (int b = 0; b < 400; ++b) // let the release tails end before the next run
        host.process(outputs, kBlock);
    return used;
}

} // namespace

int main(int argc, char** argv)
{
    int runs = 5;
    double seconds = 2.0;
    std::string peerPath = PEER_MODULE_PATH;
    std::string veskPath = VESK_MODULE_PATH;
    std::vector<Patch> patches = {Patch::Plain, Patch::Heavy};
    std::vector<int> voiceCounts(std::begin(kVoiceCounts), std::end(kVoiceCounts));
    bool stages = true;
    for (int i = 1; i < argc; ++i) {
        const bool hasValue = i + 1 < argc;
        if (!strcmp(argv[i], "--runs") && hasValue)
            runs = std::max(1, atoi(argv[++i]));
        else if (!strcmp(argv[i], "--seconds") && hasValue)
            seconds = std::max(0.1, atof(argv[++i]));
        else if (!strcmp(argv[i], "--peer") && hasValue)
            peerPath = argv[++i];
        else if (!strcmp(argv[i], "--vesk") && hasValue)
            veskPath = argv[++i];
        else if (!strcmp(argv[i], "--patch") && hasValue && !strcmp(argv[i + 1], "plain"))
            patches = {Patch::Plain}, ++i;
        else if (!strcmp(argv[i], "--patch") && hasValue && !strcmp(argv[i + 1], "heavy"))
            patches = {Patch::Heavy}, ++i;
        else if (!strcmp(argv[i], "--voices") && hasValue)
            voiceCounts = {std::clamp(atoi(argv[++i]), 8, 72)};
        else if (!strcmp(argv[i], "--no-stages"))
            stages = false;
        else if (!strcmp(argv[i], "--heavy-settings")) {
            // For vesk-render --params, over the Init program.
            for (auto [index, value] : heavySettings())
                printf("%d=%.9g\n", index, value);
            printf("%d=%.9g\n", kAllSlots.first, kAllSlots.second);
            return 0;
        }
        else {
            fprintf(stderr, "usage: render_bench [--runs N] [--seconds S] [--peer PATH|none] [--vesk PATH]\n"
                            "                    [--patch plain|heavy] [--voices 8..72] [--no-stages]\n");
            return 2;
        }
    }

    printf("whole renders, median of %d runs of %.1f s, spread = ±(slowest - fastest) / 2 median\n", runs, seconds);
    printf("%-6s %6s | %10s %12s %7s | %10s %12s %7s | %6s\n", "patch", "voices", "vesk rtf", "vesk ns/vs", "spread",
           "peer rtf", "peer ns/vs", "spread", "ratio");
    for (Patch patch : patches) {
        const int stack = patch == Patch::Heavy ? 8 : 1;
        for (int asked : voiceCounts) {
            const int voices = asked / stack * stack; // whole keys of `stack` layers sound
            auto vesk = loadSubject(veskPath, true, patch);
            auto peer = peerPath == "none" ? nullptr : loadSubject(peerPath, false, patch);
            if (!vesk)
                return 1;
            std::vector<double> veskTimes, peerTimes;
            for (int r = 0; r < runs; ++r) {
                veskTimes.push_back(renderSeconds(*vesk, voices, stack, seconds));
                if (peer)
                    peerTimes.push_back(renderSeconds(*peer, voices, 1, seconds));
            }
            const double voiceSamples = voices * seconds * kRate;
            const RunSeries v = summarise(veskTimes);
            printf("%-6s %6d | %10.1f %12.2f ±%4.1f%% |", patch == Patch::Plain ? "plain" : "heavy", voices,
                   seconds / v.median, v.median / voiceSamples * 1e9, 50.0 * v.spread);
            if (peer) {
                const RunSeries p = summarise(peerTimes);
                printf(" %10.1f %12.2f ±%4.1f%% | %6.3f\n", seconds / p.median, p.median / voiceSamples * 1e9,
                       50.0 * p.spread, v.median / p.median);
            } else {
                printf(" %10s %12s %7s | %6s\n", "-", "-", "-", "-");
            }
        }
    }
    if (stages)
        printOscillatorStages(runs, seconds / 4);
    return 0;
}
