// Writes interleaved audio to a WAV (float, 24- or 16-bit) or FLAC (24- or
// 16-bit) file; the kind follows the file's extension. Which kinds can be
// written depends on the platform's file library (AudioFileSink.h).
#pragma once

#include "AudioFileSink.h"
#include "RenderOptions.h"

#include <memory>
#include <string>
#include <vector>

class AudioFileWriter {
public:
    // Throws std::runtime_error naming the path when the extension is not
    // .wav or .flac, the format does not fit the kind, the platform cannot
    // write the kind, or the file cannot be created.
    AudioFileWriter(const std::string& path, SampleFormat format, int sampleRate, int channels);
    AudioFileWriter(const AudioFileWriter&) = delete;
    AudioFileWriter& operator=(const AudioFileWriter&) = delete;

    // Planar input, one pointer per channel; throws when the disk refuses.
    void write(const float* const* channels, int frames);
    // Flushes and closes; throws when the file could not be completed.
    void close();

    // "float WAV", "24-bit FLAC", ...
    const std::string& description() const { return formatDescription; }

private:
    std::unique_ptr<AudioFileSink> sink;
    int channelCount;
    std::vector<float> interleaved;
    std::string formatDescription;
};
