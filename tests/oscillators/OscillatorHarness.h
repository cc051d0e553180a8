// A voice's oscillator stage driven the way the render loop drives it, and
// the measurements the oscillator tests make on what it writes.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include "Measure.h"
#include "Oscillators.h"
#include "RateTables.h"

namespace osctest {

constexpr double kRate = 44100.0;
constexpr size_t kSettle = 4096, kWindow = 65536;
constexpr int32_t kFrames = int32_t(kSettle + kWindow);

inline double incrementHz(double increment, double rate) { return increment * rate / 4294967296.0; }
inline double pitchRatio(double units) { return std::pow(2.0, units / 1536.0); } // 1/128 semitone

// One voice slot, rendered in 64-frame calls with inputs rebuilt per call as
// the modulation matrix would, on the pitch table the engine ships.
struct OscillatorRig {
    explicit OscillatorRig(double rate = kRate, int32_t note = 69)
        : sampleRate(rate), tables(std::make_shared<RateTables>())
    {
        tables->rebuild(rate);
        hz = tables->pitchToFrequency.data();
        std::memset(&slot, 0, sizeof slot);
        startNote(note);
    }
    // The fields note-on resets that the stage reads.
    void startNote(int32_t note)
    {
        slot.active = 1;
        slot.pitch = float(note * 128);
        slot.note = int8_t(note);
        slot.age = 0;
        slot.osc2Done = false;
        slot.prevInc1 = slot.prevInc2 = slot.prevMix = slot.prevFmDepth = slot.prevRingMod = kUnsetRamp;
        slot.prevOsc3Level = kUnsetOsc3Level;
        std::fill(std::begin(slot.syncRing), std::end(slot.syncRing), 0.0f);
    }
    OscillatorInputs inputs() const
    {
        OscillatorInputs in = startingOscillatorInputs(params, pulseWidth, 0.0f, 0);
        if (modulate)
            modulate(in);
        return in;
    }
    OscillatorRates rates() const { return {hz, float(4294967296.0 / sampleRate), sampleRate}; }
    // What the next call would prepare, from a copy of the slot.
    OscillatorSlice peekSlice() const
    {
        VoiceSlot copy = slot;
        return prepareOscillators(params, inputs(), rates(), copy, kMaxSliceFrames, split);
    }
    double oscHz(int osc) const { return incrementHz(std::lround(peekSlice().increment[osc].value), sampleRate); }
    // `second` receives the split types' second output.
    std::vector<float> render(int32_t frames, std::vector<float>* second = nullptr)
    {
        std::vector<float> out(static_cast<size_t>(frames)), unused;
        std::vector<float>& rest = second ? *second : unused;
        rest.assign(size_t(frames), 0.0f);
        filterFm.assign(size_t(frames), 0.0f);
        for (int32_t done = 0; done < frames;) {
            const int32_t n = std::min(kMaxSliceFrames, frames - done);
            const OscillatorSlice s = prepareOscillators(params, inputs(), rates(), slot, n, split);
            renderOscillators(s, slot, noiseGenerator, &out[size_t(done)], &rest[size_t(done)], &filterFm[size_t(done)]);
            slot.age += uint32_t(n);
            done += n;
        }
        return out;
    }

    double sampleRate;
    std::shared_ptr<RateTables> tables;
    const float* hz; // Hz by pitch, 1536 steps an octave
    OscillatorParameters params;
    std::function<void(OscillatorInputs&)> modulate;
    float pulseWidth = 0.5f; // the pulse-width ramp's value
    bool split = false;
    uint32_t noiseGenerator = 12345;
    VoiceSlot slot;
    std::vector<float> filterFm; // of the last render()
};

// The kit's spectrum over the rig's measuring window.
struct WindowSpectrum : Spectrum {
    explicit WindowSpectrum(const Samples& signal, double rate = kRate) : Spectrum(signal, rate, kSettle, kWindow) {}
    double strongest() const { return *std::max_element(magnitudes().begin(), magnitudes().end()); }
};

} // namespace osctest
