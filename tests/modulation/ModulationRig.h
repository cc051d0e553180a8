// An engine on the Init program with modulation slots set through their
// parameters, as a host or the editor sets them. It either renders held
// notes (whole host blocks, with the block-rate pass after each) or runs the
// per-voice pass alone on a voice the test describes.
#pragma once

#include "EngineTestSupport.h"
#include "FactoryBank.h"
#include "ModulationMatrix.h"
#include "Measure.h"
#include "ModulationVocabulary.h"
#include "ParamFamilies.h"
#include "VoiceControls.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

constexpr double kRate = 44100.0;

struct RenderedBuses {
    std::vector<float> fx[2], dry[2]; // left, right
};

class ModulationRig {
public:
    ModulationRig() { e.engine.setProgram(kInitProgram); }

    // Slot 1..24; amount -1..+1 goes in as its parameter value (a + 1) / 2.
    void route(int slot, int32_t source, double amount, int32_t dest, int32_t voices = 0)
    {
        set(ParamIndex::kModSource + slot - 1, static_cast<float>(source));
        set(ParamIndex::kModAmount + slot - 1, static_cast<float>((amount + 1.0) / 2.0));
        set(ParamIndex::kModDestination + slot - 1, static_cast<float>(dest));
        set(ParamIndex::kModVoices + slot - 1, static_cast<float>(voices));
    }
    void set(int32_t index, float value) { e.owner.setParameter(index, value); }
    // Oscillator 1 alone as a sine, so that zero crossings give the pitch.
    void useSine()
    {
        set(ParamIndex::kOsc1Shape, 0.7f);
        set(ParamIndex::kOscMix, 0.0f);
    }
    void noteOn(int note, int velocity = 100) { engine().noteOn(note, velocity, -1); }

    // Host blocks of 256 frames in render slices; the buses kept apart.
    RenderedBuses renderBuses(int frames)
    {
        RenderedBuses out;
        for (auto* bus : {out.fx, out.dry})
            bus[0].resize(frames), bus[1].resize(frames);
        for (int at = 0; at < frames; at += 256) {
            const int end = std::min(at + 256, frames);
            engine().beginBlock(end - at);
            for (int pos = at; pos < end; pos += kMaxSliceFrames) {
                float* fx[2] = {&out.fx[0][pos], &out.fx[1][pos]};
                float* dry[2] = {&out.dry[0][pos], &out.dry[1][pos]};
                engine().render(std::min(kMaxSliceFrames, end - pos), fx, dry);
            }
            engine().updateGlobalModulation();
            engine().endBlock();
        }
        return out;
    }
    // What the host hears on the left: effects bus plus dry bus.
    std::vector<float> render(int frames)
    {
        RenderedBuses b = renderBuses(frames);
        for (int i = 0; i < frames; ++i)
            b.fx[0][i] += b.dry[0][i];
        return b.fx[0];
    }

    // The per-voice pass on this voice with these LFO outputs, from neutral controls.
    VoiceControls evaluate(const VoiceSlot& voice, const std::array<float, kNumLfos>& lfo = {})
    {
        VoiceControls c{};
        std::copy(lfo.begin(), lfo.end(), c.lfoOut);
        engine().modulateVoice(voice, c, engine().modRoutes());
        return c;
    }

    Vesk& engine() { return e.engine; }

private:
    EngineUnderTest e{static_cast<float>(kRate)};
};

// A voice as a fresh note would start it: age 0.
inline VoiceSlot voiceAt(int note = 60, int velocity = 100, int layer = 0)
{
    VoiceSlot v;
    std::memset(&v, 0, sizeof v);
    v.active = 1;
    v.note = static_cast<int8_t>(note);
    v.pitch = static_cast<float>(note * 128);
    v.velocity = static_cast<int8_t>(velocity);
    v.layer = layer;
    return v;
}
