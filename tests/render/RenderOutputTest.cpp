// The audio files vesk-render writes, read back with libsndfile, and what it
// says about them.
#include "RenderTestSupport.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <regex>

namespace {

const std::vector<std::string> kShortNote{"--note", "C4:0:0.2", "--tail", "0.3", "--rate", "48000"};

std::vector<std::string> with(std::vector<std::string> args, const std::vector<std::string>& more)
{
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

float largestDifference(const Audio& a, const Audio& b)
{
    float largest = 0.0f;
    for (size_t c = 0; c < a.samples.size(); ++c)
        for (size_t i = 0; i < a.samples[c].size(); ++i)
            largest = std::max(largest, std::fabs(a.samples[c][i] - b.samples[c][i]));
    return largest;
}

} // namespace

TEST(RenderOutput, WritesEachFileKindWithItsSampleFormatRateAndChannels)
{
    struct Case {
        std::string file;
        std::string format; // empty: the kind's default
        int expectedFormat;
        float tolerance; // against the float render
    };
    const Case cases[] = {
        {"out.wav", "", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 0.0f},
        {"out.wav", "24", SF_FORMAT_WAV | SF_FORMAT_PCM_24, 2.0f / (1 << 23)},
        {"out.wav", "16", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2.0f / (1 << 15)},
        {"out.flac", "", SF_FORMAT_FLAC | SF_FORMAT_PCM_24, 2.0f / (1 << 23)},
        {"out.FLAC", "16", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 2.0f / (1 << 15)},
    };
    ScratchDir dir;
    ASSERT_EQ(runRender(with(kShortNote, {"-o", dir / "reference.wav"})).exitCode, 0);
    const Audio reference = readAudio(dir / "reference.wav");
    ASSERT_GT(firstFrameAbove(reference, 0.01f), 0);
    for (const Case& c : cases) {
        std::vector<std::string> args = with(kShortNote, {"-o", dir / c.file});
        if (!c.format.empty())
            args = with(args, {"--format", c.format});
        const RunResult run = runRender(args);
        ASSERT_EQ(run.exitCode, 0) << run.output;
        const Audio audio = readAudio(dir / c.file);
        EXPECT_EQ(audio.format, c.expectedFormat) << c.file << " " << c.format;
        EXPECT_EQ(audio.rate, 48000);
        EXPECT_EQ(audio.channels, 2);
        ASSERT_EQ(audio.frames(), reference.frames());
        EXPECT_LE(largestDifference(audio, reference), c.tolerance) << c.file << " " << c.format;
    }
}

TEST(RenderOutput, FlacWithFloatSamplesIsRefused)
{
    ScratchDir dir;
    const RunResult run = runRender(with(kShortNote, {"-o", dir / "out.flac", "--format", "float"}));
    EXPECT_NE(run.exitCode, 0);
    EXPECT_NE(run.output.find("FLAC"), std::string::npos) << run.output;
}

TEST(RenderOutput, UnknownFileKindIsRefusedByName)
{
    ScratchDir dir;
    const RunResult run = runRender(with(kShortNote, {"-o", dir / "out.mp3"}));
    EXPECT_NE(run.exitCode, 0);
    EXPECT_NE(run.output.find("out.mp3"), std::string::npos) << run.output;
}

TEST(RenderOutput, SummaryTellsDurationPeakAndSpeedUnlessQuiet)
{
    ScratchDir dir;
    const RunResult run = runRender(with(kShortNote, {"-o", dir / "out.wav"}));
    ASSERT_EQ(run.exitCode, 0) << run.output;
    EXPECT_TRUE(std::regex_search(run.output, std::regex(R"(wrote .*out\.wav \(float WAV, 48000 Hz\): [0-9.]+ s, )"
                                                         R"(peak -?[0-9.]+ dBFS, [0-9.]+x real time\n$)")))
        << run.output;
    // No progress bar: the output is not a terminal.
    EXPECT_EQ(run.output.find('\r'), std::string::npos);

    const RunResult quiet = runRender(with(kShortNote, {"-o", dir / "quiet.wav", "--quiet"}));
    EXPECT_EQ(quiet.exitCode, 0);
    EXPECT_EQ(quiet.output, "");
}

TEST(RenderOutput, DefaultOutputIsNamedAfterTheMidiFile)
{
    ScratchDir dir;
    SmfTrack track;
    track.event(0, {0x90, 60, 100}).event(96, {0x80, 60, 0}).endOfTrack();
    writeFile(dir / "tune.mid", smfFile(0, 96, {track}));
    const std::string previous = std::filesystem::current_path();
    std::filesystem::current_path(dir / "");
    const RunResult run = runRender({"tune.mid", "--tail", "0"});
    std::filesystem::current_path(previous);
    ASSERT_EQ(run.exitCode, 0) << run.output;
    EXPECT_TRUE(std::filesystem::exists(dir / "tune.wav"));
}
