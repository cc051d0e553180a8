// The base of the effect objects and of the engine: the sample rate and the
// 32-bit phase increment of a 1 Hz oscillator at that rate.
#pragma once

class Module {
public:
    virtual ~Module() = default;

    // Non-virtual on purpose: the effects declare their own setSampleRate(double)
    // that recomputes their lengths and call this one to store the rate.
    void setSampleRate(float rate)
    {
        sampleRate = rate;
        hzToPhaseInc = static_cast<float>(4294967296.0 / sampleRate);
    }

    double sampleRate = 44100.0;
    float hzToPhaseInc = static_cast<float>(4294967296.0 / 44100.0); // one cycle = 2^32
};
