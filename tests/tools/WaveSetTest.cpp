#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "OscillatorTables.h"
#include "Measure.h"

namespace vesk {
namespace {


// Band b is played up to the table rate of MIDI note 60 + 12b (pitch step
// 96 + 12b); nothing in it may sound above 20 kHz there.
int bandLimit(int band) {
  const double topHz = 1.021974609375 * std::pow(2.0, (96 + 12 * band) / 12.0);
  return int(20000.0 / topHz);
}

// Anything below one 16-bit step is rounding noise, not content.
constexpr double kNoiseFloor = 0.5;

TEST(WaveSet, EveryBandStaysBelowItsLimitAndKeepsTheGuard) {
  for (int w = 0; w < kWaveCount; ++w)
    for (int b = 0; b < kWaveBandCount; ++b) {
      SCOPED_TRACE(::testing::Message() << "wave " << w << " band " << b);
      const int16_t* table = waveSet[w][b];
      EXPECT_EQ(table[kCycleLength], table[0]);
      const auto amplitudes = cycleHarmonics(table);
      EXPECT_LE(::highestHarmonicAbove(amplitudes, kNoiseFloor), bandLimit(b));
      EXPECT_LT(amplitudes[0], kNoiseFloor);
    }
}

TEST(WaveSet, EachWaveReachesFullScaleAndBandsShareItsLevel) {
  for (int w = 0; w < kWaveCount; ++w) {
    SCOPED_TRACE(w);
    int peak = 0;
    for (int b = 0; b < kWaveBandCount; ++b)
      for (int i = 0; i < kCycleLength; ++i) peak = std::max(peak, std::abs(int(waveSet[w][b][i])));
    EXPECT_EQ(peak, 32767);
    // A partial present in two bands has the same amplitude in both.
    const auto low = cycleHarmonics(waveSet[w][0]);
    const auto high = cycleHarmonics(waveSet[w][1]);
    for (int k = 1; k <= bandLimit(1); ++k) EXPECT_NEAR(low[k], high[k], 1.0) << "harmonic " << k;
  }
}

TEST(WaveSet, FullBandsUseTheirWholeRange) {
  // The saw has every harmonic, so each band must reach its own limit.
  for (int b = 0; b < kWaveBandCount; ++b)
    EXPECT_EQ(::highestHarmonicAbove(cycleHarmonics(waveSet[1][b]), kNoiseFloor), bandLimit(b)) << b;
}

TEST(WaveSet, WaveTenBandZeroIsATriangle) {
  const int16_t* triangle = waveSet[10][0];
  const auto amplitudes = cycleHarmonics(triangle);
  for (int h = 1; h <= bandLimit(0); ++h) {
    if (h % 2 == 0) EXPECT_LT(amplitudes[h], kNoiseFloor) << h;
    else EXPECT_NEAR(amplitudes[h] * h * h / amplitudes[1], 1.0, 0.01 + 2.0 * h * h / amplitudes[1]) << h;
  }
  // Shape: zero at the start, peaks at a quarter and three quarters, and
  // straight in between.
  EXPECT_NEAR(triangle[0], 0, 40);
  EXPECT_NEAR(triangle[512], 32767, 400);
  EXPECT_NEAR(triangle[1536], -32767, 400);
  for (int i = 0; i < kCycleLength; ++i) {
    const double phase = double(i) / kCycleLength;
    const double ideal = phase < 0.25 ? 4 * phase : phase < 0.75 ? 2 - 4 * phase : 4 * phase - 4;
    ASSERT_NEAR(triangle[i] / 32767.0, ideal, 0.02) << i;
  }
}

// The note's own fundamental sits at the table bin given by the cycles the
// table holds, which the pitch correction cancels.
int cyclesPerTable(int w) { return int(std::lround(std::exp2(-wavePitchCorrection[w] / 1536.0))); }

TEST(WaveSet, PitchCorrectionsMatchTheCyclesEachTableHolds) {
  for (int w = 0; w < kWaveCount; ++w) {
    const int expected = w >= 60 && w <= 62 ? -5102 : w == 63 || w == 64 ? -1536 : w >= 65 ? -4608 : 0;
    EXPECT_EQ(wavePitchCorrection[w], expected) << w;
  }
  for (int w : {60, 61, 65, 66, 67, 68}) {
    // Struck partials: the note's fundamental is the lowest partial.
    const auto amplitudes = cycleHarmonics(waveSet[w][0]);
    const int cycles = cyclesPerTable(w);
    EXPECT_GT(amplitudes[cycles], 1000) << w;
    for (int k = 1; k < cycles; ++k) EXPECT_LT(amplitudes[k], kNoiseFloor) << w << " bin " << k;
  }
  for (int w : {63, 64}) {
    // Two cycles: the 8' fundamental at bin 2, the 16' an octave below it.
    const auto amplitudes = cycleHarmonics(waveSet[w][0]);
    EXPECT_EQ(cyclesPerTable(w), 2);
    EXPECT_GT(amplitudes[1], 1000) << w;
    EXPECT_GT(amplitudes[2], 1000) << w;
  }
}

TEST(WaveSet, MultiCycleWavesCarryPartialsBetweenTheHarmonics) {
  // What the extra cycles are for: partials off the note's harmonic series.
  for (int w : {60, 61, 62, 65, 66, 67, 68, 69}) {
    const auto amplitudes = cycleHarmonics(waveSet[w][0]);
    const int cycles = cyclesPerTable(w);
    double offSeries = 0.0;
    for (int k = 1; k <= bandLimit(0); ++k)
      if (k % cycles != 0) offSeries = std::max(offSeries, amplitudes[k]);
    EXPECT_GT(offSeries, 100.0) << w;
  }
}

}  // namespace
}  // namespace vesk
