#include <gtest/gtest.h>

#include "OscillatorHarness.h"

namespace {

using namespace osctest;

constexpr double kGuardHz = 6.0; // clear of the window's main lobe

TEST(OscillatorAliasing, SawAliasesStayFarBelowTheFundamentalUpTo4kHz)
{
    for (int osc = 0; osc < 2; ++osc) {
        // Most of these land between two saw tables.
        for (double hz : {55.0, 261.0, 440.0, 1000.0, 1750.0, 2500.0, 3100.0, 3600.0, 4000.0}) {
            OscillatorRig rig;
            rig.params.oscMix = float(osc);
            rig.modulate = [hz](OscillatorInputs& in) { in.pitchOffset = int32_t(std::lround(1536.0 * std::log2(hz / 440.0))); };
            const double f0 = rig.oscHz(osc);
            const WindowSpectrum spectrum(rig.render(kFrames));
            EXPECT_LT(dB(spectrum.strongestOffHarmonic(f0, kGuardHz) / spectrum.amplitude(f0)), -60.0)
                << "oscillator " << osc + 1 << " at " << f0 << " Hz";
        }
    }
}

// The same sync without any step correction: oscillator 2 jumps to its
// restart phase and wraps plainly.
std::vector<float> naiveSyncedSaw(uint32_t inc1, uint32_t inc2)
{
    std::vector<float> out(static_cast<size_t>(kFrames));
    uint32_t phase1 = 0, phase2 = 0;
    for (float& v : out) {
        const uint32_t next1 = phase1 + inc1;
        if (next1 < phase1)
            phase2 = uint32_t(std::lround(double(inc2) * double(next1) / double(inc1)));
        phase1 = next1;
        v = float(2.0 * (double(phase2) / 4294967296.0 - 0.5));
        phase2 += inc2;
    }
    return out;
}

// A synced saw's spectrum has a hole wherever its partials fold: the residual
// steps back from Nyquist a little, so aliases from the top octave land near
// the top, and below 15 kHz the correction must leave nearly nothing.
TEST(OscillatorAliasing, HardSyncWithStepCorrectionAliasesFarLessThanNaiveSync)
{
    for (int32_t note : {57, 81}) { // 220 and 880 Hz
        for (int32_t semitones : {5, 14, 26}) {
            SCOPED_TRACE(testing::Message() << "note " << note << ", oscillator 2 " << semitones << " semitones up");
            OscillatorRig rig(kRate, note);
            rig.params.coarse[1] = semitones;
            rig.params.oscMix = 1.0f;
            rig.params.oscSync = true;
            const OscillatorSlice slice = rig.peekSlice();
            const uint32_t inc1 = uint32_t(std::lround(slice.increment[0].value));
            const double f1 = incrementHz(inc1, kRate);
            const WindowSpectrum corrected(rig.render(kFrames));
            const WindowSpectrum naive(naiveSyncedSaw(inc1, uint32_t(std::lround(slice.increment[1].value))));
            auto foldDb = [f1](const WindowSpectrum& s) { return dB(s.strongestOffHarmonic(f1, kGuardHz, 15000.0) / s.strongest()); };
            EXPECT_LT(foldDb(corrected), -60.0);
            EXPECT_LT(foldDb(corrected), foldDb(naive) - 30.0) << "naive " << foldDb(naive) << " dB";
        }
    }
}

} // namespace
