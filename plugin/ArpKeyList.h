// The block's key presses and releases while the arpeggiator runs, kept until
// its run reaches their frames.
#pragma once

#include "KeyboardRing.h"
#include "NoteQueue.h"

#include <cstdint>

struct ArpKeyEvent {
    int32_t delta; // frame in the host block
    uint8_t status;
    uint8_t note;
    uint8_t velocity;
    bool fromKeyboard; // the editor's keyboard, whose events take a simpler path
};

class ArpKeyList {
public:
    // Every note event one block can carry: the host's list, the editor's ring
    // with its overflowed note-offs, and the note-offs kept aside when the
    // host's list overflowed. Nothing is ever dropped, so no key stays held.
    static constexpr int kCapacity = PendingMidiList::kCapacity + 3 * static_cast<int>(KeyboardRing::kCapacity);

    void push(const ArpKeyEvent& event)
    {
        if (count < kCapacity)
            entries[count++] = event;
    }

    // Stable, so that events of one frame keep their order; the host's list is
    // almost always sorted already, which makes this one pass.
    void sortByFrame()
    {
        for (int i = 1; i < count; ++i) {
            const ArpKeyEvent event = entries[i];
            int j = i;
            for (; j > 0 && entries[j - 1].delta > event.delta; --j)
                entries[j] = entries[j - 1];
            entries[j] = event;
        }
    }

    void clear() { count = 0; }
    int size() const { return count; }
    const ArpKeyEvent& operator[](int i) const { return entries[i]; }

private:
    ArpKeyEvent entries[kCapacity];
    int count = 0;
};
