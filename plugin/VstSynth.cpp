#include "VstSynth.h"

#include "ParamDisplay.h"
#include "ParamTable.h"
#include "VstEntry.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {
constexpr int32_t kMaxProgramNameChars = kVstMaxProgNameLen - 1;

bool isStoredIndex(VstInt32 index) { return index >= 0 && index < ParamIndex::kNumProgramParams; }
bool isDescribedIndex(VstInt32 index) { return index >= 0 && index < ParamIndex::kNumDescriptors; }
} // namespace

AudioEffect* createEffectInstance(audioMasterCallback audioMaster) { return new VstSynth(audioMaster); }

VstSynth::VstSynth(audioMasterCallback audioMaster)
    : AudioEffectX(audioMaster, kNumPrograms, kHostParamCount), engine(*this), programs(engine.programs())
{
    char vendor[kVstHostVendorBufferLen];
    if (getHostVendorString(vendor) && strcmp(vendor, "Steinberg") == 0)
        setNumPrograms(kProgramsPerBank);

    if (audioMaster) {
        setNumInputs(0);
        setNumOutputs(2);
        canProcessReplacing();
        isSynth();
        programsAreChunks();
        setUniqueID(kUniqueId);
    }
    // Hosts may process before they announce a block size.
    setBlockSize(blockSize);
    synthEditor = createSynthEditor(*this);
    setEditor(synthEditor.get());
}

VstSynth::~VstSynth()
{
    // A host may destroy us with the editor still open.
    if (synthEditor)
        synthEditor->close();
}

void VstSynth::open()
{
    char vendor[kVstHostVendorBufferLen];
    getHostVendorString(vendor);
    hostIsMakerFlag = strcmp(vendor, "Tovimar Sonic") == 0;
    hostIsCockosOrZynewaveFlag = strcmp(vendor, "Cockos") == 0 || strcmp(vendor, "Zynewave") == 0;
}

void VstSynth::setSampleRate(float rate)
{
    if (!(rate >= Vesk::kLowestSampleRate && rate <= Vesk::kHighestSampleRate))
        return;
    std::lock_guard<std::mutex> guard(stateLock);
    AudioEffectX::setSampleRate(rate);
    engine.setSampleRate(rate);
    engine.reset();
    engine.reapplyProgram();
}

void VstSynth::setBlockSize(VstInt32 frames)
{
    if (frames <= 0)
        return;
    AudioEffectX::setBlockSize(frames);
    // Blocks are rendered in pieces of at most kLargestPiece frames, so the
    // dry bus never needs more, whatever size a host announces.
    const size_t busFrames = static_cast<size_t>(std::min(frames, kLargestPiece));
    std::lock_guard<std::mutex> guard(stateLock);
    for (auto& bus : dryBus)
        bus.assign(busFrames, 0.0f);
}

void VstSynth::setProgram(VstInt32 program)
{
    std::lock_guard<std::mutex> guard(stateLock);
    selectProgram(program);
}

void VstSynth::selectProgram(VstInt32 program)
{
    if (program < 0 || program >= kNumPrograms)
        return;
    curProgram = program;
    bankIndex = program / kProgramsPerBank;
    engine.currentProgram = program;
    engine.setProgram(program);
    if (synthEditor)
        synthEditor->programChanged();
}

void VstSynth::setProgramName(char* name)
{
    vstStringCopy(currentRecord().name, name, sizeof(ProgramRecord::name));
}

void VstSynth::getProgramName(char* name)
{
    vstStringCopy(name, currentRecord().name, kMaxProgramNameChars + 1);
}

bool VstSynth::getProgramNameIndexed(VstInt32 /*category*/, VstInt32 index, char* text)
{
    if (index < 0 || index >= kNumPrograms)
        return false;
    vstStringCopy(text, programs[index].name, kMaxProgramNameChars + 1);
    return true;
}

void VstSynth::fillChunk(StateChunk& chunk) const
{
    memset(&chunk, 0, sizeof(chunk));
    chunk.header.paramsPerRecord = ParamIndex::kNumProgramParams;
    chunk.header.recordCount = kProgramsPerBank;
    chunk.header.currentProgram = engine.currentProgram;
    chunk.header.poly = engine.poly;
    chunk.header.bendUp = engine.bendUp;
    chunk.header.bendDown = engine.bendDown;
    chunk.header.formatVersion = kChunkFormatVersion;
    chunk.header.bankIndex = bankIndex;
    chunk.header.programDataVersion = engine.programDataVersion;
    memcpy(chunk.records, &programs[bankIndex * kProgramsPerBank], sizeof(chunk.records));
}

VstInt32 VstSynth::getChunk(void** data, bool /*isPreset*/)
{
    std::lock_guard<std::mutex> guard(stateLock);
    if (!chunkBuffer)
        chunkBuffer = std::make_unique<StateChunk>();
    fillChunk(*chunkBuffer);
    *data = chunkBuffer.get();
    return static_cast<VstInt32>(kStateChunkSize);
}

VstInt32 VstSynth::setChunk(void* data, VstInt32 byteSize, bool isPreset)
{
    std::lock_guard<std::mutex> guard(stateLock);
    return restoreChunk(data, static_cast<size_t>(byteSize), isPreset) ? 1 : 0;
}

namespace {
// A stored NaN or infinity would reach the engine on the next program change;
// such a value is restored as 0.
void copyRecordSanitised(ProgramRecord& target, const ProgramRecord& source)
{
    target = source;
    for (float& value : target.params)
        if (!std::isfinite(value))
            value = 0.0f;
}

int32_t clampBendRange(int32_t semitones) { return semitones < 0 ? 0 : (semitones > 64 ? 64 : semitones); }
} // namespace

bool VstSynth::restoreChunk(const void* data, size_t size, bool isPreset)
{
    if (!isRestorableChunk(data, size))
        return false;
    // The host's block may be unaligned; work on an aligned copy.
    auto chunk = std::make_unique<StateChunk>();
    memcpy(chunk.get(), data, sizeof(StateChunk));
    const ChunkHeader& header = chunk->header;
    if (isPreset) {
        // A program preset replaces the current program only, whatever slot it
        // was saved from: that is what loading a patch means to a player.
        const ProgramRecord* record = currentRecordOf(*chunk);
        if (!record)
            return false;
        copyRecordSanitised(currentRecord(), *record);
        selectProgram(curProgram);
        return true;
    }
    for (int i = 0; i < kProgramsPerBank; ++i)
        copyRecordSanitised(programs[header.bankIndex * kProgramsPerBank + i], chunk->records[i]);
    engine.poly = header.poly;
    engine.bendUp = clampBendRange(header.bendUp);
    engine.bendDown = clampBendRange(header.bendDown);
    engine.programDataVersion = header.programDataVersion;
    selectProgram(header.currentProgram);
    return true;
}

namespace {
bool namesPresetFile(const std::string& path)
{
    return path.find(".fxb") != std::string::npos || path.find(".fxp") != std::string::npos;
}

// Save Patch names the program after the file: the last path component
// without its four-character extension.
std::string programNameFromPath(const std::string& path)
{
    size_t separator = path.find_last_of("/\\");
    if (path.size() < 6 || separator == std::string::npos)
        return std::string();
    std::string file = path.substr(separator + 1);
    return file.size() >= 4 ? file.substr(0, file.size() - 4) : std::string();
}
} // namespace

void VstSynth::loadPresetFile(const std::string& path, PresetKind kind)
{
    std::vector<uint8_t> chunk;
    int32_t id = 0;
    if (!namesPresetFile(path) || !readPresetFile(path, kind, kStateChunkSize, chunk, id) || id != kUniqueId)
        return;
    std::lock_guard<std::mutex> guard(stateLock);
    VstInt32 remembered = curProgram;
    if (restoreChunk(chunk.data(), chunk.size(), kind == PresetKind::Program) && kind == PresetKind::Bank)
        selectProgram(remembered);
}

void VstSynth::savePresetFile(const std::string& path, PresetKind kind)
{
    if (!namesPresetFile(path))
        return;
    std::vector<uint8_t> bytes;
    {
        std::lock_guard<std::mutex> guard(stateLock);
        if (kind == PresetKind::Program) {
            std::string name = programNameFromPath(path);
            setProgramName(name.data());
        }
        auto chunk = std::make_unique<StateChunk>();
        fillChunk(*chunk);
        bool bank = kind == PresetKind::Bank;
        bytes = encodePresetFile(kind, chunk.get(), kStateChunkSize, kUniqueId,
                                 bank ? kProgramsPerBank : ParamIndex::kNumProgramParams,
                                 bank ? path : std::string(currentRecord().name));
    }
    writeFileReplacing(path, bytes);
}

void VstSynth::loadBank(const std::string& path) { loadPresetFile(path, PresetKind::Bank); }
void VstSynth::saveBank(const std::string& path) { savePresetFile(path, PresetKind::Bank); }
void VstSynth::loadPatch(const std::string& path) { loadPresetFile(path, PresetKind::Program); }
void VstSynth::savePatch(const std::string& path) { savePresetFile(path, PresetKind::Program); }

void VstSynth::setParameter(VstInt32 index, float value)
{
    setParameterQuiet(index, value);
    if (synthEditor && std::isfinite(value))
        synthEditor->setParameter(index, value);
}

void VstSynth::setParameterQuiet(VstInt32 index, float value)
{
    // A NaN or infinity from a host would poison the stored program and every
    // state it reaches; such values are dropped.
    if (!std::isfinite(value) || !isDescribedIndex(index))
        return;
    if (isStoredIndex(index))
        currentRecord().params[index] = value;
    engine.setParameter(index, value);
}

void VstSynth::setParameterAutomated(VstInt32 index, float value)
{
    setParameter(index, value);
    if (index >= 0 && index < kHostParamCount && audioMaster && std::isfinite(value))
        audioMaster(&cEffect, audioMasterAutomate, index, 0, nullptr, value);
    // An assigned MIDI controller is echoed to the host from here.
}

float VstSynth::getParameter(VstInt32 index) { return static_cast<const VstSynth*>(this)->getParameter(index); }

float VstSynth::getParameter(int32_t index) const
{
    return isStoredIndex(index) ? currentRecord().params[index] : 0.0f;
}

void VstSynth::beginEdit(VstInt32 index)
{
    if (audioMaster && index >= 0 && index < kHostParamCount)
        audioMaster(&cEffect, audioMasterBeginEdit, index, 0, nullptr, 0.0f);
}

void VstSynth::endEdit(VstInt32 index)
{
    if (audioMaster && index >= 0 && index < kHostParamCount)
        audioMaster(&cEffect, audioMasterEndEdit, index, 0, nullptr, 0.0f);
}

void VstSynth::setProgramDescription(const std::string& text)
{
    vstStringCopy(currentRecord().description, text.c_str(), sizeof(ProgramRecord::description));
}

void VstSynth::updateDisplay()
{
    if (audioMaster)
        audioMaster(&cEffect, audioMasterUpdateDisplay, 0, 0, nullptr, 0.0f);
}

void VstSynth::setBendRanges(int32_t up, int32_t down)
{
    engine.bendUp = clampBendRange(up);
    engine.bendDown = clampBendRange(down);
}

void VstSynth::setEffectOrderSlot(int slot, int32_t kind)
{
    if (slot >= 0 && slot < 6)
        effectOrder[slot] = kind;
}

void VstSynth::getParameterLabel(VstInt32 /*index*/, char* label) { label[0] = 0; }

void VstSynth::getParameterDisplay(VstInt32 index, char* text)
{
    if (!isStoredIndex(index))
        return;
    const DisplayContext context{{engine.lfo[0].lfoSync, engine.lfo[1].lfoSync, engine.lfo[2].lfoSync},
                                 engine.stack.voicesPerNote,
                                 engine.fx.distType};
    formatParamDisplay(index, currentRecord().params[index], context, text);
}

void VstSynth::getParameterName(VstInt32 index, char* text)
{
    vstStringCopy(text, isDescribedIndex(index) ? kParamDescriptors[index].name : "", kVstMaxParamStrLen);
}

bool VstSynth::canParameterBeAutomated(VstInt32 /*index*/) { return true; }

bool VstSynth::getOutputProperties(VstInt32 index, VstPinProperties* properties)
{
    if (index < 0 || index > 1)
        return false;
    memset(properties, 0, sizeof(*properties));
    snprintf(properties->label, sizeof(properties->label), "Vesk %1d", index + 1);
    snprintf(properties->shortLabel, sizeof(properties->shortLabel), "Vesk %1d", index + 1);
    properties->flags = kVstPinIsActive | kVstPinIsStereo;
    return true;
}

VstInt32 VstSynth::getPlugCategory() { return kPlugCategSynth; }

bool VstSynth::getEffectName(char* name)
{
    vstStringCopy(name, "Vesk", kVstMaxEffectNameLen);
    return true;
}

bool VstSynth::getVendorString(char* text)
{
    vstStringCopy(text, "Tovimar Sonic", kVstMaxVendorStrLen);
    return true;
}

bool VstSynth::getProductString(char* text)
{
    vstStringCopy(text, "Vesk", kVstMaxProductStrLen);
    return true;
}

VstInt32 VstSynth::getVendorVersion() { return 1; }

VstIntPtr VstSynth::vendorSpecific(VstInt32 index, VstIntPtr value, void* /*ptr*/, float opt)
{
    // Hosts that know the display's scale say so with 'PreS' / 'AeCs'.
    if (index == vstFourCC('P', 'r', 'e', 'S') && value == vstFourCC('A', 'e', 'C', 's') && synthEditor) {
        synthEditor->setContentScale(opt);
        return 1;
    }
    // The maker's host also sends mouse-wheel positions ('Whee'); the editor
    // takes the wheel from its own window instead, so these are answered 0.
    return 0;
}

VstInt32 VstSynth::canDo(const char* text)
{
    static const char* const kSupported[] = {"receiveVstEvents", "receiveVstMidiEvent", "receiveVstTimeInfo"};
    for (const char* supported : kSupported)
        if (strcmp(text, supported) == 0)
            return 1;
    return -1;
}
