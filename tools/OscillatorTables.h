// Oscillator tables generated at build time by the tools/ generators and
// compiled in. Every single-cycle table holds 2048 samples of one cycle on the
// signed 16-bit scale plus a guard sample equal to sample 0, so a reader at
// index 2047 can interpolate towards index 2048 without wrapping.
#pragma once

#include <cstdint>

namespace vesk {

constexpr int kCycleLength = 2048;                  // samples per single-cycle table
constexpr int kGuardedCycleLength = kCycleLength + 1;
constexpr int kSawTableCount = 156;                 // one per semitone, n = pitch >> 7
constexpr int kWaveCount = 70;
constexpr int kWaveBandCount = 6;                   // octave bands, see waveSet
constexpr int kBlepPhaseSteps = 128;                // step positions per frame
constexpr int kBlepLength = 32;                     // frames per residual row (the last is unused)

// [n][i]: band-limited rising saw for pitch step n (nominal 1.021974609375 * 2^(n/12) Hz), sample i.
extern const int16_t sawTables[kSawTableCount][kGuardedCycleLength];

// [i]: trunc(32767 * 0.999 * sin(2 pi i / 2048)).
extern const int16_t sineTable[kGuardedCycleLength];

// [n][i]: band-limited square for the sub-oscillator at pitch step n (as the saws),
// negative first half, +-13000 plateau; odd harmonics up to 127 where they fit.
extern const int16_t subPulseTables[kSawTableCount][kGuardedCycleLength];

// [r][j]: correction j frames after a unit step that fell r/128 of a frame before the
// current frame; starts at 1 (undoing the naive step) and rings down to 0.
extern const float blepResidual[kBlepPhaseSteps + 1][kBlepLength];

// [w][b][i]: wave w, band b (b = 0 below MIDI note 60, b from note 48 + 12b, b = 5 from note 108).
extern const int16_t waveSet[kWaveCount][kWaveBandCount][kGuardedCycleLength];

// [w]: pitch correction of wave w in 1/128 semitone, cancelling the extra cycles a table holds.
extern const int32_t wavePitchCorrection[kWaveCount];
// The recipes' names, for the editor's wave menus.
extern const char* const waveNames[kWaveCount];

}  // namespace vesk
