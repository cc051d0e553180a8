// The per-voice pass on its own: which slots reach a voice, what each
// source reads and how amounts are scaled, seen in the controls it yields.
#include "ModulationMatrix.h"
#include "ModulationRig.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

using namespace ParamIndex;

// Routing a source to Volume at amount 1 makes the volume sum read the source.
double sourceValue(ModulationRig& rig, int32_t source, const VoiceSlot& voice)
{
    rig.route(1, source, 1.0, kDestVolume);
    return rig.evaluate(voice).output.volumeSum;
}

TEST(ModSources, EachSourceReadsItsVoiceOrController)
{
    ModulationRig rig;
    const struct {
        int32_t source;
        int note, velocity;
        double value;
    } cases[] = {{kSrcVelocity, 60, 64, 0.0},      {kSrcVelocity, 60, 127, 0.984375}, {kSrcVelocity, 60, 1, -0.984375},
                 {kSrcNote, 60, 100, 0.0},         {kSrcNote, 0, 100, -1.0},          {kSrcRandom, 60, 100, -0.375},
                 {kSrcModEnv, 60, 100, 0.125},     {kSrcVoiceNumber, 60, 100, 5.0}, // not normalised
                 {kSrcArpNote, 60, 100, 0.5},      {kSrcArpVel, 60, 100, 0.5}};     // no arpeggiator playing
    rig.engine().mod.arpVelOut = 0.25; // ignored while Arp On is off
    for (const auto& c : cases) {
        VoiceSlot v = voiceAt(c.note, c.velocity, 5);
        v.voiceRandom = -0.375f;
        v.modEnvLevel = 0.125f;
        EXPECT_DOUBLE_EQ(sourceValue(rig, c.source, v), c.value) << c.source << " note " << c.note << " vel " << c.velocity;
    }
    rig.set(kArpOn, 1.0f);
    EXPECT_DOUBLE_EQ(sourceValue(rig, kSrcArpVel, voiceAt()), 0.25);

    rig.engine().ctl.modWheelSmoothed = 0.5;
    rig.engine().ctl.aftertouch = 0.25;
    rig.route(1, kSrcLfo1Wheel + 1, 1.0, kDestVolume);
    rig.route(2, kSrcLfo1Touch + 2, 1.0, kDestFxDryWet);
    const VoiceControls c = rig.evaluate(voiceAt(), {0.0f, 0.8f, -0.4f});
    EXPECT_NEAR(c.output.volumeSum, 0.8 * 0.5, 1e-6);
    EXPECT_NEAR(c.output.fxShare, 1.0 - 0.4 * 0.25, 1e-6);
}

TEST(MmAmount, HalvesMutesAndChainsDownwardOnlyOnTheSelectedLayers)
{
    ModulationRig rig;
    rig.route(2, kSrcConst, 0.8, kDestVolume);
    const struct {
        int32_t source;
        double amount;
        int32_t voices;
        int layer;
        double volume;
    } cases[] = {{kSrcConst, 0.5, 0, 0, 0.4},  {kSrcModWheel, 0.5, 0, 0, 0.0}, // wheel at rest mutes
                 {kSrcNone, 0.25, 0, 0, 0.2},  // with no source, the amount is the gain
                 {kSrcConst, 0.5, 2, 0, 0.8},  {kSrcConst, 0.5, 2, 1, 0.4}};    // only layer 1
    for (const auto& c : cases) {
        rig.route(1, c.source, c.amount, kDestMmAmount1 + 1, c.voices); // scales slot 2
        EXPECT_NEAR(rig.evaluate(voiceAt(60, 100, c.layer)).output.volumeSum, c.volume, 1e-6) << c.source;
    }
    // Slot 3 halves slot 1, which then scales slot 2 by its halved amount.
    rig.route(1, kSrcConst, 0.5, kDestMmAmount1 + 1);
    rig.route(3, kSrcConst, 0.5, kDestMmAmount1);
    EXPECT_NEAR(rig.evaluate(voiceAt()).output.volumeSum, 0.8 * 0.25, 1e-6);
}

TEST(ModDestinations, LowestSlotWinsOnReplacingDestinationsAndCutoffAndPanAdd)
{
    ModulationRig rig;
    const float openCutoff = rig.evaluate(voiceAt()).cutoff;
    rig.route(7, kSrcConst, 0.6, kDestFmDepth);
    rig.route(3, kSrcConst, 0.2, kDestFmDepth);
    rig.route(9, kSrcConst, 1.0, kDestOsc1KeyTrack);
    rig.route(4, kSrcConst, 0.5, kDestOsc1KeyTrack);
    rig.route(1, kSrcConst, -0.5, kDestFilterCutoff); // falls by the signed square
    rig.route(2, kSrcModWheel, 0.5, kDestPan);        // wheel at rest, centred: a (2x - 1)
    VoiceControls c = rig.evaluate(voiceAt());
    EXPECT_NEAR(c.osc.fmDepthFactor, 0.2, 1e-6);
    EXPECT_EQ(c.osc.keyTrack[0], 512);
    EXPECT_EQ(c.osc.keyTrack[1], 1024);
    EXPECT_NEAR(c.cutoff, openCutoff - 0.25, 1e-6);
    EXPECT_NEAR(c.output.panSum, -0.5, 1e-9);
    rig.route(2, kSrcPitchWheel, 0.5, kDestPan); // bend at rest: 0
    EXPECT_NEAR(rig.evaluate(voiceAt()).output.panSum, 0.0, 1e-9);
}

} // namespace
