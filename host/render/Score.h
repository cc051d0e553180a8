// The music to play, in seconds from the start: short MIDI messages and the
// tempo map. Both lists are in time order.
#pragma once

#include "RenderOptions.h"

#include <cstdint>
#include <vector>

struct ScoreEvent {
    double seconds = 0.0;
    uint8_t status = 0;
    uint8_t data1 = 0;
    uint8_t data2 = 0;
};

struct TempoChange {
    double seconds = 0.0;
    double bpm = 120.0;
};

struct Score {
    std::vector<ScoreEvent> events;
    std::vector<TempoChange> tempos; // empty: 120 BPM throughout
    double lengthSeconds = 0.0;      // the last event, or the file's end of track

    static Score fromNotes(const std::vector<NoteSpec>& notes);
    // Keeps what starts before `seconds` and ends every note still sounding
    // there, and lifts the sustain pedal, so an excerpt releases naturally.
    void truncate(double seconds);
};
