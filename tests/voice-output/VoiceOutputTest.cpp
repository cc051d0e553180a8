// Where a layer sits in the stereo field and when it is silent.
#include "VoiceOutput.h"

#include <gtest/gtest.h>

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

