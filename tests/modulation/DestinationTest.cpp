// Each destination group heard in the output: a constant source routed into
// it changes what the voice sounds like in the way the destination means.
#include "ModulationRig.h"

#include "ParamIndex.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

using namespace ParamIndex;

constexpr int kSecond = 44100;

double pitchOf(ModulationRig& rig, int note)
{
    rig.useSine();
    rig.noteOn(note);
    const std::vector<float> out = rig.render(8192);
    return frequencyOf(out, 2048, 6144);
}

TEST(PitchDestinations, SemiReadsWholeHundredthsOfTheAmount)
{
    ModulationRig plain;
    const double base = pitchOf(plain, 48);
    for (double amount : {0.12, 0.125}) {
        ModulationRig rig;
        rig.route(1, kSrcConst, amount, kDestPitchSemi);
        EXPECT_NEAR(semitones(base, pitchOf(rig, 48)), 12.0, 0.02) << amount;
    }
    ModulationRig fine;
    fine.route(1, kSrcConst, 0.5, kDestPitchFine); // 64/128 semitone
    EXPECT_NEAR(semitones(base, pitchOf(fine, 48)), 0.5, 0.02);
}

TEST(PitchDestinations, ArpNoteTransposesByItsStepWhateverTheAmount)
{
    ModulationRig plain;
    const double base = pitchOf(plain, 36);

    ModulationRig rig;
    rig.route(1, kSrcArpNote, 0.9, kDestPitchSemi);
    rig.useSine();
    rig.noteOn(36);
    rig.engine().arp.arpOn = true; // after the note, which an arpeggiator would otherwise take
    rig.engine().mod.arpNoteOut = 13.0 / 128.0;
    const std::vector<float> out = rig.render(8192);
    EXPECT_NEAR(semitones(base, frequencyOf(out, 2048, 6144)), 12.0, 0.02);

    // Without an arpeggiator the source reads 0.5: step 64, 63 semitones up.
    ModulationRig idle;
    idle.route(1, kSrcArpNote, 0.1, kDestPitchSemi);
    EXPECT_NEAR(semitones(base, pitchOf(idle, 36)), 63.0, 0.05);
}

TEST(FilterDestinations, LoweringTheCutoffDarkensASaw)
{
    ModulationRig plain;
    plain.noteOn(48);
    const std::vector<float> open = plain.render(8192);

    ModulationRig rig;
    rig.route(1, kSrcConst, -0.5, kDestFilterCutoff);
    rig.noteOn(48);
    const std::vector<float> closed = rig.render(8192);
    EXPECT_LT(roughness(closed, 2048, 6144), 0.7 * roughness(open, 2048, 6144));
}

TEST(FilterDestinations, AVoiceKeepsTheFilterTypeItStartedWith)
{
    ModulationRig rig;
    rig.route(1, kSrcConst, 0.12, kDestFilterType);
    rig.noteOn(48);
    rig.render(256);
    EXPECT_EQ(rig.engine().voices[0].voiceFilterType, 17);
    rig.route(1, kSrcConst, 0.7, kDestFilterType);
    rig.render(256);
    EXPECT_EQ(rig.engine().voices[0].voiceFilterType, 17);
    rig.noteOn(50);
    rig.render(64);
    EXPECT_EQ(rig.engine().voices[1].voiceFilterType, 14);
}

TEST(AmplitudeDestinations, VolumeScalesTheGainByOnePlusTheSumSquared)
{
    ModulationRig plain;
    plain.noteOn(48);
    const double base = rms(plain.render(4096), 1024, 3072);

    ModulationRig rig;
    rig.route(1, kSrcConst, -0.5, kDestVolume);
    rig.noteOn(48);
    EXPECT_NEAR(rms(rig.render(4096), 1024, 3072) / base, 0.25, 0.0025);

    ModulationRig db;
    db.route(1, kSrcConst, -0.1, kDestLevelDb); // 10^-0.5
    db.noteOn(48);
    EXPECT_NEAR(rms(db.render(4096), 1024, 3072) / base, std::pow(10.0, -0.5), 0.003);
}

TEST(AmplitudeDestinations, PanMovesTheVoiceToOneSide)
{
    ModulationRig rig;
    rig.route(1, kSrcConst, 1.0, kDestPan);
    rig.noteOn(48);
    const RenderedBuses out = rig.renderBuses(4096);
    EXPECT_EQ(rms(out.fx.left, 1024, 3072), 0.0);
    EXPECT_GT(rms(out.fx.right, 1024, 3072), 0.05);
}

TEST(EnvelopeDestinations, LongerAmpAttackSlowsTheOnset)
{
    ModulationRig plain;
    plain.noteOn(48);
    const double base = rms(plain.render(2048), 0, 2048);

    ModulationRig rig;
    rig.route(1, kSrcConst, 0.5, kDestAmpAttack); // 2 ms becomes about 200 ms
    rig.noteOn(48);
    EXPECT_LT(rms(rig.render(2048), 0, 2048), 0.5 * base);
}

// Tremolo cycles per second: LFO 3 drives the level through LFO 3*Amp, and
// the windowed level crosses its middle once per cycle.
int tremoloCycles(ModulationRig& rig)
{
    constexpr int kWindow = 256;
    rig.useSine();
    rig.route(1, kSrcConst, 1.0, kDestLfo3Amp);
    rig.noteOn(84);
    const std::vector<float> out = rig.render(2 * kSecond);
    std::vector<double> level;
    for (size_t at = kSecond; at + kWindow <= out.size(); at += kWindow)
        level.push_back(rms(out, at, kWindow));
    const auto [low, high] = std::minmax_element(level.begin(), level.end());
    const double middle = 0.5 * (*low + *high);
    int cycles = 0;
    for (size_t i = 1; i < level.size(); ++i)
        cycles += level[i - 1] < middle && level[i] >= middle;
    return cycles;
}

TEST(LfoDestinations, RateModulationSpeedsUpOnlyTheRoutedVoicesLfo)
{
    ModulationRig plain;
    const int slow = tremoloCycles(plain); // rate 0.5: about 3.2 Hz
    EXPECT_GE(slow, 2);
    EXPECT_LE(slow, 4);

    ModulationRig rig;
    rig.route(2, kSrcConst, 0.25, kDestLfo3Rate); // rate 0.75: about 17.8 Hz
    const int fast = tremoloCycles(rig);
    EXPECT_GE(fast, 16);
    EXPECT_LE(fast, 19);
    EXPECT_FLOAT_EQ(rig.engine().lfo[2].lfoRate, 0.5f);
}

TEST(OscillatorDestinations, OscMixHandsTheVoiceToOscillatorTwo)
{
    ModulationRig plain;
    const double base = pitchOf(plain, 48);

    ModulationRig rig;
    rig.set(kOsc2Shape, 0.7f);     // sine
    rig.set(kOsc2Coarse, 0.6667f); // +12
    rig.set(kOsc2Fine, 0.5f);
    rig.route(1, kSrcConst, 1.0, kDestOscMix);
    EXPECT_NEAR(semitones(base, pitchOf(rig, 48)), 12.0, 0.02);
}

TEST(OscillatorDestinations, Fm1AddsPartialsToASine)
{
    auto sineTwo = [](ModulationRig& rig) {
        rig.set(kOsc1Shape, 0.7f);
        rig.set(kOsc2Shape, 0.7f);
        rig.set(kOsc2Fine, 0.5f);
        rig.set(kOscMix, 1.0f);
        rig.noteOn(48);
        const std::vector<float> out = rig.render(8192);
        return roughness(out, 2048, 6144) / rms(out, 2048, 6144);
    };
    ModulationRig plain;
    const double pure = sineTwo(plain);
    ModulationRig rig;
    rig.route(1, kSrcConst, 0.5, kDestFm1);
    EXPECT_GT(sineTwo(rig), 1.5 * pure);
}

TEST(FxShareDestination, FullyDryVoicesBypassTheEffectsBus)
{
    ModulationRig rig;
    rig.route(1, kSrcConst, -1.0, kDestFxDryWet);
    rig.noteOn(48);
    const RenderedBuses out = rig.renderBuses(4096);
    EXPECT_EQ(rms(out.fx.left, 0, 4096), 0.0);
    EXPECT_GT(rms(out.dry.left, 1024, 3072), 0.05);

    ModulationRig half;
    half.route(1, kSrcConst, -0.5, kDestFxDryWet);
    half.noteOn(48);
    const RenderedBuses split = half.renderBuses(4096);
    EXPECT_NEAR(rms(split.fx.left, 1024, 3072), rms(split.dry.left, 1024, 3072), 1e-6);
}

TEST(ControllerCurveDestinations, VelocityCurveSoftensTheVoiceFromTheNextBlock)
{
    ModulationRig rig;
    rig.route(1, kSrcVelocity, 1.0, kDestVolume);
    rig.noteOn(48, 64);
    const double straight = rms(rig.render(2048), 1024, 1024);
    rig.route(2, kSrcConst, 0.5, kDestVelocityCurve); // knee 0.75: 0.5 reads 1/6
    rig.render(256);
    const double bent = rms(rig.render(2048), 1024, 1024);
    const double v = 2.0 * (1.0 / 6.0 - 0.5);
    EXPECT_NEAR(bent / straight, (1.0 + v) * (1.0 + v), 0.003);
}

} // namespace
