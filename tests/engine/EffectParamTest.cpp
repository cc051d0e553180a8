// The effect parameters: the engine's forwarding with its index mapping, and
// what each effect object makes of the values it receives.
#include "EngineTestSupport.h"
#include "ParamFamilies.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <utility>
#include <vector>

using namespace ParamIndex;

namespace {

using Calls = std::vector<std::pair<int32_t, float>>;

// The delay and the reverb take their parameters through a virtual setter, so
// a recording subclass sees exactly what the engine sends.
template <typename Fx>
class Recording : public Fx {
public:
    void setParameter(int32_t index, float value) override
    {
        calls.emplace_back(index, value);
        Fx::setParameter(index, value);
    }
    Calls calls;
};

template <typename Fx>
Calls callsFromTheEngine(std::unique_ptr<Fx> Vesk::*slot, int32_t first)
{
    EngineUnderTest e;
    auto recording = std::make_unique<Recording<Fx>>();
    Recording<Fx>& fx = *recording;
    e.engine.*slot = std::move(recording);
    fx.calls.clear(); // its own constructor's settings
    for (int32_t k = 0; k < 6; ++k)
        e.engine.setParameter(first + k, 0.1f * (k + 1));
    return fx.calls;
}

TEST(EffectParam, DelayAndReverbIndexMapping_DelayFeedbackGoesToOneAndFour)
{
    EXPECT_EQ(callsFromTheEngine(&Vesk::delay, kDelayType),
              (Calls{{0, 0.1f}, {6, 0.2f}, {1, 0.3f}, {4, 0.3f}, {7, 0.4f}, {2, 0.5f}, {3, 0.6f}}));
    EXPECT_EQ(callsFromTheEngine(&Vesk::reverb, kReverbType),
              (Calls{{0, 0.1f}, {2, 0.2f}, {1, 0.3f}, {8, 0.4f}, {4, 0.5f}, {5, 0.6f}}));
}

// --- FxDelay ----------------------------------------------------------------------

TEST(FxDelayParam, Mode_SixteenStepsPerModeAndItsCrossing)
{
    FxDelay delay;
    const struct {
        float gL, gR;
    } gains[] = {{0.0f, 0.0f},  {0.5f, -0.5f}, {0.5f, -0.5f},   {0.5f, -0.5f}, {0.5f, -0.5f},
                 {0.5f, -0.5f}, {0.5f, -0.5f}, {-0.45f, -0.45f}, {0.45f, 0.45f}};
    for (int32_t mode = 0; mode <= 8; ++mode) {
        delay.setParameter(FxDelay::kType, mode / 8.0f);
        EXPECT_EQ(delay.mode, mode);
        EXPECT_EQ(delay.gL, gains[mode].gL) << mode;
        EXPECT_EQ(delay.gR, gains[mode].gR) << mode;
    }
    delay.setParameter(FxDelay::kType, 15.9f / 128.0f); // trunc(15.9) / 16
    EXPECT_EQ(delay.mode, 0);
}

TEST(FxDelayParam, Colour_MiddleIsTheIdentityBelowALowpassAboveAHighpass)
{
    FxDelay delay;
    delay.setParameter(FxDelay::kColour, 0.3f);
    delay.setParameter(FxDelay::kColour, 64.5f / 128.0f);
    EXPECT_EQ(delay.b0, 1.0f);
    EXPECT_EQ(delay.b1, 0.0f);
    EXPECT_EQ(delay.a1, 0.0f);

    delay.setParameter(FxDelay::kColour, 63.5f / 128.0f); // the step below: about 18.6 kHz
    const double lowCorner = 200.0 * std::pow(100.0, 1.0 - 1.0 / 64.01);
    EXPECT_NEAR(delay.colourCorner, lowCorner, 0.01);
    EXPECT_NEAR(lowCorner, 18600.0, 50.0);
    const ExpectedOnePole lp = expectedOnePole(lowCorner, 44100.0, false);
    EXPECT_NEAR(delay.a1, lp.a, 1e-5);
    EXPECT_NEAR(delay.b0, lp.b, 1e-5);
    EXPECT_EQ(delay.b1, delay.b0);

    delay.setParameter(FxDelay::kColour, 65.5f / 128.0f); // the step above: about 22 Hz
    const double highCorner = 20.0 * std::pow(750.0, 1.0 / 64.01);
    EXPECT_NEAR(delay.colourCorner, highCorner, 0.001);
    EXPECT_NEAR(highCorner, 22.0, 0.5);
    const ExpectedOnePole hp = expectedOnePole(highCorner, 44100.0);
    EXPECT_NEAR(delay.a1, hp.a, 1e-6);
    EXPECT_NEAR(delay.b0, hp.b, 1e-6);
    EXPECT_EQ(delay.b1, -delay.b0);
}

TEST(FxDelayParam, OtherIndices_AreIgnored)
{
    FxDelay delay;
    delay.setParameter(FxDelay::kFeedback, 0.4f);
    for (int32_t index : {4, 5, 8, -1, 100})
        delay.setParameter(index, 0.9f);
    EXPECT_EQ(delay.fb, 0.4f);
    EXPECT_EQ(delay.wet, 0.0f);
}

// --- FxReverb ------------------------------------------------------------------------

TEST(FxReverbSetUp, PrimeLookup)
{
    const std::pair<int32_t, int32_t> cases[] = {{0, 2}, {2, 2}, {517, 521}, {27449, 27449}, {27450, 0}};
    for (const auto& [n, prime] : cases)
        EXPECT_EQ(FxReverb::nextPrime(n), prime) << n;
}

TEST(FxReverbSetUp, LengthsAt44k1MatchTheRule)
{
    FxReverb reverb; // constructed at 44.1 kHz
    EXPECT_EQ(reverb.type, -1);
    EXPECT_EQ(reverb.lineCount, 16);
    EXPECT_EQ(reverb.dampingRatio, 1.0f);
    EXPECT_EQ((std::vector<int32_t>{reverb.bank[0].length, reverb.bank[1].length, reverb.bank[2].length,
                                    reverb.bank[62].length, reverb.bank[63].length}),
              (std::vector<int32_t>{521, 541, 557, 1597, 1607}));
    EXPECT_EQ((std::vector<int32_t>{reverb.allPassLength[0], reverb.allPassLength[1], reverb.roomAllPassLength[0],
                                    reverb.roomAllPassLength[1]}),
              (std::vector<int32_t>{257, 251, 293, 293}));
    const int32_t fdn[16] = {761, 967, 1153, 1373, 1571, 1787, 2011, 2239, 2441, 2687, 2897, 3163, 3371, 3607, 3833, 4073};
    for (int32_t k = 0; k < 16; ++k)
        EXPECT_EQ(reverb.fdn[k].length, fdn[k]) << k;
}

// End to end at the usual rates; far above them the pool runs out and the
// last lines share its final region, which must still lie inside it.
TEST(FxReverbSetUp, LinesLieEndToEndAndInsideThePoolAtAnySupportedRate)
{
    FxReverb reverb;
    for (double rate : {44100.0, 1000.0, 22050.0, 96000.0, 192000.0, 384000.0, 768000.0}) {
        reverb.setSampleRate(rate);
        int32_t offset = 0;
        const auto check = [&](const auto& lines) {
            for (const auto& line : lines) {
                EXPECT_GT(line.length, 0) << rate;
                EXPECT_TRUE(line.start >= 0 && line.start + line.length <= FxReverb::kPoolSize) << rate;
                if (rate <= 96000.0) {
                    EXPECT_EQ(line.start, offset) << rate;
                }
                offset += line.length;
            }
        };
        check(reverb.bank);
        check(reverb.fdn);
    }
}

TEST(FxReverbParam, BankGainsFollowDecayAndDamping)
{
    FxReverb reverb;
    reverb.setParameter(FxReverb::kDecay, 0.3f);
    reverb.setParameter(FxReverb::kDamp, 0.2f);
    const double t60 = 0.5 * std::pow(20.0, 0.3);
    EXPECT_NEAR(reverb.dampingRatio, 0.15 * std::pow(1.0 / 0.15, 0.2), 1e-6);
    for (int32_t i = 0; i < FxReverb::kBankLineCount; ++i) {
        const double g = std::pow(0.001, reverb.bank[i].length / (44100.0 * t60)) * 0.6;
        EXPECT_NEAR(reverb.bank[i].gain, (i == 31 || i == 63) ? 0.8 * g : g, 1e-6) << i;
    }
}

TEST(FxReverbParam, Type_SameTypeRebuildsNothingDiffuseTypesClearTheReflections)
{
    FxReverb reverb;
    reverb.setParameter(FxReverb::kTypeParam, 0.5f); // Room
    reverb.rightOffsetRing[10] = 1.0f;
    reverb.leftTaps[0].gain = 123.0f;
    reverb.setParameter(FxReverb::kTypeParam, 0.52f); // still Room
    EXPECT_EQ(reverb.rightOffsetRing[10], 1.0f);
    EXPECT_EQ(reverb.leftTaps[0].gain, 123.0f);

    float silence[2][1] = {};
    float* block[2] = {silence[0], silence[1]};
    reverb.setParameter(FxReverb::kTypeParam, 0.0f); // Diffuse-1: no reflections
    reverb.process(1, block); // the audio thread clears its memories when it takes the new type
    EXPECT_EQ(reverb.type, FxReverb::kDiffuse1);
    EXPECT_EQ(reverb.rightOffsetRing[10], 0.0f);
    EXPECT_EQ(reverb.leftTapCount, 0);
    EXPECT_EQ(reverb.diffuseTapCount, 0);
    EXPECT_EQ(reverb.lateOffset, 0);

    reverb.silenceCounter = 5; // Diffuse-2 resets the whole reverb
    reverb.pool[1000] = 1.0f;
    reverb.setParameter(FxReverb::kTypeParam, 0.25f);
    reverb.process(1, block);
    EXPECT_EQ(reverb.type, FxReverb::kDiffuse2);
    EXPECT_EQ(reverb.silenceCounter, 10000000);
    EXPECT_EQ(reverb.pool[1000], 0.0f);
    EXPECT_EQ(reverb.wetCurrent, -1.0f);
}

TEST(FxReverbParam, RoomHallAndCathedral_ReflectionsAndLateOffset)
{
    FxReverb reverb;
    reverb.setParameter(FxReverb::kPreDelay, 0.1f); // 10 ms = 441 samples
    reverb.setParameter(FxReverb::kTypeParam, 0.5f);
    EXPECT_EQ(reverb.preDelay, 441);
    EXPECT_EQ(reverb.leftTapCount, 47);
    EXPECT_EQ(reverb.rightTapCount, 47);
    EXPECT_EQ(reverb.diffuseTapCount, 128);
    EXPECT_EQ(reverb.leftTaps[0].position, static_cast<int32_t>((1693 - 1599) * 44100.0 / 48000.0 + 441));
    EXPECT_FLOAT_EQ(reverb.leftTaps[0].gain, 0.5f * 0.328189f);
    EXPECT_FLOAT_EQ(reverb.rightTaps[46].gain, 0.5f * 0.033941f);
    EXPECT_EQ(reverb.diffuseTaps[127].position, 441 + 4410);
    EXPECT_EQ(reverb.lateOffset, 4410 - 521 - 54);
    for (int32_t k = 1; k < 128; ++k)
        EXPECT_LE(std::fabs(reverb.diffuseTaps[k].gain), 0.5 * k / 128.0 * 0.0625 + 1e-9) << k;

    reverb.setParameter(FxReverb::kPreDelay, 0.0f);
    reverb.setParameter(FxReverb::kTypeParam, 0.75f); // Hall
    EXPECT_EQ(reverb.lateOffset, 2646);
    EXPECT_EQ(reverb.leftTapCount, 39);
    EXPECT_EQ(reverb.rightTapCount, 35);
    EXPECT_EQ(reverb.diffuseTapCount, 0);
    EXPECT_EQ(reverb.leftTaps[1].position, 2646 + 541);
    EXPECT_FLOAT_EQ(reverb.leftTaps[1].gain, 0.985f / 64.0f); // entry -0.985, negated for odd k
    EXPECT_FLOAT_EQ(reverb.rightTaps[2].gain, 0.977f / 64.0f);
    EXPECT_EQ(reverb.leftTaps[16].position, static_cast<int32_t>(1394 * 0.6 * 44100.0 / 48000.0));
    EXPECT_FLOAT_EQ(reverb.leftTaps[16].gain, 0.5f * 0.790008f);

    // The pre-delay counts whole milliseconds and moves the reflections along.
    const int32_t before = reverb.leftTaps[0].position;
    reverb.setParameter(FxReverb::kPreDelay, 0.0555f); // 5 ms
    EXPECT_EQ(reverb.preDelay, 220);
    EXPECT_EQ(reverb.leftTaps[0].position, before + 220);
    reverb.setParameter(FxReverb::kPreDelay, 1.0f);
    EXPECT_EQ(reverb.preDelay, 4410);

    reverb.setParameter(FxReverb::kPreDelay, 0.0f);
    reverb.setParameter(FxReverb::kTypeParam, 1.0f); // Cathedral
    EXPECT_EQ(reverb.lateOffset, 3969);
    EXPECT_EQ(reverb.rightTaps[16].position, static_cast<int32_t>(354 * 44100.0 / 48000.0));
    EXPECT_FLOAT_EQ(reverb.rightTaps[16].gain, 0.79916f);
}

// --- FxVintagePhaser and its chorus lines -----------------------------------------------------

TEST(PhaserParam, ChorusLines_ExistFromConstructionWithTheirStartValues)
{
    FxVintagePhaser phaser;
    const CDelay& chorus = phaser.chorus;
    ASSERT_TRUE(chorus.linesPresent);
    EXPECT_EQ(chorus.left->lapSize, 2205); // 50 ms
    EXPECT_EQ(chorus.left->lfoStartPhase, 0.0);
    EXPECT_EQ(chorus.right->lfoStartPhase, 0.3);
    EXPECT_TRUE(chorus.mixInverted);
    EXPECT_TRUE(chorus.feedbackInverted);
    EXPECT_FLOAT_EQ(chorus.left->feedbackTarget, -0.2375f);
    EXPECT_EQ(chorus.amount, 1.0f);
    EXPECT_EQ(chorus.feedback, 0.5f);
    EXPECT_NEAR(chorus.left->lfoIncrement, 0.15 / 44100.0, 1e-15);
    EXPECT_NEAR(chorus.right->lfoIncrement, 1.1 * 0.15 / 44100.0, 1e-15);
    EXPECT_EQ(chorus.left->outputSmoothing, 1.0f);
}

TEST(PhaserParam, ChorusTypesForwardToTheLinesPhaserTypesLeaveThemAlone)
{
    FxVintagePhaser phaser;
    const CDelay& chorus = phaser.chorus;
    phaser.setParameter(FxVintagePhaser::kType, 0.0f);
    EXPECT_TRUE(chorus.mixInverted) << "the start value stays until a chorus type is chosen";

    phaser.setParameter(FxVintagePhaser::kType, 4.5f / 6.1f); // Flanger-
    EXPECT_TRUE(chorus.mixInverted);
    phaser.setParameter(FxVintagePhaser::kAmount, 0.5f);
    EXPECT_FLOAT_EQ(chorus.left->mixTarget, -0.25f);
    EXPECT_FLOAT_EQ(chorus.right->mixTarget, -0.25f);

    phaser.setParameter(FxVintagePhaser::kType, 5.5f / 6.1f); // Chorus I: the mix turns positive
    EXPECT_FALSE(chorus.mixInverted);
    EXPECT_FLOAT_EQ(chorus.left->mixTarget, 0.25f);
    const double n = 2205.0;
    const double tPrime = 0.2 * 0.2 * 0.99 + 0.01;
    EXPECT_NEAR(chorus.left->rateTarget, 1.0 / (n * ((1.0 - 2.0 / n) * tPrime * 0.99 + 2.0 / n)), 1e-15);

    phaser.setParameter(FxVintagePhaser::kFeedback, 1.0f); // always negative once inverted
    EXPECT_FLOAT_EQ(chorus.left->feedbackTarget, -0.95f);
    phaser.setParameter(FxVintagePhaser::kDepth, 0.5f);
    EXPECT_DOUBLE_EQ(chorus.right->lfoDepth, 0.25);
    phaser.setParameter(FxVintagePhaser::kFreq, 0.0f);
    EXPECT_FLOAT_EQ(chorus.left->outputSmoothing, 0.05f);
    phaser.setParameter(FxVintagePhaser::kRate, 0.0f);
    EXPECT_NEAR(chorus.left->lfoIncrement, 0.05 / 44100.0, 1e-12);
    EXPECT_NEAR(chorus.right->lfoIncrement, 1.1 * 0.05 / 44100.0, 1e-12);
}

TEST(PhaserParam, ChorusSampleRate_RecreatesTheLinesOnlyOnAChange)
{
    FxVintagePhaser phaser;
    const CDelayLine* before = phaser.chorus.left.get();
    phaser.setSampleRate(44100.0);
    EXPECT_EQ(phaser.chorus.left.get(), before);
    phaser.setSampleRate(96000.0);
    EXPECT_EQ(phaser.chorus.left->lapSize, 4800);
    EXPECT_EQ(phaser.chorus.right->lapSize, 4800);
    EXPECT_EQ(phaser.chorus.left->segment[0].value.size(), 4810u);
}

TEST(ChorusLine, Setters_LimitAndFlush)
{
    CDelayLine line(2, 0.0);
    EXPECT_EQ(line.lapSize, CDelayLine::kMinLap);
    line.setOutputSmoothing(0.0f);
    EXPECT_EQ(line.outputSmoothing, 0.05f);
    line.setOutputSmoothing(3.0f);
    EXPECT_EQ(line.outputSmoothing, 1.0f);
    line.setLfoIncrement(-1.0);
    EXPECT_EQ(line.lfoIncrement, 0.0);
    line.setMix(1e-40f);
    EXPECT_EQ(line.mixTarget, 0.0f);
    line.setFeedback(-1e-42f);
    EXPECT_EQ(line.feedbackTarget, 0.0f);
}

} // namespace
