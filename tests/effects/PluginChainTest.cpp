// The chain inside the plug-in: each on switch reaches its own effect.
#include "FactoryBank.h"
#include "VstSynth.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

VstIntPtr VSTCALLBACK quietHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float)
{
    return opcode == audioMasterVersion ? kVstVersion : 0;
}

// The left channel of a note of the Init program held for `frames`, with `settings` applied first.
std::vector<float> playNote(std::initializer_list<std::pair<VstInt32, float>> settings, int32_t frames)
{
    auto synth = std::make_unique<VstSynth>(quietHost);
    synth->setSampleRate(44100.0f);
    synth->setBlockSize(512);
    synth->setProgram(kInitProgram);
    for (auto [index, value] : settings)
        synth->setParameter(index, value);
    VstMidiEvent on{};
    on.type = kVstMidiType;
    on.midiData[0] = static_cast<char>(0x90);
    on.midiData[1] = 60;
    on.midiData[2] = 100;
    VstEvent* event = reinterpret_cast<VstEvent*>(&on);
    struct {
        VstInt32 numEvents;
        VstIntPtr reserved;
        VstEvent* events[1];
    } list{1, 0, {event}};
    synth->processEvents(reinterpret_cast<VstEvents*>(&list));
    std::vector<float> left(static_cast<size_t>(frames)), right(static_cast<size_t>(frames));
    for (int32_t start = 0; start < frames; start += 512) {
        float* outputs[2] = {left.data() + start, right.data() + start};
        synth->processReplacing(nullptr, outputs, std::min(512, frames - start));
    }
    return left;
}

bool silentUntil(const std::vector<float>& samples, int32_t frames)
{
    for (int32_t i = 0; i < frames; ++i)
        if (samples[static_cast<size_t>(i)] != 0.0f)
            return false;
    return true;
}

TEST(EffectsThroughThePlugin, EachOnSwitchReachesItsOwnEffect)
{
    const std::vector<float> plain = playNote({}, 4096);
    ASSERT_FALSE(silentUntil(plain, 2048));
    // Fully wet, the delay's "1/4" echo and the reverb's shortest line lie
    // beyond the frames looked at, so those effects alone give silence there.
    EXPECT_TRUE(silentUntil(playNote({{117, 1.0f}, {88, 1.0f}, {89, 0.35f}, {90, 0.35f}}, 4096), 4096));
    EXPECT_TRUE(silentUntil(playNote({{118, 1.0f}, {94, 1.0f}, {91, 0.0f}}, 4096), 500));
    const std::initializer_list<std::pair<VstInt32, float>> others[] = {
        {{116, 1.0f}, {83, 1.0f}},              // phaser
        {{119, 1.0f}, {99, 1.0f}, {100, 1.0f}}, // distortion
        {{120, 1.0f}, {104, 1.0f}},             // EQ-1 at +10 dB
        {{121, 1.0f}, {109, 0.0f}},             // EQ-2 at -10 dB
    };
    for (const auto& settings : others)
        EXPECT_NE(playNote(settings, 4096), plain) << settings.begin()->first;
    EXPECT_EQ(playNote({{83, 1.0f}, {88, 1.0f}, {94, 1.0f}, {100, 1.0f}, {104, 1.0f}}, 4096), plain)
        << "amounts alone change nothing while every effect is off";
}

} // namespace
