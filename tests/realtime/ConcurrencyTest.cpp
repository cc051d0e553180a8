#include "VstSynth.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <thread>
#include <vector>

namespace {
VstIntPtr VSTCALLBACK quietHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float)
{
    return opcode == audioMasterVersion ? kVstVersion : 0;
}
} // namespace

// The UI thread switches programs and restores chunks while the audio thread
// plays notes: no data race (under ThreadSanitizer), no NaN, no runaway level,
// and the host reads the new program straight after each call.
TEST(Concurrency, ProgramChangesAndChunkRestoresWhileRendering)
{
    auto synth = std::make_unique<VstSynth>(quietHost);
    synth->setSampleRate(44100.0f);
    synth->setBlockSize(128);
    synth->setProgram(0);
    void* data = nullptr;
    const VstInt32 size = synth->getChunk(&data, false);
    std::vector<uint8_t> chunk(static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);

    std::atomic<bool> running{true};
    std::atomic<bool> badSample{false};
    std::thread audio([&] {
        std::vector<float> left(128), right(128);
        float* outputs[2] = {left.data(), right.data()};
        VstMidiEvent on{}, off{};
        on.type = off.type = kVstMidiType;
        on.midiData[0] = static_cast<char>(0x90);
        off.midiData[0] = static_cast<char>(0x80);
        on.midiData[2] = 100;
        struct {
            VstInt32 numEvents;
            VstIntPtr reserved;
            VstEvent* events[1];
        } list{1, 0, {nullptr}};
        for (int block = 0; running.load(); ++block) {
            VstMidiEvent& event = block % 2 == 0 ? on : off;
            event.midiData[1] = static_cast<char>(48 + block % 24);
            list.events[0] = reinterpret_cast<VstEvent*>(&event);
            synth->processEvents(reinterpret_cast<VstEvents*>(&list));
            synth->processReplacing(nullptr, outputs, 128);
            for (int i = 0; i < 128; ++i)
                if (!std::isfinite(left[i]) || std::fabs(left[i]) > 8.0f)
                    badSample = true;
        }
    });

    for (int round = 0; round < 200; ++round) {
        synth->setProgram(round % 384);
        EXPECT_EQ(synth->getProgram(), round % 384);
        if (round % 10 == 0) {
            memcpy(&chunk[8], &round, 4);
            EXPECT_EQ(synth->setChunk(chunk.data(), size, false), 1);
            EXPECT_EQ(synth->getProgram(), round);
        }
    }
    running = false;
    audio.join();
    EXPECT_FALSE(badSample.load());
}
