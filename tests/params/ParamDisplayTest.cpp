#include "ParamDisplay.h"

#include "ParamIndex.h"
#include "VstAbi.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

namespace {

using namespace ParamIndex;

constexpr DisplayContext kPlain{{false, false, false}, 1, 0};

std::string show(int32_t index, float value, const DisplayContext& context = kPlain)
{
    char text[kVstMaxParamStrLen] = {};
    EXPECT_TRUE(formatParamDisplay(index, value, context, text)) << "index " << index;
    return text;
}

TEST(ParamDisplay, OscillatorCoarseShowsSignedSemitones)
{
    EXPECT_EQ(show(kOsc1Coarse, 0.5f), "0");
    EXPECT_EQ(show(kOsc1Coarse, 1.0f), "+36");
    EXPECT_EQ(show(kOsc1Coarse, 0.0f), "-36");
    EXPECT_EQ(show(kOsc2Coarse, 37.0f / 72.0f), "+1");
    // The float nearest 35/72 lies just below the step; it must not read as -2.
    EXPECT_EQ(show(kOsc2Coarse, 35.0f / 72.0f), "-1");
}

TEST(ParamDisplay, OscillatorFineAndShapes)
{
    EXPECT_EQ(show(kOsc1Fine, 0.5f), "0.0 ct");
    EXPECT_EQ(show(kOsc2Fine, 0.0f), "-100.0 ct");
    EXPECT_EQ(show(kOsc2Fine, 1.0f), "100.0 ct");

    EXPECT_EQ(show(kOsc1Shape, 0.0f), "Saw");
    EXPECT_EQ(show(kOsc1Shape, 0.34f), "Pulse");
    EXPECT_EQ(show(kOsc2Shape, 0.67f), "Sine");
    EXPECT_EQ(show(kOsc2Shape, 1.0f), "Wavetbl");
    EXPECT_EQ(show(kOsc1Shape, -0.5f), "Wavetbl");

    EXPECT_EQ(show(kOsc3Shape, 0.0f), "Saw");
    EXPECT_EQ(show(kOsc3Shape, 0.5f), "Pulse");
    EXPECT_EQ(show(kOsc3Shape, 1.0f), "Triangle");
}

TEST(ParamDisplay, LfoShapeRateAndFadeIn)
{
    EXPECT_EQ(show(kLfo1Shape, 1.0f), "S+H");
    EXPECT_EQ(show(kLfo3Shape, 0.67f), "Sine");

    const int32_t lfo2Rate = kLfo2Shape + 1;
    EXPECT_EQ(show(lfo2Rate, 0.0f), "0.1 Hz");
    EXPECT_EQ(show(lfo2Rate, 1.0f), "100.0 Hz");

    const DisplayContext lfo2Synced{{false, true, false}, 1, 0};
    EXPECT_EQ(show(lfo2Rate, 0.0f, lfo2Synced), "8/1*");
    EXPECT_EQ(show(lfo2Rate, 1.0f, lfo2Synced), "1/32T");
    EXPECT_EQ(show(lfo2Rate, 16.0f / 26.0f, lfo2Synced), "1/4");
    // Each LFO follows its own sync flag.
    EXPECT_EQ(show(kLfo1Shape + 1, 1.0f, lfo2Synced), "100.0 Hz");
    EXPECT_EQ(show(kLfo3Shape + 1, 1.0f, lfo2Synced), "100.0 Hz");

    const int32_t lfo1FadeIn = kLfo1Shape + 3;
    EXPECT_EQ(show(lfo1FadeIn, 0.0f), "Off");
    EXPECT_EQ(show(lfo1FadeIn, 0.000009f), "Off");
    EXPECT_EQ(show(lfo1FadeIn, 1.0f), "10.00 s");
    EXPECT_EQ(show(kLfo3Shape + 3, 0.0f), "Off");
}

TEST(ParamDisplay, SignedPercentagesAndColour)
{
    EXPECT_EQ(show(kFilterOffset, 0.5f), "0 %");
    EXPECT_EQ(show(kFilterOffset, 1.0f), "+100 %");
    EXPECT_EQ(show(kFilterOffset, 0.0f), "-100 %");
    EXPECT_EQ(show(kArpSwing, 1.0f), "+75 %");
    EXPECT_EQ(show(kArpSwing, 0.0f), "-75 %");
    EXPECT_EQ(show(kDelayType + 1, 0.5f), "0");
    EXPECT_EQ(show(kDelayType + 1, 1.0f), "+64");
    EXPECT_EQ(show(kDelayType + 1, 0.0f), "-64");
}

TEST(ParamDisplay, PlainPercentages)
{
    EXPECT_EQ(show(kVolume, 0.75f), "75 %");
    EXPECT_EQ(show(kFilterCutoff, 0.0f), "0 %");
    EXPECT_EQ(show(kModAmount, 1.0f), "100 %");
    EXPECT_EQ(show(kLfo1Shape + 2, 0.5f), "50 %"); // skew
}

TEST(ParamDisplay, VoicesShowsTheEngineCountNotTheValue)
{
    EXPECT_EQ(show(kVoices, 0.9f, {{}, 1, 0}), "1 voice");
    EXPECT_EQ(show(kVoices, 0.0f, {{}, 4, 0}), "4 voices");
    EXPECT_EQ(show(kVoices, 0.0f, {{}, 8, 0}), "8 voices");
}

TEST(ParamDisplay, EffectTypeLists)
{
    EXPECT_EQ(show(kPhaserType, 0.0f), "4-Stage-Ph");
    EXPECT_EQ(show(kPhaserType, 1.0f), "Chorus II");
    EXPECT_EQ(show(kDelayType, 0.0f), "Simple");
    EXPECT_EQ(show(kDelayType, 0.874f), "Multi-Tap");
    EXPECT_EQ(show(kDelayType, 0.875f), "Diffuse");
    EXPECT_EQ(show(kDelayType, 1.0f), "Diffuse");
    EXPECT_EQ(show(kReverbType, 0.0f), "Diffuse-1");
    EXPECT_EQ(show(kReverbType, 1.0f), "Cathedral");
    EXPECT_EQ(show(kDistType, 0.0f), "LP+Crunch");
    EXPECT_EQ(show(kDistType, 0.125f), "HP+Crunch");
    EXPECT_EQ(show(kDistType, 1.0f), "LP+Clip");
}

TEST(ParamDisplay, DelayRatesAsNoteLengths)
{
    EXPECT_EQ(show(kDelayType + 4, 1.0f), "1/64T");
    EXPECT_EQ(show(kDelayType + 4, 0.0f), "1/1*");
    EXPECT_EQ(show(kDelayType + 5, 7.0f / 20.0f), "1/4");
}

TEST(ParamDisplay, EffectUnits)
{
    EXPECT_EQ(show(kPhaserType + 1, 0.0f), "0.05 Hz");
    EXPECT_EQ(show(kPhaserType + 1, 1.0f), "20.00 Hz");
    EXPECT_EQ(show(kReverbType + 2, 0.0f), "0.5 s");
    EXPECT_EQ(show(kReverbType + 2, 1.0f), "10.0 s");
    EXPECT_EQ(show(kReverbType + 4, 0.5f), "50 ms");
    EXPECT_EQ(show(kReverbType + 4, 0.29f), "29 ms");
    EXPECT_EQ(show(kReverbType + 4, 0.0000005f), "0 ms");
    EXPECT_EQ(show(kReverbType + 5, 0.0f), "10 Hz");
    EXPECT_EQ(show(kReverbType + 5, 1.0f), "1000 Hz");
}

TEST(ParamDisplay, DistortionColourRangeFollowsTheFilterSide)
{
    const int32_t colour = kDistType + 1;
    EXPECT_EQ(show(colour, 0.0f, {{}, 1, 0}), "100 Hz");
    EXPECT_EQ(show(colour, 1.0f, {{}, 1, 6}), "20000 Hz");
    EXPECT_EQ(show(colour, 0.0f, {{}, 1, 1}), "1 Hz");
    EXPECT_EQ(show(colour, 1.0f, {{}, 1, 7}), "2000 Hz");
}

TEST(ParamDisplay, EqBands)
{
    for (const int32_t band : {kEq1Type, kEq2Type}) {
        EXPECT_EQ(show(band, 0.497f), "Peaking");
        EXPECT_EQ(show(band, 0.498f), "Lo Shelf");
        EXPECT_EQ(show(band, 0.995f), "Lo Shelf"); // int(2.01 v) turns over at 2/2.01
        EXPECT_EQ(show(band, 0.9951f), "Hi Shelf");
        EXPECT_EQ(show(band + 1, 0.0f), "10 Hz");
        EXPECT_EQ(show(band + 1, 1.0f), "10000 Hz");
        EXPECT_EQ(show(band + 2, 0.0f), "0.1");
        EXPECT_EQ(show(band + 2, 0.5f), "1.0");
        EXPECT_EQ(show(band + 2, 1.0f), "10.0");
        EXPECT_EQ(show(band + 3, 0.5f), "+0.0 dB");
        EXPECT_EQ(show(band + 3, 0.0f), "-10.0 dB");
        EXPECT_EQ(show(band + 3, 0.25f), "-5.0 dB");
        EXPECT_EQ(show(band + 3, 1.0f), "+10.0 dB");
    }
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

TEST(ParamDisplay, OutOfRangeChoicesShowTheNearestEntry)
{
    EXPECT_EQ(show(kDelayType, 2.0f), "Diffuse");
    EXPECT_EQ(show(kDelayType, -1.0f), "Simple");
    EXPECT_EQ(show(kPhaserType, 1e30f), "Chorus II");
    EXPECT_EQ(show(kReverbType, -1e30f), "Diffuse-1");
    EXPECT_EQ(show(kDistType, std::numeric_limits<float>::infinity()), "LP+Clip");
    EXPECT_EQ(show(kDelayType + 4, std::nanf("")), "1/1*");
    const DisplayContext synced{{true, true, true}, 1, 0};
    EXPECT_EQ(show(kLfo1Shape + 1, 5.0f, synced), "1/32T");
    EXPECT_EQ(show(kLfo1Shape + 1, -5.0f, synced), "8/1*");
}

// Hosts pass whatever float they like; whatever comes back must stay inside the
// 32 bytes hosts allocate and be terminated there.
TEST(ParamDisplay, HostileValuesNeverOverrunTheHostBuffer)
{
    constexpr char kGuard = '\x5a';
    constexpr size_t kSlack = 64;
    const float values[] = {std::nanf(""),
                            -std::nanf(""),
                            std::numeric_limits<float>::infinity(),
                            -std::numeric_limits<float>::infinity(),
                            1e30f,
                            -1e30f,
                            std::numeric_limits<float>::max(),
                            -std::numeric_limits<float>::max(),
                            std::numeric_limits<float>::denorm_min(),
                            -0.0f,
                            -0.5f,
                            -1.0f,
                            2.0f,
                            1e9f};
    const DisplayContext contexts[] = {
        kPlain,
        {{true, true, true}, std::numeric_limits<int32_t>::min(), -1},
        {{true, false, true}, std::numeric_limits<int32_t>::max(), std::numeric_limits<int32_t>::max()},
    };
    for (const DisplayContext& context : contexts)
        for (int32_t index = -2; index < kNumDescriptors + 2; ++index)
            for (const float value : values) {
                char buffer[kVstMaxParamStrLen + kSlack];
                std::memset(buffer, kGuard, sizeof buffer);
                const bool wrote = formatParamDisplay(index, value, context, buffer);
                for (size_t i = kVstMaxParamStrLen; i < sizeof buffer; ++i)
                    ASSERT_EQ(buffer[i], kGuard) << "index " << index << " value " << value;
                if (wrote) {
                    ASSERT_NE(std::memchr(buffer, '\0', kVstMaxParamStrLen), nullptr)
                        << "index " << index << " value " << value;
                } else {
                    ASSERT_EQ(buffer[0], kGuard) << "index " << index;
                }
            }
}

} // namespace
