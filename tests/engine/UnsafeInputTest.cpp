// Whatever value arrives for whatever index, nothing that indexes memory
// leaves its table, and nothing crashes or overflows (the sanitizer build runs
// these too).
#include "EngineTestSupport.h"
#include "ParamFamilies.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>

using namespace ParamIndex;

namespace {

const float kHostileValues[] = {
    std::numeric_limits<float>::quiet_NaN(),
    std::numeric_limits<float>::infinity(),
    -std::numeric_limits<float>::infinity(),
    1e30f,
    -1e30f,
    FLT_MAX,
    -FLT_MAX,
    2147483648.0f,
    -2147483904.0f,
    1e9f,
    -1e9f,
    300.0f,
    -300.0f,
    2.5f,
    -0.5f,
    1e-40f,
    -0.0f,
};

void expectIndicesInRange(const Vesk& engine, int32_t index, float value)
{
    SCOPED_TRACE(testing::Message() << "index " << index << " value " << value);
    for (int32_t o = 0; o < 2; ++o) {
        EXPECT_GE(engine.osc.oscShape[o], 0);
        EXPECT_LE(engine.osc.oscShape[o], 3);
        EXPECT_GE(engine.osc.oscWave[o], 0);
        EXPECT_LE(engine.osc.oscWave[o], 69);
        EXPECT_LE(std::abs(engine.osc.oscCoarse[o]), kIntAmountLimit + 36);
        EXPECT_LE(std::abs(engine.osc.oscFine[o]), kIntAmountLimit + 64);
    }
    EXPECT_GE(engine.osc.osc3Shape, 0);
    EXPECT_LE(engine.osc.osc3Shape, 2);
    for (const LfoFields& lfo : engine.lfo)
        EXPECT_LE(lfo.lfoShape, 3);
    EXPECT_GE(engine.stack.voicesPerNote, 1);
    EXPECT_LE(engine.stack.voicesPerNote, 8);
    EXPECT_LE(std::abs(engine.stack.voiceDetune), kIntAmountLimit);
    EXPECT_GE(engine.poly, 8);
    EXPECT_LE(engine.poly, 72);
    EXPECT_GE(engine.arp.arpSteps, 1);
    EXPECT_LE(engine.arp.arpSteps, 32);
    EXPECT_GE(engine.arp.arpMode, 0);
    EXPECT_LE(engine.arp.arpMode, kUnknownCode);
    EXPECT_LE(std::abs(engine.arp.gateOffset), kIntAmountLimit + 31);
    EXPECT_GE(engine.ctl.bendRaw, -8192);
    EXPECT_LE(engine.ctl.bendRaw, 8192);
    EXPECT_GE(engine.fx.distType, 0);
    EXPECT_LE(engine.fx.distType, 8);
    for (const EqBand& eq : engine.fx.eq)
        EXPECT_LE(eq.eqType, 2);
    EXPECT_GE(engine.delay->mode, 0);
    EXPECT_LE(engine.delay->mode, 8);
    EXPECT_GE(engine.reverb->type, 0);
    EXPECT_LE(engine.reverb->type, 4);
    EXPECT_GE(engine.phaser->type, 0);
    EXPECT_LE(engine.phaser->type, 6);
    EXPECT_GE(engine.reverb->preDelay, 0);
    EXPECT_LE(engine.reverb->preDelay, FxReverb::kMaxPreDelayRead);
    EXPECT_LE(engine.reverb->leftTapCount, FxReverb::kMaxTaps);
    EXPECT_LE(engine.reverb->rightTapCount, FxReverb::kMaxTaps);
    EXPECT_LE(engine.reverb->diffuseTapCount, FxReverb::kMaxTaps);
    for (int32_t k = 0; k < engine.reverb->leftTapCount; ++k)
        EXPECT_GE(engine.reverb->leftTaps[k].position, 0);
}

TEST(UnsafeInput, EveryIndexWithEveryHostileValueKeepsIndicesInRange)
{
    EngineUnderTest e;
    for (int32_t index = -2; index <= 350; ++index) {
        for (float value : kHostileValues) {
            e.engine.setParameter(index, value);
            expectIndicesInRange(e.engine, index, value);
        }
        // A sane value in between, so that every hostile value also meets a
        // sane previous state (the reverb type only rebuilds on a change).
        e.engine.setParameter(index, 0.37f);
    }
}

TEST(UnsafeInput, HostileProgramsSurviveSelectionAndReapplication)
{
    EngineUnderTest e;
    ProgramRecord* bank = e.engine.programs();
    int32_t p = 0;
    for (float value : kHostileValues) {
        for (float& param : bank[p].params)
            param = value;
        e.engine.setProgram(p);
        expectIndicesInRange(e.engine, -1, value);
        e.engine.reapplyProgram();
        expectIndicesInRange(e.engine, -1, value);
        ++p;
    }
    for (int32_t slot = 0; slot < 6; ++slot) {
        EXPECT_GE(e.owner.effectOrder[slot], 0);
        EXPECT_LE(e.owner.effectOrder[slot], 6);
    }
}

TEST(UnsafeInput, BlockAndOutputStageRunAfterHostileValues)
{
    EngineUnderTest e;
    for (float value : kHostileValues) {
        for (int32_t index : {int32_t(kVolume), int32_t(kFilterCutoff), int32_t(kOscFm), int32_t(kOscPulseWidth),
                              int32_t(kOscSync)})
            e.engine.setParameter(index, value);
        float left[64] = {};
        float right[64] = {};
        float* io[2] = {left, right};
        e.engine.beginBlock(64);
        e.engine.outputStage(64, io);
        e.engine.endBlock();
    }
    float left[1] = {1.0f};
    float right[1] = {1.0f};
    float* io[2] = {left, right};
    e.engine.beginBlock(0);
    e.engine.outputStage(0, io);
    e.engine.endBlock();
    EXPECT_EQ(left[0], 1.0f) << "an empty block touches nothing";
}

TEST(UnsafeInput, EffectObjectsTakeHostileValuesDirectly)
{
    FxDelay delay;
    FxReverb reverb;
    FxVintagePhaser phaser;
    reverb.setParameter(FxReverb::kTypeParam, 0.5f); // -1 only means "not yet set"
    for (int32_t index = -1; index <= 10; ++index) {
        for (float value : kHostileValues) {
            delay.setParameter(index, value);
            reverb.setParameter(index, value);
            phaser.setParameter(index, value);
            EXPECT_GE(delay.mode, 0);
            EXPECT_LE(delay.mode, 8);
            EXPECT_GE(reverb.type, 0);
            EXPECT_LE(reverb.type, 4);
            EXPECT_GE(reverb.preDelay, 0);
            EXPECT_LE(reverb.preDelay, FxReverb::kMaxPreDelayRead);
            EXPECT_GE(phaser.type, 0);
            EXPECT_LE(phaser.type, 6);
            EXPECT_GE(phaser.chorus.left->outputSmoothing, 0.05f);
            EXPECT_LE(phaser.chorus.left->outputSmoothing, 1.0f);
            EXPECT_GE(phaser.chorus.left->lfoIncrement, 0.0);
        }
    }
}

} // namespace
