// State loaded before playing: raw chunks and preset files give the same
// sound as the settings they hold; wrong or damaged files are refused. Also
// the bundled demo, from its note list to audio.
#include "ParamIndex.h"
#include "PluginHost.h"
#include "RenderTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>

namespace {

const std::vector<std::string> kNote{"--note", "A3:0:0.3", "--tail", "0.2"};

void putBig(std::vector<uint8_t>& out, uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<uint8_t>(value >> shift));
}

void putTag(std::vector<uint8_t>& out, const char* tag)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(tag[i]));
}

// The state chunk of Vesk after these settings, taken through the entry point.
std::vector<uint8_t> veskChunk(const std::vector<std::pair<int, float>>& settings)
{
    std::string error;
    std::unique_ptr<PluginHost> host = PluginHost::load(VESK_MODULE_PATH, error);
    EXPECT_TRUE(host) << error;
    host->start(44100.0f, 512);
    for (const auto& [index, value] : settings)
        host->setParameter(index, value);
    void* data = nullptr;
    const auto size = static_cast<size_t>(host->dispatch(effGetChunk, 0, 0, &data));
    const auto* bytes = static_cast<const uint8_t*>(data);
    return std::vector<uint8_t>(bytes, bytes + size);
}

std::vector<uint8_t> programFile(const std::vector<uint8_t>& chunk, uint32_t uniqueId, uint32_t declaredSize)
{
    std::vector<uint8_t> file;
    putTag(file, "CcnK");
    putBig(file, declaredSize + 52);
    putTag(file, "FPCh");
    putBig(file, 1);
    putBig(file, uniqueId);
    putBig(file, 1);
    putBig(file, ParamIndex::kNumProgramParams);
    file.resize(file.size() + 28, 0); // program name
    putBig(file, declaredSize);
    file.insert(file.end(), chunk.begin(), chunk.end());
    return file;
}

uint32_t veskId() { return ('Q' << 24) | ('Z' << 16) | ('R' << 8) | 'T'; }

Audio render(const ScratchDir& dir, const std::string& name, std::vector<std::string> args)
{
    args.insert(args.end(), kNote.begin(), kNote.end());
    args.push_back("-o");
    args.push_back(dir / name);
    const RunResult run = runRender(args);
    EXPECT_EQ(run.exitCode, 0) << run.output;
    return readAudio(dir / name);
}

const std::vector<std::pair<int, float>> kDarkResonant{{ParamIndex::kFilterCutoff, 0.15f},
                                                       {ParamIndex::kFilterResonance, 0.8f}};

} // namespace

TEST(RenderState, ChunkAndPresetFileSoundLikeTheSettingsTheyHold)
{
    ScratchDir dir;
    const std::vector<uint8_t> chunk = veskChunk(kDarkResonant);
    ASSERT_FALSE(chunk.empty());
    writeFile(dir / "state.bin", chunk);
    writeFile(dir / "dark.fxp", programFile(chunk, veskId(), static_cast<uint32_t>(chunk.size())));

    const Audio plain = render(dir, "plain.wav", {});
    const Audio set = render(dir, "set.wav", {"--set", "28=0.15", "--set", "29=0.8"});
    const Audio fromChunk = render(dir, "chunk.wav", {"--chunk", dir / "state.bin"});
    const Audio fromPreset = render(dir, "preset.wav", {"--preset", dir / "dark.fxp"});
    EXPECT_NE(plain.samples, set.samples);
    EXPECT_EQ(fromChunk.samples, set.samples);
    EXPECT_EQ(fromPreset.samples, set.samples);
}

TEST(RenderState, SettingsOnTheCommandLineOverrideTheLoadedState)
{
    ScratchDir dir;
    writeFile(dir / "state.bin", veskChunk(kDarkResonant));
    const Audio overridden = render(dir, "over.wav", {"--chunk", dir / "state.bin", "--set", "28=1", "--set", "29=0"});
    const Audio plain = render(dir, "plain.wav", {"--set", "28=1", "--set", "29=0"});
    EXPECT_EQ(overridden.samples, plain.samples);
}

TEST(RenderState, PresetOfAnotherPluginIsRefusedNamingBoth)
{
    ScratchDir dir;
    const std::vector<uint8_t> chunk = veskChunk({});
    writeFile(dir / "other.fxp", programFile(chunk, ('A' << 24) | ('b' << 16) | ('c' << 8) | 'd',
                                             static_cast<uint32_t>(chunk.size())));
    const RunResult run = runRender({"--preset", dir / "other.fxp", "--note", "C4", "-o", dir / "out.wav"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.output.find("belongs to plug-in 'Abcd', not to 'QZRT'"), std::string::npos) << run.output;
}

TEST(RenderState, PresetShorterThanItDeclaresIsRefused)
{
    ScratchDir dir;
    const std::vector<uint8_t> chunk = veskChunk({});
    writeFile(dir / "cut.fxp", programFile(chunk, veskId(), static_cast<uint32_t>(chunk.size() + 100)));
    writeFile(dir / "notpreset.fxp", {'R', 'I', 'F', 'F', 0, 0, 0, 0});
    RunResult run = runRender({"--preset", dir / "cut.fxp", "--note", "C4", "-o", dir / "out.wav"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.output.find("declares"), std::string::npos) << run.output;
    run = runRender({"--preset", dir / "notpreset.fxp", "--note", "C4", "-o", dir / "out.wav"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.output.find("not a VST preset file"), std::string::npos) << run.output;
}

TEST(RenderState, ChunkThePluginRejectsIsReported)
{
    ScratchDir dir;
    writeFile(dir / "junk.bin", std::vector<uint8_t>(100, 7));
    const RunResult run = runRender({"--chunk", dir / "junk.bin", "--note", "C4", "-o", dir / "out.wav"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.output.find("refused the state in"), std::string::npos) << run.output;
}

TEST(RenderDemo, NoteListBecomesEventsAtItsBeats)
{
    ScratchDir dir;
    std::ofstream(dir / "list.txt") << "tempo 1:1 120 # half a second a beat\n"
                                       "track Test 1\n"
                                       "note 1:2 1 100 C4\n"
                                       "note 2:1 0.5 90 A4 C#5\n";
    const RunResult made = runProgram(MAKE_DEMO_MIDI_PATH, {dir / "list.txt", dir / "list.mid"});
    ASSERT_EQ(made.exitCode, 0) << made.output;
    const RunResult run = runRender({dir / "list.mid", "--module", TEST_PLUGIN_PATH, "--tail", "0", "-o", dir / "out.wav"});
    ASSERT_EQ(run.exitCode, 0) << run.output;
    const Audio audio = readAudio(dir / "out.wav");
    const int rate = audio.rate;
    EXPECT_EQ(nonZeroFrames(audio, 1), (std::vector<int64_t>{rate / 2, rate, 2 * rate, 2 * rate + rate / 4}));
    EXPECT_EQ(audio.samples[1][static_cast<size_t>(2 * rate)], 2.0f); // the two-note chord
}

TEST(RenderDemo, NoteListMistakesNameTheLine)
{
    ScratchDir dir;
    std::ofstream(dir / "list.txt") << "track Test 1\nnote 1:1 1 100 H4\n";
    const RunResult made = runProgram(MAKE_DEMO_MIDI_PATH, {dir / "list.txt", dir / "list.mid"});
    EXPECT_NE(made.exitCode, 0);
    EXPECT_NE(made.output.find("list.txt:2: 'H4' is not a note"), std::string::npos) << made.output;
}

TEST(RenderDemo, DemoExcerptPlaysThroughVeskWithinFullScale)
{
    ScratchDir dir;
    const RunResult run = runRender({DEMO_MIDI_PATH, "--params", DEMO_PROGRAM_PATH, "--seconds", "3", "-o",
                                     dir / "demo.flac"});
    ASSERT_EQ(run.exitCode, 0) << run.output;
    const Audio audio = readAudio(dir / "demo.flac");
    EXPECT_GT(audio.frames(), 3 * audio.rate);
    EXPECT_GE(firstFrameAbove(audio, 0.05f), 0);
    EXPECT_EQ(firstFrameAbove(audio, 0.999f), -1);
}
