// Preset files in the VST chunk-file layout: a big-endian header followed by
// the plug-in's state chunk, byte for byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

enum class PresetKind { Bank, Program }; // .fxb, .fxp

struct PresetFileHeaderLayout {
    size_t size;             // header bytes before the chunk
    size_t chunkSizeOffset;  // big-endian i32: bytes of chunk that follow
    size_t countOffset;      // big-endian i32: programs in a bank, parameters in a program
    size_t textOffset;       // the path (bank) or program name (program) area
    size_t textSize;         // bytes of that area
};

constexpr size_t kPresetMagicOffset = 0;     // "CcnK"
constexpr size_t kPresetByteSizeOffset = 4;  // big-endian i32: bytes after this field and the magic
constexpr size_t kPresetKindOffset = 8;      // "FBCh" or "FPCh"
constexpr size_t kPresetVersionOffset = 12;  // big-endian i32: 1
constexpr size_t kPresetIdOffset = 16;       // big-endian i32: the plug-in's unique ID
constexpr size_t kPresetDataVersionOffset = 20;

const PresetFileHeaderLayout& presetLayout(PresetKind kind);

// The whole file: header then chunk. `text` is the file path for a bank and the
// program name for a program; it is cut to fit its area.
std::vector<uint8_t> encodePresetFile(PresetKind kind, const void* chunk, size_t chunkSize, int32_t uniqueId,
                                      int32_t count, const std::string& text);

// Reads a preset file and hands back its chunk and the unique ID it names.
// Fails, changing nothing, when the file cannot be read, is shorter than its
// header or its declared chunk, or declares a chunk of another size than
// `expectedChunkSize`.
bool readPresetFile(const std::string& path, PresetKind kind, size_t expectedChunkSize, std::vector<uint8_t>& chunk,
                    int32_t& uniqueId);
