// The notes of one host block, in arrival order, with their frame offsets.
// Lives for one block; filled by the event intake and drained by the renderer.
#pragma once

#include <cstdint>

struct NoteQueueEntry {
    int32_t delta;     // frame offset inside the block
    int32_t layerMask; // -1 all layers, 0x55 even, 0xAA odd, 0 none
    int32_t aux;       // travels to noteOn unused
    uint8_t status;    // 0x80 note-off, 0x90 note-on (velocity 0 counts as off)
    uint8_t note;
    uint8_t velocity;
};

class NoteQueue {
public:
    static constexpr int kCapacity = 256;

    // A full queue never overwrites what it holds: a further note-on is
    // dropped (harmless), and a further note-off takes the place of the latest
    // queued note-on, so no note is ever left hanging.
    void push(const NoteQueueEntry& entry)
    {
        if (count < kCapacity) {
            entries[count++] = entry;
            return;
        }
        if (isNoteOn(entry))
            return;
        for (int i = count - 1; i >= 0; --i) {
            if (isNoteOn(entries[i])) {
                entries[i] = entry;
                return;
            }
        }
    }

    void clear() { count = 0; }
    int size() const { return count; }
    const NoteQueueEntry& operator[](int i) const { return entries[i]; }

    static bool isNoteOn(const NoteQueueEntry& entry) { return entry.status == 0x90 && (entry.velocity & 0x7f) != 0; }

private:
    NoteQueueEntry entries[kCapacity];
    int count = 0;
};
