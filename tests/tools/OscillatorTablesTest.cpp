#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "OscillatorTables.h"
#include "Measure.h"

namespace vesk {
namespace {


double sawNominalHz(int n) { return 1.021974609375 * std::pow(2.0, n / 12.0); }

// The counting rule: harmonic h is kept while h + 1 would still sound below
// 20.2 kHz at the table's nominal pitch, at most 1023.
int expectedSawHarmonics(int n) {
  int h = 0;
  while (h < 1023 && (h + 2) * sawNominalHz(n) < 20200.0) ++h;
  return h;
}

int sawHarmonicCount(int n) {
  const auto amplitudes = cycleHarmonics(sawTables[n]);
  return ::highestHarmonicAbove(amplitudes, amplitudes[1] / 4096.0);
}

TEST(SawTables, HoldTheHarmonicCountsOfTheirPitch) {
  EXPECT_EQ(sawHarmonicCount(105), 44);   // 440 Hz
  EXPECT_EQ(sawHarmonicCount(84), 153);   // 130.8 Hz
  EXPECT_EQ(sawHarmonicCount(0), 1023);
  for (int n = 0; n < kSawTableCount; ++n) {
    SCOPED_TRACE(n);
    const int count = sawHarmonicCount(n);
    EXPECT_EQ(count, expectedSawHarmonics(n));
    EXPECT_LT(count * sawNominalHz(n), 20200.0);
  }
}

TEST(BlepResidual, StartsWithTheKnownStepCorrection) {
  const float rowZero[] = {1.0f, 0.9985f, 0.9138f, 0.3704f, -0.2101f, 0.0736f, -0.0078f};
  for (int j = 0; j < 7; ++j) EXPECT_NEAR(blepResidual[0][j], rowZero[j], 0.002) << j;
  // A step one whole frame back is the step at fraction 0, one frame later.
  for (int j = 0; j + 1 < kBlepLength - 1; ++j) EXPECT_FLOAT_EQ(blepResidual[kBlepPhaseSteps][j], blepResidual[0][j + 1]) << j;
}

}  // namespace
}  // namespace vesk
