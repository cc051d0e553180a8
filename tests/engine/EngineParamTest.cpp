// Parameter application, by parameter family: switches with
// thresholds, enumeration codes, step counts, limited ranges, conversions.
#include "EngineTestSupport.h"
#include "ParamFamilies.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace ParamIndex;

namespace {

class EngineParam : public ::testing::Test {
protected:
    void set(int32_t index, float value) { engine.setParameter(index, value); }

    EngineUnderTest e;
    Vesk& engine = e.engine;
};

// --- switches: on when strictly above the threshold -----------------------

TEST_F(EngineParam, FxOnSwitches_ExactlyThresholdIsOff)
{
    for (int32_t k = 0; k < kFxOnCount; ++k) {
        set(kPhaserOn + k, 0.001f);
        EXPECT_FALSE(engine.fx.fxOn[k]) << k;
        set(kPhaserOn + k, 0.0011f);
        EXPECT_TRUE(engine.fx.fxOn[k]) << k;
    }
}

TEST_F(EngineParam, ArpSwitches_ExactlyThresholdIsOff)
{
    set(kArpOn, 0.001f);
    set(kArpSync, 0.001f);
    EXPECT_FALSE(engine.arp.arpOn);
    EXPECT_FALSE(engine.arp.arpSync);
    set(kArpOn, 0.0011f);
    set(kArpSync, 0.0011f);
    EXPECT_TRUE(engine.arp.arpOn);
    EXPECT_TRUE(engine.arp.arpSync);
}

TEST_F(EngineParam, LfoReset_PointFourIsOffPointFourOneIsOn)
{
    for (int32_t k = 0; k < 3; ++k) {
        const int32_t index = kLfo1Shape + k * kLfoStride + kLfoResetOffset;
        set(index, 0.4f);
        EXPECT_FALSE(engine.lfo[k].lfoReset) << k;
        set(index, 0.41f);
        EXPECT_TRUE(engine.lfo[k].lfoReset) << k;
    }
}

TEST_F(EngineParam, SyncSwitches_UseTheSmallThreshold)
{
    set(kOscSync, 0.00001f);
    EXPECT_FALSE(engine.osc.oscSync);
    set(kOscSync, 0.00002f);
    EXPECT_TRUE(engine.osc.oscSync);
    set(kLfo2Shape + kLfoSyncOffset, 0.00001f);
    EXPECT_FALSE(engine.lfo[1].lfoSync);
    set(kLfo2Shape + kLfoSyncOffset, 0.00002f);
    EXPECT_TRUE(engine.lfo[1].lfoSync);
}

TEST_F(EngineParam, MonoAndGlide_Thresholds)
{
    set(kMonoMode, 0.0001f);
    EXPECT_FALSE(engine.stack.monoMode);
    set(kMonoMode, 0.00011f);
    EXPECT_TRUE(engine.stack.monoMode);
    set(kGlide, 0.0000001f);
    EXPECT_FALSE(engine.stack.glideOn);
    set(kGlide, 0.0000002f);
    EXPECT_TRUE(engine.stack.glideOn);
}

TEST_F(EngineParam, LayerSwitches_AnyNonZeroValueTurnsSwitchingOn)
{
    for (int32_t k = 0; k < 8; ++k)
        set(kVoice1 + k, 0.0f);
    EXPECT_FALSE(engine.stack.layerSwitching);

    // At or below the threshold the layer is off, yet a non-zero value still
    // switches the layer switches on.
    set(kVoice1 + 2, 0.0005f);
    EXPECT_FALSE(engine.stack.layerOn[2]);
    EXPECT_TRUE(engine.stack.layerSwitching);

    set(kVoice1 + 2, 0.0f);
    EXPECT_FALSE(engine.stack.layerSwitching);

    set(kVoice1 + 5, 1.0f);
    set(kVoice1 + 2, 0.0f);
    EXPECT_TRUE(engine.stack.layerOn[5]);
    EXPECT_TRUE(engine.stack.layerSwitching) << "layer 6 is still on";
}

// --- codes: bias, then truncate ---------------------------------------------

TEST_F(EngineParam, FilterTypeAndFmMode_AreCodesWithATinyBias)
{
    set(kFilterType, 17.0f);
    EXPECT_EQ(engine.filter.filterType, 17);
    set(kFilterType, 111.0f); // the menu's separator: stored, left to the filter
    EXPECT_EQ(engine.filter.filterType, 111);
    set(kFilterType, 6.9f);
    EXPECT_EQ(engine.filter.filterType, 6);
    set(kFmMode, 2.0f);
    EXPECT_EQ(engine.osc.fmMode, 2);
    set(kFmMode, 0.99999f);
    EXPECT_EQ(engine.osc.fmMode, 0);
}

TEST_F(EngineParam, ArpMode_BiasRoundsUpAValueJustBelowTheCode)
{
    set(kArpMode, 4.0f);
    EXPECT_EQ(engine.arp.arpMode, 4);
    set(kArpMode, 2.99995f);
    EXPECT_EQ(engine.arp.arpMode, 3);
    set(kArpMode, 2.9998f);
    EXPECT_EQ(engine.arp.arpMode, 2);
}

TEST_F(EngineParam, ModulationCodes_BiasOfOneTenth)
{
    set(kModSource + 3, 4.95f);
    EXPECT_EQ(engine.mod.slot[3].modSource, 5);
    set(kModDestination + 23, 95.0f);
    EXPECT_EQ(engine.mod.slot[23].modDest, 95);
    set(kModVoices + 0, 25.89f);
    EXPECT_EQ(engine.mod.slot[0].modVoices, 25);
    set(kModAmount + 7, 0.75f);
    EXPECT_DOUBLE_EQ(engine.mod.slot[7].modAmount, 0.5);
    set(kModAmount + 7, 0.0f);
    EXPECT_DOUBLE_EQ(engine.mod.slot[7].modAmount, -1.0);
}

TEST_F(EngineParam, CodesOutsideAnyVocabulary_BecomeTheUnknownCode)
{
    for (float value : {255.0f, 300.0f, 1e9f, -1.5f, -2.0f}) {
        set(kFilterType, value);
        EXPECT_EQ(engine.filter.filterType, kUnknownCode) << value;
        set(kModSource, value);
        EXPECT_EQ(engine.mod.slot[0].modSource, kUnknownCode) << value;
        set(kArpMode, value);
        EXPECT_EQ(engine.arp.arpMode, kUnknownCode) << value;
    }
    // Truncation is toward zero, so a code just below 0 still reads as 0.
    set(kModSource, -1.0f); // int(-0.9) = 0
    EXPECT_EQ(engine.mod.slot[0].modSource, 0);
    set(kFilterType, -0.95f);
    EXPECT_EQ(engine.filter.filterType, 0);
}

TEST_F(EngineParam, UnusedModulationSlots_ChangeNothing)
{
    set(kModSource + 24, 5.0f);
    set(kModAmount + 31, 1.0f);
    set(kModDestination + 24, 5.0f);
    set(kModVoices + 30, 5.0f);
    for (const ModSlot& slot : engine.mod.slot) {
        EXPECT_EQ(slot.modSource, 0);
        EXPECT_EQ(slot.modDest, 0);
        EXPECT_EQ(slot.modVoices, 0);
    }
}

// --- step counts --------------------------------------------------------------

TEST_F(EngineParam, Voices_IntOf128vDividedBy18PlusOne)
{
    set(kVoices, 0.0f);
    EXPECT_EQ(engine.stack.voicesPerNote, 1);
    set(kVoices, 0.14f); // int 17
    EXPECT_EQ(engine.stack.voicesPerNote, 1);
    set(kVoices, 0.141f); // int 18
    EXPECT_EQ(engine.stack.voicesPerNote, 2);
    set(kVoices, 1.0f);
    EXPECT_EQ(engine.stack.voicesPerNote, 8);
}

TEST_F(EngineParam, Poly_EightToSeventyTwo)
{
    set(kPoly, 0.0f);
    EXPECT_EQ(engine.poly, 8);
    set(kPoly, 1.0f);
    EXPECT_EQ(engine.poly, 72);
    set(kPoly, 0.5f);
    EXPECT_EQ(engine.poly, 40);
}

TEST_F(EngineParam, ArpSteps_OneToThirtyTwo)
{
    set(kArpSteps, 0.0f);
    EXPECT_EQ(engine.arp.arpSteps, 1);
    set(kArpSteps, 1.0f);
    EXPECT_EQ(engine.arp.arpSteps, 32);
    set(kArpSteps, 0.5f);
    EXPECT_EQ(engine.arp.arpSteps, 16);
}

TEST_F(EngineParam, VoiceDetuneAndArpLength_IntegerSteps)
{
    set(kVoiceDetune, 1.0f);
    EXPECT_EQ(engine.stack.voiceDetune, 64);
    set(kVoiceDetune, 0.3f); // int(38.4) / 2
    EXPECT_EQ(engine.stack.voiceDetune, 19);
    set(kArpLength, 0.0f);
    EXPECT_EQ(engine.arp.gateOffset, -31);
    set(kArpLength, 0.5f);
    EXPECT_EQ(engine.arp.gateOffset, 0);
    set(kArpLength, 1.0f);
    EXPECT_EQ(engine.arp.gateOffset, 31);
}

TEST_F(EngineParam, Shapes_UseTheDescriptorStepCounts)
{
    set(kOsc1Shape, 0.34f);
    EXPECT_EQ(engine.osc.oscShape[0], 1);
    set(kOsc2Shape, 1.0f);
    EXPECT_EQ(engine.osc.oscShape[1], 3);
    set(kOsc3Shape, 0.5f);
    EXPECT_EQ(engine.osc.osc3Shape, 1);
    set(kOsc3Shape, 1.0f);
    EXPECT_EQ(engine.osc.osc3Shape, 2);
    set(kLfo3Shape, 0.7f);
    EXPECT_EQ(engine.lfo[2].lfoShape, 2);
    set(kLfo3Shape, 1.0f);
    EXPECT_EQ(engine.lfo[2].lfoShape, 3);
}

TEST_F(EngineParam, EffectChoices_DistortionAndEqTypes)
{
    set(kDistType, 1.0f);
    EXPECT_EQ(engine.fx.distType, 8);
    set(kDistType, 0.5f);
    EXPECT_EQ(engine.fx.distType, 4);
    set(kEq1Type, 0.4974f);
    EXPECT_EQ(engine.fx.eq[0].eqType, 0);
    set(kEq1Type, 0.4976f);
    EXPECT_EQ(engine.fx.eq[0].eqType, 1);
    set(kEq2Type, 0.9949f);
    EXPECT_EQ(engine.fx.eq[1].eqType, 1);
    set(kEq2Type, 0.9951f);
    EXPECT_EQ(engine.fx.eq[1].eqType, 2);
}

// --- limited ranges -------------------------------------------------------------

TEST_F(EngineParam, OscWave_TopOfTheKnobIsWave69)
{
    set(kOsc1Wave, 1.0f);
    EXPECT_EQ(engine.osc.oscWave[0], 69);
    set(kOsc2Wave, 0.5f);
    EXPECT_EQ(engine.osc.oscWave[1], 64);
    set(kOsc2Wave, 0.0f);
    EXPECT_EQ(engine.osc.oscWave[1], 0);
}

TEST_F(EngineParam, OscCoarse_PlusMinus36Semitones)
{
    set(kOsc1Coarse, 0.0f);
    EXPECT_EQ(engine.osc.oscCoarse[0], -36);
    set(kOsc1Coarse, 1.0f);
    EXPECT_EQ(engine.osc.oscCoarse[0], 36);
    set(kOsc2Coarse, 0.5f);
    EXPECT_EQ(engine.osc.oscCoarse[1], 0);
    set(kOsc2Coarse, 37.0f / 72.0f); // one semitone up, with the bias guarding the edge
    EXPECT_EQ(engine.osc.oscCoarse[1], 1);
}

TEST_F(EngineParam, OscFineAndFat)
{
    set(kOsc1Fine, 0.5f);
    EXPECT_EQ(engine.osc.oscFine[0], 0);
    set(kOsc1Fine, 0.0f);
    EXPECT_EQ(engine.osc.oscFine[0], -64);
    set(kOsc2Fine, 1.0f);
    EXPECT_EQ(engine.osc.oscFine[1], 64);
    set(kOsc1Fat, 1.0f);
    EXPECT_EQ(engine.osc.oscFatAmount[0], 128);
    EXPECT_FLOAT_EQ(engine.osc.oscFatFactor[0], 1.01f);
    set(kOsc2Fat, 0.25f);
    EXPECT_EQ(engine.osc.oscFatAmount[1], 32);
    EXPECT_FLOAT_EQ(engine.osc.oscFatFactor[1], 1.0025f);
}

// --- raw values and conversions --------------------------------------------------

TEST_F(EngineParam, RawValues_AreStoredUnchanged)
{
    const struct {
        int32_t index;
        const float* field;
    } raw[] = {
        {kOsc3Level, &engine.osc.osc3Level},         {kOscMix, &engine.osc.oscMix},
        {kNoiseLevel, &engine.osc.noiseLevel},       {kOscRingMod, &engine.osc.ringMod},
        {kFilterKeytrack, &engine.filter.filterKeytrack}, {kFilterResonance, &engine.filter.resonance},
        {kFilterEnvAmount, &engine.filter.filterEnvAmount}, {kFilterOffset, &engine.filter.filterOffset},
        {kFmFeedback, &engine.osc.fmFeedback},       {kArpRange, &engine.arp.velocityBlend},
        {kArpSwing, &engine.arp.swing},              {kVoiceSpread, &engine.stack.voiceSpread},
        {kDistColour, &engine.fx.distColour},        {kDistDrive, &engine.fx.distDrive},
        {kDistAmount, &engine.fx.distAmount},        {kArpRate, &engine.arp.arpRateRaw},
        {kGlide, &engine.stack.glideRaw},
    };
    for (const auto& r : raw) {
        set(r.index, 0.3217f);
        EXPECT_EQ(*r.field, 0.3217f) << r.index;
    }
    set(kModWheel, 0.625f);
    EXPECT_EQ(engine.ctl.modWheel, 0.625);
}

TEST_F(EngineParam, BlockRampTargets)
{
    set(kFilterCutoff, 0.7f);
    EXPECT_EQ(engine.ramps.cutoffRamp.target, 0.7f);
    set(kOscPulseWidth, 0.3f);
    EXPECT_EQ(engine.ramps.pwRamp.target, 0.3f);
    set(kOscFm, 0.25f);
    EXPECT_EQ(engine.ramps.fmRamp.target, 1.0f);
}

TEST_F(EngineParam, Envelopes_SustainIsSquaredAndRawValuesAreKept)
{
    for (int32_t first : {int32_t(kAmpAttack), int32_t(kFilterAttack), int32_t(kModAttack)}) {
        set(first + kEnvAttack, 0.1f);
        set(first + kEnvDecay, 0.2f);
        set(first + kEnvSustain, 0.5f);
        set(first + kEnvRelease, 0.4f);
    }
    for (const EnvelopeParams* s : {&engine.env.amp, &engine.env.filter, &engine.env.mod}) {
        EXPECT_EQ(s->attack, 0.1f);
        EXPECT_EQ(s->decay, 0.2f);
        EXPECT_EQ(s->sustain, 0.25f);
        EXPECT_EQ(s->release, 0.4f);
        EXPECT_EQ(s->raw[2], 0.5f);
    }
}

TEST_F(EngineParam, NoiseColour_HighpassFrom5HzTo20kHz)
{
    for (float v : {0.0f, 0.3f, 0.8f}) {
        set(kNoiseColour, v);
        const ExpectedOnePole expected = expectedHighpass(5.0 * std::pow(4000.0, v), 44100.0);
        EXPECT_NEAR(engine.osc.noiseHighpass.a, expected.a, 1e-6) << v;
        EXPECT_NEAR(engine.osc.noiseHighpass.b, expected.b, 1e-6) << v;
        EXPECT_EQ(engine.osc.noiseColour, v);
    }
}

TEST_F(EngineParam, LfoSkew_DerivedShapesAndSmoothingCorner)
{
    set(kLfo1Shape + kLfoSkewOffset, 0.0f);
    EXPECT_FLOAT_EQ(engine.lfo[0].lfoSkewA, 0.25f);
    EXPECT_FLOAT_EQ(engine.lfo[0].lfoSkewB, 0.5f);
    EXPECT_NEAR(engine.lfo[0].lfoSkewSmoothing, 1.0 - std::exp(-2.0 * M_PI * 100000.0 / 44100.0), 1e-6);

    set(kLfo1Shape + kLfoSkewOffset, 1.0f);
    EXPECT_FLOAT_EQ(engine.lfo[0].lfoSkewA, 4.0f);
    EXPECT_FLOAT_EQ(engine.lfo[0].lfoSkewB, 2.0f);
    EXPECT_NEAR(engine.lfo[0].lfoSkewSmoothing, 1.0 - std::exp(-2.0 * M_PI / 44100.0), 1e-9);

    set(kLfo1Shape + kLfoSkewOffset, 0.5f);
    EXPECT_FLOAT_EQ(engine.lfo[0].lfoSkewA, 1.0f);
    EXPECT_FLOAT_EQ(engine.lfo[0].lfoSkewB, 1.0f);
    EXPECT_EQ(engine.lfo[0].lfoSkewRaw, 0.5f);
}

TEST_F(EngineParam, LfoFadeIn_ZeroIsOffAndTopIsTenSeconds)
{
    const int32_t index = kLfo2Shape + kLfoFadeInOffset;
    set(index, 0.0f);
    EXPECT_EQ(engine.lfo[1].lfoFadeIn, 0.0f);
    set(index, 0.01f); // about 0.7 ms: below a millisecond counts as off
    EXPECT_EQ(engine.lfo[1].lfoFadeIn, 0.0f);
    set(index, 1.0f);
    EXPECT_NEAR(engine.lfo[1].lfoFadeIn, 10.0f, 1e-4);
    set(index, 0.5f);
    EXPECT_NEAR(engine.lfo[1].lfoFadeIn, 0.01 * std::sqrt(1001.0) - 0.01, 1e-6);
}

TEST_F(EngineParam, LfoFrequency_FreeAndTempoSynced)
{
    const int32_t rate = kLfo3Shape + kLfoRateOffset;
    const int32_t sync = kLfo3Shape + kLfoSyncOffset;
    set(sync, 0.0f);
    set(rate, 0.5f);
    EXPECT_NEAR(engine.lfo[2].lfoFrequency, 0.1 * std::sqrt(1000.0), 1e-4);
    EXPECT_EQ(engine.lfo[2].lfoRate, 0.5f);

    // v = 0.5 picks "1/2", two quarter notes: 1 Hz at 120 quarter notes per minute.
    set(sync, 1.0f);
    EXPECT_NEAR(engine.lfo[2].lfoFrequency, 1.0, 1e-6);
    e.owner.tempo = 60.0;
    set(rate, 0.5f);
    EXPECT_NEAR(engine.lfo[2].lfoFrequency, 0.5, 1e-6);
}

TEST_F(EngineParam, ArpRate_FreeRateInStepsPerSecond)
{
    set(kArpRate, 0.0f);
    EXPECT_DOUBLE_EQ(engine.arp.arpFreeRate, 0.1);
    set(kArpRate, 1.0f);
    EXPECT_NEAR(engine.arp.arpFreeRate, 100.0, 1e-9);
}

TEST_F(EngineParam, ArpStepAndFingerValues_StoredByIndex)
{
    set(kArpStep, 0.25f);
    set(kArpStep + 31, 0.5f);
    set(kArpFinger, 0.75f);
    set(kArpFinger + 31, 1.0f);
    EXPECT_EQ(engine.arp.stepValue[0], 0.25f);
    EXPECT_EQ(engine.arp.stepValue[31], 0.5f);
    EXPECT_EQ(engine.arp.fingerValue[0], 0.75f);
    EXPECT_EQ(engine.arp.fingerValue[31], 1.0f);
}

TEST_F(EngineParam, Glide_CoefficientShrinksToATenthInTheGlideTime)
{
    for (float v : {0.0f, 0.5f, 1.0f}) {
        set(kGlide, v);
        const double ms = std::pow(1000.0, v);
        EXPECT_NEAR(engine.stack.glideCoef, std::pow(0.1, 1000.0 / (ms * 44100.0)), 1e-7) << v;
    }
}

TEST_F(EngineParam, Eq_FrequencyQAndGainConversions)
{
    set(kEq1Type + kEqFreqOffset, 0.5f);
    EXPECT_NEAR(engine.fx.eq[0].eqFreq, 10.0 * std::sqrt(1000.0), 1e-3);
    set(kEq2Type + kEqFreqOffset, 1.0f);
    EXPECT_NEAR(engine.fx.eq[1].eqFreq, 10000.0, 1e-2);
    set(kEq1Type + kEqQOffset, 0.0f);
    EXPECT_NEAR(engine.fx.eq[0].eqQ, 0.1, 1e-7);
    set(kEq1Type + kEqQOffset, 0.5f);
    EXPECT_NEAR(engine.fx.eq[0].eqQ, 1.0, 1e-6);
    set(kEq1Type + kEqGainOffset, 0.5f);
    EXPECT_NEAR(engine.fx.eq[0].eqGain, 1.0, 1e-7);
    set(kEq2Type + kEqGainOffset, 1.0f);
    EXPECT_NEAR(engine.fx.eq[1].eqGain, std::pow(10.0, 0.5), 1e-6);
    set(kEq2Type + kEqGainOffset, 0.0f);
    EXPECT_NEAR(engine.fx.eq[1].eqGain, std::pow(10.0, -0.5), 1e-7);
}

// --- pitch bend and volume -----------------------------------------------------------

TEST_F(EngineParam, PitchBend_CentreIsZero)
{
    set(kEditorPitchBend, 0.5f);
    EXPECT_EQ(engine.ctl.bend, 0.0);
    EXPECT_EQ(engine.ctl.bendRaw, 0);
    set(kEditorPitchBend, 0.0f);
    EXPECT_EQ(engine.ctl.bend, -1.0);
    EXPECT_EQ(engine.ctl.bendRaw, -8192);
    set(kEditorPitchBend, 1.0f);
    EXPECT_EQ(engine.ctl.bend, 1.0);
    EXPECT_EQ(engine.ctl.bendRaw, 8192);
    set(kEditorPitchBend, 0.75f);
    EXPECT_EQ(engine.ctl.bend, 0.5);
    EXPECT_EQ(engine.ctl.bendRaw, 4096);
    // The largest MIDI bend, 8191/16384 above the centre.
    set(kEditorPitchBend, 8191.0f / 16384.0f + 0.5f);
    EXPECT_EQ(engine.ctl.bendRaw, 8191);
}

TEST_F(EngineParam, Volume_FourTimesTheSquareForOtherHosts)
{
    set(kVolume, 0.5f);
    EXPECT_FLOAT_EQ(engine.ramps.gainTarget, 1.0f);
    set(kVolume, 1.0f);
    EXPECT_FLOAT_EQ(engine.ramps.gainTarget, 4.0f);
}

TEST_F(EngineParam, Volume_EightTimesTheSquareInTheMakersHostWithNewData)
{
    e.owner.maker = true;
    set(kVolume, 0.5f);
    EXPECT_FLOAT_EQ(engine.ramps.gainTarget, 2.0f);
    engine.programDataVersion = 15;
    set(kVolume, 0.5f);
    EXPECT_FLOAT_EQ(engine.ramps.gainTarget, 2.0f);
    engine.programDataVersion = 14;
    set(kVolume, 0.5f);
    EXPECT_FLOAT_EQ(engine.ramps.gainTarget, 1.0f);
}

// --- indices without effect --------------------------------------------------------------

// The bytes of everything setParameter may write outside the effect objects.
std::vector<unsigned char> stateBytes(const Vesk& v)
{
    std::vector<unsigned char> bytes;
    auto add = [&bytes](const auto& field) {
        const auto* p = reinterpret_cast<const unsigned char*>(&field);
        bytes.insert(bytes.end(), p, p + sizeof(field));
    };
    add(v.osc);
    add(v.env);
    add(v.filter);
    add(v.lfo);
    add(v.stack);
    add(v.ctl);
    add(v.ramps);
    add(v.fx);
    add(v.arp);
    add(v.mod);
    add(v.notes);
    add(v.poly);
    return bytes;
}

TEST_F(EngineParam, ReservedAndEditorOnlyIndices_ChangeNothing)
{
    std::vector<int32_t> inert = {-1,  27,  39,  40,  41,  48,  49,  50,  105, 110, 112, 122, 123,
                                  124, 322, 323, 324, 325, 326, 327, 328, 347, 356, 1000};
    for (int32_t family : {int32_t(kModSource), int32_t(kModAmount), int32_t(kModDestination), int32_t(kModVoices)})
        for (int32_t slot = 24; slot < 32; ++slot)
            inert.push_back(family + slot);
    for (int32_t index = 329; index < kEditorPitchBend; ++index)
        inert.push_back(index);

    const std::vector<unsigned char> before = stateBytes(engine);
    const float feedbackBefore = engine.delay->fb;
    const float reverbWetBefore = engine.reverb->wetTarget;
    const float phaserWetBefore = engine.phaser->wet;
    for (int32_t index : inert)
        set(index, 0.77f);
    EXPECT_TRUE(stateBytes(engine) == before);
    EXPECT_EQ(engine.delay->fb, feedbackBefore);
    EXPECT_EQ(engine.reverb->wetTarget, reverbWetBefore);
    EXPECT_EQ(engine.phaser->wet, phaserWetBefore);
}

} // namespace
