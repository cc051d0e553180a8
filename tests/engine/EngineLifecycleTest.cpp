// Construction, the initial bank, program changes, reset, the block ramps,
// the output stage and the sample-rate change.
#include "EngineTestSupport.h"
#include "ParamFamilies.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

using namespace ParamIndex;

namespace {

TEST(EngineConstruction, DefaultsOfTheDataModel)
{
    FakeOwner owner;
    Vesk engine(owner);
    EXPECT_EQ(engine.sampleRate, 5000.0);
    EXPECT_FLOAT_EQ(engine.twiceRate, 10000.0f);
    EXPECT_FLOAT_EQ(engine.fourRate, 20000.0f);
    EXPECT_FLOAT_EQ(engine.hzToPhaseInc, 4294967296.0f / 5000.0f);
    EXPECT_EQ(engine.poly, 12);
    EXPECT_EQ(engine.bendUp, 2);
    EXPECT_EQ(engine.bendDown, 2);
    EXPECT_EQ(engine.programDataVersion, 16);
    EXPECT_EQ(engine.currentProgram, 0);
    EXPECT_EQ(engine.ramps.cutoffRamp.current, -1.5f);
    EXPECT_EQ(engine.ramps.fmRamp.current, -2.0f);
    EXPECT_EQ(engine.ramps.pwRamp.current, -2.0f);
    EXPECT_EQ(engine.ramps.gainCurrent, -1.0f);
    EXPECT_TRUE(engine.ctl.sustainPedalUp);
    EXPECT_EQ(engine.ctl.modWheelSmoothing, 0.1);
    EXPECT_EQ(engine.ctl.bendSmoothing, 16);
    EXPECT_EQ(engine.fx.delayMod.table, engine.lfo[1].waveform);
    EXPECT_TRUE(owner.setCalls.empty()) << "no program is applied at construction";
}

TEST(EngineConstruction, EveryProgramIsInitWithTheDefaultEffectOrder)
{
    FakeOwner owner;
    Vesk engine(owner);
    const ProgramRecord* bank = engine.programs();
    for (int32_t p = 0; p < kNumPrograms; ++p) {
        EXPECT_STREQ(bank[p].name, "Init") << p;
        for (int32_t slot = 0; slot < kEffectOrderCount; ++slot)
            EXPECT_EQ(bank[p].params[kEffectOrder + slot], static_cast<float>(slot)) << p;
        EXPECT_EQ(std::memcmp(bank[p].params, bank[0].params, sizeof(bank[0].params)), 0) << p;
    }
}

TEST(InitProgram, PlaysTwoSawsThroughAnOpenFilterWithEffectsOff)
{
    EngineUnderTest e;
    Vesk& engine = e.engine;
    engine.setProgram(0);
    EXPECT_EQ(engine.osc.oscShape[0], 0);
    EXPECT_EQ(engine.osc.oscShape[1], 0);
    EXPECT_EQ(engine.osc.oscCoarse[0], 0);
    EXPECT_EQ(engine.osc.oscCoarse[1], 0);
    EXPECT_EQ(engine.osc.oscFine[0], 0);
    EXPECT_EQ(engine.osc.oscFine[1], 3);
    EXPECT_EQ(engine.osc.oscMix, 0.5f);
    EXPECT_EQ(engine.osc.noiseLevel, 0.0f);
    EXPECT_EQ(engine.osc.osc3Level, 0.0f);
    EXPECT_FALSE(engine.osc.oscSync);
    EXPECT_EQ(engine.osc.fmMode, 0);
    EXPECT_EQ(engine.ramps.fmRamp.target, 0.0f);
    EXPECT_EQ(engine.ramps.cutoffRamp.target, 1.0f);
    EXPECT_EQ(engine.filter.filterType, 0);
    EXPECT_EQ(engine.filter.resonance, 0.0f);
    EXPECT_EQ(engine.filter.filterEnvAmount, 0.0f);
    EXPECT_EQ(engine.env.amp.sustain, 1.0f);
    EXPECT_EQ(engine.env.amp.attack, 0.0f);
    EXPECT_GT(engine.env.amp.release, 0.0f);
    EXPECT_EQ(engine.stack.voicesPerNote, 1);
    EXPECT_EQ(engine.poly, 12);
    EXPECT_FALSE(engine.stack.monoMode);
    EXPECT_FALSE(engine.stack.glideOn);
    for (bool on : engine.stack.layerOn)
        EXPECT_TRUE(on);
    for (bool on : engine.fx.fxOn)
        EXPECT_FALSE(on);
    EXPECT_FALSE(engine.arp.arpOn);
    EXPECT_EQ(engine.arp.arpSteps, 16);
    EXPECT_EQ(engine.arp.gateOffset, 0);
    EXPECT_FLOAT_EQ(engine.ramps.gainTarget, 1.0f);
    for (const ModSlot& slot : engine.mod.slot) {
        EXPECT_EQ(slot.modSource, 0);
        EXPECT_EQ(slot.modAmount, 0.0);
    }
    for (int32_t slot = 0; slot < kEffectOrderCount; ++slot)
        EXPECT_EQ(e.owner.effectOrder[slot], slot);
    // The effects sit at usable settings for when they are switched on.
    EXPECT_EQ(engine.delay->a1, 1.0f) << "unfiltered delay loop";
    EXPECT_EQ(engine.reverb->type, FxReverb::kRoom);
    EXPECT_NEAR(engine.fx.eq[0].eqGain, 1.0f, 1e-6);
    EXPECT_NEAR(engine.fx.eq[1].eqGain, 1.0f, 1e-6);
}

// --- program changes ---------------------------------------------------------------------

TEST(SetProgram, SendsEveryValueThroughTheOwnerInIndexOrder)
{
    EngineUnderTest e;
    ProgramRecord& record = e.engine.programs()[7];
    for (int32_t i = 0; i < kEffectOrder; ++i)
        record.params[i] = 0.001f * i;
    e.engine.setProgram(7);
    EXPECT_EQ(e.engine.currentProgram, 7);
    ASSERT_EQ(e.owner.setCalls.size(), static_cast<size_t>(kNumProgramParams));
    for (int32_t i = 0; i < kNumProgramParams; ++i) {
        EXPECT_EQ(e.owner.setCalls[i].first, i);
        EXPECT_EQ(e.owner.setCalls[i].second, record.params[i]);
    }
    EXPECT_EQ(e.engine.filter.filterKeytrack, record.params[kFilterKeytrack]) << "the owner handed the values on";
}

TEST(SetProgram, ReadsTheEffectOrderBackAndKeepsInvalidSlots)
{
    EngineUnderTest e;
    ProgramRecord& record = e.engine.programs()[3];
    const float stored[6] = {5.0f, 2.95f, -0.5f, 5.95f, 0.0f, 6.0f};
    for (int32_t slot = 0; slot < 6; ++slot)
        record.params[kEffectOrder + slot] = stored[slot];
    e.engine.setProgram(3);

    const std::vector<std::pair<int, int32_t>> expected = {{0, 5}, {1, 3}, {4, 0}};
    EXPECT_EQ(e.owner.orderCalls, expected);
    const int32_t order[6] = {5, 3, 3, 4, 0, 6}; // slots 2, 3 and 5 keep their start values
    for (int32_t slot = 0; slot < 6; ++slot)
        EXPECT_EQ(e.owner.effectOrder[slot], order[slot]) << slot;
}

TEST(SetProgram, ResetsAndClearsTheCurves)
{
    EngineUnderTest e;
    Vesk& engine = e.engine;
    engine.beginBlock(64);
    engine.endBlock();
    engine.ctl.sustainPedalUp = false;
    for (auto& curve : engine.mod.curve)
        curve.curveOn = true;
    engine.setProgram(1);
    EXPECT_TRUE(engine.ctl.sustainPedalUp);
    for (const auto& curve : engine.mod.curve)
        EXPECT_FALSE(curve.curveOn);
    // The ramps were reset before the values arrived: the next block jumps.
    EXPECT_LT(engine.ramps.cutoffRamp.current, -1.0f);
}

TEST(SetProgram, ProgramsOutsideTheBankAreIgnored)
{
    EngineUnderTest e;
    e.engine.setProgram(384);
    e.engine.setProgram(-1);
    EXPECT_TRUE(e.owner.setCalls.empty());
    EXPECT_EQ(e.engine.currentProgram, 0);
}

TEST(ReapplyProgram, AppliesTheCurrentRecordWithoutTheOwner)
{
    EngineUnderTest e;
    e.engine.currentProgram = 200;
    e.engine.programs()[200].params[kVoices] = 1.0f;
    e.engine.programs()[200].params[kPoly] = 1.0f;
    e.engine.reapplyProgram();
    EXPECT_TRUE(e.owner.setCalls.empty());
    EXPECT_TRUE(e.owner.orderCalls.empty());
    EXPECT_EQ(e.engine.stack.voicesPerNote, 8);
    EXPECT_EQ(e.engine.poly, 72);
}

TEST(ReapplyProgram, RecomputesRateDependentValuesAfterARateChange)
{
    EngineUnderTest e;
    e.engine.programs()[0].params[kGlide] = 0.5f;
    e.engine.reapplyProgram();
    e.engine.setSampleRate(96000.0f);
    e.engine.reapplyProgram();
    EXPECT_NEAR(e.engine.stack.glideCoef, std::pow(0.1, 1000.0 / (std::sqrt(1000.0) * 96000.0)), 1e-7);
}

// --- reset ---------------------------------------------------------------------------------

TEST(Reset, RestoresTheUnsetMarkersAndClearsControllersAndNotes)
{
    EngineUnderTest e;
    Vesk& engine = e.engine;
    engine.setParameter(kEditorPitchBend, 1.0f);
    engine.ctl.aftertouch = engine.ctl.breath = engine.ctl.foot = engine.ctl.expression = 0.5;
    engine.ctl.sustainPedalUp = false;
    engine.beginBlock(32);
    engine.endBlock();
    engine.arp.arpLastNote = 60;
    engine.arp.arpCursor = 3;
    engine.arp.arpKeys[60] = 100;
    engine.arp.lastFinger = 0.9f;
    engine.notes.glideStart = false;
    engine.notes.keyDown[60] = true;
    engine.fx.distDryCurrent = 0.3f;
    engine.fx.eq[1].y2[1] = 0.5f;
    engine.delay->ring[0][10] = 1.0f;
    engine.reverb->silenceCounter = 0;
    engine.phaser->lfoPhase = 99;

    engine.reset();

    EXPECT_EQ(engine.ramps.cutoffRamp.current, -1.5f);
    EXPECT_EQ(engine.ramps.fmRamp.current, -2.0f);
    EXPECT_EQ(engine.ramps.pwRamp.current, -2.0f);
    EXPECT_EQ(engine.ctl.bend, 0.0);
    EXPECT_EQ(engine.ctl.bendRaw, 0);
    EXPECT_EQ(engine.ctl.aftertouch, 0.0);
    EXPECT_EQ(engine.ctl.breath, 0.0);
    EXPECT_EQ(engine.ctl.foot, 0.0);
    EXPECT_EQ(engine.ctl.expression, 0.0);
    EXPECT_TRUE(engine.ctl.sustainPedalUp);
    EXPECT_EQ(engine.arp.arpLastNote, -1);
    EXPECT_EQ(engine.arp.arpCursor, -1);
    EXPECT_EQ(engine.arp.arpKeys[60], 0);
    EXPECT_EQ(engine.arp.lastFinger, 0.5f);
    EXPECT_TRUE(engine.notes.glideStart);
    EXPECT_FALSE(engine.notes.keyDown[60]);
    EXPECT_LT(engine.fx.distDryCurrent, 0.0f);
    EXPECT_EQ(engine.fx.eq[1].y2[1], 0.0f);
    EXPECT_EQ(engine.delay->ring[0][10], 0.0f);
    EXPECT_EQ(engine.reverb->silenceCounter, 10000000);
    EXPECT_EQ(engine.phaser->lfoPhase, 0u);
}

TEST(AllNotesOff, ClearsHeldKeysAndTheSoundingFlag)
{
    EngineUnderTest e;
    e.engine.arp.arpKeys[40] = 90;
    e.engine.notes.notesSounding = true;
    e.engine.ramps.cutoffRamp.current = 0.5f;
    e.engine.allNotesOff(false);
    EXPECT_EQ(e.engine.arp.arpKeys[40], 0);
    EXPECT_FALSE(e.engine.notes.notesSounding);
    EXPECT_EQ(e.engine.ramps.cutoffRamp.current, 0.5f) << "soft: no reset";
    e.engine.allNotesOff(true);
    EXPECT_EQ(e.engine.ramps.cutoffRamp.current, -1.5f) << "hard: reset";
}

TEST(MonoMode, TurningItOffReleasesNotesOnlyWithTheArpeggiatorOff)
{
    EngineUnderTest e;
    e.engine.setParameter(kArpOn, 1.0f);
    e.engine.arp.arpKeys[50] = 80;
    e.engine.setParameter(kMonoMode, 0.0f);
    EXPECT_EQ(e.engine.arp.arpKeys[50], 80) << "the arpeggiator keeps its voices";

    e.engine.setParameter(kArpOn, 0.0f);
    e.engine.setParameter(kMonoMode, 0.0f);
    EXPECT_EQ(e.engine.arp.arpKeys[50], 0);
}

// --- block ramps ---------------------------------------------------------------------------

TEST(BlockRamps, FirstBlockPlaysTheTargetsWithoutARamp)
{
    EngineUnderTest e;
    Vesk& engine = e.engine;
    engine.setParameter(kFilterCutoff, 0.8f);
    engine.setParameter(kOscFm, 0.5f);
    engine.setParameter(kOscPulseWidth, 0.3f);
    engine.beginBlock(100);
    EXPECT_EQ(engine.ramps.cutoffRamp.current, 0.8f);
    EXPECT_EQ(engine.ramps.cutoffRamp.step, 0.0f);
    EXPECT_EQ(engine.ramps.fmRamp.current, 2.0f);
    EXPECT_EQ(engine.ramps.fmRamp.step, 0.0f);
    EXPECT_EQ(engine.ramps.pwRamp.current, 0.3f);
    EXPECT_EQ(engine.ramps.pwRamp.step, 0.0f);
}

TEST(BlockRamps, LaterBlocksRampOverTheBlockAndSnapAtItsEnd)
{
    EngineUnderTest e;
    Vesk& engine = e.engine;
    engine.setParameter(kFilterCutoff, 0.8f);
    engine.beginBlock(100);
    engine.endBlock();
    engine.setParameter(kFilterCutoff, 0.3f);
    engine.beginBlock(100);
    EXPECT_EQ(engine.ramps.cutoffRamp.current, 0.8f);
    EXPECT_FLOAT_EQ(engine.ramps.cutoffRamp.step, -0.005f);
    engine.endBlock();
    EXPECT_EQ(engine.ramps.cutoffRamp.current, 0.3f);
}

// --- output stage ---------------------------------------------------------------------------

struct Stereo {
    explicit Stereo(size_t frames, float value) : left(frames, value), right(frames, value) {}
    float** io()
    {
        pointers[0] = left.data();
        pointers[1] = right.data();
        return pointers;
    }
    std::vector<float> left, right;
    float* pointers[2] = {};
};

TEST(OutputStage, FirstBlockJumpsToTheGainThenRampsLinearly)
{
    EngineUnderTest e;
    Vesk& engine = e.engine;
    engine.setParameter(kVolume, 0.5f); // gain 1
    Stereo block(64, 1.0f);
    engine.outputStage(64, block.io());
    EXPECT_EQ(block.left[0], 1.0f);
    EXPECT_EQ(block.right[63], 1.0f);

    engine.setParameter(kVolume, 0.25f); // gain 0.25
    Stereo ramp(100, 1.0f);
    engine.outputStage(100, ramp.io());
    for (int32_t i = 0; i < 100; ++i) {
        EXPECT_NEAR(ramp.left[i], 1.0f - 0.0075f * i, 1e-5) << i;
        EXPECT_EQ(ramp.left[i], ramp.right[i]) << "both channels follow one ramp";
    }
    EXPECT_EQ(engine.ramps.gainCurrent, 0.25f);

    Stereo steady(10, 2.0f);
    engine.outputStage(10, steady.io());
    EXPECT_EQ(steady.left[0], 0.5f);
    EXPECT_EQ(steady.right[9], 0.5f);
}

TEST(OutputStage, DcPassesWhileSyncIsOff)
{
    EngineUnderTest e;
    e.engine.setParameter(kVolume, 0.5f);
    e.engine.setParameter(kOscSync, 0.0f);
    for (int32_t block = 0; block < 100; ++block) {
        Stereo dc(441, 0.5f);
        e.engine.outputStage(441, dc.io());
        EXPECT_EQ(dc.left.back(), 0.5f);
        EXPECT_EQ(dc.right.back(), 0.5f);
    }
}

TEST(OutputStage, DcDecaysWhileSyncIsOn)
{
    for (float rate : {44100.0f, 96000.0f}) {
        EngineUnderTest e(rate);
        e.engine.setParameter(kVolume, 0.5f);
        e.engine.setParameter(kOscSync, 1.0f);
        const int32_t frames = static_cast<int32_t>(rate / 100.0f); // 10 ms blocks
        float first = 0.0f;
        float last = 1.0f;
        for (int32_t block = 0; block < 100; ++block) { // one second
            Stereo dc(frames, 0.5f);
            e.engine.outputStage(frames, dc.io());
            if (block == 0)
                first = dc.left[0];
            last = dc.left.back();
            EXPECT_EQ(dc.left.back(), dc.right.back());
        }
        EXPECT_GT(first, 0.45f) << "the step itself passes";
        // An 8 Hz corner: a time constant of about 20 ms, so after a second
        // nothing of the offset remains.
        EXPECT_LT(std::fabs(last), 1e-6f) << rate;
    }
}

TEST(OutputStage, DcBlockerIsAn8HzHighpass)
{
    for (float rate : {44100.0f, 48000.0f}) {
        EngineUnderTest e(rate);
        const ExpectedOnePole hp = expectedHighpass(8.0, rate);
        EXPECT_NEAR(e.engine.out.dcBlocker.a, hp.a, 1e-7);
        EXPECT_NEAR(e.engine.out.dcBlocker.b, hp.b, 1e-7);
    }
}

// --- sample rate ---------------------------------------------------------------------------

TEST(SampleRate, RateBlock)
{
    EngineUnderTest e(48000.0f);
    EXPECT_EQ(e.engine.sampleRate, 48000.0);
    EXPECT_FLOAT_EQ(e.engine.twiceRate, 96000.0f);
    EXPECT_FLOAT_EQ(e.engine.fourRate, 192000.0f);
    EXPECT_FLOAT_EQ(e.engine.hzToPhaseInc, static_cast<float>(4294967296.0 / 48000.0));
    EXPECT_FLOAT_EQ(e.engine.rateRatio, 48000.0f / 44100.0f);
}

TEST(SampleRate, RatesNoHostUsesAreIgnored)
{
    EngineUnderTest e(48000.0f);
    for (float rate : {0.0f, -44100.0f, 999.0f, 1e30f, std::nanf(""), INFINITY})
        e.engine.setSampleRate(rate);
    EXPECT_EQ(e.engine.sampleRate, 48000.0);
    EXPECT_EQ(e.engine.reverb->sampleRate, 48000.0);
}

} // namespace
