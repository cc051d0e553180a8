#include <gtest/gtest.h>

#include <cmath>

#include "OscillatorHarness.h"

namespace {

using namespace osctest;

constexpr double kRate = 44100.0;
constexpr size_t kSettle = 4096;
constexpr size_t kWindow = 65536;
constexpr int32_t kFrames = int32_t(kSettle + kWindow);
constexpr double kGuardHz = 6.0; // clear of the window's main lobe

// Pitch offset (1/128 semitone) that moves note 69 to about hz; most land
// between two saw tables.
int32_t offsetFor(double hz) { return int32_t(std::lround(1536.0 * std::log2(hz / 440.0))); }

// Strongest component off the harmonics of f0, against the fundamental.
double aliasDb(const std::vector<float>& out, double f0)
{
    const Spectrum spectrum(out, kSettle, kWindow, kRate);
    return db(spectrum.strongestOffHarmonic(f0, kGuardHz) / spectrum.amplitude(f0));
}

TEST(OscillatorAliasing, SawAliasesStayFarBelowTheFundamentalUpTo4kHz)
{
    for (int osc = 0; osc < 2; ++osc) {
        for (double hz : {55.0, 261.0, 440.0, 1000.0, 1750.0, 2500.0, 3100.0, 3600.0, 4000.0}) {
            OscillatorRig rig(kRate, 69);
            rig.params.oscMix = float(osc);
            rig.bendOffset = offsetFor(hz);
            const double f0 = incrementHz(std::lround(rig.peekSlice().increment[osc].value), kRate);
            EXPECT_LT(aliasDb(rig.render(kFrames), f0), -60.0) << "oscillator " << osc + 1 << " at " << f0 << " Hz";
        }
    }
}

// The same sync without any step correction: oscillator 2 jumps to its
// restart phase and wraps plainly.
std::vector<float> naiveSyncedSaw(uint32_t inc1, uint32_t inc2, int32_t frames)
{
    std::vector<float> out(static_cast<size_t>(frames));
    uint32_t phase1 = 0, phase2 = 0;
    for (int32_t k = 0; k < frames; ++k) {
        const uint32_t next1 = phase1 + inc1;
        if (next1 < phase1)
            phase2 = uint32_t(std::lround(double(inc2) * double(next1) / double(inc1)));
        phase1 = next1;
        out[size_t(k)] = float(2.0 * (double(phase2) / 4294967296.0 - 0.5));
        phase2 += inc2;
    }
    return out;
}

// A synced saw's spectrum has a hole wherever its partials fold: the
// residual steps back from Nyquist a little, so aliases from the top octave
// land near the top, and below 15 kHz the correction must leave nearly nothing.
TEST(OscillatorAliasing, HardSyncWithStepCorrectionAliasesFarLessThanNaiveSync)
{
    constexpr double kAudibleFoldHz = 15000.0;
    for (int32_t note : {57, 81}) { // 220 and 880 Hz
        for (int32_t semitones : {5, 14, 26}) {
            SCOPED_TRACE(testing::Message() << "note " << note << ", oscillator 2 " << semitones << " semitones up");
            OscillatorRig rig(kRate, note);
            rig.params.coarse[1] = semitones;
            rig.params.oscMix = 1.0f;
            rig.params.oscSync = true;
            const OscillatorSlice slice = rig.peekSlice();
            const uint32_t inc1 = uint32_t(std::lround(slice.increment[0].value));
            const uint32_t inc2 = uint32_t(std::lround(slice.increment[1].value));
            const double f1 = incrementHz(inc1, kRate);

            const Spectrum corrected(rig.render(kFrames), kSettle, kWindow, kRate);
            const Spectrum naive(naiveSyncedSaw(inc1, inc2, kFrames), kSettle, kWindow, kRate);
            const double correctedFold = db(corrected.strongestOffHarmonic(f1, kGuardHz, kAudibleFoldHz) /
                                            corrected.strongest());
            const double naiveFold =
                db(naive.strongestOffHarmonic(f1, kGuardHz, kAudibleFoldHz) / naive.strongest());
            EXPECT_LT(correctedFold, -60.0);
            EXPECT_LT(correctedFold, naiveFold - 30.0) << "naive " << naiveFold << " dB";
            EXPECT_LT(corrected.offHarmonicPowerDb(f1, kGuardHz), naive.offHarmonicPowerDb(f1, kGuardHz) - 15.0);
        }
    }
}

} // namespace
