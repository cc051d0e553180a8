// Turns note events into voice slots: slot choice and stealing, starting a
// slot, the layer stack, mono legato with last-note return, and glide.
// Runs on the audio thread between render slices; no allocation, no locks.
#pragma once

#include <cstdint>

#include "Random15.h"
#include "VoiceSlot.h"

// The engine settings a note start reads. The engine keeps this up to date
// from its parameters; the values are read as they stand at each call and
// limited before use, so a setting written from another thread or out of
// range can never push a loop past the slot array.
struct NoteSettings {
    int32_t poly = 12;         // slots in use, 8..72
    int32_t voicesPerNote = 1; // stack layers per note, 1..8
    bool monoMode = false;
    bool arpOn = false;        // mono mode only takes effect with the arpeggiator off
    int32_t filterType = 0;    // filter type code copied into each started slot
    bool oscSync = false;
    bool lfoReset[kNumLfos] = {false, false, false};
};

class NoteHandler {
public:
    static constexpr int kMaxLayers = 8;
    static constexpr int kNumKeys = 128;

    NoteHandler(VoiceSlot (&slots)[kMaxVoices], const NoteSettings& settings, Random15& random);

    // layerMask: -1 addresses every layer, otherwise bit k addresses layer k.
    // Notes are taken modulo 128 and velocities limited to 0..127.
    void noteOn(int32_t note, int32_t velocity, int32_t layerMask);
    void noteOff(int32_t note, int32_t velocity, int32_t layerMask);

    // Soft: releases every sounding slot. Hard: frees every slot and makes the
    // next note start without glide. Both forget the held keys and clear
    // notesSounding. The handler
    // knows nothing of the arpeggiator or the effects, so the engine wraps it:
    //     arp.allNotesOff();
    //     if (notes.allNotesOff(hard)) reset();
    // Returns true when the engine must run its own full reset (hard).
    [[nodiscard]] bool allNotesOff(bool hard);

    // Moves the layers in layerMask to another note without restarting them.
    void retuneLayers(int32_t note, int32_t layerMask);

    // Key state from the MIDI intake; a key going up clears notesSounding
    // once no key is down any more.
    void setKeyDown(int32_t note, bool down);

    // The note side of the engine reset: all slots cleared to free, and the
    // next note starts without glide. Held mono keys survive, since the
    // player's fingers do.
    void reset();

    // The slot the next start takes among the first poly slots: the first
    // free one, else the oldest released one, else the oldest of all.
    int chooseSlot() const;
    void startSlot(int slot, int32_t note, int32_t velocity, int32_t layer);

    int32_t lastNote = -1;     // most recent note played, -1 before the first
    float glideOffset = 0.0f;  // 1/128 semitone, added to every voice's pitch; the render decays it
    bool glideStart = true;    // the next note starts without glide
    bool anyNoteSinceBlock = false; // cleared by the block-rate modulation pass
    bool notesSounding = false;     // read by the editor
    uint8_t monoKeys[kNumKeys] = {};
    uint8_t keyDown[kNumKeys] = {};

private:
    int polyCount() const;
    int layerCount() const;
    void startLayers(int32_t note, int32_t velocity, int32_t layerMask);
    void applyGlideFrom(float previousPitch, int32_t note);
    void monoNoteOn(int32_t note, int32_t velocity);
    void monoNoteOff(int32_t note, int32_t layerMask);
    void setPitchOfPolySlots(int32_t note);

    VoiceSlot (&slots_)[kMaxVoices];
    const NoteSettings& settings_;
    Random15& random_;
};
