#include <gtest/gtest.h>

#include "OscillatorHarness.h"

namespace {

using namespace osctest;

// Sines give clean zero crossings; oscillator 1 is heard unless mix says otherwise.
OscillatorRig sineRig(int32_t note, double rate = kRate, float mix = 0.0f)
{
    OscillatorRig rig(rate, note);
    rig.params.shape[0] = rig.params.shape[1] = kOscSine;
    rig.params.oscMix = mix;
    return rig;
}

double measured(OscillatorRig& rig) { return frequencyOf(rig.render(int32_t(rig.sampleRate)), rig.sampleRate); }

// Oscillators 1 and 2 answer to their own tracking, coarse, fine and
// per-voice offsets alike.
class EachOscillator : public ::testing::TestWithParam<int> {};

TEST_P(EachOscillator, KeyTrackingCoarseAndFineMoveItsPitch)
{
    const int osc = GetParam();
    const double middleC = 440.0 * pitchRatio(-9 * 128);
    for (int32_t note : {30, 100}) {
        SCOPED_TRACE(note);
        OscillatorRig rig = sineRig(note, kRate, float(osc));
        rig.modulate = [osc](OscillatorInputs& in) { in.keyTrack[osc] = 0; };
        EXPECT_NEAR(measured(rig), middleC, 0.05);
        rig.params.coarse[osc] = 7;
        rig.params.fine[osc] = -64;
        EXPECT_NEAR(measured(rig), middleC * pitchRatio(7 * 128 - 64), 0.05);
    }
    OscillatorRig rig = sineRig(69, kRate, float(osc));
    rig.params.coarse[osc] = -36;
    rig.modulate = [osc](OscillatorInputs& in) { in.oscOffset[osc] = 3 * 128 + 10; }; // Osc Semi + Fine
    EXPECT_NEAR(measured(rig), 55.0 * pitchRatio(3 * 128 + 10), 0.05);
    OscillatorRig half = sineRig(84, kRate, float(osc)); // half tracking: an octave above middle C
    half.modulate = [osc](OscillatorInputs& in) { in.keyTrack[osc] = 512; };
    EXPECT_NEAR(measured(half), middleC * 2.0, 0.05);
}

TEST(OscillatorPitch, StackDetuneSpreadsLayersAroundTheNote)
{
    const std::vector<std::vector<int32_t>> steps = {{0}, {-1, 0}, {-2, -1, 0, 1}}; // per layer, for 1, 2, 4 voices
    for (const auto& layers : steps) {
        for (size_t layer = 0; layer < layers.size(); ++layer) {
            for (float mix : {0.0f, 1.0f}) {
                SCOPED_TRACE(testing::Message() << layers.size() << " voices, layer " << layer << " mix " << mix);
                OscillatorRig rig = sineRig(69, kRate, mix);
                rig.params.voicesPerNote = int32_t(layers.size());
                rig.params.voiceDetune = 48;
                rig.slot.layer = int32_t(layer);
                EXPECT_NEAR(measured(rig), 440.0 * pitchRatio(layers[layer] * 48), 0.05);
            }
        }
    }
    OscillatorRig limited = sineRig(69);
    limited.params.voicesPerNote = 2;
    limited.modulate = [](OscillatorInputs& in) { in.stackDetune = 5000; };
    EXPECT_NEAR(measured(limited), 440.0 * pitchRatio(-64), 0.05);
}

TEST(OscillatorPitch, GlideRampsAndOutOfRangeOffsets)
{
    OscillatorRig glide = sineRig(69); // the decayed offset moves the pitch even without key tracking
    glide.params.glideOn = true;
    glide.params.glideOffset = -1536.0f;
    glide.modulate = [](OscillatorInputs& in) { in.keyTrack[0] = 0; };
    EXPECT_NEAR(measured(glide), 220.0, 0.05);

    for (int32_t offset : {-2000000000, -100000, 100000, 2000000000}) {
        SCOPED_TRACE(offset);
        OscillatorRig wild = sineRig(69);
        wild.modulate = [offset](OscillatorInputs& in) { in.pitchOffset = in.oscOffset[0] = in.keyTrack[0] = offset; };
        EXPECT_NEAR(incrementHz(wild.peekSlice().increment[0].value, kRate), wild.hz[offset < 0 ? 0 : 19967], 1e-3);
        EXPECT_LE(peakOf(wild.render(4096)), 1.0);
    }
}

// Oscillator `osc` alone at 220 Hz.
std::vector<float> renderShape(int osc, int32_t shape, const std::function<void(OscillatorRig&)>& setup = {})
{
    OscillatorRig rig(kRate, 57);
    rig.params.oscMix = float(osc);
    rig.params.shape[osc] = shape;
    if (setup)
        setup(rig);
    return rig.render(kFrames);
}

std::vector<float> renderWave(int osc, int32_t position, bool modulated = true)
{
    return renderShape(osc, kOscWavetable, [=](OscillatorRig& rig) {
        rig.modulate = [=](OscillatorInputs& in) {
            in.wavePosition[osc] = position;
            in.waveModulated[osc] = modulated;
        };
    });
}

TEST_P(EachOscillator, PulseWidthEndsAreSilentHalfIsASquareAndSineIgnoresFat)
{
    const int osc = GetParam();
    for (float width : {0.0f, 1.0f, -0.5f, 3.0f})
        EXPECT_EQ(peakOf(renderShape(osc, kOscPulse, [width](OscillatorRig& rig) { rig.pulseWidth = width; })), 0.0)
            << width;
    const WindowSpectrum square(renderShape(osc, kOscPulse));
    const double fundamental = square.amplitude(220.0);
    EXPECT_GT(fundamental, 1.0); // two full-scale saws half a cycle apart
    for (int h = 2; h <= 8; ++h) {
        if (h % 2 == 0)
            EXPECT_LT(dB(square.amplitude(220.0 * h) / fundamental), -60.0) << "harmonic " << h;
        else
            EXPECT_NEAR(square.amplitude(220.0 * h) / fundamental, 1.0 / h, 0.01) << "harmonic " << h;
    }
    const auto sine = renderShape(osc, kOscSine);
    EXPECT_EQ(sine, renderShape(osc, kOscSine, [osc](OscillatorRig& rig) {
                  rig.params.fatAmount[osc] = 128;
                  rig.params.fatFactor[osc] = 1.01f;
              }));
    EXPECT_NEAR(peakOf(sine), 0.999, 0.001);
}

TEST_P(EachOscillator, Wave69MorphsIntoItself)
{
    const int osc = GetParam();
    const auto wave69 = renderWave(osc, 69 * 1024);
    EXPECT_GT(peakOf(wave69), 0.1);
    for (int32_t position : {69 * 1024 + 700, 69 * 1024 + 1023, 2000000000})
        EXPECT_EQ(renderWave(osc, position), wave69) << position;
}

INSTANTIATE_TEST_SUITE_P(OneAndTwo, EachOscillator, ::testing::Values(0, 1));

TEST(OscillatorShapes, WavesMorphIntoTheirNeighbour)
{
    EXPECT_EQ(renderWave(0, -5000), renderWave(0, 0));
    for (int32_t wave : {3, 47}) {
        const auto a = renderWave(0, wave * 1024), b = renderWave(0, (wave + 1) * 1024);
        const auto halfway = renderWave(0, wave * 1024 + 512);
        double worst = 0.0;
        for (size_t i = 0; i < a.size(); ++i)
            worst = std::max(worst, std::fabs(halfway[i] - 0.5 * (a[i] + b[i])));
        EXPECT_LT(worst, 1.5 / 32768.0) << wave; // integer truncation only
    }
    // Without a Wave contribution the fraction is ignored.
    EXPECT_EQ(renderWave(0, 20 * 1024 + 512, false), renderWave(0, 20 * 1024, false));
}

} // namespace
