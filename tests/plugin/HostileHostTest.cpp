// What a careless or hostile host can do to the plug-in: skip the start-up
// calls, switch modes under held keys, hand over values far out of range.
#include "FactoryBank.h"
#include "PluginTestSupport.h"

#include "ParamIndex.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <functional>
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

// Out-of-range values and the in-range value each must be limited to.
struct Wild {
    int32_t index;
    float value;
    float limited;
};
constexpr Wild kWildValues[] = {
    {kOsc3Level, 1e30f, 1.0f}, {kNoiseLevel, 1e30f, 1.0f}, {kVolume, 100.0f, 1.0f},  {kVolume, -100.0f, 0.0f},
    {kFilterCutoff, -7.0f, 0.0f}, {kFmMode, -3.0f, 0.0f}, {kFmMode, 9.0f, 2.0f},   {kArpMode, 1e9f, 6.0f},
    {kFilterType, 55.0f, 17.0f}, {kModSource + 3, 40.0f, 25.0f}, {kModDestination, 500.0f, 96.0f},
    {kModVoices + 30, 27.5f, 26.0f}, {kPatchCategory, 99.0f, 13.0f}, {kEffectOrder + 5, 9.0f, 5.0f},
};

// A chord through Osc 3 and noise, loud enough that a wild level would show.
std::vector<float> chord(VstSynth& synth)
{
    sendMidi(synth, {{0x90, 48, 127}, {0x90, 55, 127}, {0x90, 64, 127}});
    return renderLeft(synth, 40);
}
} // namespace

TEST(HostileHost, NotesAreInTuneWhenTheHostNeverSetsASampleRate)
{
    VstSynth synth(quietHostCallback);
    synth.setProgram(kInitProgram);
    renderLeft(synth, 1); // the program change lands at the block's start
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

TEST(HostileHost, ValuesFromTheHostAreLimitedToTheirRange)
{
    auto host = loadVesk();
    ASSERT_TRUE(host);
    host->start(44100.0f, kBlock);
    for (const Wild& wild : kWildValues) {
        host->setParameter(wild.index, wild.value);
        EXPECT_EQ(host->getParameter(wild.index), wild.limited) << "index " << wild.index;
    }
}

// Osc 3 and noise levels at 1e30 and Volume at 100 must sound exactly like
// all three at their top, whether they come as parameters, in a chunk or in
// a program file.
TEST(HostileHost, WildLevelsSoundLikeTheirTopWhateverDoorTheyCameIn)
{
    auto reference = makeSynth();
    for (int32_t index : {kOsc3Level, kNoiseLevel, kVolume})
        reference->setParameter(index, 1.0f);
    const std::vector<float> expected = chord(*reference);
    ASSERT_GT(peakOf(expected), 0.1f);

    auto wildChunk = [](VstSynth& synth) {
        void* data = nullptr;
        const VstInt32 size = synth.getChunk(&data, false);
        std::vector<uint8_t> chunk(static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
        auto* record = reinterpret_cast<ProgramRecord*>(chunk.data() + sizeof(ChunkHeader)) + kInitProgram % kProgramsPerBank;
        record->params[kOsc3Level] = record->params[kNoiseLevel] = 1e30f;
        record->params[kVolume] = -100.0f;
        for (const Wild& wild : kWildValues)
            if (wild.index >= kModSource)
                record->params[wild.index] = wild.value;
        return chunk;
    };
    const std::string fxp = ::testing::TempDir() + "vesk-wild.fxp";
    const std::vector<std::function<void(VstSynth&)>> doors = {
        [](VstSynth& synth) {
            for (int32_t index : {kOsc3Level, kNoiseLevel, kVolume})
                synth.setParameter(index, index == kVolume ? -100.0f : 1e30f);
        },
        [&](VstSynth& synth) {
            std::vector<uint8_t> chunk = wildChunk(synth);
            ASSERT_EQ(synth.setChunk(chunk.data(), static_cast<VstInt32>(chunk.size()), false), 1);
        },
        [&](VstSynth& synth) {
            synth.savePatch(fxp);
            std::vector<uint8_t> chunk = wildChunk(synth);
            std::fstream file(fxp, std::ios::in | std::ios::out | std::ios::binary);
            file.seekp(60);
            file.write(reinterpret_cast<const char*>(chunk.data()), std::streamsize(chunk.size()));
            file.close();
            synth.loadPatch(fxp);
        },
    };
    for (size_t door = 0; door < doors.size(); ++door) {
        auto synth = makeSynth();
        doors[door](*synth);
        EXPECT_EQ(synth->getParameter(kVolume), 0.0f) << "door " << door;
        synth->setParameter(kVolume, 1.0f);
        EXPECT_EQ(chord(*synth), expected) << "door " << door;
        for (const Wild& wild : kWildValues) {
            if (door > 0 && wild.index >= kModSource) {
                EXPECT_EQ(synth->getParameter(wild.index), wild.limited) << "door " << door;
            }
        }
    }
    std::remove(fxp.c_str());
}
