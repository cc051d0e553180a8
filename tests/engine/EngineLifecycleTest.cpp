// Construction, the initial bank, program changes, reset, the block ramps,
// the output stage and the sample-rate change.
#include "EngineTestSupport.h"
#include "FactoryBank.h"
#include "ParamFamilies.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

using namespace ParamIndex;

namespace {

TEST(EngineConstruction, StartsUnsetWithTheFactoryBankAndAppliesNothing)
{
    FakeOwner owner;
    Vesk engine(owner);
    EXPECT_EQ(engine.sampleRate, 5000.0);
    EXPECT_FLOAT_EQ(engine.hzToPhaseInc, 4294967296.0f / 5000.0f);
    EXPECT_EQ(engine.poly, 12);
    EXPECT_EQ(engine.programDataVersion, 16);
    EXPECT_EQ(engine.currentProgram, 0);
    EXPECT_TRUE(engine.ctl.sustainPedalUp);
    EXPECT_EQ(engine.fx.delayMod.table, engine.lfo[1].waveform);
    EXPECT_TRUE(owner.setCalls.empty()) << "no program is applied at construction";
    EXPECT_STREQ(engine.programs()[kInitProgram].name, "Init");
}

TEST(InitProgram, PlaysTwoSawsThroughAnOpenFilterWithEffectsOff)
{
    EngineUnderTest e;
    Vesk& engine = e.engine;
    engine.setProgram(kInitProgram);
    const int32_t c = kCheckOnly;
    expectCases(engine, {
        {c, 0, 0, READ(osc.oscShape[0])}, {c, 0, 0, READ(osc.oscShape[1])}, {c, 0, 0, READ(osc.oscCoarse[1])},
        {c, 0, 3, READ(osc.oscFine[1])}, {c, 0, 0.5f, READ(osc.oscMix)}, {c, 0, 0, READ(osc.noiseLevel)},
        {c, 0, 0, READ(osc.osc3Level)}, {c, 0, 0, READ(ramps.fmRamp.target)},
        {c, 0, 1, READ(ramps.cutoffRamp.target)}, {c, 0, 0, READ(filter.filterType)},
        {c, 0, 0, READ(filter.resonance)}, {c, 0, 1, READ(env.amp.sustain)}, {c, 0, 1, READ(stack.voicesPerNote)},
        {c, 0, 12, READ(poly)}, {c, 0, 0, READ(stack.monoMode)}, {c, 0, 0, READ(arp.arpOn)},
        {c, 0, 16, READ(arp.arpSteps)}, {c, 0, 1, READ(ramps.gainTarget), kFloatEq},
        // The effects sit at usable settings for when they are switched on.
        {c, 0, 0, READ(delay->a1)}, {c, 0, FxReverb::kRoom, READ(reverb->type)},
        {c, 0, 1, READ(fx.eq[0].eqGain), 1e-6}, {c, 0, 1, READ(fx.eq[1].eqGain), 1e-6},
    });
    EXPECT_GT(engine.env.amp.release, 0.0f);
    for (int32_t k = 0; k < 8; ++k)
        EXPECT_TRUE(engine.stack.layerOn[k] && !engine.fx.fxOn[k % kFxOnCount]) << k;
    for (const ModSlot& slot : engine.mod.slot)
        EXPECT_TRUE(slot.modSource == 0 && slot.modAmount == 0.0);
    for (int32_t slot = 0; slot < kEffectOrderCount; ++slot)
        EXPECT_EQ(e.owner.effectOrder[slot], slot);
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
    for (int32_t i = 0; i < kNumProgramParams; ++i)
        EXPECT_EQ(e.owner.setCalls[i], std::make_pair(i, record.params[i]));
    EXPECT_EQ(e.engine.filter.filterKeytrack, record.params[kFilterKeytrack]) << "the owner handed the values on";
}

TEST(SetProgram, ReadsTheEffectOrderBackAndKeepsInvalidSlots)
{
    EngineUnderTest e;
    const float stored[6] = {5.0f, 2.95f, -0.5f, 5.95f, 0.0f, 6.0f};
    std::memcpy(&e.engine.programs()[3].params[kEffectOrder], stored, sizeof stored);
    e.engine.setProgram(3);
    EXPECT_EQ(e.owner.orderCalls, (std::vector<std::pair<int, int32_t>>{{0, 5}, {1, 3}, {4, 0}}));
    const int32_t order[6] = {5, 3, 3, 4, 0, 6}; // slots 2, 3 and 5 keep their start values
    for (int32_t slot = 0; slot < 6; ++slot)
        EXPECT_EQ(e.owner.effectOrder[slot], order[slot]) << slot;
}

TEST(SetProgram, ResetsAndClearsTheCurvesButIgnoresProgramsOutsideTheBank)
{
    EngineUnderTest e;
    Vesk& engine = e.engine;
    engine.setProgram(384);
    engine.setProgram(-1);
    EXPECT_TRUE(e.owner.setCalls.empty());
    EXPECT_EQ(engine.currentProgram, 0);

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

TEST(ReapplyProgram, AppliesTheCurrentRecordWithoutTheOwnerAtTheCurrentRate)
{
    EngineUnderTest e;
    e.engine.currentProgram = 200;
    float* params = e.engine.programs()[200].params;
    params[kVoices] = params[kPoly] = 1.0f;
    params[kGlide] = 0.5f;
    e.engine.setSampleRate(96000.0f);
    e.engine.reapplyProgram();
    EXPECT_TRUE(e.owner.setCalls.empty());
    EXPECT_TRUE(e.owner.orderCalls.empty());
    EXPECT_EQ(e.engine.stack.voicesPerNote, 8);
    EXPECT_EQ(e.engine.poly, 72);
    EXPECT_NEAR(e.engine.stack.glideCoef, std::pow(0.1, 1000.0 / (std::sqrt(1000.0) * 96000.0)), 1e-7);
}

// --- reset and note release -------------------------------------------------------------

TEST(Reset, RestoresTheUnsetMarkersAndClearsControllersNotesAndEffects)
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
    FxDelay& delay = *engine.delay;
    delay.ring[0][10] = delay.ring[1][262143] = delay.diffuser[3][100] = delay.prevIn[0] = delay.prevOut[1] = 1.0f;
    delay.diffuserIndex[2] = 7;
    FxReverb& reverb = *engine.reverb;
    reverb.silenceCounter = reverb.lastReadPosition = 77;
    reverb.wetCurrent = reverb.bank[5].state = reverb.fdn[3].state = reverb.inputY1 = reverb.locutZ1 = 0.5f;
    reverb.preDelayRing[100] = reverb.allPassRing[1][50] = 1.0f;
    engine.phaser->stage[1][7] = engine.phaser->lastOut[0] = 0.5f;
    engine.phaser->lfoPhase = 99;
    engine.phaser->chorus.left->outputState = 0.25f;

    engine.reset();
    const int32_t c = kCheckOnly;
    expectCases(engine, {
        {c, 0, -1.5f, READ(ramps.cutoffRamp.current)}, {c, 0, -2.0f, READ(ramps.fmRamp.current)},
        {c, 0, -2.0f, READ(ramps.pwRamp.current)}, {c, 0, -1.0f, READ(ramps.gainCurrent)}, {c, 0, 0, READ(ctl.bend)},
        {c, 0, 0, READ(ctl.bendRaw)}, {c, 0, 0, READ(ctl.aftertouch)}, {c, 0, 0, READ(ctl.breath)},
        {c, 0, 0, READ(ctl.foot)}, {c, 0, 0, READ(ctl.expression)}, {c, 0, 1, READ(ctl.sustainPedalUp)},
        {c, 0, -1, READ(arp.arpLastNote)}, {c, 0, -1, READ(arp.arpCursor)}, {c, 0, 0, READ(arp.arpKeys[60])},
        {c, 0, 0.5f, READ(arp.lastFinger)}, {c, 0, 1, READ(notes.glideStart)}, {c, 0, 0, READ(notes.keyDown[60])},
        {c, 0, 0, READ(fx.eq[1].y2[1])}, {c, 0, 10000000, READ(reverb->silenceCounter)},
        {c, 0, -1, READ(reverb->wetCurrent)}, {c, 0, -1, READ(reverb->lastReadPosition)},
        {c, 0, 0, READ(phaser->lfoPhase)},
        {c, 0, 0.25f, READ(phaser->chorus.left->outputState)}, // the chorus lines keep their state
    });
    for (float v : {delay.ring[0][10], delay.ring[1][262143], delay.diffuser[3][100], delay.prevIn[0],
                    delay.prevOut[1], reverb.bank[5].state, reverb.fdn[3].state, reverb.inputY1, reverb.locutZ1,
                    reverb.preDelayRing[100], reverb.allPassRing[1][50], engine.phaser->stage[1][7],
                    engine.phaser->lastOut[0]})
        EXPECT_EQ(v, 0.0f);
    EXPECT_EQ(delay.diffuserIndex[2], 0);
    EXPECT_LT(engine.fx.distDryCurrent, 0.0f);
}

TEST(AllNotesOff, ClearsHeldKeysAndTheSoundingFlagAndResetsOnlyWhenHard)
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

// --- block ramps and the output stage ---------------------------------------------------

TEST(BlockRamps, FirstBlockJumpsToTheTargetsLaterBlocksRampAndSnapAtTheEnd)
{
    EngineUnderTest e;
    Vesk& engine = e.engine;
    engine.setParameter(kFilterCutoff, 0.8f);
    engine.setParameter(kOscFm, 0.5f);
    engine.setParameter(kOscPulseWidth, 0.3f);
    engine.beginBlock(100);
    for (const auto* ramp : {&engine.ramps.cutoffRamp, &engine.ramps.fmRamp, &engine.ramps.pwRamp})
        EXPECT_EQ(ramp->step, 0.0f);
    EXPECT_EQ(engine.ramps.cutoffRamp.current, 0.8f);
    EXPECT_EQ(engine.ramps.fmRamp.current, 2.0f);
    EXPECT_EQ(engine.ramps.pwRamp.current, 0.3f);
    engine.endBlock();

    engine.setParameter(kFilterCutoff, 0.3f);
    engine.beginBlock(100);
    EXPECT_EQ(engine.ramps.cutoffRamp.current, 0.8f);
    EXPECT_FLOAT_EQ(engine.ramps.cutoffRamp.step, -0.005f);
    engine.endBlock();
    EXPECT_EQ(engine.ramps.cutoffRamp.current, 0.3f);
}

struct Stereo {
    Stereo(size_t frames, float value) : left(frames, value), right(frames, value) {}
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
    e.engine.setParameter(kVolume, 0.5f); // gain 1
    Stereo block(64, 1.0f);
    e.engine.outputStage(64, block.io());
    EXPECT_EQ(block.left[0], 1.0f);
    EXPECT_EQ(block.right[63], 1.0f);

    e.engine.setParameter(kVolume, 0.25f); // gain 0.25
    Stereo ramp(100, 1.0f);
    e.engine.outputStage(100, ramp.io());
    for (int32_t i = 0; i < 100; ++i) {
        EXPECT_NEAR(ramp.left[i], 1.0f - 0.0075f * i, 1e-5) << i;
        EXPECT_EQ(ramp.left[i], ramp.right[i]) << "both channels follow one ramp";
    }
    Stereo steady(10, 2.0f);
    e.engine.outputStage(10, steady.io());
    EXPECT_EQ(steady.left[0], 0.5f);
    EXPECT_EQ(steady.right[9], 0.5f);
}

TEST(OutputStage, DcPassesWhileSyncIsOffAndDecaysThroughAn8HzHighpassWhileOn)
{
    for (float rate : {44100.0f, 48000.0f, 96000.0f}) {
        for (bool sync : {false, true}) {
            SCOPED_TRACE(testing::Message() << rate << (sync ? " sync on" : " sync off"));
            EngineUnderTest e(rate);
            const ExpectedOnePole hp = expectedOnePole(8.0, rate);
            EXPECT_NEAR(e.engine.out.dcBlocker.a, hp.a, 1e-7);
            EXPECT_NEAR(e.engine.out.dcBlocker.b, hp.b, 1e-7);
            e.engine.setParameter(kVolume, 0.5f);
            e.engine.setParameter(kOscSync, sync ? 1.0f : 0.0f);
            const int32_t frames = static_cast<int32_t>(rate / 100.0f); // 10 ms blocks
            float first = 0.0f, last = 1.0f;
            for (int32_t block = 0; block < 100; ++block) { // one second
                Stereo dc(frames, 0.5f);
                e.engine.outputStage(frames, dc.io());
                if (block == 0)
                    first = dc.left[0];
                last = dc.left.back();
                EXPECT_EQ(dc.left.back(), dc.right.back());
                if (!sync) {
                    EXPECT_EQ(dc.left.back(), 0.5f);
                }
            }
            EXPECT_GT(first, 0.45f) << "the step itself passes";
            // An 8 Hz corner is a time constant of about 20 ms: after a second
            // nothing of the offset remains.
            if (sync) {
                EXPECT_LT(std::fabs(last), 1e-6f);
            }
        }
    }
}

TEST(SampleRate, ReachesDerivedRatesAndEveryEffectRatesNoHostUsesAreIgnored)
{
    EngineUnderTest e(48000.0f);
    EXPECT_FLOAT_EQ(e.engine.twiceRate, 96000.0f);
    EXPECT_FLOAT_EQ(e.engine.fourRate, 192000.0f);
    EXPECT_FLOAT_EQ(e.engine.hzToPhaseInc, static_cast<float>(4294967296.0 / 48000.0));
    EXPECT_FLOAT_EQ(e.engine.rateRatio, 48000.0f / 44100.0f);
    EXPECT_FLOAT_EQ(e.engine.delay->rateRatio, 48000.0f / 44100.0f);
    EXPECT_EQ(e.engine.phaser->sampleRate, 48000.0);
    EXPECT_EQ(e.engine.delay->sampleRate, 48000.0);
    EXPECT_EQ(e.engine.phaser->chorus.sampleRate, 48000.0);
    EXPECT_EQ(e.engine.reverb->type, FxReverb::kRoom) << "a rate change selects Room";
    for (float rate : {0.0f, -44100.0f, 999.0f, 1e30f, std::nanf(""), INFINITY})
        e.engine.setSampleRate(rate);
    EXPECT_EQ(e.engine.sampleRate, 48000.0);
    EXPECT_EQ(e.engine.reverb->sampleRate, 48000.0);
}

} // namespace

// A Filter Type change clears the memories of every voice, sounding ones too,
// before the next slice renders; the voice keeps the type it started with.
TEST(FilterType, ChangeClearsEveryVoiceFilterMemoryBeforeTheNextSlice)
{
    EngineUnderTest e;
    e.engine.setProgram(0);
    e.engine.noteOn(60, 100, -1);
    float fx[2][64], dry[2][64];
    float* fxBus[2] = {fx[0], fx[1]};
    float* dryBus[2] = {dry[0], dry[1]};
    e.engine.beginBlock(64);
    e.engine.render(64, fxBus, dryBus);
    e.engine.endBlock();
    VoiceSlot& voice = e.engine.voices[0];
    ASSERT_EQ(voice.active, 1);
    const int32_t startedWith = voice.voiceFilterType;
    e.engine.voices[5].filterState[3] = 0.25f; // an idle slot's memory goes too
    e.engine.setParameter(ParamIndex::kFilterType, 7.0f);
    // Silence the voice so the next slice writes no fresh memories: whatever
    // is left must have been cleared.
    voice.active = 0;
    e.engine.render(1, fxBus, dryBus);
    for (const VoiceSlot& slot : e.engine.voices)
        for (float memory : slot.filterState)
            ASSERT_EQ(memory, 0.0f);
    EXPECT_EQ(voice.voiceFilterType, startedWith);
}
