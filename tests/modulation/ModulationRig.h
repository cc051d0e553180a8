// An engine on the Init program with modulation slots set through their
// parameters, as a host or the editor sets them. It either renders held
// notes (whole host blocks, with the block-rate pass after each) or runs the
// per-voice pass alone on a voice the test describes.
#pragma once

#include "EngineTestSupport.h"
#include "ModulationVocabulary.h"
#include "VoiceControls.h"

#include <array>
#include <cstdint>
#include <vector>

constexpr double kRate = 44100.0;

struct Stereo {
    std::vector<float> left, right;
};

struct RenderedBuses {
    Stereo fx, dry;
};

class ModulationRig {
public:
    ModulationRig();

    // Slot 1..24; amount -1..+1 goes in as its parameter value (a + 1) / 2.
    void route(int slot, int32_t source, double amount, int32_t dest, int32_t voices = 0);
    void set(int32_t index, float value) { e.owner.setParameter(index, value); }

    // Oscillator 1 alone as a sine, so that zero crossings give the pitch.
    void useSine();

    void noteOn(int note, int velocity = 100) { engine().noteOn(note, velocity, -1); }

    // Host blocks of 256 frames in 64-frame slices; the buses kept apart.
    RenderedBuses renderBuses(int frames);
    // What the host hears on the left: effects bus plus dry bus.
    std::vector<float> render(int frames);

    // The per-voice pass on a voice with these fields and LFO outputs, from
    // neutral controls.
    VoiceControls evaluate(const VoiceSlot& voice, const std::array<float, kNumLfos>& lfo = {});

    Vesk& engine() { return e.engine; }

private:
    EngineUnderTest e{static_cast<float>(kRate)};
};

// A voice as a fresh note would start it: layer 0, age 0, note 60.
VoiceSlot voiceAt(int note = 60, int velocity = 100, int layer = 0);

// Rising zero crossings per second over samples [from, from + count).
double frequencyOf(const std::vector<float>& s, size_t from, size_t count);
double rms(const std::vector<float>& s, size_t from, size_t count);
// RMS of the first difference: rises with the energy of high partials.
double roughness(const std::vector<float>& s, size_t from, size_t count);
// Semitones from a to b.
double semitones(double a, double b);
