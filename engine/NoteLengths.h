// Note lengths that tempo-synced rates choose from, longest first. The LFOs and
// the arpeggiator share one table but read it in different units, which is why
// the same entry carries two names.
#pragma once

#include <cstdint>

struct NoteLength {
    const char* lfoName; // "8/1*" .. "1/32T"; "*" dotted, "T" triplet
    const char* arpName; // the same length as an arpeggiator step; "" where no arp rate reaches it
    double length;       // LFO period in 1/16 quarter note, arpeggiator step in 1/128 quarter note
};

constexpr int32_t kNumNoteLengths = 27;
constexpr int32_t kFirstArpNoteLength = 3; // arpeggiator rates use entries 3..23
constexpr int32_t kNumArpNoteLengths = 21;

extern const NoteLength kNoteLengths[kNumNoteLengths];

// Entry picked by a synced LFO rate v (nominally 0..1): int(26.001 v). Values
// outside 0..1, NaN included, pick the nearest end of the table.
int32_t lfoNoteLengthIndex(double v);

// Entry picked by a synced arpeggiator rate v (nominally 0..1): int(20.01 v) + 3,
// kept within the arpeggiator's 21 entries.
int32_t arpNoteLengthIndex(double v);
