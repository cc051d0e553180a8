// The editor inside a real X11 window, driven through vesk-editor-host with
// XTest clicks. Needs a display (scripts/test.sh runs these under Xvfb).
#include "Measure.h"

#include <gtest/gtest.h>

#include <cairo.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

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

} // namespace

class EditorWindow : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override
    {
        if (!std::getenv("DISPLAY"))
            GTEST_SKIP() << "no X display";
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
    for (const char* shot : {"sound.png", "matrix.png"}) {
        cairo_surface_t* image = cairo_image_surface_create_from_png((folder + shot).c_str());
        EXPECT_EQ(cairo_image_surface_get_width(image), 1000 * scale) << shot;
        cairo_surface_destroy(image);
        std::remove((folder + shot).c_str());
    }
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

INSTANTIATE_TEST_SUITE_P(Scales, EditorWindow, ::testing::Values(1, 2));
