// Shared helpers of the vesk-render tests: Standard MIDI Files written byte
// by byte, running the tool, and reading its audio back.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One track's events, written as they appear in the file.
class SmfTrack {
public:
    // Each call writes the delta time, then the bytes as given: leaving out
    // the status byte is running status.
    SmfTrack& event(uint32_t deltaTicks, std::vector<uint8_t> bytes);
    SmfTrack& tempo(uint32_t deltaTicks, double bpm);
    SmfTrack& endOfTrack(uint32_t deltaTicks = 0);
    const std::vector<uint8_t>& bytes() const { return data; }

private:
    std::vector<uint8_t> data;
};

// The whole file: header chunk and track chunks.
std::vector<uint8_t> smfFile(uint16_t format, uint16_t ticksPerQuarter, const std::vector<SmfTrack>& tracks);
void writeFile(const std::string& path, const std::vector<uint8_t>& bytes);

struct RunResult {
    int exitCode = -1;
    std::string output; // stdout and stderr together
};
// Runs a program with these arguments, no shell interpretation.
RunResult runProgram(const std::string& program, const std::vector<std::string>& args);
inline RunResult runRender(const std::vector<std::string>& args) { return runProgram(VESK_RENDER_PATH, args); }

struct Audio {
    int rate = 0;
    int channels = 0;
    int format = 0; // libsndfile's SF_FORMAT_* bits
    std::vector<std::vector<float>> samples; // per channel
    int64_t frames() const { return samples.empty() ? 0 : static_cast<int64_t>(samples[0].size()); }
};
Audio readAudio(const std::string& path);

// First frame whose magnitude on any channel exceeds `level`, or -1.
int64_t firstFrameAbove(const Audio& audio, float level);
// Frames of channel `channel` holding a non-zero value.
std::vector<int64_t> nonZeroFrames(const Audio& audio, int channel);

// A fresh directory for one test's files, removed with everything in it.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    std::string operator/(const std::string& name) const { return root + "/" + name; }

private:
    std::string root;
};
