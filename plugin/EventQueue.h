// A bounded, ordered list of events for one block. A full list never
// overwrites what it holds and never loses a note-off: further expendable
// events are dropped, and a note-off takes the place of the latest
// expendable one instead.
#pragma once

#include <cstdint>

// Entry needs `bool expendable() const`: true for anything whose loss cannot
// leave a note hanging.
template <typename Entry, int Capacity>
class EventQueue {
public:
    static constexpr int kCapacity = Capacity;

    void push(const Entry& entry)
    {
        if (count < Capacity) {
            entries[count++] = entry;
            return;
        }
        if (entry.expendable())
            return;
        for (int i = count - 1; i >= 0; --i) {
            if (entries[i].expendable()) {
                entries[i] = entry;
                return;
            }
        }
    }

    void clear() { count = 0; }
    int size() const { return count; }
    Entry& operator[](int i) { return entries[i]; }
    const Entry& operator[](int i) const { return entries[i]; }

private:
    Entry entries[Capacity];
    int count = 0;
};
