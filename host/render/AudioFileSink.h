// Where AudioFileWriter's interleaved samples go: the file library of the
// platform (libsndfile on Linux: WAV and FLAC; on Windows, which has no
// libsndfile for MinGW, our own WAV writer: WAV only).
#pragma once

#include <memory>
#include <string>

enum class AudioContainer { Wav, Flac };
enum class AudioEncoding { Float, Pcm24, Pcm16 };

class AudioFileSink {
public:
    virtual ~AudioFileSink() = default;
    // Interleaved frames; integer encodings clip what goes past full scale
    // instead of wrapping it round. Throws when the disk refuses.
    virtual void write(const float* interleaved, int frames) = 0;
    // Completes the file; throws when it could not be completed.
    virtual void close() = 0;
};

// Creates the file; throws std::runtime_error naming the path when it cannot,
// or when this platform cannot write that container.
std::unique_ptr<AudioFileSink> createAudioFileSink(const std::string& path, AudioContainer container,
                                                   AudioEncoding encoding, int sampleRate, int channels);
