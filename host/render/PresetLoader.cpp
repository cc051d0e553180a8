#include "PresetLoader.h"

#include <cstdint>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <vector>

namespace {

// Preset files carry their header in big-endian order; these are its fields.
namespace PresetHeader {
constexpr size_t kMagic = 0;     // "CcnK"
constexpr size_t kKind = 8;      // "FPCh", "FBCh", "FxCk"
constexpr size_t kUniqueId = 16;
constexpr size_t kParamCount = 24; // parameter-list programs
constexpr size_t kProgramChunkSize = 56;
constexpr size_t kProgramData = 60; // chunk, or the parameters of a parameter-list program
constexpr size_t kParamListData = 56;
constexpr size_t kBankChunkSize = 156;
constexpr size_t kBankChunk = 160;
} // namespace PresetHeader

// A chunk far beyond any plug-in's state means a damaged file, not a state.
constexpr size_t kLargestChunk = 64u << 20;

std::vector<uint8_t> readFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        throw std::runtime_error("cannot read '" + path + "'");
    file.seekg(0, std::ios::end);
    const std::streamoff size = file.tellg();
    if (size < 0 || static_cast<uint64_t>(size) > kLargestChunk + PresetHeader::kBankChunk)
        throw std::runtime_error("'" + path + "' is too large to be a plug-in state");
    file.seekg(0);
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    if (!file.read(reinterpret_cast<char*>(bytes.data()), size))
        throw std::runtime_error("cannot read '" + path + "'");
    return bytes;
}

uint32_t bigEndianAt(const std::vector<uint8_t>& bytes, size_t offset)
{
    return (uint32_t{bytes[offset]} << 24) | (uint32_t{bytes[offset + 1]} << 16) |
           (uint32_t{bytes[offset + 2]} << 8) | uint32_t{bytes[offset + 3]};
}

bool tagAt(const std::vector<uint8_t>& bytes, size_t offset, const char* tag)
{
    return bytes.size() >= offset + 4 && std::memcmp(&bytes[offset], tag, 4) == 0;
}

std::string fourCC(uint32_t id)
{
    std::string text;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const char c = static_cast<char>((id >> shift) & 0xFF);
        text += (c >= 32 && c < 127) ? c : '?';
    }
    return text;
}

void requireChunks(PluginHost& host, const std::string& path)
{
    if (!(host.effect()->flags & effFlagsProgramChunks))
        throw std::runtime_error("cannot load '" + path + "': the plug-in does not take state chunks");
}

void setChunk(PluginHost& host, std::vector<uint8_t>& chunk, bool isProgram, const std::string& path)
{
    requireChunks(host, path);
    if (chunk.empty())
        throw std::runtime_error("'" + path + "' holds an empty chunk");
    if (host.dispatch(effSetChunk, isProgram ? 1 : 0, static_cast<VstIntPtr>(chunk.size()), chunk.data()) == 0)
        throw std::runtime_error("the plug-in refused the state in '" + path + "'");
}

std::vector<uint8_t> sizedPart(const std::vector<uint8_t>& bytes, size_t sizeOffset, size_t dataOffset,
                               const std::string& path)
{
    if (bytes.size() < dataOffset)
        throw std::runtime_error("'" + path + "' is cut short inside its header");
    const uint32_t size = bigEndianAt(bytes, sizeOffset);
    if (size > bytes.size() - dataOffset)
        throw std::runtime_error("'" + path + "' declares " + std::to_string(size) + " bytes of state but holds only " +
                                 std::to_string(bytes.size() - dataOffset));
    return std::vector<uint8_t>(bytes.begin() + static_cast<std::ptrdiff_t>(dataOffset),
                                bytes.begin() + static_cast<std::ptrdiff_t>(dataOffset + size));
}

void setParameterList(PluginHost& host, const std::vector<uint8_t>& bytes, const std::string& path)
{
    const size_t count = bytes.size() >= PresetHeader::kParamListData ? bigEndianAt(bytes, PresetHeader::kParamCount) : 0;
    if (bytes.size() < PresetHeader::kParamListData || count > (bytes.size() - PresetHeader::kParamListData) / 4)
        throw std::runtime_error("'" + path + "' is cut short inside its parameter list");
    for (size_t i = 0; i < count; ++i) {
        const uint32_t bits = bigEndianAt(bytes, PresetHeader::kParamListData + 4 * i);
        float value;
        std::memcpy(&value, &bits, sizeof value);
        host.setParameter(static_cast<VstInt32>(i), value);
    }
}

} // namespace

void PresetLoader::loadChunk(PluginHost& host, const std::string& path)
{
    std::vector<uint8_t> chunk = readFile(path);
    setChunk(host, chunk, false, path);
}

void PresetLoader::loadPresetFile(PluginHost& host, const std::string& path)
{
    const std::vector<uint8_t> bytes = readFile(path);
    if (!tagAt(bytes, PresetHeader::kMagic, "CcnK") || bytes.size() < PresetHeader::kUniqueId + 4)
        throw std::runtime_error("'" + path + "' is not a VST preset file (.fxp or .fxb)");
    const uint32_t fileId = bigEndianAt(bytes, PresetHeader::kUniqueId);
    const auto pluginId = static_cast<uint32_t>(host.effect()->uniqueID);
    if (fileId != pluginId)
        throw std::runtime_error("'" + path + "' belongs to plug-in '" + fourCC(fileId) + "', not to '" +
                                 fourCC(pluginId) + "'");
    if (tagAt(bytes, PresetHeader::kKind, "FPCh")) {
        std::vector<uint8_t> chunk =
            sizedPart(bytes, PresetHeader::kProgramChunkSize, PresetHeader::kProgramData, path);
        setChunk(host, chunk, true, path);
    } else if (tagAt(bytes, PresetHeader::kKind, "FBCh")) {
        std::vector<uint8_t> chunk = sizedPart(bytes, PresetHeader::kBankChunkSize, PresetHeader::kBankChunk, path);
        setChunk(host, chunk, false, path);
    } else if (tagAt(bytes, PresetHeader::kKind, "FxCk")) {
        setParameterList(host, bytes, path);
    } else {
        throw std::runtime_error("'" + path + "' is a kind of preset file that cannot be loaded here (" +
                                 fourCC(bigEndianAt(bytes, PresetHeader::kKind)) + ")");
    }
}
