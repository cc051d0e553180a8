#include <gtest/gtest.h>

#include <cmath>

#include "OscillatorHarness.h"

namespace {

using namespace osctest;

double semitones(double pitchUnits) { return std::pow(2.0, pitchUnits / 1536.0); }

// Sines give clean zero crossings; oscillator 1 is heard unless mix says otherwise.
OscillatorRig sineRig(int32_t note, double rate = 44100.0)
{
    OscillatorRig rig(rate, note);
    rig.params.shape[0] = rig.params.shape[1] = kOscSine;
    return rig;
}

double measured(OscillatorRig& rig) { return frequencyOf(rig.render(int32_t(rig.table.sampleRate)), rig.table.sampleRate); }

TEST(OscillatorPitch, Note69PlaysTheTables440HzAtEveryRate)
{
    for (double rate : {44100.0, 48000.0, 96000.0}) {
        SCOPED_TRACE(rate);
        OscillatorRig rig = sineRig(69, rate);
        const double tableHz = rig.table.hz[13440]; // 439.9999 by the table's rule
        EXPECT_NEAR(incrementHz(std::round(rig.peekSlice().increment[0].value), rate), tableHz, 1e-4);
        EXPECT_NEAR(measured(rig), 440.0, 0.05);
        rig.params.shape[0] = kOscSaw;
        EXPECT_NEAR(measured(rig), 440.0, 0.05);
    }
}

TEST(OscillatorPitch, KeyTrackingCoarseAndFineMoveEachOscillator)
{
    const double middleC = 440.0 * semitones(-9 * 128);
    for (int osc = 0; osc < 2; ++osc) {
        for (int32_t note : {30, 100}) {
            SCOPED_TRACE(testing::Message() << "osc " << osc + 1 << " note " << note);
            OscillatorRig rig = sineRig(note);
            rig.params.oscMix = float(osc);
            rig.modulate = [osc](OscillatorInputs& in) { in.keyTrack[osc] = 0; };
            EXPECT_NEAR(measured(rig), middleC, 0.05);
            rig.params.coarse[osc] = 7;
            rig.params.fine[osc] = -64;
            EXPECT_NEAR(measured(rig), middleC * semitones(7 * 128 - 64), 0.05);
        }
        OscillatorRig rig = sineRig(69);
        rig.params.oscMix = float(osc);
        rig.params.coarse[osc] = -36;
        rig.modulate = [osc](OscillatorInputs& in) { in.oscOffset[osc] = 3 * 128 + 10; }; // Osc Semi + Fine
        EXPECT_NEAR(measured(rig), 55.0 * semitones(3 * 128 + 10), 0.05);
    }
    // Half tracking moves half as far: note 84 sounds an octave above middle C.
    OscillatorRig half = sineRig(84);
    half.modulate = [](OscillatorInputs& in) { in.keyTrack[0] = 512; };
    EXPECT_NEAR(measured(half), middleC * 2.0, 0.05);
}

TEST(OscillatorPitch, StackDetuneSpreadsLayersAroundTheNote)
{
    struct Case {
        int32_t voices;
        std::vector<int32_t> steps; // detune steps per layer
    };
    for (const Case& c : {Case{1, {0}}, Case{2, {-1, 0}}, Case{4, {-2, -1, 0, 1}}}) {
        for (int32_t layer = 0; layer < c.voices; ++layer) {
            SCOPED_TRACE(testing::Message() << c.voices << " voices, layer " << layer);
            OscillatorRig rig = sineRig(69);
            rig.params.voicesPerNote = c.voices;
            rig.params.voiceDetune = 48;
            rig.slot.layer = layer;
            const double expected = 440.0 * semitones(c.steps[size_t(layer)] * 48);
            EXPECT_NEAR(measured(rig), expected, 0.05);
            rig.params.oscMix = 1.0f;
            EXPECT_NEAR(measured(rig), expected, 0.05);
        }
    }
    OscillatorRig limited = sineRig(69);
    limited.params.voicesPerNote = 2;
    limited.modulate = [](OscillatorInputs& in) { in.stackDetune = 5000; };
    EXPECT_NEAR(measured(limited), 440.0 * semitones(-64), 0.05);
}

TEST(OscillatorPitch, GlideAndRampsAndLimits)
{
    // Gliding follows the pitch plus the decayed offset; key tracking is off.
    OscillatorRig glide = sineRig(69);
    glide.params.glideOn = true;
    glide.params.glideOffset = -1536.0f;
    glide.modulate = [](OscillatorInputs& in) { in.keyTrack[0] = 0; };
    EXPECT_NEAR(measured(glide), 220.0, 0.05);

    // A new pitch is reached by a per-frame ramp from the last call's increment.
    OscillatorRig rig = sineRig(69);
    rig.render(64);
    rig.params.coarse[0] = 12;
    const Ramp ramp = rig.peekSlice().increment[0];
    EXPECT_FLOAT_EQ(ramp.value, rig.slot.prevInc1);
    EXPECT_NEAR((ramp.value + 64 * ramp.step) / ramp.value, 2.0, 1e-6);

    for (int32_t offset : {-2000000000, -100000, 100000, 2000000000}) {
        SCOPED_TRACE(offset);
        OscillatorRig wild = sineRig(69);
        wild.modulate = [offset](OscillatorInputs& in) { in.pitchOffset = in.oscOffset[0] = in.keyTrack[0] = offset; };
        const double expected = offset < 0 ? wild.table.hz[0] : wild.table.hz[19967];
        EXPECT_NEAR(incrementHz(wild.peekSlice().increment[0].value, 44100.0), expected, 1e-3);
        EXPECT_LE(peak(wild.render(4096)), 1.0);
    }
}

TEST(OscillatorPitch, SubOscillatorPlaysAnOctaveBelowWithoutTheWaveCorrection)
{
    for (int32_t shape : {kSubSaw, kSubPulse, kSubTriangle}) {
        for (int32_t osc1 : {kOscSaw, kOscWavetable}) {
            SCOPED_TRACE(testing::Message() << "sub " << shape << ", oscillator 1 shape " << osc1);
            // A full ring against a silent oscillator 2 (pulse width 0) leaves the sub alone.
            OscillatorRig rig(44100.0, 69);
            rig.params.shape[0] = osc1;
            rig.params.wave[0] = 60; // holds several cycles, corrected by -5102
            rig.params.shape[1] = kOscPulse;
            rig.pulseWidth = 0.0f;
            rig.params.ringMod = 1.0f;
            rig.params.subShape = shape;
            rig.params.subLevel = 1.0f;
            const auto out = rig.render(65536 + 4096);
            EXPECT_NEAR(frequencyOf(out, 44100.0), 220.0, 0.05);
            // Its saw comes from the table of its own pitch, so nothing folds back.
            if (shape == kSubSaw) {
                const Spectrum spectrum(out, 4096, 65536, 44100.0);
                EXPECT_LT(db(spectrum.strongestOffHarmonic(220.0, 8.0) / spectrum.amplitude(220.0)), -60.0);
            }
        }
    }
}

} // namespace
