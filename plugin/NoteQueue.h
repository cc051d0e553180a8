// The notes of one host block, in arrival order, with their frame offsets.
#pragma once

#include "EventQueue.h"

#include <cstdint>

struct NoteQueueEntry {
    // Not MIDI: moves the layers in layerMask to `note` at this frame (the
    // arpeggiator's Voice 2/4/6/8 mode with Mono Mode on).
    static constexpr uint8_t kRetune = 0xa0;

    int32_t delta;     // frame offset inside the block
    int32_t layerMask; // -1 all layers, 0x55 even, 0xAA odd, 0 none
    int32_t aux;       // travels to noteOn unused
    uint8_t status;    // 0x80 note-off, 0x90 note-on (velocity 0 counts as off), kRetune
    uint8_t note;
    uint8_t velocity;

    bool isNoteOn() const { return status == 0x90 && (velocity & 0x7f) != 0; }
    bool isRetune() const { return status == kRetune; }
    bool expendable() const { return isNoteOn(); }
};

using NoteQueue = EventQueue<NoteQueueEntry, 256>;

// A MIDI message as the host delivered it, kept until the audio thread can
// take it in.
struct PendingMidi {
    int32_t delta;
    uint8_t status;
    uint8_t data1;
    uint8_t data2;

    bool isNoteOff() const
    {
        const uint8_t kind = status & 0xf0;
        return kind == 0x80 || (kind == 0x90 && data2 == 0);
    }
    // Note-offs, the sustain pedal and all-notes-off end sounds; losing one
    // would leave a note hanging.
    bool expendable() const
    {
        const bool endsSound = (status & 0xf0) == 0xb0 && (data1 == 64 || data1 == 123);
        return !isNoteOff() && !endsSound;
    }
};

using PendingMidiList = EventQueue<PendingMidi, 1024>;
