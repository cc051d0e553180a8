// What the plug-in object needs of its editor beyond the host's editor calls.
// The editor lives in its own library; the plug-in only declares the factory.
#pragma once

#include "AudioEffect.h"

#include <cstdint>
#include <memory>

class VstSynth;

class SynthEditor : public AEffEditor {
public:
    // Any thread, the audio thread included: only records the change.
    virtual void setParameter(int32_t index, float value) = 0;
    // The whole program changed (program change, chunk, preset file); any thread.
    virtual void programChanged() = 0;
    // The host's content scale (vendor-specific call), before opening.
    virtual void setContentScale(float scale) = 0;
};

std::unique_ptr<SynthEditor> createSynthEditor(VstSynth& synth);
