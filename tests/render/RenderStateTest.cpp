// State loaded before playing: raw chunks and preset files give the same
// sound as the settings they hold. Also the bundled demo, from its note list
// to audio.
#include "ParamIndex.h"
#include "PluginHost.h"
#include "RenderTestSupport.h"

#include <cstring>

namespace {

// Vesk after these settings to `program` (then program 0 selected again, if
// another): its state chunk and the first parameters, through the entry point.
struct VeskState {
    std::vector<uint8_t> chunk;
    std::vector<float> params;
};
VeskState veskState(const std::vector<std::pair<int, float>>& settings, int program = 0)
{
    std::string error;
    std::unique_ptr<PluginHost> host = PluginHost::load(VESK_MODULE_PATH, error);
    EXPECT_TRUE(host) << error;
    host->start(44100.0f, 512);
    host->dispatch(effSetProgram, 0, program);
    for (const auto& [index, value] : settings)
        host->setParameter(index, value);
    VeskState state;
    for (int i = 0; i < 40; ++i)
        state.params.push_back(host->getParameter(i));
    host->dispatch(effSetProgram, 0, 0);
    void* data = nullptr;
    const auto size = static_cast<size_t>(host->dispatch(effGetChunk, 0, 0, &data));
    state.chunk.assign(static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + size);
    return state;
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
    const std::vector<uint8_t> chunk = veskState({{ParamIndex::kFilterCutoff, 0.15f}, {ParamIndex::kFilterResonance, 0.8f}}).chunk;
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

TEST(RenderState, BankFilesParameterListsAndProgramNumbersPlayWhatTheyHold)
{
    ScratchDir dir;
    const std::vector<std::pair<int, float>> dark = {{ParamIndex::kFilterCutoff, 0.15f},
                                                     {ParamIndex::kFilterResonance, 0.8f}};
    const VeskState inProgramFive = veskState(dark, 5);
    writeFile(dir / "bank.fxb", bankFile(inProgramFive.chunk));
    writeFile(dir / "list.fxp", parameterListFile(veskState(dark).params));
    const auto set = render(dir, "set.wav", {"--set", "28=0.15", "--set", "29=0.8"});
    EXPECT_EQ(render(dir, "list.wav", {"--preset", dir / "list.fxp"}), set);
    EXPECT_EQ(render(dir, "five.wav", {"--preset", dir / "bank.fxb", "--program", "5"}),
              render(dir, "five-set.wav", {"--program", "5", "--set", "28=0.15", "--set", "29=0.8"}));
    EXPECT_EQ(render(dir, "zero.wav", {"--preset", dir / "bank.fxb"}), render(dir, "plain.wav", {}));
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
