// State loaded before playing: raw chunks and preset files give the same
// sound as the settings they hold. Also the bundled demo, from its note list
// to audio.
#include "ParamIndex.h"
#include "PluginHost.h"
#include "RenderTestSupport.h"

namespace {

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
    return std::vector<uint8_t>(static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + size);
}

std::vector<std::vector<float>> render(const ScratchDir& dir, const std::string& name, std::vector<std::string> args)
{
    args.insert(args.end(), {"--note", "A3:0:0.3", "--tail", "0.2", "-o", dir / name});
    const RunResult run = runRender(args);
    EXPECT_EQ(run.exitCode, 0) << run.output;
    return readAudio(dir / name).samples;
}

TEST(RenderState, ChunkAndPresetFileSoundLikeTheSettingsTheyHoldAndTheCommandLineOverridesThem)
{
    ScratchDir dir;
    const std::vector<uint8_t> chunk = veskChunk({{ParamIndex::kFilterCutoff, 0.15f}, {ParamIndex::kFilterResonance, 0.8f}});
    ASSERT_FALSE(chunk.empty());
    writeFile(dir / "state.bin", chunk);
    writeFile(dir / "dark.fxp", programFile(chunk, "QZRT", static_cast<uint32_t>(chunk.size())));

    const auto set = render(dir, "set.wav", {"--set", "28=0.15", "--set", "29=0.8"});
    EXPECT_NE(render(dir, "plain.wav", {}), set);
    EXPECT_EQ(render(dir, "chunk.wav", {"--chunk", dir / "state.bin"}), set);
    EXPECT_EQ(render(dir, "preset.wav", {"--preset", dir / "dark.fxp"}), set);
    EXPECT_EQ(render(dir, "over.wav", {"--chunk", dir / "state.bin", "--set", "28=1", "--set", "29=0"}),
              render(dir, "open.wav", {"--set", "28=1", "--set", "29=0"}));
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

TEST(RenderDemo, DemoExcerptPlaysThroughVeskWithinFullScale)
{
    ScratchDir dir;
    const RunResult run =
        runRender({DEMO_MIDI_PATH, "--program-name", "Amber Fields", "--seconds", "3", "-o", dir / "demo.flac"});
    ASSERT_EQ(run.exitCode, 0) << run.output;
    const Audio audio = readAudio(dir / "demo.flac");
    EXPECT_GT(audio.frames(), 3 * audio.rate);
    EXPECT_GE(firstFrameAbove(audio, 0.05f), 0);
    EXPECT_EQ(firstFrameAbove(audio, 0.999f), -1);
}

} // namespace
