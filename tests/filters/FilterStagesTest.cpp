// The stages around the kernels, and the slot-level contract: memories,
// type codes and phases.
#include "FilterTestSupport.h"
#include "FilterTypes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>

namespace {

std::vector<float> preStage(int32_t type, float offset, std::vector<float> signal, float osc1Frequency = 440.0f,
                            double rate = 44100.0)
{
    const TestTables tables(rate);
    VoiceSlot slot{};
    slot.voiceFilterType = type;
    FilterParams params{};
    params.offset = offset;
    params.osc1Frequency = osc1Frequency;
    for (size_t at = 0; at < signal.size(); at += kMaxSliceFrames) {
        const int32_t frames = static_cast<int32_t>(std::min<size_t>(kMaxSliceFrames, signal.size() - at));
        applyPreFilterStage(slot, tables.view(), params, signal.data() + at, frames);
    }
    return signal;
}

double peakFrom(const std::vector<float>& v, size_t from)
{
    double p = 0.0;
    for (size_t i = from; i < v.size(); ++i)
        p = std::max(p, static_cast<double>(std::fabs(v[i])));
    return p;
}

double followGain(float offset, double hz)
{
    const std::vector<float> out = preStage(kLowpass12Follow, offset, sine(hz, 44100.0, 32768, 1.0f), 440.0f);
    return peakFrom(out, 16384);
}

} // namespace

TEST(PreFilterStage, BitcrushAtOffsetZeroQuantisesToFiveHundredTwelfths)
{
    const std::vector<float> in = noise(4096, 11);
    const std::vector<float> out = preStage(kLowpass12Bitcrush, 0.0f, in);
    std::set<float> levels;
    for (size_t i = 0; i < in.size(); ++i) {
        const float steps = out[i] * 512.0f;
        ASSERT_EQ(steps, std::round(steps)) << i;
        ASSERT_LE(std::fabs(out[i] - in[i]), 1.0f / 1024.0f + 1e-7f) << i;
        levels.insert(out[i]);
    }
    EXPECT_GT(levels.size(), 900u); // fine steps, not a handful of levels
}

TEST(PreFilterStage, BitcrushAtFullOffsetLeavesUnderOneLevelPerUnit)
{
    const std::vector<float> out = preStage(kLowpass12Bitcrush, 1.0f, sine(100.0, 44100.0, 4096, 1.0f));
    for (float v : out) {
        const float step = 1.0f / 0.75f;
        ASSERT_TRUE(v == 0.0f || std::fabs(std::fabs(v) - step) < 1e-6f) << v;
    }
}

TEST(PreFilterStage, DriveSaturatesMoreWithOffset)
{
    const std::vector<float> ramp = {0.0f, 0.01f, 0.5f, 1.0f, -1.0f};
    const std::vector<float> gentle = preStage(kLowpass12Dist, 0.0f, ramp);
    const std::vector<float> hard = preStage(kLowpass12Dist, 1.0f, ramp);
    EXPECT_NEAR(gentle[3], std::tanh(0.2), 1e-4); // full scale driven by 16 x 0.0125
    EXPECT_NEAR(gentle[4], -std::tanh(0.2), 1e-4);
    EXPECT_NEAR(hard[1], std::tanh(0.16), 1e-4);
    EXPECT_NEAR(hard[3], 1.0, 1e-4);
    EXPECT_EQ(hard[0], 0.0f);
}

TEST(PreFilterStage, FollowHighpassCornerSitsOnTheNoteAtHalfOffset)
{
    EXPECT_NEAR(followGain(0.5f, 440.0), std::sqrt(0.5), 0.02);
    EXPECT_LT(followGain(0.5f, 55.0), 0.15);
    EXPECT_NEAR(followGain(0.5f, 3520.0), 1.0, 0.02);
    // Offset 1 moves the corner four octaves up.
    EXPECT_NEAR(followGain(1.0f, 440.0 * 16.0), std::sqrt(0.5), 0.03);
}

TEST(PreFilterStage, FollowCornerStaysBelowNyquistForAnyNote)
{
    const std::vector<float> out = preStage(kLowpass12Follow, 1.0f, noise(8192, 5), 30000.0f, 22050.0);
    for (float v : out)
        ASSERT_TRUE(std::isfinite(v) && std::fabs(v) < 4.0f) << v;
}

TEST(PostFilterStage, SaturationDrivesAndMixesWithOffset)
{
    const TestTables tables(44100.0);
    VoiceSlot slot{};
    slot.voiceFilterType = kLowpass24Saturation;
    FilterParams params{};
    params.offset = 1.0f;
    float quiet[] = {0.001f, -0.001f};
    applyPostFilterStage(slot, tables.view(), params, quiet, 2);
    EXPECT_NEAR(quiet[0], 0.001f * 16.0f * 8.0f * 0.020625f, 2e-5f); // small-signal gain 16 gamma
    EXPECT_NEAR(quiet[1], -quiet[0], 1e-9f);
    float loud[] = {40.0f, -1e30f};
    applyPostFilterStage(slot, tables.view(), params, loud, 2);
    EXPECT_NEAR(loud[0], 1.0f, 1e-4f);
    EXPECT_NEAR(loud[1], -1.0f, 1e-4f);

    slot.voiceFilterType = kLadder24; // other types pass untouched
    float untouched[] = {0.7f};
    applyPostFilterStage(slot, tables.view(), params, untouched, 1);
    EXPECT_EQ(untouched[0], 0.7f);
}

TEST(FilterSlot, ClearedMemoriesMakeTheVoiceSoundLikeANewOne)
{
    FilterRig played(kCombLowpass24, 44100.0);
    played.params.resonance = 0.8f;
    played.process(noise(1000, 2));
    bool anyMemory = std::any_of(std::begin(played.slot.filterState), std::end(played.slot.filterState),
                                 [](float v) { return v != 0.0f; });
    EXPECT_TRUE(anyMemory);

    clearFilterMemories(played.slot);
    played.slot.prevCutoff = kUnsetCutoff;
    FilterRig fresh(kCombLowpass24, 44100.0);
    fresh.params.resonance = 0.8f;
    const std::vector<float> in = noise(512, 9);
    const std::vector<float> a = played.process(in);
    const std::vector<float> b = fresh.process(in);
    for (size_t i = 0; i < a.size(); ++i)
        ASSERT_EQ(a[i], b[i]) << i;
}

TEST(FilterSlot, DenormalRangeMemoriesFlushToZero)
{
    VoiceSlot slot{};
    for (float& v : slot.filterState)
        v = 5e-10f;
    slot.filterState[2] = 0.5f;
    slot.followState = -5e-10f;
    flushFilterDenormals(slot);
    for (int32_t i = 0; i < 7; ++i)
        EXPECT_EQ(slot.filterState[i], i == 2 ? 0.5f : 0.0f) << i;
    EXPECT_EQ(slot.followState, 0.0f);
}

TEST(FilterSlot, CodesWithoutAFilterSoundLikeTheTwelveDbLowpass)
{
    for (int32_t code : {18, -1, 111}) {
        FilterRig odd(code, 44100.0);
        FilterRig lowpass(kLowpass12, 44100.0);
        const std::vector<float> in = noise(1024, 4);
        const std::vector<float> a = odd.process(in);
        const std::vector<float> b = lowpass.process(in);
        for (size_t i = 0; i < a.size(); ++i)
            ASSERT_EQ(a[i], b[i]) << "code " << code << " frame " << i;
    }
}

TEST(FilterSlot, ConstantCutoffPathMatchesThePerFramePath)
{
    for (int32_t type : {kLowpass12, kLowpass24}) {
        FilterRig sustaining(type, 48000.0);
        FilterRig moving(type, 48000.0);
        for (FilterRig* rig : {&sustaining, &moving}) {
            rig->position = 0.6f;
            rig->envelopeLevel = 0.4f;
            rig->params.envAmount = 0.3f;
            rig->params.resonance = 0.6f;
        }
        sustaining.params.envelopeSustaining = true;
        const std::vector<float> in = noise(1024, 8);
        const std::vector<float> a = sustaining.process(in);
        const std::vector<float> b = moving.process(in);
        for (size_t i = 0; i < a.size(); ++i)
            ASSERT_EQ(a[i], b[i]) << "type " << type << " frame " << i;
    }
}

TEST(FilterSlot, KernelAdvancesLfoTwoBySlice)
{
    FilterRig rig(kLowpass12, 44100.0);
    rig.slot.lfoPhase[1] = 0xFFFFFF00u;
    rig.params.lfo2Increment = 1000;
    rig.process(noise(100, 1)); // slices of 64 and 36 frames
    EXPECT_EQ(rig.slot.lfoPhase[1], 0xFFFFFF00u + 100000u);
}
