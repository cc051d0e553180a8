// Shared helpers of the vesk-render tests: Standard MIDI Files written byte
// by byte, running the tool, and reading its audio back.
#pragma once

#include "ParamIndex.h"

#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

inline void putBig(std::vector<uint8_t>& out, uint32_t value, int bytes = 4)
{
    for (int shift = 8 * (bytes - 1); shift >= 0; shift -= 8)
        out.push_back(static_cast<uint8_t>(value >> shift));
}

// Preset files of the two kinds that are not a program chunk: a bank around a
// state chunk, and a program that lists its parameter values from index 0.
inline std::vector<uint8_t> bankFile(const std::vector<uint8_t>& chunk)
{
    std::vector<uint8_t> file{'C', 'c', 'n', 'K'};
    putBig(file, static_cast<uint32_t>(chunk.size() + 152));
    file.insert(file.end(), {'F', 'B', 'C', 'h', 0, 0, 0, 1, 'Q', 'Z', 'R', 'T', 0, 0, 0, 1});
    putBig(file, 128);
    file.resize(file.size() + 128, 0);
    putBig(file, static_cast<uint32_t>(chunk.size()));
    file.insert(file.end(), chunk.begin(), chunk.end());
    return file;
}

inline std::vector<uint8_t> parameterListFile(const std::vector<float>& values)
{
    std::vector<uint8_t> file{'C', 'c', 'n', 'K'};
    putBig(file, static_cast<uint32_t>(48 + 4 * values.size()));
    file.insert(file.end(), {'F', 'x', 'C', 'k', 0, 0, 0, 1, 'Q', 'Z', 'R', 'T', 0, 0, 0, 1});
    putBig(file, static_cast<uint32_t>(values.size()));
    file.resize(file.size() + 28, 0); // program name
    for (float value : values) {
        uint32_t bits;
        std::memcpy(&bits, &value, sizeof bits);
        putBig(file, bits);
    }
    return file;
}

// One track's events, written as they appear in the file.
class SmfTrack {
public:
    // The delta time, then the bytes as given: leaving out the status byte is running status.
    SmfTrack& event(uint32_t deltaTicks, std::vector<uint8_t> bytes)
    {
        uint8_t groups[5];
        int count = 0;
        do {
            groups[count++] = deltaTicks & 0x7F;
            deltaTicks >>= 7;
        } while (deltaTicks);
        while (count-- > 0)
            data.push_back(static_cast<uint8_t>(groups[count] | (count ? 0x80 : 0)));
        data.insert(data.end(), bytes.begin(), bytes.end());
        return *this;
    }
    SmfTrack& tempo(uint32_t deltaTicks, double bpm)
    {
        std::vector<uint8_t> meta{0xFF, 0x51, 0x03};
        putBig(meta, static_cast<uint32_t>(std::lround(60e6 / bpm)), 3);
        return event(deltaTicks, meta);
    }
    SmfTrack& endOfTrack(uint32_t deltaTicks = 0) { return event(deltaTicks, {0xFF, 0x2F, 0x00}); }
    std::vector<uint8_t> data;
};

// The whole file: header chunk and track chunks.
inline std::vector<uint8_t> smfFile(uint16_t format, uint16_t ticksPerQuarter, const std::vector<SmfTrack>& tracks)
{
    std::vector<uint8_t> out{'M', 'T', 'h', 'd'};
    putBig(out, 6);
    putBig(out, format, 2);
    putBig(out, static_cast<uint32_t>(tracks.size()), 2);
    putBig(out, ticksPerQuarter, 2);
    for (const SmfTrack& track : tracks) {
        out.insert(out.end(), {'M', 'T', 'r', 'k'});
        putBig(out, static_cast<uint32_t>(track.data.size()));
        out.insert(out.end(), track.data.begin(), track.data.end());
    }
    return out;
}

inline void writeFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// A program preset file around this chunk: the header, then the chunk.
inline std::vector<uint8_t> programFile(const std::vector<uint8_t>& chunk, const char* id, uint32_t declaredSize)
{
    std::vector<uint8_t> file{'C', 'c', 'n', 'K'};
    putBig(file, declaredSize + 52);
    file.insert(file.end(), {'F', 'P', 'C', 'h'});
    putBig(file, 1);
    file.insert(file.end(), id, id + 4);
    putBig(file, 1);
    putBig(file, ParamIndex::kNumProgramParams);
    file.resize(file.size() + 28, 0); // program name
    putBig(file, declaredSize);
    file.insert(file.end(), chunk.begin(), chunk.end());
    return file;
}

struct RunResult {
    int exitCode = -1;
    std::string output; // stdout and stderr together
};

// Runs a program with these arguments, no shell interpretation.
inline RunResult runProgram(const std::string& program, const std::vector<std::string>& args)
{
    int ends[2];
    if (pipe(ends) != 0)
        throw std::runtime_error("pipe failed");
    const pid_t child = fork();
    if (child == 0) {
        dup2(ends[1], STDOUT_FILENO);
        dup2(ends[1], STDERR_FILENO);
        close(ends[0]);
        close(ends[1]);
        std::vector<char*> argv{const_cast<char*>(program.c_str())};
        for (const std::string& arg : args)
            argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    close(ends[1]);
    RunResult result;
    char buffer[4096];
    for (ssize_t got; (got = read(ends[0], buffer, sizeof buffer)) > 0;)
        result.output.append(buffer, static_cast<size_t>(got));
    close(ends[0]);
    int status = 0;
    waitpid(child, &status, 0);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}
inline RunResult runRender(const std::vector<std::string>& args) { return runProgram(VESK_RENDER_PATH, args); }

struct Audio {
    int rate = 0, channels = 0;
    int format = 0; // libsndfile's SF_FORMAT_* bits
    std::vector<std::vector<float>> samples; // per channel
    int64_t frames() const { return samples.empty() ? 0 : static_cast<int64_t>(samples[0].size()); }
};

inline Audio readAudio(const std::string& path)
{
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file)
        throw std::runtime_error("cannot read audio " + path);
    std::vector<float> interleaved(static_cast<size_t>(info.frames * info.channels));
    sf_readf_float(file, interleaved.data(), info.frames);
    sf_close(file);
    Audio audio{info.samplerate, info.channels, info.format, {}};
    audio.samples.assign(size_t(info.channels), std::vector<float>(size_t(info.frames)));
    for (size_t i = 0; i < interleaved.size(); ++i)
        audio.samples[i % size_t(info.channels)][i / size_t(info.channels)] = interleaved[i];
    return audio;
}

// First frame whose magnitude on any channel exceeds `level`, or -1.
inline int64_t firstFrameAbove(const Audio& audio, float level)
{
    for (int64_t i = 0; i < audio.frames(); ++i)
        for (const std::vector<float>& channel : audio.samples)
            if (std::fabs(channel[size_t(i)]) > level)
                return i;
    return -1;
}

// Frames of this channel holding a non-zero value.
inline std::vector<int64_t> nonZeroFrames(const Audio& audio, int channel)
{
    std::vector<int64_t> frames;
    for (size_t i = 0; i < audio.samples.at(size_t(channel)).size(); ++i)
        if (audio.samples[size_t(channel)][i] != 0.0f)
            frames.push_back(static_cast<int64_t>(i));
    return frames;
}

// A fresh directory for one test's files, removed with everything in it.
class ScratchDir {
public:
    ScratchDir() : root(::testing::TempDir() + "vesk-render-XXXXXX")
    {
        if (!mkdtemp(root.data()))
            throw std::runtime_error("cannot make a scratch directory");
    }
    ~ScratchDir() { std::error_code ignored; std::filesystem::remove_all(root, ignored); }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    std::string operator/(const std::string& name) const { return root + "/" + name; }

private:
    std::string root;
};
