// A bounded, ordered list of events for one block. A full list never
// overwrites what it holds: further expendable events are dropped, and an
// event that must not be lost takes the place of the latest expendable one.
// When there is none, push answers false and the caller keeps the event
// some other way.
#pragma once

#include <cstdint>

// Entry needs `bool expendable() const`: true for anything whose loss cannot
// leave a note hanging.
template <typename Entry, int Capacity>
class EventQueue {
public:
    static constexpr int kCapacity = Capacity;

    bool push(const Entry& entry)
    {
        if (count < Capacity) {
            entries[count++] = entry;
            return true;
        }
        if (entry.expendable())
            return true; // dropped on purpose
        for (int i = count - 1; i >= 0; --i) {
            if (entries[i].expendable()) {
                entries[i] = entry;
                return true;
            }
        }
        return false;
    }

    void clear() { count = 0; }
    int size() const { return count; }
    Entry& operator[](int i) { return entries[i]; }
    const Entry& operator[](int i) const { return entries[i]; }

private:
    Entry entries[Capacity];
    int count = 0;
};
