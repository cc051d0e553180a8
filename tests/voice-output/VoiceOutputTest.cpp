#include "VoiceOutput.h"

#include <gtest/gtest.h>

#include <vector>

namespace {
VoiceGains gainsFor(int voices, int layer, float spread, float pan = 0.0f)
{
    VoiceOutputInputs in;
    in.voicesPerNote = voices;
    in.spread = spread;
    in.panSum = pan;
    return voiceGains(in, layer);
}

struct Buses {
    std::vector<float> fxL = std::vector<float>(64), fxR = std::vector<float>(64);
    std::vector<float> dryL = std::vector<float>(64), dryR = std::vector<float>(64);
    float* fx[2] = {fxL.data(), fxR.data()};
    float* dry[2] = {dryL.data(), dryR.data()};
};

VoiceSlot sustainingVoice()
{
    VoiceSlot slot{};
    slot.active = 1;
    slot.ampLevel = 1.0f;
    slot.ampStage = kSustain;
    slot.prevGainL = kUnsetRamp;
    slot.age = 100000;
    return slot;
}
} // namespace

// One layer sits in the middle; even stacks spread outwards right then left,
// odd stacks step by the spread itself.
TEST(SpreadPosition, LayersSitWhereTheirStackPutsThem)
{
    const struct {
        int voices, layer;
        float spread, position;
    } cases[] = {{1, 0, 1.0f, 0.0f},  {1, 0, 0.3f, 0.0f},  {2, 0, 1.0f, 1.0f},  {2, 1, 1.0f, -1.0f},
                 {4, 0, 1.0f, 0.5f},  {4, 1, 1.0f, 1.0f},  {4, 2, 1.0f, -0.5f}, {4, 3, 1.0f, -1.0f},
                 {3, 0, 1.0f, -1.0f}, {3, 1, 1.0f, 0.0f},  {3, 2, 1.0f, 1.0f},  {5, 0, 0.5f, -1.0f},
                 {5, 4, 0.5f, 1.0f}};
    for (const auto& c : cases)
        EXPECT_FLOAT_EQ(spreadPosition(c.voices, c.layer, c.spread), c.position) << c.voices << "/" << c.layer;
}

TEST(VoiceGains, SwitchedOffLayerIsSilentAndVolumeSquares)
{
    VoiceOutputInputs in;
    in.layerSilenced = true;
    VoiceGains off = voiceGains(in, 0);
    EXPECT_EQ(off.left, 0.0f);
    EXPECT_EQ(off.right, 0.0f);
    in.layerSilenced = false;
    in.volumeSum = 1.0f;
    EXPECT_FLOAT_EQ(voiceGains(in, 0).left, 0.8f);
    in.volumeSum = -3.0f; // never below silence
    EXPECT_FLOAT_EQ(voiceGains(in, 0).left, 0.0f);
}

TEST(MixVoice, FullScaleVoiceReachesPointTwoOnBothFxChannels)
{
    Buses buses;
    VoiceSlot slot = sustainingVoice();
    std::vector<float> voice(64, 1.0f);
    EnvelopeCoefs coefs{1.0f, 1.0f, 1.0f, 0.0f};
    AmpEnvelope amp(coefs, 0, slot);
    SpikeTables none{nullptr, nullptr, 0};
    mixVoice(voice.data(), 64, gainsFor(1, 0, 0.0f), amp, Spike(none, false, 0.0f), slot, buses.fx, buses.dry);
    for (int i = 0; i < 64; ++i) {
        EXPECT_FLOAT_EQ(buses.fxL[i], 0.2f);
        EXPECT_FLOAT_EQ(buses.fxR[i], 0.2f);
        EXPECT_EQ(buses.dryL[i], 0.0f);
    }
    EXPECT_EQ(slot.age, 100064u);
}

