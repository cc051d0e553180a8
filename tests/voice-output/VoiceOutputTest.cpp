// Where a layer sits in the stereo field, when it is silent, and how a call
// of it reaches the buses.
#include "VoiceOutput.h"

#include <gtest/gtest.h>

#include <array>

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


namespace {

// One call of a voice holding x = 1 into buses that start at `start`.
struct MixCall {
    explicit MixCall(float start)
    {
        for (auto& channel : bus)
            channel.fill(start);
    }

    void run(VoiceSlot& slot, const VoiceGains& gains, uint8_t stage)
    {
        slot.ampStage = stage;
        std::array<float, kMaxSliceFrames> voice;
        voice.fill(1.0f);
        float* fx[2] = {bus[0].data(), bus[1].data()};
        float* dry[2] = {bus[2].data(), bus[3].data()};
        AmpEnvelope amp(EnvelopeCoefs{0.5f, 0.5f, 0.5f, 0.0f}, 0, slot);
        mixVoice(voice.data(), kMaxSliceFrames, gains, amp, Spike(SpikeTables{nullptr, nullptr, 0}, false, 0.0f), slot,
                 fx, dry);
        amp.store(slot);
    }

    std::array<std::array<float, kMaxSliceFrames>, 4> bus; // fx L, fx R, dry L, dry R
};

VoiceSlot soundingVoice(float share)
{
    VoiceSlot slot{};
    slot.ampLevel = 0.8f;
    slot.prevGainL = 0.2f;
    slot.prevGainR = 0.1f;
    slot.prevFxShare = share;
    return slot;
}

} // namespace

// The FX share divides each frame between the buses without loss, whether the
// level holds or decays; at the default share of 1 the dry bus is not touched.
TEST(MixVoice, FxShareSplitsEachFrameBetweenTheBuses)
{
    for (const uint8_t stage : {kSustain, kDecay}) {
        VoiceSlot slot = soundingVoice(1.0f);
        MixCall wet(0.25f);
        wet.run(slot, {0.2f, 0.1f, 1.0f}, stage);
        for (int32_t i = 0; i < kMaxSliceFrames; ++i) {
            EXPECT_EQ(wet.bus[2][i], 0.25f);
            EXPECT_EQ(wet.bus[3][i], 0.25f);
        }
        const float level = stage == kSustain ? 0.8f : 0.4f; // the second frame after one decay step
        EXPECT_FLOAT_EQ(wet.bus[0][1] - 0.25f, 0.2f * level);
        EXPECT_FLOAT_EQ(wet.bus[1][1] - 0.25f, 0.1f * level);

        slot = soundingVoice(1.0f);
        MixCall split(0.0f);
        split.run(slot, {0.2f, 0.1f, 0.5f}, stage); // the share ramps from 1 to 0.5 over the call
        EXPECT_FLOAT_EQ(split.bus[2][kMaxSliceFrames - 1], split.bus[0][kMaxSliceFrames - 1]);
        EXPECT_GT(split.bus[2][0], 0.0f);
        for (int32_t i = 0; i < kMaxSliceFrames; ++i) {
            EXPECT_NEAR(split.bus[0][i] + split.bus[2][i], wet.bus[0][i] - 0.25f, 1e-7f) << i;
            EXPECT_NEAR(split.bus[1][i] + split.bus[3][i], wet.bus[1][i] - 0.25f, 1e-7f) << i;
        }
        EXPECT_EQ(slot.prevFxShare, 0.5f);
        EXPECT_EQ(slot.age, static_cast<uint32_t>(kMaxSliceFrames));
    }
}
