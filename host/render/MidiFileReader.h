// Reads a Standard MIDI File (format 0 or 1, ticks per quarter or SMPTE
// timing) into a Score: running status resolved, every event placed on the
// file's tempo map. Every read is checked against the file's bounds.
#pragma once

#include "Score.h"

#include <cstdint>
#include <string>
#include <vector>

class MidiFileReader {
public:
    // Beyond these a file is refused rather than played for hours or loaded
    // into gigabytes.
    static constexpr uint64_t kLargestFile = uint64_t{64} << 20;
    static constexpr size_t kMostEvents = 2000000;
    static constexpr double kLongestSeconds = 4 * 3600.0;

    // Throws std::runtime_error with one line naming the file and what is
    // wrong with it. A file damaged only at its end gives what was read before
    // the damage, and a line about it in `warnings`.
    static Score read(const std::string& path, std::vector<std::string>& warnings);
};
