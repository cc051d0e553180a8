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

AudioFileWriter::AudioFileWriter(const std::string& path, SampleFormat format, int sampleRate, int channels)
    : channelCount(channels)
{
    const std::string extension = lowerExtension(path);
    AudioContainer container;
    if (extension == "wav") {
        container = AudioContainer::Wav;
        if (format == SampleFormat::Default)
            format = SampleFormat::Float;
    } else if (extension == "flac") {
        container = AudioContainer::Flac;
        if (format == SampleFormat::Default)
            format = SampleFormat::Pcm24;
        if (format == SampleFormat::Float)
            throw std::runtime_error("'" + path + "': FLAC holds integer samples only; use --format 24 or 16");
    } else {
        throw std::runtime_error("'" + path + "': the output must end in .wav or .flac");
    }
    const AudioEncoding encoding = format == SampleFormat::Float   ? AudioEncoding::Float
                                   : format == SampleFormat::Pcm24 ? AudioEncoding::Pcm24
                                                                   : AudioEncoding::Pcm16;
    formatDescription = std::string(format == SampleFormat::Float   ? "float"
                                    : format == SampleFormat::Pcm24 ? "24-bit"
                                                                    : "16-bit") +
                        (container == AudioContainer::Wav ? " WAV" : " FLAC");
    sink = createAudioFileSink(path, container, encoding, sampleRate, channels);
}

void AudioFileWriter::write(const float* const* channels, int frames)
{
    interleaved.resize(static_cast<size_t>(frames) * static_cast<size_t>(channelCount));
    for (int i = 0; i < frames; ++i)
        for (int c = 0; c < channelCount; ++c)
            interleaved[static_cast<size_t>(i * channelCount + c)] = channels[c][i];
    sink->write(interleaved.data(), frames);
}

void AudioFileWriter::close() { sink->close(); }
