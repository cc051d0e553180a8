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
