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
    std::numeric_limits<float>::quiet_NaN(), INFINITY, -INFINITY, 1e30f, -1e30f, FLT_MAX, -FLT_MAX, 2147483648.0f,
    -2147483904.0f, 1e9f, -1e9f, 300.0f, -300.0f, 2.5f, -0.5f, 1e-40f, -0.0f,
};

void expectIndicesInRange(const Vesk& engine, int32_t index, float value)
{
    SCOPED_TRACE(testing::Message() << "index " << index << " value " << value);
    const double big = kIntAmountLimit;
    const struct {
        Reader read;
        double low, high;
    } ranges[] = {
        {READ(osc.oscShape[0]), 0, 3}, {READ(osc.oscShape[1]), 0, 3}, {READ(osc.oscWave[0]), 0, 69},
        {READ(osc.oscWave[1]), 0, 69}, {READ(osc.oscCoarse[0]), -big - 36, big + 36},
        {READ(osc.oscCoarse[1]), -big - 36, big + 36}, {READ(osc.oscFine[0]), -big - 64, big + 64},
        {READ(osc.oscFine[1]), -big - 64, big + 64}, {READ(osc.osc3Shape), 0, 2}, {READ(lfo[0].lfoShape), 0, 3},
        {READ(lfo[1].lfoShape), 0, 3}, {READ(lfo[2].lfoShape), 0, 3}, {READ(stack.voicesPerNote), 1, 8},
        {READ(stack.voiceDetune), -big, big}, {READ(poly), 8, 72}, {READ(arp.arpSteps), 1, 32},
        {READ(arp.arpMode), 0, kUnknownCode}, {READ(arp.gateOffset), -big - 31, big + 31},
        {READ(ctl.bendRaw), -8192, 8192}, {READ(fx.distType), 0, 8}, {READ(fx.eq[0].eqType), 0, 2},
        {READ(fx.eq[1].eqType), 0, 2}, {READ(delay->mode), 0, 8}, {READ(reverb->type), 0, 4},
        {READ(phaser->type), 0, 6}, {READ(reverb->preDelay), 0, FxReverb::kMaxPreDelayRead},
        {READ(reverb->leftTapCount), 0, FxReverb::kMaxTaps}, {READ(reverb->rightTapCount), 0, FxReverb::kMaxTaps},
        {READ(reverb->diffuseTapCount), 0, FxReverb::kMaxTaps},
    };
    for (const auto& r : ranges) {
        const double v = r.read(engine);
        EXPECT_TRUE(v >= r.low && v <= r.high) << "range row " << (&r - ranges) << " holds " << v;
    }
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

} // namespace
