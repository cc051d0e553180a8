// The UI thread reads and replaces the whole state while the audio thread
// plays: no block may come out silent for it (run under ThreadSanitizer by
// the test script, like the rest of the Concurrency suite).
#include "FactoryBank.h"
#include "ParamIndex.h"
#include "VstSynth.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <thread>
#include <vector>

namespace {
constexpr int kFrames = 64;

VstIntPtr VSTCALLBACK quietHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float)
{
    return opcode == audioMasterVersion ? kVstVersion : 0;
}

void sendNote(VstSynth& synth, uint8_t status, uint8_t note)
{
    VstMidiEvent event{};
    event.type = kVstMidiType;
    event.midiData[0] = static_cast<char>(status);
    event.midiData[1] = static_cast<char>(note);
    event.midiData[2] = 100;
    struct {
        VstInt32 numEvents;
        VstIntPtr reserved;
        VstEvent* events[1];
    } list{1, 0, {reinterpret_cast<VstEvent*>(&event)}};
    synth.processEvents(reinterpret_cast<VstEvents*>(&list));
}

// A synth whose programs all start sounding at the first frame after a note.
std::unique_ptr<VstSynth> instantSynth()
{
    auto synth = std::make_unique<VstSynth>(quietHost);
    synth->setSampleRate(44100.0f);
    synth->setBlockSize(kFrames);
    synth->setParameter(ParamIndex::kAmpAttack, 0.0f);
    void* data = nullptr;
    const VstInt32 size = synth->getChunk(&data, false);
    std::vector<uint8_t> chunk(static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
    auto* records = reinterpret_cast<ProgramRecord*>(chunk.data() + sizeof(ChunkHeader));
    for (int p = 0; p < kProgramsPerBank; ++p)
        records[p].params[ParamIndex::kAmpAttack] = 0.0f;
    synth->setChunk(chunk.data(), size, false);
    synth->resume();
    return synth;
}

// Plays `blocks` blocks, a fresh note at the start of each (a program change
// may have cut the last one), while `ui` runs in a loop on another thread.
// Answers the number of blocks that came out silent.
int silentBlocksWhile(VstSynth& synth, int blocks, const std::function<void(int)>& ui)
{
    std::atomic<bool> running{true};
    std::thread uiThread([&] {
        for (int round = 0; running; ++round)
            ui(round);
    });
    std::vector<float> left(kFrames), right(kFrames);
    float* outputs[2] = {left.data(), right.data()};
    int silent = 0;
    for (int block = 0; block < blocks; ++block) {
        sendNote(synth, 0x80, static_cast<uint8_t>(48 + (block + 11) % 12));
        sendNote(synth, 0x90, static_cast<uint8_t>(48 + block % 12));
        synth.processReplacing(nullptr, outputs, kFrames);
        bool sound = false;
        for (float sample : left)
            sound = sound || sample != 0.0f;
        silent += !sound;
    }
    running = false;
    uiThread.join();
    return silent;
}
} // namespace

TEST(Concurrency, SavingTheStateNeverSilencesABlock)
{
    auto synth = instantSynth();
    EXPECT_EQ(silentBlocksWhile(*synth, 3000,
                                [&](int) {
                                    void* data = nullptr;
                                    EXPECT_EQ(synth->getChunk(&data, false), static_cast<VstInt32>(kStateChunkSize));
                                }),
              0);
}

TEST(Concurrency, WholesaleChangesNeverSilenceABlock)
{
    auto synth = instantSynth();
    void* data = nullptr;
    const VstInt32 size = synth->getChunk(&data, false);
    const std::vector<uint8_t> chunk(static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
    EXPECT_EQ(silentBlocksWhile(*synth, 3000,
                                [&](int round) {
                                    if (round % 3 == 0)
                                        synth->setChunk(const_cast<uint8_t*>(chunk.data()), size, false);
                                    else if (round % 3 == 1)
                                        synth->setProgram(round % kProgramsPerBank);
                                    else
                                        synth->setSampleRate(round % 2 ? 48000.0f : 44100.0f);
                                }),
              0);
}

// Turning Mono Mode off releases every note; from the UI thread that must be
// left to the audio thread, which owns the voices.
TEST(Concurrency, MonoModeOffFromTheUiThreadReleasesNotesOnTheAudioThread)
{
    auto synth = instantSynth();
    std::vector<float> left(kFrames), right(kFrames);
    float* outputs[2] = {left.data(), right.data()};
    synth->setProgram(kInitProgram); // one plain layer, no arpeggiator
    synth->processReplacing(nullptr, outputs, kFrames);
    synth->setParameter(ParamIndex::kMonoMode, 1.0f);
    sendNote(*synth, 0x90, 60);
    synth->processReplacing(nullptr, outputs, kFrames);
    const VoiceSlot& voice = synth->getEngine().voices[0];
    ASSERT_TRUE(voice.active && !voice.released);
    synth->setParameter(ParamIndex::kMonoMode, 0.0f);
    EXPECT_FALSE(voice.released) << "the UI thread must not touch the voices";
    synth->processReplacing(nullptr, outputs, kFrames);
    EXPECT_TRUE(voice.released);
}
