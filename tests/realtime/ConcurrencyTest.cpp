// The host's UI thread against its audio thread: program changes, chunk
// restores and LFO shape changes while notes play. Under ThreadSanitizer any
// unsynchronised access is an error; everywhere the output must stay finite
// and bounded, and each test proves that audio was rendered while the other
// thread worked.
#include "HostKit.h"
#include "Measure.h"
#include "ParamIndex.h"
#include "VstSynth.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <thread>
#include <vector>

namespace {

constexpr VstInt32 kBlock = 128;

std::unique_ptr<VstSynth> startedSynth()
{
    auto synth = std::make_unique<VstSynth>(quietHostCallback);
    synth->setSampleRate(44100.0f);
    synth->setBlockSize(kBlock);
    synth->setProgram(0);
    return synth;
}

struct Outcome {
    int blocksDuringWork = 0; // rendered between the start and the end of the other thread's work
    int soundingBlocks = 0;
    bool badSample = false;
};

// Plays alternating notes until `work` has run on this thread, which starts
// only once the audio thread is under way. The work is repeated until blocks
// were rendered during it: on a busy machine one pass may fit between two.
Outcome renderWhile(VstSynth& synth, const std::function<void()>& work)
{
    std::atomic<int> blocks{0};
    std::atomic<bool> done{false};
    Outcome outcome;
    std::thread audio([&] {
        StereoBuffer out(kBlock);
        MidiList midi;
        for (int block = 0; !done.load(); ++block) {
            midi.clear();
            const auto note = static_cast<uint8_t>(48 + block % 24);
            if (block % 2 == 0)
                midi.noteOn(0, note);
            else
                midi.noteOff(0, note);
            synth.processEvents(midi.events());
            synth.processReplacing(nullptr, out.channels(), kBlock);
            const double peak = peakOf(out.left);
            outcome.badSample |= !(peak < 8.0);
            outcome.soundingBlocks += peak > 0.0;
            blocks.fetch_add(1);
        }
    });
    while (blocks.load() < 2)
        std::this_thread::yield();
    const int before = blocks.load();
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    do
        work();
    while (blocks.load() - before < 2 && std::chrono::steady_clock::now() < giveUp);
    outcome.blocksDuringWork = blocks.load() - before;
    done = true;
    audio.join();
    return outcome;
}

void expectOverlapAndSound(const Outcome& outcome)
{
    EXPECT_GE(outcome.blocksDuringWork, 2) << "the threads did not run at the same time";
    EXPECT_GT(outcome.soundingBlocks, 0) << "no audio was rendered";
    EXPECT_FALSE(outcome.badSample);
}

TEST(Concurrency, ProgramChangesAndChunkRestoresWhileRendering)
{
    auto synth = startedSynth();
    void* data = nullptr;
    const VstInt32 size = synth->getChunk(&data, false);
    std::vector<uint8_t> chunk(static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
    const Outcome outcome = renderWhile(*synth, [&] {
        for (int round = 0; round < 200; ++round) {
            synth->setProgram(round % 384);
            EXPECT_EQ(synth->getProgram(), round % 384);
            if (round % 10 == 0) {
                memcpy(&chunk[8], &round, 4);
                EXPECT_EQ(synth->setChunk(chunk.data(), size, false), 1);
                EXPECT_EQ(synth->getProgram(), round);
            }
        }
    });
    expectOverlapAndSound(outcome);
}

// Shape, skew and reset rebuild an LFO's table while every LFO is heard:
// LFO 1 on the volume, LFO 2 on the cutoff, LFO 3 on the pan.
TEST(Concurrency, LfoShapeSkewAndResetChangesWhileRendering)
{
    using namespace ParamIndex;
    auto synth = startedSynth();
    const int routes[3][2] = {{13, 3}, {14, 5}, {15, 4}};
    for (int k = 0; k < 3; ++k) {
        synth->setParameter(kModSource + k, float(routes[k][0]));
        synth->setParameter(kModDestination + k, float(routes[k][1]));
        synth->setParameter(kModAmount + k, 0.75f);
        synth->setParameter(kLfo1Shape + k * kLfoStride + 1, 0.9f); // fast enough to move within a block
    }
    const Outcome outcome = renderWhile(*synth, [&] {
        for (int round = 0; round < 3000; ++round) {
            const int32_t lfo = kLfo1Shape + (round % 3) * kLfoStride;
            synth->setParameter(lfo, float(round % 4) / 3.0f);       // shape
            synth->setParameter(lfo + 2, float(round % 11) / 10.0f); // skew
            synth->setParameter(lfo + 5, float(round % 2));          // reset
        }
    });
    expectOverlapAndSound(outcome);
}

} // namespace
