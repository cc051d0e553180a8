// The Windows builds against the Linux one: vesk-render.exe plays a few notes
// through Vesk.dll under Wine, the native vesk-render plays the same notes with
// the same program, rate and block size through the Linux module, and the two
// files must agree sample by sample within kTolerance. The Windows program
// writes its WAV files itself, so this also reads them back with libsndfile.
//
// The Windows build folders come from VESK_WINDOWS_BUILDS, absolute paths
// separated by colons (scripts/test-windows.sh sets it); without it there is
// nothing to compare and the tests skip.
#include "RenderTestSupport.h"

#include <algorithm>
#include <cstdio>
#include <tuple>

namespace {
// The builds share every line of DSP code and SSE2 arithmetic; what differs is
// the C library's transcendental functions behind the tables built at start.
constexpr float kTolerance = 1e-4f; // -80 dBFS

std::vector<std::string> windowsBuilds()
{
    std::vector<std::string> builds;
    const char* variable = std::getenv("VESK_WINDOWS_BUILDS");
    const std::string list = variable ? variable : "";
    for (size_t start = 0; start < list.size();) {
        const size_t end = std::min(list.find(':', start), list.size());
        if (end > start)
            builds.push_back(list.substr(start, end - start));
        start = end + 1;
    }
    return builds;
}

// A pad chord with a line over it: six stacked voices per note, the filter and
// its envelope, chorus, reverb and EQ ("Amber Fields"), with a tail.
const std::vector<std::string> kScore = {
    "--program-name", "Amber Fields", "--rate", "44100", "--block", "256",  "--tail",
    "1",              "--note",       "C3:0:1.5",  "--note", "G3:0:1.5", "--note", "E4:0.25:0.5:100",
    "--note",         "G4:0.5:0.5:80", "--note", "C5:0.75:0.75:127"};

std::vector<std::string> withOutput(const std::vector<std::string>& arguments, const std::string& format,
                                    const std::string& output)
{
    std::vector<std::string> all = arguments;
    all.insert(all.end(), {"--format", format, "-q", "-o", output});
    return all;
}

Audio renderOnLinux(const ScratchDir& scratch, const std::string& format)
{
    const std::string output = scratch / ("linux-" + format + ".wav");
    std::vector<std::string> arguments = withOutput(kScore, format, output);
    arguments.insert(arguments.begin(), {"--module", VESK_MODULE_PATH});
    const RunResult run = runRender(arguments);
    EXPECT_EQ(run.exitCode, 0) << run.output;
    return readAudio(output);
}

// Wine sees the build machine's root as drive Z:.
Audio renderUnderWine(const std::string& build, const ScratchDir& scratch, const std::string& format)
{
    const std::string output = scratch / ("windows-" + format + ".wav");
    std::vector<std::string> arguments = withOutput(kScore, format, "Z:" + output);
    arguments.insert(arguments.begin(), {build + "/vesk-render.exe", "--module", "Z:" + build + "/Vesk.dll"});
    const RunResult run = runProgram(WINE_RUN_PATH, arguments);
    EXPECT_EQ(run.exitCode, 0) << run.output;
    return readAudio(output);
}

float largestDifference(const Audio& a, const Audio& b)
{
    float largest = 0;
    for (size_t c = 0; c < a.samples.size(); ++c)
        for (size_t i = 0; i < a.samples[c].size(); ++i)
            largest = std::max(largest, std::fabs(a.samples[c][i] - b.samples[c][i]));
    return largest;
}

float peak(const Audio& audio)
{
    float largest = 0;
    for (const auto& channel : audio.samples)
        for (float sample : channel)
            largest = std::max(largest, std::fabs(sample));
    return largest;
}

} // namespace

TEST(WindowsRender, FloatRenderEqualsTheLinuxOneWithinTolerance)
{
    const std::vector<std::string> builds = windowsBuilds();
    if (builds.empty())
        GTEST_SKIP() << "no Windows builds named in VESK_WINDOWS_BUILDS";
    ScratchDir scratch;
    const Audio onLinux = renderOnLinux(scratch, "float");
    ASSERT_GT(peak(onLinux), 0.05f) << "the notes must be heard for the comparison to mean anything";
    for (const std::string& build : builds) {
        SCOPED_TRACE(build);
        const Audio onWindows = renderUnderWine(build, scratch, "float");
        EXPECT_EQ(onWindows.format, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
        EXPECT_EQ(onWindows.rate, 44100);
        ASSERT_EQ(onWindows.channels, 2);
        ASSERT_EQ(onWindows.frames(), onLinux.frames());
        const float difference = largestDifference(onWindows, onLinux);
        EXPECT_LE(difference, kTolerance);
        std::printf("%s: largest difference %.3g\n", build.c_str(), difference);
    }
}

// Integer files: the same samples rounded and clipped the same way, so apart
// by the float tolerance and at most one more step of the integer format.
TEST(WindowsRender, IntegerWavFilesMatchTheLinuxOnes)
{
    const std::vector<std::string> builds = windowsBuilds();
    if (builds.empty())
        GTEST_SKIP() << "no Windows builds named in VESK_WINDOWS_BUILDS";
    ScratchDir scratch;
    for (const auto& [format, bits, step] : {std::tuple{"24", SF_FORMAT_PCM_24, 1.0f / 8388608},
                                             std::tuple{"16", SF_FORMAT_PCM_16, 1.0f / 32768}}) {
        const Audio onLinux = renderOnLinux(scratch, format);
        for (const std::string& build : builds) {
            SCOPED_TRACE(build + ", " + format + "-bit");
            const Audio onWindows = renderUnderWine(build, scratch, format);
            EXPECT_EQ(onWindows.format, SF_FORMAT_WAV | bits);
            ASSERT_EQ(onWindows.frames(), onLinux.frames());
            EXPECT_LE(largestDifference(onWindows, onLinux), kTolerance + step);
        }
    }
}
