#include "AudioFileSink.h"

#include <sndfile.h>

#include <stdexcept>

namespace {
class SndfileSink : public AudioFileSink {
public:
    SndfileSink(const std::string& filePath, AudioContainer container, AudioEncoding encoding, int sampleRate,
                int channels)
        : path(filePath)
    {
        SF_INFO info{};
        info.samplerate = sampleRate;
        info.channels = channels;
        info.format = (container == AudioContainer::Wav ? SF_FORMAT_WAV : SF_FORMAT_FLAC) |
                      (encoding == AudioEncoding::Float   ? SF_FORMAT_FLOAT
                       : encoding == AudioEncoding::Pcm24 ? SF_FORMAT_PCM_24
                                                          : SF_FORMAT_PCM_16);
        file = sf_open(path.c_str(), SFM_WRITE, &info);
        if (!file)
            throw std::runtime_error("cannot write '" + path + "': " + sf_strerror(nullptr));
        sf_command(file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    }
    ~SndfileSink() override
    {
        if (file)
            sf_close(file);
    }

    void write(const float* interleaved, int frames) override
    {
        if (sf_writef_float(file, interleaved, frames) != frames)
            throw std::runtime_error("cannot write '" + path + "': " + sf_strerror(file));
    }

    void close() override
    {
        SNDFILE* closing = file;
        file = nullptr;
        if (closing && sf_close(closing) != 0)
            throw std::runtime_error("cannot complete '" + path + "'");
    }

private:
    std::string path;
    SNDFILE* file = nullptr;
};
} // namespace

std::unique_ptr<AudioFileSink> createAudioFileSink(const std::string& path, AudioContainer container,
                                                   AudioEncoding encoding, int sampleRate, int channels)
{
    return std::make_unique<SndfileSink>(path, container, encoding, sampleRate, channels);
}
