// vesk-render against files a user might get from anywhere: wild values,
// damaged MIDI, conflicting options.
#include "ParamIndex.h"
#include "RenderTestSupport.h"

#include <cstring>

namespace {

std::vector<std::vector<float>> renderChord(const ScratchDir& dir, const std::string& name, std::vector<std::string> args)
{
    args.insert(args.end(), {"--note", "C3:0:0.3", "--note", "G3:0:0.3", "--note", "E4:0:0.3", "--tail", "0.1", "-o",
                             dir / name});
    const RunResult run = runRender(args);
    EXPECT_EQ(run.exitCode, 0) << run.output;
    return readAudio(dir / name).samples;
}

// A parameter-list program file ("FxCk") holding these values from index 0.
std::vector<uint8_t> parameterListFile(const std::vector<float>& values)
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

void writeText(const std::string& path, const std::string& text)
{
    writeFile(path, std::vector<uint8_t>(text.begin(), text.end()));
}

} // namespace

// Osc 3 Level and Noise Level at 1e30 and Volume at 100 sound exactly like
// the same three at the top of their range.
TEST(RenderHostileInput, WildValuesFromFilesSoundLikeTheTopOfTheirRange)
{
    ScratchDir dir;
    writeText(dir / "top.txt", "11=1 14=1 74=1\n");
    writeText(dir / "wild.txt", "11=1e30 14=1e30 74=100\n");
    const auto top = renderChord(dir, "top.wav", {"--params", dir / "top.txt"});
    EXPECT_EQ(renderChord(dir, "wild.wav", {"--params", dir / "wild.txt"}), top);

    // A 104-byte program file reaches Osc 3 Level, the last of its twelve values.
    std::vector<float> values(12, 0.5f);
    values[ParamIndex::kOsc3Level] = 1.0f;
    writeFile(dir / "top.fxp", parameterListFile(values));
    values[ParamIndex::kOsc3Level] = 1e30f;
    writeFile(dir / "wild.fxp", parameterListFile(values));
    ASSERT_EQ(std::filesystem::file_size(dir / "wild.fxp"), 104u);
    EXPECT_EQ(renderChord(dir, "wild-fxp.wav", {"--preset", dir / "wild.fxp"}),
              renderChord(dir, "top-fxp.wav", {"--preset", dir / "top.fxp"}));
}

TEST(RenderHostileInput, TwoOutputFilesAreRefusedAndNeitherIsWritten)
{
    ScratchDir dir;
    const RunResult run = runRender({"--note", "A3", "-o", dir / "a.wav", "--output", dir / "b.wav"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.output.find("one output file only"), std::string::npos) << run.output;
    EXPECT_FALSE(std::filesystem::exists(dir / "a.wav") || std::filesystem::exists(dir / "b.wav"));
}
