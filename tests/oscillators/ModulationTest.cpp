#include <gtest/gtest.h>

#include "OscillatorHarness.h"

namespace {

using namespace osctest;

const double kFifth = 440.0 * std::pow(2.0, 7.0 / 12.0);

// Oscillator 1 a sine at 440 Hz, oscillator 2 a sine a fifth above, heard alone.
OscillatorRig fmRig(int32_t mode, float fmAmount = 0.0f)
{
    OscillatorRig rig;
    rig.params.shape[0] = rig.params.shape[1] = kOscSine;
    rig.params.coarse[1] = 7;
    rig.params.oscMix = 1.0f;
    rig.params.fmMode = mode;
    if (fmAmount != 0.0f)
        rig.modulate = [fmAmount](OscillatorInputs& in) { in.fmAmount = fmAmount; };
    return rig;
}

TEST(OscillatorFm, UnusedFmLeavesOscillatorTwoAloneAndUsedFmAddsSidebands)
{
    const auto expected = fmRig(kFmFeedback).render(8192);
    for (int32_t mode : {kFmFeedback, kFmDual, kFmFilter}) {
        OscillatorRig rig = fmRig(mode);
        EXPECT_EQ(rig.render(8192), expected) << mode;
        EXPECT_EQ(peakOf(rig.filterFm), 0.0) << mode;
    }
    // A routed slot at zero depth runs the FM loop, which must then match.
    OscillatorRig zeroDepth = fmRig(kFmFeedback);
    zeroDepth.modulate = [](OscillatorInputs& in) { in.fmModulated = true; };
    EXPECT_EQ(zeroDepth.render(8192), expected);

    const WindowSpectrum clean(fmRig(kFmFeedback).render(kFrames));
    EXPECT_LT(dB(clean.amplitude(kFifth + 440.0) / clean.amplitude(kFifth)), -80.0);
    for (int32_t mode : {kFmFeedback, kFmDual}) {
        const WindowSpectrum fm(fmRig(mode, 0.02f).render(kFrames));
        for (double f : {kFifth + 440.0, kFifth - 440.0})
            EXPECT_GT(dB(fm.amplitude(f) / fm.amplitude(kFifth)), -30.0) << "mode " << mode << " at " << f;
    }
}

// Oscillator 1 a saw at 220 Hz from phase 0; oscillator 2 a fifth up, synced and heard alone.
OscillatorRig syncRig(int32_t shape2 = kOscSaw)
{
    OscillatorRig rig(kRate, 57);
    rig.params.shape[1] = shape2;
    rig.params.wave[1] = 30;
    rig.params.coarse[1] = 7;
    rig.params.oscMix = 1.0f;
    rig.params.oscSync = true;
    rig.modulate = [](OscillatorInputs& in) { in.setPhase[0] = true; };
    return rig;
}

TEST(OscillatorSync, RestartsOscillatorTwoAtOscillatorOnesCycle)
{
    OscillatorRig rig = syncRig();
    const OscillatorSlice slice = rig.peekSlice();
    const uint32_t inc1 = uint32_t(std::lround(slice.increment[0].value));
    const double inc2 = double(std::lround(slice.increment[1].value));
    const auto out = rig.render(44100);
    uint32_t phase1 = 0;
    int restarts = 0;
    for (size_t k = 0; k + 200 < out.size(); phase1 += inc1, ++k) {
        const uint32_t next = phase1 + inc1;
        if (next >= phase1)
            continue;
        ++restarts;
        // Once the step correction has rung out (30 frames), oscillator 2 is
        // the plain ramp from its restart phase up to its own wrap.
        const double restart = std::round(inc2 * double(next) / double(inc1));
        for (size_t j = 31; j < 120; ++j)
            ASSERT_NEAR(out[k + j], 2.0 * ((restart + double(j) * inc2) / 4294967296.0 - 0.5), 2e-3)
                << "restart at " << k << ", frame " << j;
    }
    EXPECT_GT(restarts, 200);
}

TEST(OscillatorOneShot, FallsSilentAfterExactlyOneCycleUntilTheNextNote)
{
    for (bool fat : {false, true}) {
        SCOPED_TRACE(fat);
        OscillatorRig rig;
        rig.params.oscMix = 1.0f;
        rig.params.fatAmount[1] = fat ? 64 : 0;
        rig.modulate = [](OscillatorInputs& in) { in.oneShot = true; };
        rig.slot.osc2Phase = 0x12345678u; // whatever the last note left
        const size_t cycle = size_t(std::ceil(4294967296.0 / double(std::lround(rig.peekSlice().increment[1].value))));
        const auto out = rig.render(44100);
        EXPECT_GT(peakOf(out, 0, cycle), 0.5);
        EXPECT_NE(out[cycle - 1], 0.0f);
        EXPECT_EQ(peakOf(out, cycle), 0.0);
        EXPECT_LT(out[1], -0.9f); // the saw's table starts mid-jump at 0, then at the bottom

        rig.startNote(69);
        const auto again = rig.render(4096);
        EXPECT_EQ(peakOf(again, cycle), 0.0);
        if (!fat) {
            EXPECT_EQ(again, std::vector<float>(out.begin(), out.begin() + 4096));
        }
    }
    // Oscillator 1 plays on, and under sync there is no one-shot.
    OscillatorRig mixed, synced = syncRig();
    mixed.params.oscMix = 0.5f;
    mixed.modulate = synced.modulate = [](OscillatorInputs& in) { in.oneShot = in.setPhase[0] = true; };
    EXPECT_GT(peakOf(mixed.render(8192), 4096), 0.4);
    EXPECT_GT(peakOf(synced.render(8192), 4096), 0.5);
}

} // namespace
