// Reads a Standard MIDI File (type 0 or 1; libsmf refuses type 2) into a
// Score with libsmf, which resolves running status and places every event on
// the file's tempo map.
#pragma once

#include "Score.h"

#include <string>

class MidiFileReader {
public:
    // Throws std::runtime_error naming the file and, where libsmf says it,
    // what is wrong with it.
    static Score read(const std::string& path);
};
