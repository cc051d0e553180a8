// Drives one voice slot's filter the way the render loop does, on tables
// built here from their defining formulas, and measures what comes out.
#pragma once

#include "Filter.h"

#include <cstdint>
#include <vector>

class TestTables {
public:
    explicit TestTables(double sampleRate);
    FilterTables view() const;

private:
    double rate;
    std::vector<float> svf, ladder, comb, saturation;
};

// Cutoff position whose table index stands for hz.
float positionFor(double hz);

struct FilterRig {
    FilterRig(int32_t type, double sampleRate);

    // Runs the input through the pre-stage, kernel, flush and post-stage in
    // slices of at most 64 frames; `rest` feeds the split types' second path.
    std::vector<float> process(const std::vector<float>& input, const std::vector<float>* rest = nullptr);

    double sampleRate;
    TestTables tables;
    VoiceSlot slot{};
    FilterParams params{};
    float position = 0.5f;   // target cutoff position, held from slice to slice
    float envelopeLevel = 0.0f;
    std::vector<float> filterFm; // used when non-empty; indexed by frame of the whole run
};

std::vector<float> sine(double hz, double sampleRate, int32_t frames, float amplitude = 0.25f);
std::vector<float> noise(int32_t frames, uint32_t seed, float amplitude = 1.0f);

// Steady-state gain of a fresh rig for a sine at hz (RMS out / RMS in).
double sineGain(int32_t type, double sampleRate, float position, double hz, float resonance = 0.0f,
                float offset = 0.0f);
