#include "PresetFile.h"

#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <memory>
#include <cstring>

namespace {
constexpr PresetFileHeaderLayout kBankLayout{160, 156, 24, 28, 128};
constexpr PresetFileHeaderLayout kProgramLayout{60, 56, 24, 28, 28};

void putBigEndian(std::vector<uint8_t>& bytes, size_t offset, int32_t value)
{
    auto v = static_cast<uint32_t>(value);
    bytes[offset] = static_cast<uint8_t>(v >> 24);
    bytes[offset + 1] = static_cast<uint8_t>(v >> 16);
    bytes[offset + 2] = static_cast<uint8_t>(v >> 8);
    bytes[offset + 3] = static_cast<uint8_t>(v);
}

int32_t getBigEndian(const uint8_t* bytes)
{
    return static_cast<int32_t>((static_cast<uint32_t>(bytes[0]) << 24) | (static_cast<uint32_t>(bytes[1]) << 16) |
                                (static_cast<uint32_t>(bytes[2]) << 8) | static_cast<uint32_t>(bytes[3]));
}

void putTag(std::vector<uint8_t>& bytes, size_t offset, const char* tag) { memcpy(&bytes[offset], tag, 4); }

struct FileCloser {
    void operator()(FILE* file) const { fclose(file); }
};
} // namespace

const PresetFileHeaderLayout& presetLayout(PresetKind kind)
{
    return kind == PresetKind::Bank ? kBankLayout : kProgramLayout;
}

std::vector<uint8_t> encodePresetFile(PresetKind kind, const void* chunk, size_t chunkSize, int32_t uniqueId,
                                      int32_t count, const std::string& text)
{
    const PresetFileHeaderLayout& layout = presetLayout(kind);
    std::vector<uint8_t> bytes(layout.size + chunkSize, 0);
    putTag(bytes, kPresetMagicOffset, "CcnK");
    putBigEndian(bytes, kPresetByteSizeOffset, static_cast<int32_t>(chunkSize + layout.size - 8));
    putTag(bytes, kPresetKindOffset, kind == PresetKind::Bank ? "FBCh" : "FPCh");
    putBigEndian(bytes, kPresetVersionOffset, 1);
    putBigEndian(bytes, kPresetIdOffset, uniqueId);
    putBigEndian(bytes, kPresetDataVersionOffset, 1);
    putBigEndian(bytes, layout.countOffset, count);
    memcpy(&bytes[layout.textOffset], text.data(), std::min(text.size(), layout.textSize - 1));
    putBigEndian(bytes, layout.chunkSizeOffset, static_cast<int32_t>(chunkSize));
    if (chunkSize)
        memcpy(&bytes[layout.size], chunk, chunkSize);
    return bytes;
}

bool readPresetFile(const std::string& path, PresetKind kind, size_t expectedChunkSize, std::vector<uint8_t>& chunk,
                    int32_t& uniqueId)
{
    const PresetFileHeaderLayout& layout = presetLayout(kind);
    std::unique_ptr<FILE, FileCloser> file(fopen(path.c_str(), "rb"));
    if (!file)
        return false;
    std::vector<uint8_t> header(layout.size);
    if (fread(header.data(), 1, header.size(), file.get()) != header.size())
        return false;
    int32_t declared = getBigEndian(&header[layout.chunkSizeOffset]);
    if (declared < 0 || static_cast<size_t>(declared) != expectedChunkSize)
        return false;
    std::vector<uint8_t> data(expectedChunkSize);
    if (fread(data.data(), 1, data.size(), file.get()) != data.size())
        return false;
    uniqueId = getBigEndian(&header[kPresetIdOffset]);
    chunk.swap(data);
    return true;
}
