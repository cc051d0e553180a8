// The stages around the kernels, and the slot-level contract: memories,
// type codes and phases.
#include "FilterTestSupport.h"

#include <set>

namespace {

std::vector<float> preStage(int32_t type, float offset, const std::vector<float>& signal, float osc1Hz = 440.0f,
                            double rate = 44100.0)
{
    FilterRig rig(type, rate);
    rig.params.offset = offset;
    rig.params.osc1Frequency = osc1Hz;
    return rig.process(signal, nullptr, true);
}

double followGain(float offset, double hz)
{
    return peakOf(preStage(kLowpass12Follow, offset, sine(hz, 44100.0, 32768, 1.0f)), 16384);
}

} // namespace

TEST(PreFilterStage, FollowHighpassCornerSitsOnTheNoteAtHalfOffsetAndBelowNyquist)
{
    EXPECT_NEAR(followGain(0.5f, 440.0), std::sqrt(0.5), 0.02);
    EXPECT_LT(followGain(0.5f, 55.0), 0.15);
    EXPECT_NEAR(followGain(0.5f, 3520.0), 1.0, 0.02);
    EXPECT_NEAR(followGain(1.0f, 440.0 * 16.0), std::sqrt(0.5), 0.03); // four octaves up at offset 1
    for (float v : preStage(kLowpass12Follow, 1.0f, noise(8192, 5), 30000.0f, 22050.0))
        ASSERT_TRUE(std::isfinite(v) && std::fabs(v) < 4.0f) << v;
}

TEST(PostFilterStage, SaturationDrivesAndMixesWithOffset)
{
    FilterRig rig(kLowpass24Saturation, 44100.0);
    rig.params.offset = 1.0f;
    float quiet[] = {0.001f, -0.001f}, loud[] = {40.0f, -1e30f}, untouched[] = {0.7f};
    applyPostFilterStage(rig.slot, rig.tables(), rig.params, quiet, 2);
    EXPECT_NEAR(quiet[0], 0.001f * 16.0f * 8.0f * 0.020625f, 2e-5f); // small-signal gain 16 gamma
    EXPECT_NEAR(quiet[1], -quiet[0], 1e-9f);
    applyPostFilterStage(rig.slot, rig.tables(), rig.params, loud, 2);
    EXPECT_NEAR(loud[0], 1.0f, 1e-4f);
    EXPECT_NEAR(loud[1], -1.0f, 1e-4f);
    rig.slot.voiceFilterType = kLadder24; // other types pass untouched
    applyPostFilterStage(rig.slot, rig.tables(), rig.params, untouched, 1);
    EXPECT_EQ(untouched[0], 0.7f);
}

TEST(FilterSlot, ClearedMemoriesMakeTheVoiceSoundLikeANewOne)
{
    FilterRig played(kCombLowpass24, 44100.0), fresh(kCombLowpass24, 44100.0);
    played.params.resonance = fresh.params.resonance = 0.8f;
    played.process(noise(1000, 2));
    EXPECT_TRUE(std::any_of(std::begin(played.slot.filterState), std::end(played.slot.filterState),
                            [](float v) { return v != 0.0f; }));
    clearFilterMemories(played.slot);
    played.slot.prevCutoff = kUnsetCutoff;
    expectSameOutput(played, fresh, 512, 9);

    VoiceSlot slot{}; // and memories in the denormal range flush to zero
    std::fill(std::begin(slot.filterState), std::end(slot.filterState), 5e-10f);
    slot.filterState[2] = 0.5f;
    slot.followState = -5e-10f;
    flushFilterDenormals(slot);
    for (int32_t i = 0; i < 7; ++i)
        EXPECT_EQ(slot.filterState[i], i == 2 ? 0.5f : 0.0f) << i;
    EXPECT_EQ(slot.followState, 0.0f);
}

TEST(FilterSlot, CodesWithoutAFilterSoundLikeTheTwelveDbLowpass)
{
    for (int32_t code : {18, -1, 111, 1000}) {
        SCOPED_TRACE(code);
        FilterRig odd(code, 44100.0), lowpass(kLowpass12, 44100.0);
        expectSameOutput(odd, lowpass, 1024, 4);
    }
}

TEST(FilterSlot, ConstantCutoffPathMatchesThePerFramePath)
{
    for (int32_t type : {kLowpass12, kLowpass24}) {
        SCOPED_TRACE(type);
        FilterRig sustaining(type, 48000.0), moving(type, 48000.0);
        for (FilterRig* rig : {&sustaining, &moving}) {
            rig->position = 0.6f;
            rig->envelopeLevel = 0.4f;
            rig->params.envAmount = 0.3f;
            rig->params.resonance = 0.6f;
        }
        sustaining.params.envelopeSustaining = true;
        expectSameOutput(sustaining, moving, 1024, 8);
    }
}

