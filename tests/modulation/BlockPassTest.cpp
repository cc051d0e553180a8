// The block-rate pass: the delay's LFO 2 record, the controller curves and
// the note-start flag, after each host block.
#include "ModulationMatrix.h"
#include "ModulationRig.h"

#include "HostKit.h"
#include "VstSynth.h"

#include <gtest/gtest.h>

namespace {

using namespace ParamIndex;

// LFO 2 free-running at raw rate v, written out from its rule.
int32_t expectedIncrement(double v)
{
    return static_cast<int32_t>(std::rint(4294967296.0 / kRate * 0.1 * std::pow(1000.0, v)));
}

TEST(BlockPass, FillsTheDelayRecordFromLfoTwoAndRestartsItsPhaseOnlyAfterANote)
{
    ModulationRig rig;
    Vesk& engine = rig.engine();
    engine.updateGlobalModulation();
    EXPECT_EQ(engine.fx.delayMod.increment, expectedIncrement(0.5));
    EXPECT_EQ(engine.fx.delayMod.depth, 0.0f);
    EXPECT_EQ(engine.fx.delayMod.table, engine.lfo[1].waveform.reading());

    rig.route(1, kSrcConst, 0.3, kDestLfo2Rate);
    rig.route(2, kSrcConst, -0.5, kDestLfo2FxDelay);
    rig.route(3, kSrcConst, 0.5, kDestLfo2FxDelay, 3); // voice selection means nothing here
    rig.route(4, kSrcConst, 0.25, kDestLfo2Phase);
    engine.fx.delayMod.phase = 12345;
    engine.updateGlobalModulation();
    EXPECT_NEAR(engine.fx.delayMod.increment, expectedIncrement(0.8), 2);
    EXPECT_FLOAT_EQ(engine.fx.delayMod.depth, 2 * 0.0625f); // a^4 loses the sign
    EXPECT_FLOAT_EQ(engine.lfo[1].lfoRate, 0.5f);             // the voices' own LFO 2 keeps its rate
    EXPECT_EQ(engine.fx.delayMod.phase, 12345u);

    rig.noteOn(60);
    engine.updateGlobalModulation();
    EXPECT_EQ(engine.fx.delayMod.phase, 0x40000000u);
    EXPECT_FALSE(engine.notes.anyNoteSinceBlock);
    engine.fx.delayMod.phase = 777;
    engine.updateGlobalModulation();
    EXPECT_EQ(engine.fx.delayMod.phase, 777u);
}

TEST(BlockPass, CurvesFollowTheLowestSlotAndPersistUntilAProgramChange)
{
    ModulationRig rig;
    Vesk& engine = rig.engine();
    rig.route(4, kSrcConst, -0.5, kDestBreathCurve);
    rig.route(2, kSrcConst, 0.5, kDestBreathCurve);
    rig.route(3, kSrcConst, 0.2, kDestWheelCurve);
    engine.updateGlobalModulation();
    EXPECT_NEAR(engine.mod.curve[kWheelCurve].curveKnee, 0.6, 1e-6);
    EXPECT_FALSE(engine.mod.curve[kVelocityCurve].curveOn);
    for (int pass = 0; pass < 2; ++pass) { // the second after the slots were emptied
        EXPECT_TRUE(engine.mod.curve[kBreathCurve].curveOn);
        EXPECT_DOUBLE_EQ(engine.mod.curve[kBreathCurve].curveKnee, 0.75);
        rig.route(2, kSrcNone, 0.5, kDestBreathCurve);
        rig.route(4, kSrcNone, 0.5, kDestBreathCurve);
        engine.updateGlobalModulation();
    }
    engine.setProgram(0);
    for (const ControllerCurve& curve : engine.mod.curve)
        EXPECT_FALSE(curve.curveOn);
}

TEST(BlockPass, SourcesReadVoiceSlotZeroWithoutCurves)
{
    ModulationRig rig;
    Vesk& engine = rig.engine();
    rig.noteOn(60, 127);
    ASSERT_EQ(engine.voices[0].velocity, 127);
    bendControllerCurve(engine.mod.curve[kVelocityCurve], 0.9);
    engine.ctl.modWheelSmoothed = 0.5;
    bendControllerCurve(engine.mod.curve[kWheelCurve], 0.9);
    rig.route(1, kSrcVelocity, 0.5, kDestBreathCurve);
    rig.route(2, kSrcModWheel, 1.0, kDestLfo2Rate);
    engine.updateGlobalModulation();
    EXPECT_DOUBLE_EQ(engine.mod.curve[kBreathCurve].curveKnee, 0.5 + 0.25 * 0.984375);
    EXPECT_NEAR(engine.fx.delayMod.increment, expectedIncrement(1.0), 2);

    // LFO n reads its waveform at slot 0's phase: a quarter cycle is the sine's top.
    rig.render(64); // the audio thread takes the LFO tables up at its next slice
    engine.voices[0].lfoPhase[0] = 0x40000000u;
    rig.route(1, kSrcLfo1, 0.5, kDestBreathCurve);
    engine.updateGlobalModulation();
    EXPECT_NEAR(engine.mod.curve[kBreathCurve].curveKnee, 0.5 + 0.25 * engine.lfo[0].waveform.reading()[512], 1e-9);
    EXPECT_GT(engine.lfo[0].waveform.reading()[512], 0.9f);
}

TEST(BlockPass, ThePluginRunsItAfterEveryBlock)
{
    VstSynth synth(quietHostCallback);
    synth.setSampleRate(static_cast<float>(kRate));
    synth.setBlockSize(512);
    synth.setProgram(0);
    synth.setParameter(kModSource, static_cast<float>(kSrcConst));
    synth.setParameter(kModAmount, 0.35f); // -0.3
    synth.setParameter(kModDestination, static_cast<float>(kDestLfo2Rate));
    StereoBuffer out(512);
    synth.processReplacing(nullptr, out.channels(), 512);
    EXPECT_NEAR(synth.getEngine().fx.delayMod.increment, expectedIncrement(0.2), 2);
}

} // namespace
