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

TEST(FilterSlot, CodesWithoutAFilterSoundLikeTheTwelveDbLowpass)
{
    for (int32_t code : {18, -1, 111, 1000}) {
        SCOPED_TRACE(code);
        FilterRig odd(code, 44100.0), lowpass(kLowpass12, 44100.0);
        expectSameOutput(odd, lowpass, 1024, 4);
    }
}

