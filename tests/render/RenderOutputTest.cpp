// The audio files vesk-render writes, read back with libsndfile, and what it
// says about them.
#include "FactoryBank.h"
#include "RenderTestSupport.h"

#include <regex>

namespace {

std::vector<std::string> shortNote(std::vector<std::string> more)
{
    more.insert(more.end(), {"--program", std::to_string(kInitProgram), "--note", "C4:0:0.2", "--tail", "0.3", "--rate", "48000"});
    return more;
}

TEST(RenderOutput, WritesEachFileKindWithItsSampleFormatRateAndChannels)
{
    const struct {
        std::vector<std::string> args; // after -o and the file name
        std::string file;
        int expectedFormat;
        float tolerance; // against the float render
    } cases[] = {
        {{}, "out.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 0.0f},
        {{"--format", "24"}, "out.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_24, 2.0f / (1 << 23)},
        {{"--format", "16"}, "out.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2.0f / (1 << 15)},
        {{}, "out.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_24, 2.0f / (1 << 23)},
        {{"--format", "16"}, "out.FLAC", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 2.0f / (1 << 15)},
    };
    ScratchDir dir;
    ASSERT_EQ(runRender(shortNote({"-o", dir / "reference.wav"})).exitCode, 0);
    const Audio reference = readAudio(dir / "reference.wav");
    ASSERT_GT(firstFrameAbove(reference, 0.01f), 0);
    for (const auto& c : cases) {
        std::vector<std::string> args{"-o", dir / c.file};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const RunResult run = runRender(shortNote(args));
        ASSERT_EQ(run.exitCode, 0) << run.output;
        const Audio audio = readAudio(dir / c.file);
        EXPECT_EQ(audio.format, c.expectedFormat) << c.file;
        EXPECT_EQ(audio.rate, 48000);
        EXPECT_EQ(audio.channels, 2);
        ASSERT_EQ(audio.frames(), reference.frames());
        for (size_t ch = 0; ch < 2; ++ch)
            for (size_t i = 0; i < audio.samples[ch].size(); ++i)
                ASSERT_LE(std::fabs(audio.samples[ch][i] - reference.samples[ch][i]), c.tolerance) << c.file;
    }
}

} // namespace
