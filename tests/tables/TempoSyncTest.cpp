#include "NoteLengths.h"
#include "TempoSync.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

const float kNaN = std::numeric_limits<float>::quiet_NaN();
const float kInf = std::numeric_limits<float>::infinity();

// A raw rate well inside the band that picks entry r.
float lfoRateFor(int r) { return std::min(1.0f, (r + 0.5f) / 26.001f); }
float arpRateFor(int r) { return std::min(1.0f, (r + 0.5f) / 20.01f); }

} // namespace

TEST(TempoSync, SyncedLfoPeriodLastsItsNoteLength)
{
    EXPECT_FLOAT_EQ(lfoFrequency(0.5f, true, 120.0), 1.0f);              // "1/2": half a whole note
    EXPECT_FLOAT_EQ(lfoFrequency(lfoRateFor(16), true, 120.0), 2.0f);    // "1/4": one beat
    for (double bpm : {60.0, 120.0, 174.0})
        for (int r = 0; r < kNumNoteLengths; ++r) {
            const double quarterNotes = bpm / 60.0 / lfoFrequency(lfoRateFor(r), true, bpm);
            EXPECT_NEAR(quarterNotes, kNoteLengths[r].length / 16.0, 1e-5) << kNoteLengths[r].lfoName;
        }
}

TEST(TempoSync, AnyRawRateStaysInsideTheNoteLengthTable)
{
    const auto lfoAt = [](int r) { return lfoFrequency(lfoRateFor(r), true, 120.0); };
    EXPECT_EQ(lfoFrequency(kNaN, true, 120.0), lfoAt(0));
    EXPECT_EQ(lfoFrequency(-kInf, true, 120.0), lfoAt(0));
    EXPECT_EQ(lfoFrequency(kInf, true, 120.0), lfoAt(26));
    EXPECT_EQ(lfoFrequency(1e30f, true, 120.0), lfoAt(26));
    EXPECT_EQ(lfoFrequency(kNaN, false, 120.0), 0.1f);
    EXPECT_EQ(lfoFrequency(kInf, false, 120.0), 100.0f);
    EXPECT_EQ(lfoFrequency(-1e30f, false, 120.0), 0.1f);

    const auto arpAt = [](int r) { return arpFramesPerTick(arpRateFor(r), true, 120.0, 44100.0); };
    EXPECT_EQ(arpFramesPerTick(kNaN, true, 120.0, 44100.0), arpAt(0));
    EXPECT_EQ(arpFramesPerTick(-kInf, true, 120.0, 44100.0), arpAt(0));
    EXPECT_EQ(arpFramesPerTick(kInf, true, 120.0, 44100.0), arpAt(20));
    EXPECT_EQ(arpFramesPerTick(kNaN, false, 120.0, 44100.0), arpFramesPerTick(0.0f, false, 120.0, 44100.0));
}

