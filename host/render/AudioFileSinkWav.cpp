// A WAV writer of our own for platforms without libsndfile: the canonical
// RIFF layout with a "fmt " chunk (integer PCM, or IEEE float with its "fact"
// chunk) and one "data" chunk, little-endian, sizes filled in on close.
#include "AudioFileSink.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <vector>

namespace {
constexpr uint16_t kFormatPcm = 1;
constexpr uint16_t kFormatFloat = 3;
// Byte offsets of the sizes patched on close.
constexpr long kRiffSizeOffset = 4;

void put16(std::vector<uint8_t>& out, uint32_t value)
{
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

void put32(std::vector<uint8_t>& out, uint32_t value)
{
    put16(out, value & 0xffff);
    put16(out, value >> 16);
}

void putTag(std::vector<uint8_t>& out, const char* tag) { out.insert(out.end(), tag, tag + 4); }

// Full scale maps to the largest positive code; beyond it clips, and a NaN,
// which has no code, becomes silence.
int32_t toInteger(float sample, int32_t largest)
{
    if (std::isnan(sample))
        return 0;
    const double scaled = static_cast<double>(sample) * largest;
    if (scaled >= largest)
        return largest;
    if (scaled <= -largest - 1.0)
        return -largest - 1;
    return static_cast<int32_t>(std::lrint(scaled));
}

class WavSink : public AudioFileSink {
public:
    WavSink(const std::string& filePath, AudioEncoding encoding, int sampleRate, int channels)
        : path(filePath), encoding(encoding), channelCount(channels),
          bytesPerSample(encoding == AudioEncoding::Pcm16 ? 2 : encoding == AudioEncoding::Pcm24 ? 3 : 4)
    {
        file = std::fopen(path.c_str(), "wb");
        if (!file)
            throw std::runtime_error("cannot write '" + path + "'");
        const bool isFloat = encoding == AudioEncoding::Float;
        const uint32_t blockAlign = static_cast<uint32_t>(channels * bytesPerSample);
        std::vector<uint8_t> header;
        putTag(header, "RIFF");
        put32(header, 0);
        putTag(header, "WAVE");
        putTag(header, "fmt ");
        put32(header, isFloat ? 18 : 16);
        put16(header, isFloat ? kFormatFloat : kFormatPcm);
        put16(header, static_cast<uint32_t>(channels));
        put32(header, static_cast<uint32_t>(sampleRate));
        put32(header, static_cast<uint32_t>(sampleRate) * blockAlign);
        put16(header, blockAlign);
        put16(header, static_cast<uint32_t>(bytesPerSample * 8));
        if (isFloat) {
            put16(header, 0); // no extension
            putTag(header, "fact");
            put32(header, 4);
            factLengthOffset = static_cast<long>(header.size());
            put32(header, 0);
        }
        putTag(header, "data");
        dataSizeOffset = static_cast<long>(header.size());
        put32(header, 0);
        headerSize = header.size();
        if (std::fwrite(header.data(), 1, header.size(), file) != header.size()) {
            std::fclose(file); // no destructor runs for a constructor that throws
            fail();
        }
    }
    ~WavSink() override
    {
        if (file)
            std::fclose(file);
    }

    void write(const float* interleaved, int frames) override
    {
        const size_t samples = static_cast<size_t>(frames) * static_cast<size_t>(channelCount);
        bytes.clear();
        for (size_t i = 0; i < samples; ++i) {
            if (encoding == AudioEncoding::Float) {
                uint32_t word;
                static_assert(sizeof word == sizeof(float), "float WAV holds 32-bit samples");
                std::memcpy(&word, &interleaved[i], sizeof word);
                put32(bytes, word);
            } else {
                const int32_t code = toInteger(interleaved[i], encoding == AudioEncoding::Pcm16 ? 0x7fff : 0x7fffff);
                for (int b = 0; b < bytesPerSample; ++b)
                    bytes.push_back(static_cast<uint8_t>(static_cast<uint32_t>(code) >> (8 * b)));
            }
        }
        // RIFF sizes are 32-bit: a longer file could not be read back.
        if (dataBytes + bytes.size() + headerSize + 1 > std::numeric_limits<uint32_t>::max())
            throw std::runtime_error("cannot write '" + path + "': too long for a WAV file");
        if (std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size())
            fail();
        dataBytes += bytes.size();
        framesWritten += static_cast<uint64_t>(frames);
    }

    void close() override
    {
        // Chunks start on even offsets: an odd data chunk gets a pad byte.
        const bool padded = dataBytes % 2 != 0;
        if (padded && std::fputc(0, file) == EOF)
            fail();
        const uint64_t riffSize = headerSize - 8 + dataBytes + (padded ? 1 : 0);
        const bool patched = patch(kRiffSizeOffset, static_cast<uint32_t>(riffSize)) &&
                             patch(dataSizeOffset, static_cast<uint32_t>(dataBytes)) &&
                             (factLengthOffset < 0 || patch(factLengthOffset, static_cast<uint32_t>(framesWritten)));
        std::FILE* closing = file;
        file = nullptr;
        if (std::fclose(closing) != 0 || !patched)
            throw std::runtime_error("cannot complete '" + path + "'");
    }

private:
    [[noreturn]] void fail() { throw std::runtime_error("cannot write '" + path + "'"); }

    bool patch(long offset, uint32_t value)
    {
        std::vector<uint8_t> word;
        put32(word, value);
        return std::fseek(file, offset, SEEK_SET) == 0 && std::fwrite(word.data(), 1, word.size(), file) == word.size();
    }

    std::string path;
    AudioEncoding encoding;
    int channelCount;
    int bytesPerSample;
    std::FILE* file = nullptr;
    long factLengthOffset = -1;
    long dataSizeOffset = 0;
    size_t headerSize = 0;
    uint64_t dataBytes = 0;
    uint64_t framesWritten = 0;
    std::vector<uint8_t> bytes;
};
} // namespace

std::unique_ptr<AudioFileSink> createAudioFileSink(const std::string& path, AudioContainer container,
                                                   AudioEncoding encoding, int sampleRate, int channels)
{
    if (container != AudioContainer::Wav)
        throw std::runtime_error("'" + path + "': this build writes WAV files only; name the output .wav");
    return std::make_unique<WavSink>(path, encoding, sampleRate, channels);
}
