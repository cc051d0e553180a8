#include "VstSynth.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <vector>

// Every allocation in this test program goes through here, so a processing
// call that allocates is caught whatever container or library it uses.
namespace {
std::atomic<long> allocations{0};
}

void* operator new(std::size_t size)
{
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {
VstIntPtr VSTCALLBACK quietHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float)
{
    return opcode == audioMasterVersion ? kVstVersion : 0;
}

struct MidiBlock {
    std::vector<VstMidiEvent> midi;
    std::vector<VstEvent*> pointers;
    VstEvents* list() { return reinterpret_cast<VstEvents*>(storage.data()); }
    std::vector<char> storage;

    explicit MidiBlock(std::vector<std::array<uint8_t, 4>> messages)
    {
        for (auto& m : messages) {
            VstMidiEvent e{};
            e.type = kVstMidiType;
            e.byteSize = sizeof(VstMidiEvent);
            e.deltaFrames = m[3];
            e.midiData[0] = static_cast<char>(m[0]);
            e.midiData[1] = static_cast<char>(m[1]);
            e.midiData[2] = static_cast<char>(m[2]);
            midi.push_back(e);
        }
        storage.resize(sizeof(VstEvents) + midi.size() * sizeof(VstEvent*));
        list()->numEvents = static_cast<VstInt32>(midi.size());
        for (size_t i = 0; i < midi.size(); ++i)
            list()->events[i] = reinterpret_cast<VstEvent*>(&midi[i]);
    }
};
} // namespace

TEST(RealTime, ProcessingNeverAllocates)
{
    auto synth = std::make_unique<VstSynth>(quietHost);
    synth->setSampleRate(48000.0f);
    synth->setBlockSize(256);
    synth->setProgram(0);
    synth->setParameter(77, 1.0f); // eight voices per note
    MidiBlock chord({{0x90, 60, 100, 0}, {0x90, 64, 100, 10}, {0x90, 67, 100, 20}, {0xb0, 64, 127, 30},
                     {0xe0, 0, 90, 40}, {0xb0, 1, 90, 50}, {0xc0, 3, 0, 60}, {0x90, 72, 90, 70}});
    MidiBlock release({{0x80, 60, 0, 0}, {0x80, 64, 0, 5}, {0xb0, 64, 0, 6}, {0xb0, 123, 0, 200}});
    std::vector<float> left(256), right(256);
    float* outputs[2] = {left.data(), right.data()};
    std::vector<float> bigLeft(5000), bigRight(5000);
    float* bigOutputs[2] = {bigLeft.data(), bigRight.data()};

    const long before = allocations.load();
    synth->processEvents(chord.list());
    for (int block = 0; block < 50; ++block) {
        synth->setParameter(28, block / 50.0f);
        synth->addKeyboardEvent(0x90, static_cast<uint8_t>(40 + block), 100);
        synth->processReplacing(nullptr, outputs, 256);
    }
    synth->processEvents(release.list());
    synth->processReplacing(nullptr, outputs, 256);
    // More frames than announced are rendered in pieces, still without allocating.
    const long beforeBig = allocations.load();
    synth->processReplacing(nullptr, bigOutputs, 5000);
    EXPECT_EQ(allocations.load() - beforeBig, 0);
    EXPECT_EQ(beforeBig - before, 0);
}
