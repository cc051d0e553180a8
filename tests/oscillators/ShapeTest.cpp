#include <gtest/gtest.h>

#include <cmath>

#include "OscillatorHarness.h"

namespace {

using namespace osctest;

constexpr double kRate = 44100.0;
constexpr size_t kSettle = 4096;
constexpr size_t kWindow = 65536;

// Oscillator `osc` alone at 220 Hz.
std::vector<float> renderShape(int osc, int32_t shape, const std::function<void(OscillatorRig&)>& setup = {})
{
    OscillatorRig rig(kRate, 57);
    rig.params.oscMix = float(osc);
    rig.params.shape[osc] = shape;
    if (setup)
        setup(rig);
    return rig.render(int32_t(kSettle + kWindow));
}

TEST(OscillatorShapes, PulseWidthZeroAndOneAreSilentAndHalfIsASquare)
{
    for (int osc = 0; osc < 2; ++osc) {
        SCOPED_TRACE(osc + 1);
        for (float width : {0.0f, 1.0f, -0.5f, 3.0f})
            EXPECT_EQ(peak(renderShape(osc, kOscPulse, [width](OscillatorRig& rig) { rig.pulseWidth = width; })), 0.0)
                << width;

        const Spectrum square(renderShape(osc, kOscPulse), kSettle, kWindow, kRate);
        const double fundamental = square.amplitude(220.0);
        EXPECT_GT(fundamental, 1.0); // two full-scale saws half a cycle apart
        for (int h : {2, 4, 6, 8})
            EXPECT_LT(db(square.amplitude(220.0 * h) / fundamental), -60.0) << "harmonic " << h;
        for (int h : {3, 5, 7})
            EXPECT_NEAR(square.amplitude(220.0 * h) / fundamental, 1.0 / h, 0.01) << "harmonic " << h;
    }
}

TEST(OscillatorShapes, SineIgnoresFat)
{
    for (int osc = 0; osc < 2; ++osc) {
        const auto plain = renderShape(osc, kOscSine);
        const auto fat = renderShape(osc, kOscSine, [osc](OscillatorRig& rig) {
            rig.params.fatAmount[osc] = 128;
            rig.params.fatFactor[osc] = 1.01f;
        });
        EXPECT_EQ(plain, fat);
        EXPECT_NEAR(peak(plain), 0.999, 0.001);
    }
}

std::vector<float> renderWave(int osc, int32_t position, bool modulated)
{
    return renderShape(osc, kOscWavetable, [=](OscillatorRig& rig) {
        rig.modulate = [=](OscillatorInputs& in) {
            in.wavePosition[osc] = position;
            in.waveModulated[osc] = modulated;
        };
    });
}

TEST(OscillatorShapes, WavesMorphIntoTheirNeighbourAndWave69IntoItself)
{
    for (int osc = 0; osc < 2; ++osc) {
        SCOPED_TRACE(osc + 1);
        const auto wave69 = renderWave(osc, 69 * 1024, true);
        EXPECT_GT(peak(wave69), 0.1);
        for (int32_t position : {69 * 1024 + 700, 69 * 1024 + 1023, 2000000000})
            EXPECT_EQ(renderWave(osc, position, true), wave69) << position;
    }
    EXPECT_EQ(renderWave(0, -5000, true), renderWave(0, 0, true));

    for (int32_t wave : {3, 47}) {
        const auto a = renderWave(0, wave * 1024, true), b = renderWave(0, (wave + 1) * 1024, true);
        const auto halfway = renderWave(0, wave * 1024 + 512, true);
        double worst = 0.0;
        for (size_t i = 0; i < a.size(); ++i)
            worst = std::max(worst, std::fabs(halfway[i] - 0.5 * (a[i] + b[i])));
        EXPECT_LT(worst, 1.5 / 32768.0) << wave; // integer truncation only
    }
    // Without a Wave contribution the fraction is ignored.
    EXPECT_EQ(renderWave(0, 20 * 1024 + 512, false), renderWave(0, 20 * 1024, false));
}

} // namespace
