// Renders the same held chords through Vesk and through the peer synth, as a
// host would, alternating runs, and prints the real-time factor, the cost per
// voice-sample and the ratio Vesk/peer. Timings are thread CPU time, so a busy
// machine disturbs them less; each figure is the median of several runs.
//
//   render_bench [--runs N] [--seconds S] [--peer PATH]
#include "FactoryBank.h"
#include "PluginHost.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

namespace {

constexpr float kRate = 48000.0f;
constexpr int kBlock = 256;
constexpr int kVoiceCounts[] = {8, 32, 72};

enum class Patch { Plain, Heavy };

double threadSeconds()
{
    timespec now;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec + now.tv_nsec * 1e-9;
}

// The heaviest sound: both oscillators fat-stacked, sub-oscillator, noise,
// ring modulation, a saturating ladder, eight layers, all 24 modulation slots,
// and all six effects: "LP+Crunch", a peaking band and a high shelf, "Chorus I",
// a ping-pong delay and the "Cathedral" reverb.
void applyHeavyPatch(PluginHost& host)
{
    const std::pair<int, float> effects[] = {
        {79, 5.5f / 6.1f}, {80, 0.3f}, {83, 0.6f},  {84, 0.5f},            // chorus
        {85, 0.125f},      {87, 0.6f}, {88, 0.5f},  {89, 0.45f}, {90, 0.45f}, // ping-pong delay
        {91, 1.0f},        {93, 0.7f}, {94, 0.5f},  {95, 0.2f},            // reverb
        {97, 0.0f},        {98, 0.6f}, {99, 0.5f},  {100, 0.5f},           // distortion
        {101, 0.0f},       {102, 0.5f}, {104, 0.7f}, {106, 1.0f}, {107, 0.8f}, {109, 0.3f}, // EQ bands
        {116, 1.0f},       {117, 1.0f}, {118, 1.0f}, {119, 1.0f}, {120, 1.0f}, {121, 1.0f}, // all on
    };
    for (auto [index, value] : effects)
        host.setParameter(index, value);
    const std::pair<int, float> settings[] = {{3, 1.0f},   {8, 1.0f},   {11, 0.5f}, {14, 0.3f}, {15, 0.4f},
                                              {126, 5.0f}, {28, 0.6f},  {29, 0.5f}, {77, 1.0f}, {75, 0.7f},
                                              {34, 0.4f},  {43, 0.3f},  {52, 0.5f}};
    for (auto [index, value] : settings)
        host.setParameter(index, value);
    // Sources: LFOs, velocity, wheel, random, envelopes; destinations across
    // pitch, filter, mix, pan and shape.
    const int sources[] = {13, 14, 15, 1, 3, 6, 22, 23, 25, 13, 14, 15};
    const int destinations[] = {5, 2, 4, 8, 14, 25, 26, 49, 50, 6, 90, 37, 51, 9, 10, 29};
    for (int slot = 0; slot < 24; ++slot) {
        const int bank = slot < 16 ? 0 : 16; // slots 17..24 sit in the second group of each family
        const int offset = slot < 16 ? slot : slot - 16;
        host.setParameter(128 + bank + offset, static_cast<float>(sources[slot % 12]));
        host.setParameter(160 + bank + offset, 0.55f);
        host.setParameter(192 + bank + offset, static_cast<float>(destinations[slot % 16]));
    }
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
        host->setParameter(321, 1.0f); // all 72 slots
        if (patch == Patch::Heavy)
            applyHeavyPatch(*host);
    }
    return host;
}

// Seconds of CPU for `seconds` of audio with `voices` voices sounding.
double renderSeconds(PluginHost& host, int voices, int stack, double seconds)
{
    std::vector<MidiMessage> on, off;
    for (int i = 0; i < voices / stack; ++i) {
        const auto note = static_cast<uint8_t>(36 + (i * 7) % 60);
        on.push_back(MidiMessage::noteOn(0, note, 100));
        off.push_back(MidiMessage::noteOff(0, note));
    }
    std::vector<float> left(kBlock), right(kBlock);
    float* outputs[2] = {left.data(), right.data()};
    const int blocks = static_cast<int>(seconds * kRate / kBlock);
    host.sendMidi(on);
    const double start = threadSeconds();
    for (int b = 0; b < blocks; ++b) {
        host.process(outputs, kBlock);
        if (b == 0)
            host.sendMidi({});
    }
    const double used = threadSeconds() - start;
    host.sendMidi(off);
    for (int b = 0; b < 400; ++b) // let the release tails end before the next run
        host.process(outputs, kBlock);
    return used;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    int runs = 5;
    double seconds = 2.0;
    std::string peerPath = PEER_MODULE_PATH;
    for (int i = 1; i < argc; ++i) {
        if (!strcmp(argv[i], "--runs") && i + 1 < argc)
            runs = std::max(1, atoi(argv[++i]));
        else if (!strcmp(argv[i], "--seconds") && i + 1 < argc)
            seconds = std::max(0.1, atof(argv[++i]));
        else if (!strcmp(argv[i], "--peer") && i + 1 < argc)
            peerPath = argv[++i];
        else {
            fprintf(stderr, "usage: render_bench [--runs N] [--seconds S] [--peer PATH]\n");
            return 2;
        }
    }

    printf("%-6s %6s | %10s %12s | %10s %12s | %8s\n", "patch", "voices", "vesk rtf", "vesk ns/vs", "peer rtf",
           "peer ns/vs", "ratio");
    for (Patch patch : {Patch::Plain, Patch::Heavy}) {
        const int stack = patch == Patch::Heavy ? 8 : 1;
        for (int voices : kVoiceCounts) {
            auto vesk = loadSubject(VESK_MODULE_PATH, true, patch);
            auto peer = loadSubject(peerPath, false, patch);
            if (!vesk)
                return 1;
            std::vector<double> veskTimes, peerTimes;
            for (int r = 0; r < runs; ++r) {
                veskTimes.push_back(renderSeconds(*vesk, voices, stack, seconds));
                if (peer)
                    peerTimes.push_back(renderSeconds(*peer, voices, 1, seconds));
            }
            const double voiceSamples = voices * seconds * kRate;
            const double veskTime = median(veskTimes);
            printf("%-6s %6d | %10.1f %12.2f |", patch == Patch::Plain ? "plain" : "heavy", voices, seconds / veskTime,
                   veskTime / voiceSamples * 1e9);
            if (peer) {
                const double peerTime = median(peerTimes);
                printf(" %10.1f %12.2f | %8.3f\n", seconds / peerTime, peerTime / voiceSamples * 1e9,
                       veskTime / peerTime);
            } else {
                printf(" %10s %12s | %8s\n", "-", "-", "-");
            }
        }
    }
    return 0;
}
