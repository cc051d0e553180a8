// A voice's oscillator stage driven the way the render loop drives it, and
// the measurements the oscillator tests make on what it writes.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "Oscillators.h"

namespace osctest {

// The pitch-to-frequency table from its rule, for one sample rate.
struct PitchTable {
    explicit PitchTable(double sampleRate);
    double sampleRate;
    float hzToPhaseInc;
    std::vector<float> hz; // [p] = 1.021974609375 * 2^(p / 1536)
    OscillatorRates rates() const { return {hz.data(), hzToPhaseInc, sampleRate}; }
};

// Frequency of a 32-bit phase increment.
double incrementHz(double increment, double sampleRate);

// One voice slot, rendered in calls of a fixed size with fresh inputs per call.
class OscillatorRig {
public:
    explicit OscillatorRig(double sampleRate = 44100.0, int32_t note = 69);

    OscillatorParameters params;
    // Applied to the starting inputs before every call, as the modulation matrix would.
    std::function<void(OscillatorInputs&)> modulate;
    float pulseWidth = 0.5f; // the pulse-width ramp's value
    float fmRamp = 0.0f;
    int32_t bendOffset = 0;
    bool split = false;
    int32_t callFrames = kMaxSliceFrames;
    uint32_t noiseGenerator = 12345;

    VoiceSlot slot;
    PitchTable table;

    // Renders `frames` frames; the slot's age advances as in the render loop.
    std::vector<float> render(int32_t frames);
    // Two outputs for the split filter types.
    void renderSplit(int32_t frames, std::vector<float>& first, std::vector<float>& second);
    // The filter-FM buffer of the last render().
    const std::vector<float>& filterFm() const { return filterFmOut; }
    // The slice the next call would prepare, without rendering (uses a copy of the slot).
    OscillatorSlice peekSlice() const;

    // Restarts the slot as note-on does for the fields the stage reads.
    void startNote(int32_t note);

private:
    OscillatorInputs inputs() const;
    std::vector<float> filterFmOut;
};

// Frequency from rising zero crossings, interpolated between frames.
double frequencyOf(const std::vector<float>& signal, double sampleRate);
double rms(const std::vector<float>& signal, size_t from = 0);
double peak(const std::vector<float>& signal, size_t from = 0);

// Magnitude spectrum (Blackman-Harris window, amplitude-normalised so a sine
// of amplitude a shows a at its peak bin).
struct Spectrum {
    Spectrum(const std::vector<float>& signal, size_t from, size_t length, double sampleRate);
    double binHz;
    std::vector<double> magnitude;
    // Amplitude of a component at exactly f (no bin scalloping).
    double amplitude(double f) const;
    // Largest bin within +-halfWidthHz of f.
    double peakNear(double f, double halfWidthHz) const;
    // Largest magnitude at least `guardHz` away from every multiple of f0 (and
    // from DC) below maxHz: what a signal with period 1/f0 should not hold.
    double strongestOffHarmonic(double f0, double guardHz, double maxHz = 1e300) const;
    // Power off the multiples of f0 as a share of all power, in dB.
    double offHarmonicPowerDb(double f0, double guardHz) const;
    double strongest() const;

private:
    std::vector<double> windowed;
    double windowGain = 0.0;
    double sampleRate;
};

double db(double ratio);

} // namespace osctest
