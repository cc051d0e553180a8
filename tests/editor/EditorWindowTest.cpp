// The editor inside a real window of the platform (X11, or Win32 under Wine),
// driven through vesk-editor-host with the window system's own pointer
// events. Needs a display (scripts/test.sh runs these under Xvfb).
#include "Measure.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

std::string runHost(const std::string& arguments)
{
    const std::string command = std::string(VESK_EDITOR_HOST) + " " + VESK_MODULE_PATH + " " + arguments + " 2>&1";
    std::string output;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[256];
        while (fgets(buffer, sizeof(buffer), pipe))
            output += buffer;
        pclose(pipe);
    }
    return output;
}

float parameterIn(const std::string& output, int index, size_t from = 0)
{
    const std::string key = "param " + std::to_string(index) + " ";
    const size_t at = output.find(key, from);
    return at == std::string::npos ? -1.0f : std::stof(output.substr(at + key.size()));
}

Samples readSamples(const std::string& path)
{
    std::ifstream file(path, std::ios::binary | std::ios::ate);
    Samples samples(size_t(file.tellg()) / sizeof(float));
    file.seekg(0);
    file.read(reinterpret_cast<char*>(samples.data()), std::streamsize(samples.size() * sizeof(float)));
    std::remove(path.c_str());
    return samples;
}

struct Shot {
    int width = 0;
    int height = 0;
    int colours = 0;
};

// The "shot W H COLOURS" lines, in order.
std::vector<Shot> shotsIn(const std::string& output)
{
    std::vector<Shot> shots;
    for (size_t at = output.find("shot "); at != std::string::npos; at = output.find("shot ", at + 1)) {
        Shot shot;
        if (std::sscanf(output.c_str() + at, "shot %d %d %d", &shot.width, &shot.height, &shot.colours) == 3)
            shots.push_back(shot);
    }
    return shots;
}

} // namespace

class EditorWindow : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override
    {
#ifndef _WIN32
        if (!std::getenv("DISPLAY"))
            GTEST_SKIP() << "no X display";
#endif
    }
};

TEST_P(EditorWindow, OpensAtTheReportedSizeAndAKnobDragChangesItsParameter)
{
    const int scale = GetParam();
    const std::string folder = ::testing::TempDir();
    // The cutoff knob's centre, then the four pages through the page selector.
    const std::string output = runHost("--scale " + std::to_string(scale) +
                                       " size param:28 drag:644,130,60 param:28 shot:" + folder + "sound.png" +
                                       " click:700,20 shot:" + folder + "matrix.png");
    const std::string size = std::to_string(1000 * scale) + " " + std::to_string(630 * scale);
    EXPECT_NE(output.find("window " + size), std::string::npos) << output;
    EXPECT_NE(output.find("editor " + size), std::string::npos) << output;
    const float before = parameterIn(output, 28);
    const float after = parameterIn(output, 28, output.find("param 28") + 1);
    EXPECT_LT(after, before - 0.1f) << output;
    // A skinned panel has hundreds of colours; a window left black or one
    // flat colour has a handful.
    const std::vector<Shot> shots = shotsIn(output);
    ASSERT_EQ(shots.size(), 2u) << output;
    for (const Shot& shot : shots) {
        EXPECT_EQ(shot.width, 1000 * scale) << output;
        EXPECT_GT(shot.colours, 200) << output;
    }
    for (const char* shot : {"sound.png", "matrix.png"}) {
        FILE* file = std::fopen((folder + shot).c_str(), "rb");
        EXPECT_NE(file, nullptr) << shot;
        if (file)
            std::fclose(file);
        std::remove((folder + shot).c_str());
    }
}

TEST_P(EditorWindow, ClosingThroughTheDispatcherTakesTheWindowAwayAndItOpensAgain)
{
    const int scale = GetParam();
    const std::string picture = ::testing::TempDir() + "reopened.png";
    const std::string output = runHost("--scale " + std::to_string(scale) + " close size open size shot:" + picture);
    std::remove(picture.c_str());
    const size_t closed = output.find("closed");
    const size_t opened = output.find("opened");
    ASSERT_NE(closed, std::string::npos) << output;
    ASSERT_NE(opened, std::string::npos) << output;
    EXPECT_EQ(output.substr(closed, opened - closed).find("editor "), std::string::npos)
        << "no child window left: " << output;
    const std::string size = std::to_string(1000 * scale) + " " + std::to_string(630 * scale);
    EXPECT_NE(output.find("editor " + size, opened), std::string::npos) << output;
    const std::vector<Shot> shots = shotsIn(output);
    ASSERT_EQ(shots.size(), 1u) << output;
    EXPECT_GT(shots[0].colours, 200) << output;
}

TEST_P(EditorWindow, KnobDragThroughTheServerIsOneBracketedGestureForTheHost)
{
    const std::string output = runHost("--scale " + std::to_string(GetParam()) + " edits drag:644,130,60 edits");
    const size_t last = output.rfind("edits ");
    ASSERT_NE(last, std::string::npos) << output;
    const std::string edits = output.substr(last, output.find('\n', last) - last);
    EXPECT_EQ(edits.rfind("edits begin 28 automate 28 ", 0), 0u) << output;
    EXPECT_EQ(edits.find("begin", 12), std::string::npos) << "one gesture: " << output;
    const std::string end = " end 28";
    EXPECT_EQ(edits.compare(edits.size() - end.size(), end.size(), end), 0) << output;
    EXPECT_EQ(edits.find(" end "), edits.size() - end.size()) << "nothing after the end: " << output;
}

TEST_P(EditorWindow, DraggingTheDistortionTileLastPutsItAfterTheEqInTheSound)
{
    // A saturator that ends at +-0.25 and an EQ low shelf of +10 dB: with the
    // EQ after it the peaks are ten decibels over the saturator's ceiling,
    // with the saturator last they stay at it.
    const std::string sound = "set:119,1 set:120,1 set:97,0.28 set:98,1 set:99,1 set:100,1 set:101,0.5 set:102,0.9 "
                              "set:104,1 ";
    const std::string before = ::testing::TempDir() + "vesk-fx-before.raw";
    const std::string after = ::testing::TempDir() + "vesk-fx-after.raw";
    const std::string output =
        runHost("--scale " + std::to_string(GetParam()) + " " + sound + "render:57," + before +
                " click:800,20 press:97,74 move:500,74 move:897,74 release param:323 param:328 render:57," + after);
    EXPECT_EQ(parameterIn(output, 323), 1.0f) << output;
    EXPECT_EQ(parameterIn(output, 328), 0.0f) << "the distortion, last: " << output;
    const Samples first = readSamples(before);
    const Samples second = readSamples(after);
    ASSERT_FALSE(first.empty() || second.empty()) << output;
    const size_t from = first.size() / 8;
    const size_t count = first.size() / 2 - from;
    EXPECT_GT(peakOf(first, from, count), 2.5 * peakOf(second, from, count));
    EXPECT_GT(peakOf(second, from, count), 0.05) << "still playing";
}

#ifdef _WIN32
// Windows shows the toolkit's menus as its own pop-up menus; a row taken there
// reaches the parameter like a row of the toolkit's.
TEST_P(EditorWindow, NativeMenuRowsSetTheirParameter)
{
    // The filter type menu set to "LP Ladder 12dB" (code 17): its first row
    // is "Lowpass 12dB" (code 0), its fourth "LP Ladder 24dB" (code 7).
    const std::string output = runHost("--scale " + std::to_string(GetParam()) +
                                       " set:126,17 param:126 pick:680,82,1 param:126 pick:680,82,4 param:126");
    const size_t first = output.find("param 126");
    ASSERT_NE(first, std::string::npos) << output;
    const size_t second = output.find("param 126", first + 1);
    ASSERT_NE(second, std::string::npos) << output;
    EXPECT_EQ(parameterIn(output, 126), 17.0f) << output;
    EXPECT_EQ(parameterIn(output, 126, first + 1), 0.0f) << output;
    EXPECT_EQ(parameterIn(output, 126, second + 1), 7.0f) << output;
}
#endif

INSTANTIATE_TEST_SUITE_P(Scales, EditorWindow, ::testing::Values(1, 2));
