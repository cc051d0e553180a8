#include "AudioFileWriter.h"

#include <cctype>
#include <stdexcept>

namespace {

std::string lowerExtension(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    const size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return "";
    std::string extension = path.substr(dot + 1);
    for (char& c : extension)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension;
}

} // namespace

AudioFileWriter::AudioFileWriter(const std::string& filePath, SampleFormat format, int sampleRate, int channels)
    : path(filePath), channelCount(channels)
{
    const std::string extension = lowerExtension(path);
    int container;
    if (extension == "wav") {
        container = SF_FORMAT_WAV;
        if (format == SampleFormat::Default)
            format = SampleFormat::Float;
    } else if (extension == "flac") {
        container = SF_FORMAT_FLAC;
        if (format == SampleFormat::Default)
            format = SampleFormat::Pcm24;
        if (format == SampleFormat::Float)
            throw std::runtime_error("'" + path + "': FLAC holds integer samples only; use --format 24 or 16");
    } else {
        throw std::runtime_error("'" + path + "': the output must end in .wav or .flac");
    }
    const int encoding = format == SampleFormat::Float   ? SF_FORMAT_FLOAT
                         : format == SampleFormat::Pcm24 ? SF_FORMAT_PCM_24
                                                         : SF_FORMAT_PCM_16;
    formatDescription = std::string(format == SampleFormat::Float   ? "float"
                                    : format == SampleFormat::Pcm24 ? "24-bit"
                                                                    : "16-bit") +
                        (container == SF_FORMAT_WAV ? " WAV" : " FLAC");

    SF_INFO info{};
    info.samplerate = sampleRate;
    info.channels = channels;
    info.format = container | encoding;
    file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file)
        throw std::runtime_error("cannot write '" + path + "': " + sf_strerror(nullptr));
    // Integer files clip what goes past full scale instead of wrapping it
    // round to the opposite sign.
    sf_command(file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
}

AudioFileWriter::~AudioFileWriter()
{
    if (file)
        sf_close(file);
}

void AudioFileWriter::write(const float* const* channels, int frames)
{
    interleaved.resize(static_cast<size_t>(frames) * static_cast<size_t>(channelCount));
    for (int i = 0; i < frames; ++i)
        for (int c = 0; c < channelCount; ++c)
            interleaved[static_cast<size_t>(i * channelCount + c)] = channels[c][i];
    if (sf_writef_float(file, interleaved.data(), frames) != frames)
        throw std::runtime_error("cannot write '" + path + "': " + sf_strerror(file));
}

void AudioFileWriter::close()
{
    SNDFILE* closing = file;
    file = nullptr;
    if (closing && sf_close(closing) != 0)
        throw std::runtime_error("cannot complete '" + path + "'");
}
