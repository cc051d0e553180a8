// Writes interleaved audio to a WAV (float, 24- or 16-bit) or FLAC (24- or
// 16-bit) file through libsndfile; the kind follows the file's extension.
#pragma once

#include "RenderOptions.h"

#include <sndfile.h>

#include <string>
#include <vector>

class AudioFileWriter {
public:
    // Throws std::runtime_error naming the path when the extension is not
    // .wav or .flac, the format does not fit the kind, or the file cannot be
    // created.
    AudioFileWriter(const std::string& path, SampleFormat format, int sampleRate, int channels);
    ~AudioFileWriter();
    AudioFileWriter(const AudioFileWriter&) = delete;
    AudioFileWriter& operator=(const AudioFileWriter&) = delete;

    // Planar input, one pointer per channel; throws when the disk refuses.
    void write(const float* const* channels, int frames);
    // Flushes and closes; throws when the file could not be completed.
    void close();

    // "float WAV", "24-bit FLAC", ...
    const std::string& description() const { return formatDescription; }

private:
    std::string path;
    SNDFILE* file = nullptr;
    int channelCount;
    std::vector<float> interleaved;
    std::string formatDescription;
};
