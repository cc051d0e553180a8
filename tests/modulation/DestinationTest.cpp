// Each destination group heard in the output: a constant source routed into
// it changes what the voice sounds like in the way the destination means.
#include "ModulationRig.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace {

using namespace ParamIndex;

struct Route {
    int32_t source;
    double amount;
    int32_t dest;
};

// A held note on a rig with these routes (slots 1, 2, ...) after `setup`.
std::vector<float> play(int note, std::vector<Route> routes = {}, std::function<void(ModulationRig&)> setup = {},
                        int frames = 8192)
{
    ModulationRig rig;
    for (size_t k = 0; k < routes.size(); ++k)
        rig.route(static_cast<int>(k + 1), routes[k].source, routes[k].amount, routes[k].dest);
    if (setup)
        setup(rig);
    rig.noteOn(note);
    return rig.render(frames);
}

double pitchOf(int note, std::vector<Route> routes = {}, std::function<void(ModulationRig&)> setup = {})
{
    return frequencyOf(play(note, std::move(routes), [&](ModulationRig& rig) {
                           rig.useSine();
                           if (setup)
                               setup(rig);
                       }),
                       kRate, 2048, 6144);
}

double semitones(double from, double to) { return 12.0 * std::log2(to / from); }

TEST(PitchDestinations, SemiReadsWholeHundredthsAndArpNoteTransposesByItsStep)
{
    const double base = pitchOf(48);
    for (double amount : {0.12, 0.125})
        EXPECT_NEAR(semitones(base, pitchOf(48, {{kSrcConst, amount, kDestPitchSemi}})), 12.0, 0.02) << amount;
    EXPECT_NEAR(semitones(base, pitchOf(48, {{kSrcConst, 0.5, kDestPitchFine}})), 0.5, 0.02); // 64/128 semitone

    // The step counts whatever the amount; without an arpeggiator the source reads 0.5: step 64.
    ModulationRig rig;
    rig.route(1, kSrcArpNote, 0.9, kDestPitchSemi);
    rig.useSine();
    rig.noteOn(48);
    rig.engine().arp.arpOn = true; // after the note, which an arpeggiator would otherwise take
    rig.engine().arp.lastStepValue = 13.0f / 128.0f;
    EXPECT_NEAR(semitones(base, frequencyOf(rig.render(8192), kRate, 2048, 6144)), 12.0, 0.02);
    EXPECT_NEAR(semitones(pitchOf(36), pitchOf(36, {{kSrcArpNote, 0.1, kDestPitchSemi}})), 63.0, 0.05);
}

TEST(FilterDestinations, LoweringTheCutoffDarkensASawAndAVoiceKeepsItsStartingType)
{
    const std::vector<float> open = play(48), closed = play(48, {{kSrcConst, -0.5, kDestFilterCutoff}});
    EXPECT_LT(roughnessOf(closed, 2048, 6144), 0.7 * roughnessOf(open, 2048, 6144));

    ModulationRig rig;
    rig.route(1, kSrcConst, 0.12, kDestFilterType);
    rig.noteOn(48);
    rig.render(256);
    rig.route(1, kSrcConst, 0.7, kDestFilterType);
    rig.render(256);
    EXPECT_EQ(rig.engine().voices[0].voiceFilterType, 17);
    rig.noteOn(50);
    rig.render(64);
    EXPECT_EQ(rig.engine().voices[1].voiceFilterType, 14);
}

TEST(AmplitudeDestinations, VolumeLevelAndPanScaleAndPlaceTheVoice)
{
    const double base = rmsOf(play(48, {}, {}, 4096), 1024, 3072);
    // Volume scales the gain by (1 + sum)^2; Level dB by 10^(20 a / 20).
    EXPECT_NEAR(rmsOf(play(48, {{kSrcConst, -0.5, kDestVolume}}, {}, 4096), 1024, 3072) / base, 0.25, 0.0025);
    EXPECT_NEAR(rmsOf(play(48, {{kSrcConst, -0.1, kDestLevelDb}}, {}, 4096), 1024, 3072) / base, std::pow(10.0, -0.5),
                0.003);

    ModulationRig rig;
    rig.route(1, kSrcConst, 1.0, kDestPan);
    rig.noteOn(48);
    const RenderedBuses out = rig.renderBuses(4096);
    EXPECT_EQ(rmsOf(out.fx[0], 1024, 3072), 0.0);
    EXPECT_GT(rmsOf(out.fx[1], 1024, 3072), 0.05);
}

// Tremolo cycles in the second second: LFO 3 drives the level through
// LFO 3*Amp, and the windowed level crosses its middle once per cycle.
int tremoloCycles(ModulationRig& rig)
{
    rig.useSine();
    rig.route(1, kSrcConst, 1.0, kDestLfo3Amp);
    rig.noteOn(84);
    const std::vector<float> out = rig.render(88200);
    std::vector<double> level;
    for (size_t at = 44100; at + 256 <= out.size(); at += 256)
        level.push_back(rmsOf(out, at, 256));
    const auto [low, high] = std::minmax_element(level.begin(), level.end());
    int cycles = 0;
    for (size_t i = 1; i < level.size(); ++i)
        cycles += level[i - 1] < 0.5 * (*low + *high) && level[i] >= 0.5 * (*low + *high);
    return cycles;
}

TEST(LfoDestinations, RateModulationSpeedsUpOnlyTheRoutedVoicesLfo)
{
    ModulationRig plain, rig;
    const int slow = tremoloCycles(plain); // rate 0.5: about 3.2 Hz
    EXPECT_GE(slow, 2);
    EXPECT_LE(slow, 4);
    rig.route(2, kSrcConst, 0.25, kDestLfo3Rate); // rate 0.75: about 17.8 Hz
    const int fast = tremoloCycles(rig);
    EXPECT_GE(fast, 16);
    EXPECT_LE(fast, 19);
    EXPECT_FLOAT_EQ(rig.engine().lfo[2].lfoRate, 0.5f);
}

TEST(OscillatorDestinations, OscMixHandsTheVoiceToOscillatorTwoAndFm1AddsPartials)
{
    const auto osc2Sine = [](bool octaveUp, float mix) {
        return [=](ModulationRig& rig) {
            rig.set(kOsc1Shape, 0.7f);
            rig.set(kOsc2Shape, 0.7f);
            rig.set(kOsc2Fine, 0.5f);
            rig.set(kOscMix, mix);
            if (octaveUp)
                rig.set(kOsc2Coarse, 0.6667f); // +12
        };
    };
    // Oscillator 2 a sine an octave up, all mixed in by modulation.
    EXPECT_NEAR(semitones(pitchOf(48), pitchOf(48, {{kSrcConst, 1.0, kDestOscMix}}, osc2Sine(true, 0.0f))), 12.0,
                0.02);
    // Oscillator 2 alone as a sine, its partials raised by FM from oscillator 1.
    const auto brightness = [](const std::vector<float>& out) { return roughnessOf(out, 2048, 6144) / rmsOf(out, 2048, 6144); };
    const double pure = brightness(play(48, {}, osc2Sine(false, 1.0f)));
    EXPECT_GT(brightness(play(48, {{kSrcConst, 0.5, kDestFm1}}, osc2Sine(false, 1.0f))), 1.5 * pure);
}

} // namespace
