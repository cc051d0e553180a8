// The chain: slot order and switches, the dry bus, slot decoding.
#include "EffectsTestSupport.h"

#include <gtest/gtest.h>

namespace {

constexpr int32_t kBlock = 1024;

TEST(EffectsChain, SkippedOrSwitchedOffSlotsLeaveFxBusPlusDryBusExactly)
{
    const struct {
        int32_t order[6];
        bool allOn;
    } rows[] = {{{0, 1, 2, 3, 4, 5}, false}, {{6, -1, 7, 6, 100, -5}, true}};
    for (const auto& row : rows) {
        auto rig = std::make_unique<ChainRig>();
        std::copy(std::begin(row.order), std::end(row.order), rig->order);
        std::fill(std::begin(rig->on), std::end(rig->on), row.allOn);
        Stereo fx = noise(kBlock, 1), dry = noise(kBlock, 2);
        const Stereo fxIn = fx;
        rig->run(fx, dry);
        for (int32_t i = 0; i < kBlock; ++i) {
            ASSERT_EQ(fx.left[i], fxIn.left[i] + dry.left[i]) << i;
            ASSERT_EQ(fx.right[i], fxIn.right[i] + dry.right[i]) << i;
        }
    }
}

TEST(EffectsChain, DryBusNeverReachesTheDelayOrTheReverb)
{
    auto rig = std::make_unique<ChainRig>();
    rig->on[kEffectDelay] = rig->on[kEffectReverb] = true;
    rig->delay.setParameter(FxDelay::kAmount, 1.0f);
    rig->delay.setParameter(FxDelay::kFeedback, 0.5f);
    rig->delay.setParameter(FxDelay::kRateLeft, 1.0f); // "1/64T", about 900 samples
    rig->reverb.setParameter(FxReverb::kTypeParam, 1.0f);
    rig->reverb.setParameter(FxReverb::kAmount, 1.0f);
    for (int32_t block = 0; block < 8; ++block) {
        Stereo fx(kBlock), dry(kBlock);
        if (block == 0)
            dry.left[0] = dry.right[0] = 1.0f;
        rig->run(fx, dry);
        EXPECT_EQ(fx.left, dry.left) << block;
        EXPECT_EQ(fx.right, dry.right) << block;
    }
}

// Two slots naming the delay run it twice on the block: echo of the echo.
TEST(EffectsChain, SameKindInTwoSlotsRunsTwice)
{
    for (int32_t second : {4, 6}) {
        auto rig = std::make_unique<ChainRig>();
        const int32_t order[6] = {4, second, 6, 6, 6, 6};
        std::copy(std::begin(order), std::end(order), rig->order);
        rig->on[kEffectDelay] = true;
        rig->delay.setParameter(FxDelay::kAmount, 1.0f);
        rig->delay.setParameter(FxDelay::kColour, 0.5f);
        rig->delay.setParameter(FxDelay::kRateLeft, 1.0f);
        rig->delay.setParameter(FxDelay::kRateRight, 1.0f);
        Stereo fx(4096), dry(4096);
        fx.left[0] = 1.0f;
        rig->run(fx, dry);
        const int32_t echo = (second == 4 ? 2 : 1) * rig->delay.dL;
        EXPECT_EQ(std::max_element(fx.left.begin(), fx.left.end()) - fx.left.begin(), echo) << second;
        EXPECT_EQ(fx.left[echo], 1.0f);
    }
}

// Told that no voice wrote the buses, the chain leaves a sleeping reverb
// alone; a delay's late echo still reaches it and wakes it. Either way the
// output is that of a chain told nothing.
TEST(EffectsChain, BlocksWithoutVoicesSoundAsIfProcessedInFull)
{
    auto told = std::make_unique<ChainRig>();
    auto untold = std::make_unique<ChainRig>();
    for (ChainRig* rig : {told.get(), untold.get()}) {
        rig->on[kEffectDelay] = rig->on[kEffectReverb] = true;
        rig->delay.setParameter(FxDelay::kAmount, 0.5f);
        rig->delay.setParameter(FxDelay::kRateLeft, 0.0f); // "1/1*": 3 s, past the reverb's 0.5 s tail
        rig->reverb.setParameter(FxReverb::kTypeParam, 1.0f);
        rig->reverb.setParameter(FxReverb::kAmount, 0.5f);
    }
    const int32_t echo = 132300;
    float tailAfterEcho = 0.0f;
    for (int32_t block = 0; block * kBlock < echo + 8 * kBlock; ++block) {
        Stereo a = block == 0 ? noise(kBlock, 3) : Stereo(kBlock), b = a, dryA(kBlock), dryB(kBlock);
        told->run(a, dryA, 120.0f, block > 0);
        untold->run(b, dryB);
        ASSERT_EQ(a.left, b.left) << block;
        ASSERT_EQ(a.right, b.right) << block;
        if (block * kBlock > echo + kBlock)
            tailAfterEcho = std::max(tailAfterEcho, peak(a.left));
    }
    EXPECT_GT(tailAfterEcho, 1e-3f);
}

TEST(EffectsChain, SlotValuesRoundUpFromATenthBelowAndOthersKeepTheSlot)
{
    const std::pair<float, int32_t> rows[] = {{2.95f, 3}, {0.0f, 0}, {-0.05f, 0}, {4.95f, 5},
                                              {-0.5f, -1}, {5.95f, -1}, {6.0f, -1}, {NAN, -1}};
    for (const auto& [stored, expected] : rows) {
        int32_t kind = -1;
        EXPECT_EQ(EffectsChain::decodeSlot(stored, kind), expected >= 0) << stored;
        EXPECT_EQ(kind, expected) << stored;
    }
}

TEST(EffectsChain, AdvancesTheDelayModulationPhaseByTheBlock)
{
    auto rig = std::make_unique<ChainRig>();
    rig->delayMod.phase = 0xFFFFFF00u;
    rig->delayMod.increment = 3;
    Stereo fx(300), dry(300);
    rig->run(fx, dry);
    EXPECT_EQ(rig->delayMod.phase, 0xFFFFFF00u + 900u);
}

} // namespace

namespace {

// A shelf boost and a crunch, one way round and the other: the chain's
// result is that of the two stages called in the slots' order.
TEST(EffectsChain, RunsTheSlotsInTheirOrder)
{
    for (const bool eqFirst : {true, false}) {
        auto rig = std::make_unique<ChainRig>();
        const int32_t order[6] = {eqFirst ? 1 : 0, eqFirst ? 0 : 1, 6, 6, 6, 6};
        std::copy(std::begin(order), std::end(order), rig->order);
        rig->on[kEffectDistortion] = rig->on[kEffectEq1] = true;
        rig->eq[0].eqType = 1;
        rig->eq[0].eqFreq = 300.0f;
        rig->eq[0].eqGain = 3.0f;
        rig->distortion.distDrive = rig->distortion.distAmount = 0.8f;
        DistortionFields distortion = rig->distortion;
        EqBand band = rig->eq[0];
        Stereo fx = noise(kBlock, 5), dry(kBlock);
        Stereo expected = fx;
        if (eqFirst)
            processEq(band, 44100.0, kBlock, expected.io());
        processDistortion(distortion, 44100.0, kBlock, expected.io());
        if (!eqFirst)
            processEq(band, 44100.0, kBlock, expected.io());
        rig->run(fx, dry);
        EXPECT_EQ(fx.left, expected.left) << eqFirst;
        EXPECT_EQ(fx.right, expected.right) << eqFirst;
    }
}

} // namespace
