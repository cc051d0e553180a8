// vesk-render against files a user might get from anywhere: wild values,
// damaged MIDI, conflicting options.
#include "ParamIndex.h"
#include "RenderTestSupport.h"

#include <algorithm>
#include <chrono>
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

// Damaged and hostile MIDI files: a clear refusal naming the file and the
// fault and no output, or, for damage only at the end, what came before it
// with a warning.
TEST(RenderHostileInput, MalformedMidiFilesAreRefusedOrPlayedUpToTheDamage)
{
    ScratchDir dir;
    SmfTrack good, noEnd, badStatus, slowTempo;
    good.event(0, {0x90, 60, 100}).event(480, {0x80, 60, 0}).endOfTrack();
    noEnd.event(0, {0x90, 60, 100}).event(480, {0x80, 60, 0});
    badStatus.event(0, {0x40, 0x40});
    slowTempo.event(0, {0xFF, 0x51, 0x03, 0xFF, 0xFF, 0xFF}).event(0, {0x90, 60, 100}).event(0x0FFFFFFF, {0x80, 60, 0});
    std::vector<uint8_t> cut = smfFile(0, 480, {good});
    cut.resize(cut.size() - 6); // inside the note-off
    std::vector<uint8_t> smpte = smfFile(0, 480, {good});
    smpte[12] = static_cast<uint8_t>(-25); // 25 frames of 40 ticks: 480 ticks last 0.48 s
    smpte[13] = 40;
    std::vector<uint8_t> badSmpte = smpte;
    badSmpte[12] = static_cast<uint8_t>(-7);
    const std::vector<uint8_t> header = smfFile(0, 480, {good});
    const struct {
        std::string name;
        std::vector<uint8_t> bytes;
        int exitCode;
        std::string said;
    } cases[] = {
        {"header.mid", std::vector<uint8_t>(header.begin(), header.begin() + 10), 1, "ends inside its header"},
        {"tracks.mid", smfFile(1, 480, {}), 1, "holds no track"},
        {"middle.mid", smfFile(1, 480, {badStatus, good}), 1, "track 1: a data byte without any status"},
        {"smpte.mid", badSmpte, 1, "SMPTE division (7 frames per second"},
        {"slow.mid", smfFile(0, 1, {slowTempo}), 1, "lasts more than 4 hours"},
        {"cut.mid", cut, 0, "warning: '" + dir / "cut.mid" + "', track 1: a channel message is cut off"},
        {"noend.mid", smfFile(0, 480, {noEnd}), 0, "no end-of-track event; played what came before"},
        {"timecode.mid", smpte, 0, "wrote"},
    };
    for (const auto& c : cases) {
        writeFile(dir / c.name, c.bytes);
        const RunResult run = runRender({dir / c.name, "--tail", "0", "-o", dir / "out.wav"});
        EXPECT_EQ(run.exitCode, c.exitCode) << run.output;
        EXPECT_NE(run.output.find(c.said), std::string::npos) << c.name << ": " << run.output;
        if (c.exitCode != 0) {
            EXPECT_NE(run.output.find(dir / c.name), std::string::npos) << run.output;
            EXPECT_EQ(std::count(run.output.begin(), run.output.end(), '\n'), 1) << run.output;
        }
        EXPECT_EQ(std::filesystem::exists(dir / "out.wav"), c.exitCode == 0) << c.name;
        std::filesystem::remove(dir / "out.wav");
    }
}

// A million events load in about a second; beyond the limit the file is refused.
TEST(RenderHostileInput, AMillionEventsLoadQuicklyAndTooManyAreRefused)
{
    ScratchDir dir;
    for (const int notes : {500000, 1000001}) {
        SmfTrack crowd;
        for (int i = 0; i < notes; ++i)
            crowd.event(0, {0x90, static_cast<uint8_t>(i % 128), 1}).event(0, {0x80, static_cast<uint8_t>(i % 128), 0});
        writeFile(dir / "crowd.mid", smfFile(0, 480, {crowd.endOfTrack()}));
        const auto start = std::chrono::steady_clock::now();
        const RunResult run = runRender({dir / "crowd.mid", "--seconds", "0.01", "--tail", "0", "-q", "-o", dir / "out.wav"});
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (notes * 2 <= 2000000) {
            EXPECT_EQ(run.exitCode, 0) << run.output;
            EXPECT_LT(seconds, 20.0) << "a million events";
        } else {
            EXPECT_EQ(run.exitCode, 1);
            EXPECT_NE(run.output.find("more than 2000000 events"), std::string::npos) << run.output;
        }
    }
}
