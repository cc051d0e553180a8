#include "ParamDisplay.h"

#include "ParamIndex.h"
#include "VstAbi.h"

#include <gtest/gtest.h>

#include <cstring>
#include <iterator>
#include <limits>
#include <string>

namespace {

using namespace ParamIndex;

constexpr DisplayContext kPlain{{false, false, false}, 1, 0};
constexpr float kInf = std::numeric_limits<float>::infinity();

struct Shown {
    int32_t index;
    float value;
    const char* text;
    DisplayContext context = kPlain;
};

void expectShown(const Shown* first, const Shown* last)
{
    for (const Shown* c = first; c != last; ++c) {
        char text[kVstMaxParamStrLen] = {};
        EXPECT_TRUE(formatParamDisplay(c->index, c->value, c->context, text)) << "index " << c->index;
        EXPECT_STREQ(text, c->text) << "index " << c->index << " value " << c->value;
    }
}

TEST(ParamDisplay, TextsForTheirValues)
{
    const DisplayContext lfo2Synced{{false, true, false}, 1, 0};
    const DisplayContext allSynced{{true, true, true}, 1, 0};
    const Shown cases[] = {
        {kOsc1Coarse, 0.5f, "0"}, {kOsc1Coarse, 1.0f, "+36"}, {kOsc1Coarse, 0.0f, "-36"},
        {kOsc2Coarse, 37.0f / 72.0f, "+1"},
        {kOsc2Coarse, 35.0f / 72.0f, "-1"}, // the float nearest 35/72 lies just below the step, not -2
        {kOsc1Fine, 0.5f, "0.0 ct"}, {kOsc2Fine, 0.0f, "-100.0 ct"}, {kOsc2Fine, 1.0f, "100.0 ct"},
        {kOsc1Shape, 0.0f, "Saw"}, {kOsc1Shape, 0.34f, "Pulse"}, {kOsc2Shape, 0.67f, "Sine"},
        {kOsc2Shape, 1.0f, "Wavetbl"}, {kOsc1Shape, -0.5f, "Wavetbl"}, {kOsc3Shape, 0.0f, "Saw"},
        {kOsc3Shape, 0.5f, "Pulse"}, {kOsc3Shape, 1.0f, "Triangle"}, {kLfo1Shape, 1.0f, "S+H"},
        {kLfo3Shape, 0.67f, "Sine"}, {kLfo2Shape + 1, 0.0f, "0.1 Hz"}, {kLfo2Shape + 1, 1.0f, "100.0 Hz"},
        {kLfo2Shape + 1, 0.0f, "8/1*", lfo2Synced}, {kLfo2Shape + 1, 1.0f, "1/32T", lfo2Synced},
        {kLfo2Shape + 1, 16.0f / 26.0f, "1/4", lfo2Synced},
        // Each LFO follows its own sync flag.
        {kLfo1Shape + 1, 1.0f, "100.0 Hz", lfo2Synced}, {kLfo3Shape + 1, 1.0f, "100.0 Hz", lfo2Synced},
        {kLfo1Shape + 3, 0.0f, "Off"}, {kLfo1Shape + 3, 0.000009f, "Off"}, {kLfo1Shape + 3, 1.0f, "10.00 s"},
        {kLfo3Shape + 3, 0.0f, "Off"}, {kFilterOffset, 0.5f, "0 %"}, {kFilterOffset, 1.0f, "+100 %"},
        {kFilterOffset, 0.0f, "-100 %"}, {kArpSwing, 1.0f, "+75 %"}, {kArpSwing, 0.0f, "-75 %"},
        {kDelayType + 1, 0.5f, "0"}, {kDelayType + 1, 1.0f, "+64"}, {kDelayType + 1, 0.0f, "-64"},
        {kVolume, 0.75f, "75 %"}, {kFilterCutoff, 0.0f, "0 %"}, {kModAmount, 1.0f, "100 %"},
        {kLfo1Shape + 2, 0.5f, "50 %"},
        // Voices shows the engine's count, not the value.
        {kVoices, 0.9f, "1 voice", {{}, 1, 0}}, {kVoices, 0.0f, "4 voices", {{}, 4, 0}},
        {kVoices, 0.0f, "8 voices", {{}, 8, 0}}, {kPhaserType, 0.0f, "4-Stage-Ph"}, {kPhaserType, 1.0f, "Chorus II"},
        {kDelayType, 0.0f, "Simple"}, {kDelayType, 0.874f, "Multi-Tap"}, {kDelayType, 0.875f, "Diffuse"},
        {kDelayType, 1.0f, "Diffuse"}, {kReverbType, 0.0f, "Diffuse-1"}, {kReverbType, 1.0f, "Cathedral"},
        {kDistType, 0.0f, "LP+Crunch"}, {kDistType, 0.125f, "HP+Crunch"}, {kDistType, 1.0f, "LP+Clip"},
        {kDelayType + 4, 1.0f, "1/64T"}, {kDelayType + 4, 0.0f, "1/1*"}, {kDelayType + 5, 7.0f / 20.0f, "1/4"},
        {kPhaserType + 1, 0.0f, "0.05 Hz"}, {kPhaserType + 1, 1.0f, "20.00 Hz"}, {kReverbType + 2, 0.0f, "0.5 s"},
        {kReverbType + 2, 1.0f, "10.0 s"}, {kReverbType + 4, 0.5f, "50 ms"}, {kReverbType + 4, 0.29f, "29 ms"},
        {kReverbType + 4, 0.0000005f, "0 ms"}, {kReverbType + 5, 0.0f, "10 Hz"}, {kReverbType + 5, 1.0f, "1000 Hz"},
        // The distortion colour's range follows the filter side.
        {kDistType + 1, 0.0f, "100 Hz", {{}, 1, 0}}, {kDistType + 1, 1.0f, "20000 Hz", {{}, 1, 6}},
        {kDistType + 1, 0.0f, "1 Hz", {{}, 1, 1}}, {kDistType + 1, 1.0f, "2000 Hz", {{}, 1, 7}},
        // Out-of-range choices show the nearest entry.
        {kDelayType, 2.0f, "Diffuse"}, {kDelayType, -1.0f, "Simple"}, {kPhaserType, 1e30f, "Chorus II"},
        {kReverbType, -1e30f, "Diffuse-1"}, {kDistType, kInf, "LP+Clip"},
        {kDelayType + 4, std::numeric_limits<float>::quiet_NaN(), "1/1*"}, {kLfo1Shape + 1, 5.0f, "1/32T", allSynced},
        {kLfo1Shape + 1, -5.0f, "8/1*", allSynced},
    };
    expectShown(std::begin(cases), std::end(cases));
}

TEST(ParamDisplay, NoTextLeavesTheBufferAsItWas)
{
    const int32_t silentIndices[] = {kArpRate, kArpLength, -1, kNumProgramParams, kEditorPitchBend, kNumDescriptors,
                                     std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()};
    for (const int32_t index : silentIndices) {
        char text[kVstMaxParamStrLen] = "unchanged";
        EXPECT_FALSE(formatParamDisplay(index, 0.5f, kPlain, text)) << "index " << index;
        EXPECT_STREQ(text, "unchanged");
    }
}

// Hosts pass whatever float they like; whatever comes back must stay inside the
// 32 bytes hosts allocate and be terminated there.
TEST(ParamDisplay, HostileValuesNeverOverrunTheHostBuffer)
{
    constexpr char kGuard = '\x5a';
    const float values[] = {std::numeric_limits<float>::quiet_NaN(), -std::numeric_limits<float>::quiet_NaN(),
                            kInf, -kInf, 1e30f, -1e30f, std::numeric_limits<float>::max(),
                            -std::numeric_limits<float>::max(), std::numeric_limits<float>::denorm_min(),
                            -0.0f, -0.5f, -1.0f, 2.0f, 1e9f};
    const DisplayContext contexts[] = {
        kPlain, {{true, true, true}, std::numeric_limits<int32_t>::min(), -1},
        {{true, false, true}, std::numeric_limits<int32_t>::max(), std::numeric_limits<int32_t>::max()},
    };
    for (const DisplayContext& context : contexts)
        for (int32_t index = -2; index < kNumDescriptors + 2; ++index)
            for (const float value : values) {
                char buffer[kVstMaxParamStrLen + 64];
                std::memset(buffer, kGuard, sizeof buffer);
                const bool wrote = formatParamDisplay(index, value, context, buffer);
                for (size_t i = kVstMaxParamStrLen; i < sizeof buffer; ++i)
                    ASSERT_EQ(buffer[i], kGuard) << "index " << index << " value " << value;
                if (wrote) {
                    ASSERT_NE(std::memchr(buffer, '\0', kVstMaxParamStrLen), nullptr) << index << " " << value;
                } else {
                    ASSERT_EQ(buffer[0], kGuard) << "index " << index;
                }
            }
}

} // namespace
