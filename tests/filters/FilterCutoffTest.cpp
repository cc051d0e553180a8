#include "FilterTestSupport.h"
#include "FilterTypes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

TEST(FilterCutoff, KeyTrackingAddsFiveThousandthsPerSemitone)
{
    EXPECT_FLOAT_EQ(filterCutoffPosition(0.2f, 1.0f, 60 * 128.0f), 0.5f);
    EXPECT_FLOAT_EQ(filterCutoffPosition(0.2f, 0.5f, 72 * 128.0f), 0.2f + 0.5f * 0.005f * 72.0f);
    EXPECT_FLOAT_EQ(filterCutoffPosition(0.2f, 0.0f, 127 * 128.0f), 0.2f);
}

TEST(FilterCutoff, RampRunsFromPreviousTargetAndLandsOnTheNewOne)
{
    VoiceSlot slot{};
    slot.prevCutoff = kUnsetCutoff;
    const CutoffRamp first = beginCutoffRamp(slot, 0.6f, 0.0f, 32);
    EXPECT_FLOAT_EQ(first.start, 0.6f); // a fresh voice starts at its target
    EXPECT_FLOAT_EQ(first.step, 0.0f);
    EXPECT_FLOAT_EQ(slot.prevCutoff, 0.6f);

    const CutoffRamp second = beginCutoffRamp(slot, 0.2f, 0.001f, 40);
    EXPECT_FLOAT_EQ(second.start, 0.6f);
    EXPECT_FLOAT_EQ(second.step, -0.4f / 40.0f + 0.001f);
    EXPECT_NEAR(second.start + 40 * second.step, 0.2f + 40 * 0.001f, 1e-6f);

    // One frame completes the ramp at once.
    const CutoffRamp third = beginCutoffRamp(slot, 0.9f, 0.0f, 1);
    EXPECT_FLOAT_EQ(third.start + third.step, 0.9f);
}

TEST(FilterCutoff, IndexRoundsAndStaysInsideEachKernelsLimit)
{
    EXPECT_EQ(cutoffIndex(0.0f, kSvfIndexLimit), 0);
    EXPECT_EQ(cutoffIndex(-3.0f, kSvfIndexLimit), 0);
    EXPECT_EQ(cutoffIndex(std::numeric_limits<float>::quiet_NaN(), kSvfIndexLimit), 0);
    EXPECT_EQ(cutoffIndex(1.0f, kSvfIndexLimit), 2047);
    EXPECT_EQ(cutoffIndex(1.0f, kWideIndexLimit), 2048);
    EXPECT_EQ(cutoffIndex(5.0f, 2253), 2253);
    EXPECT_EQ(cutoffIndex(1e30f, 2068), 2068);
    EXPECT_EQ(cutoffIndex(1000.4f / 2048.0f, kSvfIndexLimit), 1000);
    EXPECT_EQ(cutoffIndex(1000.6f / 2048.0f, kSvfIndexLimit), 1001);
}

// The envelope moves the cutoff per frame: a low-pass whose envelope opens
// it passes more of a high tone than the same filter with the envelope shut.
TEST(FilterCutoff, EnvelopeAmountOpensTheFilter)
{
    const std::vector<float> tone = sine(3000.0, 44100.0, 8192);
    auto level = [&](float envelope) {
        FilterRig rig(kLowpass12, 44100.0);
        rig.position = positionFor(300.0);
        rig.params.envAmount = 0.5f;
        rig.envelopeLevel = envelope;
        const std::vector<float> out = rig.process(tone);
        double peak = 0.0;
        for (size_t i = 4096; i < out.size(); ++i)
            peak = std::max(peak, static_cast<double>(std::fabs(out[i])));
        return peak;
    };
    EXPECT_GT(level(1.0f), 10.0 * level(0.0f));
}

// Filter FM adds the buffer to the position frame by frame.
TEST(FilterCutoff, FilterFmBufferShiftsThePosition)
{
    const std::vector<float> tone = sine(3000.0, 44100.0, 8192);
    FilterRig plain(kLowpass12, 44100.0);
    plain.position = positionFor(30000.0);
    FilterRig modulated(kLowpass12, 44100.0);
    modulated.position = positionFor(300.0);
    modulated.filterFm.assign(tone.size(), positionFor(30000.0) - positionFor(300.0));
    const std::vector<float> a = plain.process(tone);
    const std::vector<float> b = modulated.process(tone);
    for (size_t i = 0; i < a.size(); ++i)
        ASSERT_NEAR(a[i], b[i], 1e-6f) << i;
}
