// What a careless or hostile host can do to the plug-in: skip the start-up
// calls, switch modes under held keys, hand over values far out of range.
#include "PluginTestSupport.h"

#include "ParamIndex.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace {
using namespace ParamIndex;
constexpr int kBlock = 256;

void sendMidi(VstSynth& synth, const std::vector<std::array<uint8_t, 3>>& messages)
{
    std::vector<VstMidiEvent> midi(messages.size());
    std::vector<char> storage(sizeof(VstEvents) + messages.size() * sizeof(VstEvent*));
    auto* list = reinterpret_cast<VstEvents*>(storage.data());
    list->numEvents = static_cast<VstInt32>(messages.size());
    for (size_t i = 0; i < messages.size(); ++i) {
        midi[i].type = kVstMidiType;
        for (int b = 0; b < 3; ++b)
            midi[i].midiData[b] = static_cast<char>(messages[i][size_t(b)]);
        list->events[i] = reinterpret_cast<VstEvent*>(&midi[i]);
    }
    synth.processEvents(list);
}

std::vector<float> renderLeft(VstSynth& synth, int blocks)
{
    std::vector<float> out, left(kBlock), right(kBlock);
    float* outputs[2] = {left.data(), right.data()};
    for (int b = 0; b < blocks; ++b) {
        synth.processReplacing(nullptr, outputs, kBlock);
        out.insert(out.end(), left.begin(), left.end());
    }
    return out;
}

} // namespace

TEST(HostileHost, NotesAreInTuneWhenTheHostNeverSetsASampleRate)
{
    VstSynth synth(minimalHostCallback);
    synth.setParameter(kOsc2Coarse, 0.5f);
    synth.setParameter(kOsc2Fine, 0.5f);
    sendMidi(synth, {{0x90, 69, 100}});
    const std::vector<float> out = renderLeft(synth, 100);
    EXPECT_NEAR(frequencyOf(out, 44100.0, 8192), 440.0, 1.0);
}

TEST(HostileHost, KeyHeldWhileMonoModeComesOnStillEnds)
{
    auto synth = makeSynth();
    synth->setParameter(kAmpAttack + 3, 0.0f); // shortest release
    sendMidi(*synth, {{0x90, 42, 100}, {0x90, 79, 100}});
    renderLeft(*synth, 4);
    sendMidi(*synth, {{0x80, 79, 0}});
    renderLeft(*synth, 4);
    synth->setParameter(kMonoMode, 1.0f);
    renderLeft(*synth, 4);
    sendMidi(*synth, {{0x80, 42, 0}});
    const std::vector<float> out = renderLeft(*synth, 100);
    EXPECT_EQ(peakOf(out, out.size() - 4096), 0.0f);
}
