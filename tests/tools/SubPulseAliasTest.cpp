// The sub-oscillator's pulse tables against the rule they are built by:
// nothing above Nyquist at 44.1 kHz for any pitch that reads them, and the
// full bass square where it fits.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "OscillatorTables.h"
#include "Measure.h"

using namespace vesk;

namespace {
// The loudest partial of `table` at or above Nyquist when its fundamental
// plays at `hz`, in dB relative to the fundamental.
double worstAliasDb(const std::vector<double>& amplitudes, double hz) {
  double worst = 1e-12;
  for (size_t h = 1; h < amplitudes.size(); ++h)
    if (h * hz >= 22050.0) worst = std::max(worst, amplitudes[h]);
  return 20.0 * std::log10(worst / amplitudes[1]);
}

double stepHz(int n) { return 1.021974609375 * std::pow(2.0, n / 12.0); }
}  // namespace

TEST(SubPulseTables, NoPartialAboveNyquistWhileBassTablesKeepTheFullSquare) {
  const auto fullSquare = cycleHarmonics(subPulseTables[0]);
  EXPECT_EQ(highestHarmonicAbove(fullSquare, 0.5), 127);
  // One table for every pitch: a 220 Hz sub read the full square and its
  // 101st harmonic folded back at about -40 dB.
  const int n220 = int(std::floor(12.0 * std::log2(220.0 / stepHz(0))));
  EXPECT_NEAR(worstAliasDb(fullSquare, 220.0), -40.0, 1.0);
  for (int n = 0; n < kSawTableCount; ++n) {
    const auto amplitudes = cycleHarmonics(subPulseTables[n]);
    // The highest pitch reading table n is just below step n + 1.
    EXPECT_LT(worstAliasDb(amplitudes, stepHz(n + 1)), -90.0) << n;
    EXPECT_NEAR(amplitudes[1], 13000 * 4 / M_PI, 5) << n;
    if (127 * stepHz(n + 2) < 20200.0) {
      EXPECT_TRUE(std::equal(subPulseTables[n], subPulseTables[n] + kCycleLength, subPulseTables[0])) << n;
    }
  }
  EXPECT_LT(worstAliasDb(cycleHarmonics(subPulseTables[n220]), 220.0), -90.0);
}
