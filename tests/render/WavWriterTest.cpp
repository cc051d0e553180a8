// The WAV writer the Windows vesk-render uses (no libsndfile there), built
// here and read back with libsndfile: what it writes must be what any reader
// finds, in every encoding.
#include "AudioFileSink.h"
#include "RenderTestSupport.h"

#include <limits>

namespace {
Audio writeAndRead(const ScratchDir& scratch, AudioEncoding encoding, int channels, const std::vector<float>& samples)
{
    const std::string path = scratch / "out.wav";
    auto sink = createAudioFileSink(path, AudioContainer::Wav, encoding, 48000, channels);
    const int frames = static_cast<int>(samples.size()) / channels;
    // In two calls, as the renderer writes block after block.
    sink->write(samples.data(), frames / 2);
    sink->write(samples.data() + (frames / 2) * channels, frames - frames / 2);
    sink->close();
    return readAudio(path);
}
} // namespace

TEST(WavWriter, FloatSamplesComeBackExactly)
{
    ScratchDir scratch;
    const std::vector<float> samples{0.0f, -0.0f, 1e-30f, -1.0f, 0.123456789f, 2.5f, -7.0f, 1.0f / 3, 0.5f, -0.25f};
    const Audio audio = writeAndRead(scratch, AudioEncoding::Float, 2, samples);
    EXPECT_EQ(audio.format, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    EXPECT_EQ(audio.rate, 48000);
    ASSERT_EQ(audio.channels, 2);
    ASSERT_EQ(audio.frames(), 5);
    for (size_t i = 0; i < samples.size(); ++i)
        EXPECT_EQ(audio.samples[i % 2][i / 2], samples[i]) << i;
}

// Full scale and beyond clip to the extreme codes instead of wrapping round to
// the other sign; a NaN, which has no code, is silence.
TEST(WavWriter, IntegerSamplesRoundAndClip)
{
    ScratchDir scratch;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const std::vector<float> samples{0.5f, -0.5f, 1.0f, 1.5f, -1.0f, -3.0f, nan, 0.25f, 1e-7f};
    for (const auto& [encoding, format, step] :
         {std::tuple{AudioEncoding::Pcm16, SF_FORMAT_PCM_16, 1.0 / 32768},
          std::tuple{AudioEncoding::Pcm24, SF_FORMAT_PCM_24, 1.0 / 8388608}}) {
        SCOPED_TRACE(format);
        // Mono with an odd count: 24-bit data then needs its pad byte.
        const Audio audio = writeAndRead(scratch, encoding, 1, samples);
        EXPECT_EQ(audio.format, SF_FORMAT_WAV | format);
        ASSERT_EQ(audio.frames(), static_cast<int64_t>(samples.size()));
        const std::vector<float>& read = audio.samples[0];
        EXPECT_NEAR(read[0], 0.5, step);
        EXPECT_NEAR(read[1], -0.5, step);
        EXPECT_NEAR(read[2], 1.0, step);
        EXPECT_NEAR(read[3], 1.0, step) << "clipped, not wrapped";
        EXPECT_NEAR(read[4], -1.0, step);
        EXPECT_EQ(read[5], -1.0f) << "clipped at the bottom too";
        EXPECT_EQ(read[6], 0.0f);
        EXPECT_NEAR(read[7], 0.25, step);
    }
}

TEST(WavWriter, OnlyWavFilesAndWritableFolders)
{
    ScratchDir scratch;
    EXPECT_THROW(createAudioFileSink(scratch / "out.flac", AudioContainer::Flac, AudioEncoding::Pcm24, 44100, 2),
                 std::runtime_error);
    EXPECT_THROW(createAudioFileSink(scratch / "missing/out.wav", AudioContainer::Wav, AudioEncoding::Float, 44100, 2),
                 std::runtime_error);
}
