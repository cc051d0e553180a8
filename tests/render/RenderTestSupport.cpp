#include "RenderTestSupport.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace {

void putBig(std::vector<uint8_t>& out, uint32_t value, int bytes)
{
    for (int shift = 8 * (bytes - 1); shift >= 0; shift -= 8)
        out.push_back(static_cast<uint8_t>(value >> shift));
}

void putVariableLength(std::vector<uint8_t>& out, uint32_t value)
{
    uint8_t groups[5];
    int count = 0;
    do {
        groups[count++] = value & 0x7F;
        value >>= 7;
    } while (value);
    while (count-- > 0)
        out.push_back(static_cast<uint8_t>(groups[count] | (count ? 0x80 : 0)));
}

} // namespace

SmfTrack& SmfTrack::event(uint32_t deltaTicks, std::vector<uint8_t> bytes)
{
    putVariableLength(data, deltaTicks);
    data.insert(data.end(), bytes.begin(), bytes.end());
    return *this;
}

SmfTrack& SmfTrack::tempo(uint32_t deltaTicks, double bpm)
{
    const auto microseconds = static_cast<uint32_t>(std::lround(60e6 / bpm));
    std::vector<uint8_t> meta{0xFF, 0x51, 0x03};
    putBig(meta, microseconds, 3);
    return event(deltaTicks, meta);
}

SmfTrack& SmfTrack::endOfTrack(uint32_t deltaTicks) { return event(deltaTicks, {0xFF, 0x2F, 0x00}); }

std::vector<uint8_t> smfFile(uint16_t format, uint16_t ticksPerQuarter, const std::vector<SmfTrack>& tracks)
{
    std::vector<uint8_t> out{'M', 'T', 'h', 'd'};
    putBig(out, 6, 4);
    putBig(out, format, 2);
    putBig(out, static_cast<uint32_t>(tracks.size()), 2);
    putBig(out, ticksPerQuarter, 2);
    for (const SmfTrack& track : tracks) {
        out.insert(out.end(), {'M', 'T', 'r', 'k'});
        putBig(out, static_cast<uint32_t>(track.bytes().size()), 4);
        out.insert(out.end(), track.bytes().begin(), track.bytes().end());
    }
    return out;
}

void writeFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!file)
        throw std::runtime_error("cannot write " + path);
}

RunResult runProgram(const std::string& program, const std::vector<std::string>& args)
{
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0)
        throw std::runtime_error("pipe failed");
    const pid_t child = fork();
    if (child == 0) {
        dup2(pipeEnds[1], STDOUT_FILENO);
        dup2(pipeEnds[1], STDERR_FILENO);
        close(pipeEnds[0]);
        close(pipeEnds[1]);
        std::vector<char*> argv{const_cast<char*>(program.c_str())};
        for (const std::string& arg : args)
            argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    close(pipeEnds[1]);
    RunResult result;
    char buffer[4096];
    for (ssize_t got; (got = read(pipeEnds[0], buffer, sizeof buffer)) > 0;)
        result.output.append(buffer, static_cast<size_t>(got));
    close(pipeEnds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

Audio readAudio(const std::string& path)
{
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file)
        throw std::runtime_error("cannot read audio " + path);
    Audio audio;
    audio.rate = info.samplerate;
    audio.channels = info.channels;
    audio.format = info.format;
    std::vector<float> interleaved(static_cast<size_t>(info.frames * info.channels));
    sf_readf_float(file, interleaved.data(), info.frames);
    sf_close(file);
    audio.samples.assign(static_cast<size_t>(info.channels), std::vector<float>(static_cast<size_t>(info.frames)));
    for (sf_count_t i = 0; i < info.frames; ++i)
        for (int c = 0; c < info.channels; ++c)
            audio.samples[static_cast<size_t>(c)][static_cast<size_t>(i)] = interleaved[static_cast<size_t>(i * info.channels + c)];
    return audio;
}

int64_t firstFrameAbove(const Audio& audio, float level)
{
    for (int64_t i = 0; i < audio.frames(); ++i)
        for (const std::vector<float>& channel : audio.samples)
            if (std::fabs(channel[static_cast<size_t>(i)]) > level)
                return i;
    return -1;
}

std::vector<int64_t> nonZeroFrames(const Audio& audio, int channel)
{
    std::vector<int64_t> frames;
    const std::vector<float>& samples = audio.samples.at(static_cast<size_t>(channel));
    for (size_t i = 0; i < samples.size(); ++i)
        if (samples[i] != 0.0f)
            frames.push_back(static_cast<int64_t>(i));
    return frames;
}

ScratchDir::ScratchDir()
{
    std::string pattern = ::testing::TempDir() + "vesk-render-XXXXXX";
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("cannot make a scratch directory");
    root = pattern;
}

ScratchDir::~ScratchDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
}
