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

class EffectParam : public ::testing::Test {
protected:
    void set(int32_t index, float value) { engine.setParameter(index, value); }

    EngineUnderTest e;
    Vesk& engine = e.engine;
};

// --- forwarding from the engine -------------------------------------------------

using Calls = std::vector<std::pair<int32_t, float>>;

// The delay and the reverb take their parameters through a virtual setter, so
// a recording subclass sees exactly what the engine sends.
class RecordingDelay : public FxDelay {
public:
    void setParameter(int32_t index, float value) override
    {
        calls.emplace_back(index, value);
        FxDelay::setParameter(index, value);
    }
    Calls calls;
};

class RecordingReverb : public FxReverb {
public:
    void setParameter(int32_t index, float value) override
    {
        calls.emplace_back(index, value);
        FxReverb::setParameter(index, value);
    }
    Calls calls;
};

TEST_F(EffectParam, DelayIndexMapping_FeedbackGoesToOneAndFour)
{
    auto recording = std::make_unique<RecordingDelay>();
    RecordingDelay& delay = *recording;
    engine.delay = std::move(recording);
    for (int32_t k = 0; k < 6; ++k)
        set(kDelayType + k, 0.1f * (k + 1));
    const Calls expected = {{0, 0.1f}, {6, 0.2f}, {1, 0.3f}, {4, 0.3f}, {7, 0.4f}, {2, 0.5f}, {3, 0.6f}};
    EXPECT_EQ(delay.calls, expected);
}

TEST_F(EffectParam, ReverbIndexMapping)
{
    auto recording = std::make_unique<RecordingReverb>();
    RecordingReverb& reverb = *recording;
    engine.reverb = std::move(recording);
    reverb.calls.clear(); // its own constructor's settings
    for (int32_t k = 0; k < 6; ++k)
        set(kReverbType + k, 0.1f * (k + 1));
    const Calls expected = {{0, 0.1f}, {2, 0.2f}, {1, 0.3f}, {8, 0.4f}, {4, 0.5f}, {5, 0.6f}};
    EXPECT_EQ(reverb.calls, expected);
}

TEST_F(EffectParam, Phaser_ReceivesItsIndicesInTheirOrder)
{
    set(kPhaserType, 0.49f);
    EXPECT_EQ(engine.phaser->type, 2);
    set(kPhaserRate, 1.0f);
    EXPECT_NEAR(engine.phaser->rate, 20.0, 1e-4);
    set(kPhaserFreq, 0.0f);
    EXPECT_NEAR(engine.phaser->centre, 200.0, 1e-9);
    set(kPhaserFeedback, 0.5f);
    EXPECT_FLOAT_EQ(engine.phaser->feedback, 0.49f);
    set(kPhaserAmount, 0.25f);
    EXPECT_FLOAT_EQ(engine.phaser->wet, 0.25f);
    EXPECT_FLOAT_EQ(engine.phaser->dry, 0.75f);
    set(kPhaserDepth, 0.6f);
    EXPECT_FLOAT_EQ(engine.phaser->depth, 0.6f);
    EXPECT_FLOAT_EQ(engine.phaser->depthDisplay, 60.0f);
}

TEST_F(EffectParam, Delay_FeedbackReachesTheDelayAndTypeColourAmountRatesTheirIndices)
{
    set(kDelayType, 0.125f); // trunc(16) / 16 = 1
    EXPECT_EQ(engine.delay->mode, 1);
    set(kDelayFeedback, 0.6f);
    EXPECT_EQ(engine.delay->fb, 0.6f);
    set(kDelayAmount, 0.5f);
    EXPECT_FLOAT_EQ(engine.delay->wet, 0.25f);
    set(kDelayRateLeft, 0.3f);
    set(kDelayRateRight, 0.7f);
    EXPECT_EQ(engine.delay->rateLeft, 0.3f);
    EXPECT_EQ(engine.delay->rateRight, 0.7f);
    set(kDelayColour, 0.0f);
    EXPECT_GT(engine.delay->colourCorner, 199.0f);
    EXPECT_LT(engine.delay->colourCorner, 201.0f);
}

TEST_F(EffectParam, Reverb_ReceivesItsIndicesInTheirOrder)
{
    set(kReverbType, 0.75f);
    EXPECT_EQ(engine.reverb->type, FxReverb::kHall);
    set(kReverbDamp, 1.0f);
    EXPECT_FLOAT_EQ(engine.reverb->damping, 1.0f);
    set(kReverbDecay, 1.0f);
    EXPECT_NEAR(engine.reverb->t60, 10.0, 1e-5);
    set(kReverbAmount, 0.5f);
    EXPECT_FLOAT_EQ(engine.reverb->wetTarget, 0.25f);
    set(kReverbPreDelay, 0.5f);
    EXPECT_EQ(engine.reverb->preDelay, 2205); // 50 ms at 44.1 kHz
    set(kReverbLocut, 1.0f);
    const ExpectedOnePole hp = expectedHighpass(1000.0, 44100.0);
    EXPECT_NEAR(engine.reverb->locutA1, hp.a, 1e-6);
    EXPECT_NEAR(engine.reverb->locutB0, hp.b, 1e-6);
}

TEST_F(EffectParam, EngineSampleRate_ReachesEveryEffectAndSelectsRoom)
{
    engine.setSampleRate(48000.0f);
    EXPECT_EQ(engine.phaser->sampleRate, 48000.0);
    EXPECT_EQ(engine.delay->sampleRate, 48000.0);
    EXPECT_EQ(engine.reverb->sampleRate, 48000.0);
    EXPECT_EQ(engine.phaser->chorus.sampleRate, 48000.0);
    EXPECT_EQ(engine.reverb->type, FxReverb::kRoom);
    EXPECT_FLOAT_EQ(engine.delay->rateRatio, 48000.0f / 44100.0f);
}

// --- FxDelay ----------------------------------------------------------------------

TEST(FxDelayParam, Mode_SixteenStepsPerModeAndItsCrossing)
{
    FxDelay delay;
    const struct {
        int32_t mode;
        float gL, gR;
    } expected[] = {{0, 0.0f, 0.0f},   {1, 0.5f, -0.5f},  {2, 0.5f, -0.5f},     {3, 0.5f, -0.5f},
                    {4, 0.5f, -0.5f},  {5, 0.5f, -0.5f},  {6, 0.5f, -0.5f},     {7, -0.45f, -0.45f},
                    {8, 0.45f, 0.45f}};
    for (const auto& x : expected) {
        delay.setParameter(FxDelay::kType, x.mode / 8.0f);
        EXPECT_EQ(delay.mode, x.mode);
        EXPECT_EQ(delay.gL, x.gL) << x.mode;
        EXPECT_EQ(delay.gR, x.gR) << x.mode;
    }
    delay.setParameter(FxDelay::kType, 15.9f / 128.0f); // trunc(15.9) / 16
    EXPECT_EQ(delay.mode, 0);
}

TEST(FxDelayParam, Colour_MiddleStepIsTheIdentity)
{
    FxDelay delay;
    delay.setParameter(FxDelay::kColour, 0.3f);
    delay.setParameter(FxDelay::kColour, 64.5f / 128.0f);
    EXPECT_EQ(delay.b0, 1.0f);
    EXPECT_EQ(delay.b1, 1.0f);
    EXPECT_EQ(delay.a1, 1.0f);
}

TEST(FxDelayParam, Colour_BelowTheMiddleIsALowpassAboveAHighpass)
{
    FxDelay delay;
    // The step below the middle: about 18.6 kHz.
    delay.setParameter(FxDelay::kColour, 63.5f / 128.0f);
    const double lowCorner = 200.0 * std::pow(100.0, 1.0 - 1.0 / 64.01);
    EXPECT_NEAR(delay.colourCorner, lowCorner, 0.01);
    EXPECT_NEAR(lowCorner, 18600.0, 50.0);
    const ExpectedOnePole lp = expectedLowpass(lowCorner, 44100.0);
    EXPECT_NEAR(delay.a1, lp.a, 1e-5);
    EXPECT_NEAR(delay.b0, lp.b, 1e-5);
    EXPECT_EQ(delay.b1, delay.b0);

    // The step above: about 22 Hz.
    delay.setParameter(FxDelay::kColour, 65.5f / 128.0f);
    const double highCorner = 20.0 * std::pow(750.0, 1.0 / 64.01);
    EXPECT_NEAR(delay.colourCorner, highCorner, 0.001);
    EXPECT_NEAR(highCorner, 22.0, 0.5);
    const ExpectedOnePole hp = expectedHighpass(highCorner, 44100.0);
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

TEST(FxDelayParam, Reset_ClearsMemoriesAndFilterStates)
{
    FxDelay delay;
    delay.ring[0][5] = delay.ring[1][262143] = 1.0f;
    delay.diffuser[3][100] = 1.0f;
    delay.diffuserIndex[2] = 7;
    delay.prevIn[0] = delay.prevOut[1] = 0.5f;
    delay.reset();
    EXPECT_EQ(delay.ring[0][5], 0.0f);
    EXPECT_EQ(delay.ring[1][262143], 0.0f);
    EXPECT_EQ(delay.diffuser[3][100], 0.0f);
    EXPECT_EQ(delay.diffuserIndex[2], 0);
    EXPECT_EQ(delay.prevIn[0], 0.0f);
    EXPECT_EQ(delay.prevOut[1], 0.0f);
}

// --- FxReverb ------------------------------------------------------------------------

TEST(FxReverbSetUp, PrimeLookup)
{
    EXPECT_EQ(FxReverb::nextPrime(0), 2);
    EXPECT_EQ(FxReverb::nextPrime(2), 2);
    EXPECT_EQ(FxReverb::nextPrime(517), 521);
    EXPECT_EQ(FxReverb::nextPrime(27449), 27449);
    EXPECT_EQ(FxReverb::nextPrime(27450), 0);
}

TEST(FxReverbSetUp, LengthsAt44k1MatchTheRule)
{
    FxReverb reverb; // constructed at 44.1 kHz
    EXPECT_EQ(reverb.type, -1);
    EXPECT_EQ(reverb.lineCount, 16);
    EXPECT_EQ(reverb.dampingRatio, 1.0f);
    EXPECT_EQ(reverb.bank[0].length, 521);
    EXPECT_EQ(reverb.bank[1].length, 541);
    EXPECT_EQ(reverb.bank[2].length, 557);
    EXPECT_EQ(reverb.bank[62].length, 1597);
    EXPECT_EQ(reverb.bank[63].length, 1607);
    EXPECT_EQ(reverb.allPassLength[0], 257);
    EXPECT_EQ(reverb.allPassLength[1], 251);
    EXPECT_EQ(reverb.roomAllPassLength[0], 293);
    EXPECT_EQ(reverb.roomAllPassLength[1], 293);
    const int32_t fdn[16] = {761, 967, 1153, 1373, 1571, 1787, 2011, 2239, 2441, 2687, 2897, 3163, 3371, 3607, 3833, 4073};
    for (int32_t k = 0; k < 16; ++k)
        EXPECT_EQ(reverb.fdn[k].length, fdn[k]) << k;
}

TEST(FxReverbSetUp, LinesAreLaidEndToEndWithoutOverlap)
{
    FxReverb reverb;
    int32_t offset = 0;
    for (const auto& line : reverb.bank) {
        EXPECT_EQ(line.start, offset);
        offset += line.length;
    }
    for (const auto& line : reverb.fdn) {
        EXPECT_EQ(line.start, offset);
        offset += line.length;
    }
    EXPECT_LE(offset, FxReverb::kPoolSize);
}

TEST(FxReverbSetUp, EveryLineStaysInsideThePoolAtAnySupportedRate)
{
    FxReverb reverb;
    for (double rate : {1000.0, 22050.0, 96000.0, 192000.0, 384000.0, 768000.0}) {
        reverb.setSampleRate(rate);
        for (const auto& line : reverb.bank) {
            EXPECT_GT(line.length, 0) << rate;
            EXPECT_GE(line.start, 0) << rate;
            EXPECT_LE(line.start + line.length, FxReverb::kPoolSize) << rate;
        }
        for (const auto& line : reverb.fdn) {
            EXPECT_GT(line.length, 0) << rate;
            EXPECT_GE(line.start, 0) << rate;
            EXPECT_LE(line.start + line.length, FxReverb::kPoolSize) << rate;
        }
    }
}

TEST(FxReverbParam, BankGainsFollowDecayAndDamping)
{
    FxReverb reverb;
    reverb.setParameter(FxReverb::kDecay, 0.3f);
    reverb.setParameter(FxReverb::kDamp, 0.2f);
    const double t60 = 0.5 * std::pow(20.0, 0.3);
    const double d = 0.5 + 0.5 * 0.2;
    EXPECT_NEAR(reverb.dampingRatio, 0.15 * std::pow(1.0 / 0.15, 0.2), 1e-6);
    for (int32_t i = 0; i < FxReverb::kBankLineCount; ++i) {
        double g = std::pow(0.001, reverb.bank[i].length / (44100.0 * t60)) * d;
        if (i == 31 || i == 63)
            g *= 0.8;
        EXPECT_NEAR(reverb.bank[i].gain, g, 1e-6) << i;
    }
}

TEST(FxReverbParam, Type_SameTypeTwiceRebuildsNothing)
{
    FxReverb reverb;
    reverb.setParameter(FxReverb::kTypeParam, 0.5f); // Room
    reverb.rightOffsetRing[10] = 1.0f;
    reverb.leftTaps[0].gain = 123.0f;
    reverb.setParameter(FxReverb::kTypeParam, 0.52f); // still Room
    EXPECT_EQ(reverb.rightOffsetRing[10], 1.0f);
    EXPECT_EQ(reverb.leftTaps[0].gain, 123.0f);

    reverb.setParameter(FxReverb::kTypeParam, 0.0f); // Diffuse-1: no reflections
    EXPECT_EQ(reverb.type, FxReverb::kDiffuse1);
    EXPECT_EQ(reverb.rightOffsetRing[10], 0.0f);
    EXPECT_EQ(reverb.leftTapCount, 0);
    EXPECT_EQ(reverb.diffuseTapCount, 0);
    EXPECT_EQ(reverb.lateOffset, 0);
}

TEST(FxReverbParam, Type_Diffuse2ResetsTheWholeReverb)
{
    FxReverb reverb;
    reverb.silenceCounter = 5;
    reverb.pool[1000] = 1.0f;
    reverb.setParameter(FxReverb::kTypeParam, 0.25f);
    EXPECT_EQ(reverb.type, FxReverb::kDiffuse2);
    EXPECT_EQ(reverb.silenceCounter, 10000000);
    EXPECT_EQ(reverb.pool[1000], 0.0f);
    EXPECT_EQ(reverb.wetCurrent, -1.0f);
}

TEST(FxReverbParam, Room_ReflectionsAndLateOffset)
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
}

TEST(FxReverbParam, HallAndCathedral_Reflections)
{
    FxReverb reverb;
    reverb.setParameter(FxReverb::kTypeParam, 0.75f); // Hall
    EXPECT_EQ(reverb.lateOffset, 2646);
    EXPECT_EQ(reverb.leftTapCount, 39);
    EXPECT_EQ(reverb.rightTapCount, 35);
    EXPECT_EQ(reverb.diffuseTapCount, 0);
    EXPECT_EQ(reverb.leftTaps[1].position, 2646 + 541);
    EXPECT_FLOAT_EQ(reverb.leftTaps[1].gain, 0.985f / 64.0f);  // entry -0.985, negated for odd k
    EXPECT_FLOAT_EQ(reverb.rightTaps[2].gain, 0.977f / 64.0f);
    EXPECT_EQ(reverb.leftTaps[16].position, static_cast<int32_t>(1394 * 0.6 * 44100.0 / 48000.0));
    EXPECT_FLOAT_EQ(reverb.leftTaps[16].gain, 0.5f * 0.790008f);

    reverb.setParameter(FxReverb::kTypeParam, 1.0f); // Cathedral
    EXPECT_EQ(reverb.lateOffset, 3969);
    EXPECT_EQ(reverb.rightTaps[16].position, static_cast<int32_t>(354 * 44100.0 / 48000.0));
    EXPECT_FLOAT_EQ(reverb.rightTaps[16].gain, 0.79916f);
}

TEST(FxReverbParam, PreDelay_WholeMillisecondsAndRebuildsTheReflections)
{
    FxReverb reverb;
    reverb.setParameter(FxReverb::kTypeParam, 0.75f);
    const int32_t before = reverb.leftTaps[0].position;
    reverb.setParameter(FxReverb::kPreDelay, 0.0555f); // 5 ms
    EXPECT_EQ(reverb.preDelay, 220);
    EXPECT_EQ(reverb.leftTaps[0].position, before + 220);
    reverb.setParameter(FxReverb::kPreDelay, 1.0f);
    EXPECT_EQ(reverb.preDelay, 4410);
}

TEST(FxReverbParam, Reset_SleepsAndForgets)
{
    FxReverb reverb;
    reverb.silenceCounter = 0;
    reverb.wetCurrent = 0.3f;
    reverb.lastReadPosition = 77;
    reverb.bank[5].state = reverb.fdn[3].state = 0.5f;
    reverb.preDelayRing[100] = reverb.allPassRing[1][50] = 1.0f;
    reverb.inputY1 = reverb.locutZ1 = 0.25f;
    reverb.reset();
    EXPECT_EQ(reverb.silenceCounter, 10000000);
    EXPECT_EQ(reverb.wetCurrent, -1.0f);
    EXPECT_EQ(reverb.lastReadPosition, -1);
    EXPECT_EQ(reverb.bank[5].state, 0.0f);
    EXPECT_EQ(reverb.fdn[3].state, 0.0f);
    EXPECT_EQ(reverb.preDelayRing[100], 0.0f);
    EXPECT_EQ(reverb.allPassRing[1][50], 0.0f);
    EXPECT_EQ(reverb.inputY1, 0.0f);
    EXPECT_EQ(reverb.locutZ1, 0.0f);
}

// --- FxVintagePhaser and its chorus lines -----------------------------------------------------

TEST(PhaserParam, Type_SixPointOneStepsPerUnit)
{
    FxVintagePhaser phaser;
    phaser.setParameter(FxVintagePhaser::kType, 0.49f);
    EXPECT_EQ(phaser.type, 2);
    phaser.setParameter(FxVintagePhaser::kType, 1.0f);
    EXPECT_EQ(phaser.type, 6);
}

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

TEST(PhaserParam, Forwarding_ToTheChorusLines)
{
    FxVintagePhaser phaser;
    const CDelay& chorus = phaser.chorus;

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

TEST(PhaserParam, PhaserTypes_LeaveTheChorusAlone)
{
    FxVintagePhaser phaser;
    phaser.setParameter(FxVintagePhaser::kType, 0.0f);
    EXPECT_TRUE(phaser.chorus.mixInverted) << "the start value stays until a chorus type is chosen";
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

TEST(PhaserParam, Reset_ClearsThePhaserButNotTheChorus)
{
    FxVintagePhaser phaser;
    phaser.stage[1][7] = phaser.lastOut[0] = 0.5f;
    phaser.lfoPhase = 1234;
    phaser.chorus.left->outputState = 0.25f;
    phaser.reset();
    EXPECT_EQ(phaser.stage[1][7], 0.0f);
    EXPECT_EQ(phaser.lastOut[0], 0.0f);
    EXPECT_EQ(phaser.lfoPhase, 0u);
    EXPECT_EQ(phaser.chorus.left->outputState, 0.25f);
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
