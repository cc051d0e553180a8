// Stages that must follow what the matrix does to a voice, not the
// unmodulated settings: the follow high-pass, the S+H redraw, the gain ramp.
#include "FilterTypes.h"
#include "Lfo.h"
#include "ModulationRig.h"
#include "VoiceOutput.h"

#include <gtest/gtest.h>

using namespace ParamIndex;

// With oscillator 1's key tracking routed to 0 every note plays the same
// pitch, so the follow high-pass must sit at the same corner for every note.
TEST(ModulatedVoice, FollowHighPassTracksTheOscillatorNotTheKey)
{
    auto levelOf = [](int note) {
        ModulationRig rig;
        rig.set(kFilterType, float(kLowpass12Follow));
        rig.set(kFilterKeytrack, 0.0f);
        rig.set(kOscMix, 0.0f);
        rig.route(1, kSrcConst, 0.0, kDestOsc1KeyTrack);
        rig.noteOn(note);
        return rmsOf(rig.render(16384), 8192, 8192);
    };
    const double low = levelOf(40), high = levelOf(90);
    ASSERT_GT(low, 0.01);
    EXPECT_NEAR(high / low, 1.0, 0.01);
}

// The call is told the unmodulated increment; the phase then moves at the
// matrix's rate, faster or slower. Every cycle that ends still gets one draw.
TEST(ModulatedVoice, SampleHoldDrawsOncePerCycleUnderRateModulation)
{
    const uint32_t told = 4292000u; // about 1000 frames per cycle
    for (const double factor : {3.0, 1.0 / 3.0}) {
        Random15 random(7);
        VoiceSlot v{};
        int draws = 0, wraps = 0;
        for (int call = 0; call < 3000; ++call) {
            const float before = v.shTarget[0];
            lfoOutput({nullptr, kLfoSampleHold, 1.0f, 0.0f}, 0, v, told, 64, random);
            draws += v.shTarget[0] != before;
            const uint32_t next = v.lfoPhase[0] + static_cast<uint32_t>(told * factor) * 64u;
            wraps += next < v.lfoPhase[0];
            v.lfoPhase[0] = next;
            v.age += 64;
        }
        EXPECT_GT(wraps, 60);
        EXPECT_NEAR(draws, wraps + 1, 1) << "rate x" << factor;
    }
}

// LFO 3 * Amp can drive the gain below zero; the next call must ramp on from
// there rather than take the negative gain for "not yet set" and jump.
TEST(ModulatedVoice, NegativeGainRampsLikeAnyOther)
{
    VoiceSlot slot{};
    slot.active = 1;
    slot.ampLevel = 1.0f;
    slot.ampStage = kSustain;
    slot.age = 100000;
    slot.prevGainL = slot.prevGainR = -0.3f;
    slot.prevFxShare = 1.0f;
    std::vector<float> voice(64, 1.0f), fxL(64), fxR(64), dryL(64), dryR(64);
    float* fx[2] = {fxL.data(), fxR.data()};
    float* dry[2] = {dryL.data(), dryR.data()};
    AmpEnvelope amp(EnvelopeCoefs{1.0f, 1.0f, 1.0f, 0.0f}, 0, slot);
    mixVoice(voice.data(), 64, VoiceGains{0.3f, 0.3f, 1.0f}, amp, Spike(SpikeTables{nullptr, nullptr, 0}, false, 0.0f),
             slot, fx, dry);
    EXPECT_LT(fxL[0], -0.25f);
    EXPECT_NEAR(fxL[31], 0.0f, 0.02f);
    EXPECT_FLOAT_EQ(fxL[63], 0.3f);
}
