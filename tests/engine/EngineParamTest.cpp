// Parameter application, by parameter family: switches with thresholds,
// enumeration codes, step counts, limited ranges and conversions.
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

TEST_F(EngineParam, Switches_OnOnlyStrictlyAboveTheirThreshold)
{
    for (int32_t k = 0; k < kFxOnCount; ++k) {
        set(kPhaserOn + k, 0.001f);
        EXPECT_FALSE(engine.fx.fxOn[k]) << k;
        set(kPhaserOn + k, 0.0011f);
        EXPECT_TRUE(engine.fx.fxOn[k]) << k;
    }
    for (int32_t k = 0; k < 3; ++k) {
        const int32_t index = kLfo1Shape + k * kLfoStride + kLfoResetOffset;
        set(index, 0.4f);
        EXPECT_FALSE(engine.lfo[k].lfoReset) << k;
        set(index, 0.41f);
        EXPECT_TRUE(engine.lfo[k].lfoReset) << k;
    }
    const int32_t lfo2Sync = kLfo2Shape + kLfoSyncOffset;
    expectCases(engine, {
        {kArpOn, 0.001f, 0, READ(arp.arpOn)}, {kArpOn, 0.0011f, 1, READ(arp.arpOn)},
        {kArpSync, 0.001f, 0, READ(arp.arpSync)}, {kArpSync, 0.0011f, 1, READ(arp.arpSync)},
        {kOscSync, 0.00001f, 0, READ(osc.oscSync)}, {kOscSync, 0.00002f, 1, READ(osc.oscSync)},
        {lfo2Sync, 0.00001f, 0, READ(lfo[1].lfoSync)}, {lfo2Sync, 0.00002f, 1, READ(lfo[1].lfoSync)},
        {kMonoMode, 0.0001f, 0, READ(stack.monoMode)}, {kMonoMode, 0.00011f, 1, READ(stack.monoMode)},
        {kGlide, 1e-7f, 0, READ(stack.glideOn)}, {kGlide, 2e-7f, 1, READ(stack.glideOn)},
    });
}

TEST_F(EngineParam, LayerSwitches_AnyNonZeroValueTurnsSwitchingOn)
{
    for (int32_t k = 0; k < 8; ++k)
        set(kVoice1 + k, 0.0f);
    // At or below the threshold the layer is off, yet a non-zero value still
    // switches the layer switches on.
    expectCases(engine, {
        {kCheckOnly, 0, 0, READ(stack.layerSwitching)}, {kVoice1 + 2, 0.0005f, 0, READ(stack.layerOn[2])},
        {kCheckOnly, 0, 1, READ(stack.layerSwitching)}, {kVoice1 + 2, 0.0f, 0, READ(stack.layerSwitching)},
        {kVoice1 + 5, 1.0f, 1, READ(stack.layerOn[5])},
        {kVoice1 + 2, 0.0f, 1, READ(stack.layerSwitching)}, // layer 6 is still on
    });
}

TEST_F(EngineParam, Codes_BiasThenTruncateAndUnknownOutsideAnyVocabulary)
{
    expectCases(engine, {
        {kFilterType, 17.0f, 17, READ(filter.filterType)},
        {kFilterType, 111.0f, 111, READ(filter.filterType)}, // the menu's separator: left to the filter
        {kFilterType, 6.9f, 6, READ(filter.filterType)},
        {kFilterType, -0.95f, 0, READ(filter.filterType)}, // truncation is toward zero
        {kFmMode, 2.0f, 2, READ(osc.fmMode)}, {kFmMode, 0.99999f, 0, READ(osc.fmMode)},
        {kArpMode, 4.0f, 4, READ(arp.arpMode)},
        {kArpMode, 2.99995f, 3, READ(arp.arpMode)}, // the bias rounds up a value just below the code
        {kArpMode, 2.9998f, 2, READ(arp.arpMode)}, {kModSource + 3, 4.95f, 5, READ(mod.slot[3].modSource)},
        {kModSource, -1.0f, 0, READ(mod.slot[0].modSource)}, // int(-0.9) = 0
        {kModDestination + 23, 95.0f, 95, READ(mod.slot[23].modDest)},
        {kModVoices, 25.89f, 25, READ(mod.slot[0].modVoices)},
        {kModAmount + 7, 0.75f, 0.5, READ(mod.slot[7].modAmount)},
        {kModAmount + 7, 0.0f, -1.0, READ(mod.slot[7].modAmount)},
    });
    for (float value : {255.0f, 300.0f, 1e9f, -1.5f, -2.0f}) {
        set(kFilterType, value);
        set(kModSource, value);
        set(kArpMode, value);
        EXPECT_EQ(engine.filter.filterType, kUnknownCode) << value;
        EXPECT_EQ(engine.mod.slot[0].modSource, kUnknownCode) << value;
        EXPECT_EQ(engine.arp.arpMode, kUnknownCode) << value;
    }
}

TEST_F(EngineParam, StepCounts)
{
    expectCases(engine, {
        {kVoices, 0.0f, 1, READ(stack.voicesPerNote)},
        {kVoices, 0.14f, 1, READ(stack.voicesPerNote)}, // int(128 v) = 17
        {kVoices, 0.141f, 2, READ(stack.voicesPerNote)}, // 18
        {kVoices, 1.0f, 8, READ(stack.voicesPerNote)}, {kPoly, 0.0f, 8, READ(poly)}, {kPoly, 0.5f, 40, READ(poly)},
        {kPoly, 1.0f, 72, READ(poly)}, {kArpSteps, 0.0f, 1, READ(arp.arpSteps)},
        {kArpSteps, 0.5f, 16, READ(arp.arpSteps)}, {kArpSteps, 1.0f, 32, READ(arp.arpSteps)},
        {kVoiceDetune, 1.0f, 64, READ(stack.voiceDetune)},
        {kVoiceDetune, 0.3f, 19, READ(stack.voiceDetune)}, // int(38.4) / 2
        {kArpLength, 0.0f, -31, READ(arp.gateOffset)}, {kArpLength, 0.5f, 0, READ(arp.gateOffset)},
        {kArpLength, 1.0f, 31, READ(arp.gateOffset)}, {kOsc1Shape, 0.34f, 1, READ(osc.oscShape[0])},
        {kOsc2Shape, 1.0f, 3, READ(osc.oscShape[1])}, {kOsc3Shape, 0.5f, 1, READ(osc.osc3Shape)},
        {kOsc3Shape, 1.0f, 2, READ(osc.osc3Shape)}, {kLfo3Shape, 0.7f, 2, READ(lfo[2].lfoShape)},
        {kLfo3Shape, 1.0f, 3, READ(lfo[2].lfoShape)}, {kDistType, 0.5f, 4, READ(fx.distType)},
        {kDistType, 1.0f, 8, READ(fx.distType)}, {kEq1Type, 0.4974f, 0, READ(fx.eq[0].eqType)},
        {kEq1Type, 0.4976f, 1, READ(fx.eq[0].eqType)}, {kEq2Type, 0.9949f, 1, READ(fx.eq[1].eqType)},
        {kEq2Type, 0.9951f, 2, READ(fx.eq[1].eqType)},
    });
}

TEST_F(EngineParam, LimitedRanges)
{
    expectCases(engine, {
        {kOsc1Wave, 1.0f, 69, READ(osc.oscWave[0])}, {kOsc2Wave, 0.5f, 64, READ(osc.oscWave[1])},
        {kOsc2Wave, 0.0f, 0, READ(osc.oscWave[1])}, {kOsc1Coarse, 0.0f, -36, READ(osc.oscCoarse[0])},
        {kOsc1Coarse, 1.0f, 36, READ(osc.oscCoarse[0])}, {kOsc2Coarse, 0.5f, 0, READ(osc.oscCoarse[1])},
        {kOsc2Coarse, 37.0f / 72.0f, 1, READ(osc.oscCoarse[1])}, // the bias guards the edge
        {kOsc1Fine, 0.5f, 0, READ(osc.oscFine[0])}, {kOsc1Fine, 0.0f, -64, READ(osc.oscFine[0])},
        {kOsc2Fine, 1.0f, 64, READ(osc.oscFine[1])}, {kOsc1Fat, 1.0f, 128, READ(osc.oscFatAmount[0])},
        {kOsc1Fat, 1.0f, 1.01f, READ(osc.oscFatFactor[0]), kFloatEq},
        {kOsc2Fat, 0.25f, 32, READ(osc.oscFatAmount[1])},
        {kOsc2Fat, 0.25f, 1.0025f, READ(osc.oscFatFactor[1]), kFloatEq},
    });
}

TEST_F(EngineParam, Conversions)
{
    const ExpectedOnePole noiseLow = expectedOnePole(5.0, 44100.0);
    const ExpectedOnePole noiseMid = expectedOnePole(5.0 * std::pow(4000.0, 0.8), 44100.0);
    const int32_t skew = kLfo1Shape + kLfoSkewOffset;
    const int32_t fadeIn = kLfo2Shape + kLfoFadeInOffset;
    const auto glideCoef = [](double ms) { return std::pow(0.1, 1000.0 / (ms * 44100.0)); };
    expectCases(engine, {
        {kOscFm, 0.25f, 1.0f, READ(ramps.fmRamp.target)},
        {kAmpAttack + kEnvSustain, 0.5f, 0.25f, READ(env.amp.sustain)},
        {kFilterAttack + kEnvSustain, 0.5f, 0.25f, READ(env.filter.sustain)},
        {kModAttack + kEnvSustain, 0.5f, 0.25f, READ(env.mod.sustain)},
        {kModAttack + kEnvSustain, 0.5f, 0.5f, READ(env.mod.raw[2])},
        {kNoiseColour, 0.0f, noiseLow.a, READ(osc.noiseHighpass.a), 1e-6},
        {kNoiseColour, 0.0f, noiseLow.b, READ(osc.noiseHighpass.b), 1e-6},
        {kNoiseColour, 0.8f, noiseMid.a, READ(osc.noiseHighpass.a), 1e-6},
        {kNoiseColour, 0.8f, noiseMid.b, READ(osc.noiseHighpass.b), 1e-6},
        {skew, 0.0f, 0.25f, READ(lfo[0].lfoSkewA), kFloatEq}, {skew, 0.0f, 0.5f, READ(lfo[0].lfoSkewB), kFloatEq},
        {skew, 0.0f, 1.0 - std::exp(-2.0 * M_PI * 100000.0 / 44100.0), READ(lfo[0].lfoSkewSmoothing), 1e-6},
        {skew, 1.0f, 4.0f, READ(lfo[0].lfoSkewA), kFloatEq}, {skew, 1.0f, 2.0f, READ(lfo[0].lfoSkewB), kFloatEq},
        {skew, 1.0f, 1.0 - std::exp(-2.0 * M_PI / 44100.0), READ(lfo[0].lfoSkewSmoothing), 1e-9},
        {skew, 0.5f, 1.0f, READ(lfo[0].lfoSkewA), kFloatEq}, {skew, 0.5f, 1.0f, READ(lfo[0].lfoSkewB), kFloatEq},
        {fadeIn, 0.0f, 0, READ(lfo[1].lfoFadeIn)},
        {fadeIn, 0.01f, 0, READ(lfo[1].lfoFadeIn)}, // about 0.7 ms: below a millisecond counts as off
        {fadeIn, 1.0f, 10.0, READ(lfo[1].lfoFadeIn), 1e-4},
        {fadeIn, 0.5f, 0.01 * std::sqrt(1001.0) - 0.01, READ(lfo[1].lfoFadeIn), 1e-6},
        {kArpRate, 0.0f, 0.1, READ(arp.arpFreeRate), 1e-16}, {kArpRate, 1.0f, 100.0, READ(arp.arpFreeRate), 1e-9},
        {kGlide, 0.0f, glideCoef(1.0), READ(stack.glideCoef), 1e-7},
        {kGlide, 0.5f, glideCoef(std::sqrt(1000.0)), READ(stack.glideCoef), 1e-7},
        {kGlide, 1.0f, glideCoef(1000.0), READ(stack.glideCoef), 1e-7},
        {kEq1Type + kEqFreqOffset, 0.5f, 10.0 * std::sqrt(1000.0), READ(fx.eq[0].eqFreq), 1e-3},
        {kEq2Type + kEqFreqOffset, 1.0f, 10000.0, READ(fx.eq[1].eqFreq), 1e-2},
        {kEq1Type + kEqQOffset, 0.0f, 0.1, READ(fx.eq[0].eqQ), 1e-7},
        {kEq1Type + kEqQOffset, 0.5f, 1.0, READ(fx.eq[0].eqQ), 1e-6},
        {kEq1Type + kEqGainOffset, 0.5f, 1.0, READ(fx.eq[0].eqGain), 1e-7},
        {kEq2Type + kEqGainOffset, 1.0f, std::pow(10.0, 0.5), READ(fx.eq[1].eqGain), 1e-6},
        {kEq2Type + kEqGainOffset, 0.0f, std::pow(10.0, -0.5), READ(fx.eq[1].eqGain), 1e-7},
        {kEditorPitchBend, 0.5f, 0.0, READ(ctl.bend)}, {kEditorPitchBend, 0.5f, 0, READ(ctl.bendRaw)},
        {kEditorPitchBend, 0.0f, -1.0, READ(ctl.bend)}, {kEditorPitchBend, 0.0f, -8192, READ(ctl.bendRaw)},
        {kEditorPitchBend, 1.0f, 1.0, READ(ctl.bend)}, {kEditorPitchBend, 1.0f, 8192, READ(ctl.bendRaw)},
        {kEditorPitchBend, 0.75f, 0.5, READ(ctl.bend)}, {kEditorPitchBend, 0.75f, 4096, READ(ctl.bendRaw)},
        {kEditorPitchBend, 8191.0f / 16384.0f + 0.5f, 8191, READ(ctl.bendRaw)}, // the largest MIDI bend
        {kModWheel, 0.625f, 0.625, READ(ctl.modWheel)},
    });
}

TEST_F(EngineParam, LfoFrequency_FreeAndTempoSynced)
{
    const int32_t rate = kLfo3Shape + kLfoRateOffset;
    const int32_t sync = kLfo3Shape + kLfoSyncOffset;
    // v = 0.5 picks "1/2", two quarter notes: 1 Hz at 120 quarter notes per minute.
    expectCases(engine, {
        {sync, 0.0f, 0, READ(lfo[2].lfoSync)}, {rate, 0.5f, 0.1 * std::sqrt(1000.0), READ(lfo[2].lfoFrequency), 1e-4},
        {sync, 1.0f, 1.0, READ(lfo[2].lfoFrequency), 1e-6},
    });
    e.owner.tempo = 60.0;
    set(rate, 0.5f);
    EXPECT_NEAR(engine.lfo[2].lfoFrequency, 0.5, 1e-6);
}

TEST_F(EngineParam, Volume_FourTimesTheSquareElseEightInTheMakersHostWithNewData)
{
    const Reader gain = READ(ramps.gainTarget);
    expectCases(engine, {{kVolume, 0.5f, 1.0f, gain, kFloatEq}, {kVolume, 1.0f, 4.0f, gain, kFloatEq}});
    e.owner.maker = true;
    expectCases(engine, {{kVolume, 0.5f, 2.0f, gain, kFloatEq}});
    engine.programDataVersion = 15;
    expectCases(engine, {{kVolume, 0.5f, 2.0f, gain, kFloatEq}});
    engine.programDataVersion = 14;
    expectCases(engine, {{kVolume, 0.5f, 1.0f, gain, kFloatEq}});
}

TEST_F(EngineParam, EffectValuesReachTheirEffects)
{
    const ExpectedOnePole locut = expectedOnePole(1000.0, 44100.0);
    expectCases(engine, {
        {kPhaserType, 0.49f, 2, READ(phaser->type)}, {kPhaserType, 1.0f, 6, READ(phaser->type)},
        {kPhaserRate, 1.0f, 20.0, READ(phaser->rate), 1e-4}, {kPhaserFreq, 0.0f, 200.0, READ(phaser->centre), 1e-9},
        {kPhaserFeedback, 0.5f, 0.49f, READ(phaser->feedback), kFloatEq},
        {kPhaserAmount, 0.25f, 0.25f, READ(phaser->wet), kFloatEq},
        {kPhaserAmount, 0.25f, 0.75f, READ(phaser->dry), kFloatEq},
        {kPhaserDepth, 0.6f, 0.6f, READ(phaser->depth), kFloatEq},
        {kPhaserDepth, 0.6f, 60.0f, READ(phaser->depthDisplay), kFloatEq},
        {kDelayType, 0.125f, 1, READ(delay->mode)}, // trunc(16) / 16
        {kDelayFeedback, 0.6f, 0.6f, READ(delay->fb)}, {kDelayAmount, 0.5f, 0.25f, READ(delay->wet), kFloatEq},
        {kDelayRateLeft, 0.3f, 0.3f, READ(delay->rateLeft)}, {kDelayRateRight, 0.7f, 0.7f, READ(delay->rateRight)},
        {kDelayColour, 0.0f, 200.0, READ(delay->colourCorner), 1.0},
        {kReverbType, 0.75f, FxReverb::kHall, READ(reverb->type)},
        {kReverbDamp, 1.0f, 1.0f, READ(reverb->damping), kFloatEq},
        {kReverbDecay, 1.0f, 10.0, READ(reverb->t60), 1e-5},
        {kReverbAmount, 0.5f, 0.25f, READ(reverb->wetTarget), kFloatEq},
        {kReverbPreDelay, 0.5f, 2205, READ(reverb->preDelay)}, // 50 ms at 44.1 kHz
        {kReverbLocut, 1.0f, locut.a, READ(reverb->locutA1), 1e-6},
        {kReverbLocut, 1.0f, locut.b, READ(reverb->locutB0), 1e-6},
    });
}

// The bytes of everything setParameter may write outside the effect objects.
std::vector<unsigned char> stateBytes(const Vesk& v)
{
    std::vector<unsigned char> bytes;
    auto add = [&bytes](const auto& field) {
        const auto* p = reinterpret_cast<const unsigned char*>(&field);
        bytes.insert(bytes.end(), p, p + sizeof(field));
    };
    add(v.osc), add(v.env), add(v.filter), add(v.lfo), add(v.stack), add(v.ctl);
    add(v.ramps), add(v.fx), add(v.arp), add(v.mod), add(v.notes), add(v.poly);
    return bytes;
}

TEST_F(EngineParam, ReservedEditorOnlyAndUnusedModulationIndices_ChangeNothing)
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
