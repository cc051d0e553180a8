#include "VstSynth.h"

#include "Conversions.h"
#include "ParamDisplay.h"
#include "ParamTable.h"
#include "ReplaceFile.h"
#include "SettingsStore.h"
#include "VstEntry.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <thread>

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
    // Hosts may process before they announce a block size or pick a program;
    // the engine then plays program 0, the one getParameter reports.
    setBlockSize(blockSize);
    synthEditor = createSynthEditor(*this);
    setEditor(synthEditor.get());

    ControllerMap::Bytes learnt;
    if (readControllerSettings(learnt))
        controllers.assign(learnt);
    memset(&midiOutEvent, 0, sizeof(midiOutEvent));
    midiOutEvent.event.type = kVstMidiType;
    midiOutEvent.event.byteSize = sizeof(VstMidiEvent);
    midiOutEvent.list.numEvents = 1;
    midiOutEvent.list.events[0] = reinterpret_cast<VstEvent*>(&midiOutEvent.event);
    setProgram(0);
}

VstSynth::~VstSynth()
{
    // A host may destroy us with the editor still open.
    if (synthEditor)
        synthEditor->close();
    if (controllers.hasChanged())
        writeControllerSettings(controllers.bytes());
}

void VstSynth::open()
{
    char vendor[kVstHostVendorBufferLen];
    getHostVendorString(vendor);
    hostIsMakerFlag = strcmp(vendor, "Tovimar Sonic") == 0;
    hostIsCockosOrZynewaveFlag = strcmp(vendor, "Cockos") == 0 || strcmp(vendor, "Zynewave") == 0;
}

void VstSynth::resume()
{
    AudioEffectX::resume();
    audioActive = true;
}

void VstSynth::suspend()
{
    std::lock_guard<std::mutex> ui(uiLock);
    acquireState(kUiEngine);
    applyPendingChange();
    // The host stops calling: nothing the arpeggiator or the keys started may
    // hang on into the next start.
    engine.allNotesOff(true);
    engine.arp.arpCurrentStep = 0;
    audioActive = false;
    releaseState();
}

void VstSynth::acquireState(int owner)
{
    uiWaiting = owner;
    for (int expected = kNobody; !stateOwner.compare_exchange_weak(expected, owner); expected = kNobody)
        std::this_thread::yield();
    uiWaiting = kNobody;
}

void VstSynth::releaseState() { stateOwner = kNobody; }

template <typename Change>
void VstSynth::changeWholesale(Change&& change)
{
    std::lock_guard<std::mutex> ui(uiLock);
    const bool direct = !audioActive;
    acquireState(direct ? kUiEngine : kUiBank);
    change();
    if (direct)
        applyPendingChange();
    releaseState();
}

void VstSynth::applyPendingChange()
{
    if (!pending.any)
        return;
    if (pending.buses)
        for (int c = 0; c < 2; ++c)
            dryBus[c].swap(pending.dryBus[c]);
    if (pending.rate) {
        engine.setSampleRate(pending.sampleRate);
        engine.reset();
        engine.reapplyProgram();
    }
    if (pending.header) {
        engine.poly = pending.poly;
        engine.bendUp = pending.bendUp;
        engine.bendDown = pending.bendDown;
        engine.programDataVersion = pending.programDataVersion;
    }
    if (pending.program) {
        engine.currentProgram = pending.programNumber;
        engine.setProgram(pending.programNumber);
    }
    pending.any = pending.buses = pending.rate = pending.header = pending.program = false;
}

void VstSynth::setSampleRate(float rate)
{
    if (!(rate >= Vesk::kLowestSampleRate && rate <= Vesk::kHighestSampleRate))
        return;
    changeWholesale([&] {
        AudioEffectX::setSampleRate(rate);
        engine.prepareTables(rate);
        pending.sampleRate = rate;
        pending.rate = pending.any = true;
    });
}

void VstSynth::setBlockSize(VstInt32 frames)
{
    if (frames <= 0)
        return;
    // Blocks are rendered in pieces of at most kLargestPiece frames, so the
    // dry bus never needs more, whatever size a host announces. The buses are
    // made here and swapped in; the old ones are freed here on the next call.
    const size_t busFrames = static_cast<size_t>(std::min(frames, kLargestPiece));
    std::vector<float> fresh[2] = {std::vector<float>(busFrames), std::vector<float>(busFrames)};
    changeWholesale([&] {
        AudioEffectX::setBlockSize(frames);
        for (int c = 0; c < 2; ++c)
            pending.dryBus[c].swap(fresh[c]);
        pending.buses = pending.any = true;
    });
}

void VstSynth::setProgram(VstInt32 program)
{
    changeWholesale([&] { requestProgram(program); });
}

void VstSynth::requestProgram(VstInt32 program)
{
    if (program < 0 || program >= kNumPrograms)
        return;
    curProgram = program;
    bankIndex = program / kProgramsPerBank;
    pending.programNumber = program;
    pending.program = pending.any = true;
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
    // A restored chunk's settings may still wait for the next block.
    const bool restored = pending.header;
    chunk.header.currentProgram = curProgram;
    chunk.header.poly = restored ? pending.poly : engine.poly;
    chunk.header.bendUp = restored ? pending.bendUp : engine.bendUp;
    chunk.header.bendDown = restored ? pending.bendDown : engine.bendDown;
    chunk.header.formatVersion = kChunkFormatVersion;
    chunk.header.bankIndex = bankIndex;
    chunk.header.programDataVersion = restored ? pending.programDataVersion : engine.programDataVersion;
    memcpy(chunk.records, &programs[bankIndex * kProgramsPerBank], sizeof(chunk.records));
}

// A read: the audio thread renders on meanwhile, only a change waiting for
// it is taken a block later.
VstInt32 VstSynth::getChunk(void** data, bool /*isPreset*/)
{
    std::lock_guard<std::mutex> ui(uiLock);
    if (!chunkBuffer)
        chunkBuffer = std::make_unique<StateChunk>();
    acquireState(kUiBank);
    fillChunk(*chunkBuffer);
    releaseState();
    *data = chunkBuffer.get();
    return static_cast<VstInt32>(kStateChunkSize);
}

VstInt32 VstSynth::setChunk(void* data, VstInt32 byteSize, bool isPreset)
{
    bool restored = false;
    changeWholesale([&] { restored = restoreChunk(data, static_cast<size_t>(byteSize), isPreset); });
    return restored ? 1 : 0;
}

namespace {
// A stored NaN or infinity would reach the engine on the next program change;
// such a value is restored as 0, and every other one within its range.
void copyRecordSanitised(ProgramRecord& target, const ProgramRecord& source)
{
    target = source;
    for (int32_t index = 0; index < ParamIndex::kNumProgramParams; ++index) {
        float& value = target.params[index];
        value = std::isfinite(value) ? limitToParamRange(index, value) : 0.0f;
    }
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
        requestProgram(curProgram);
        return true;
    }
    for (int i = 0; i < kProgramsPerBank; ++i)
        copyRecordSanitised(programs[header.bankIndex * kProgramsPerBank + i], chunk->records[i]);
    pending.poly = header.poly;
    pending.bendUp = clampBendRange(header.bendUp);
    pending.bendDown = clampBendRange(header.bendDown);
    pending.programDataVersion = header.programDataVersion;
    pending.header = pending.any = true;
    requestProgram(header.currentProgram);
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
    changeWholesale([&] {
        const VstInt32 remembered = curProgram;
        if (restoreChunk(chunk.data(), chunk.size(), kind == PresetKind::Program) && kind == PresetKind::Bank)
            requestProgram(remembered);
    });
}

void VstSynth::savePresetFile(const std::string& path, PresetKind kind)
{
    if (!namesPresetFile(path))
        return;
    auto chunk = std::make_unique<StateChunk>();
    std::string programName;
    {
        std::lock_guard<std::mutex> ui(uiLock);
        acquireState(kUiBank);
        if (kind == PresetKind::Program) {
            std::string name = programNameFromPath(path);
            setProgramName(name.data());
        }
        fillChunk(*chunk);
        programName = currentRecord().name;
        releaseState();
    }
    const bool bank = kind == PresetKind::Bank;
    const std::vector<uint8_t> bytes =
        encodePresetFile(kind, chunk.get(), kStateChunkSize, kUniqueId,
                         bank ? kProgramsPerBank : ParamIndex::kNumProgramParams, bank ? path : programName);
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
    value = limitToParamRange(index, value);
    // A program change applies every stored value again; writing only what
    // differs keeps it from writing the bank a getChunk may be reading.
    if (isStoredIndex(index) && currentRecord().params[index] != value)
        currentRecord().params[index] = value;
    engine.setParameter(index, value);
}

void VstSynth::setParameterAutomated(VstInt32 index, float value)
{
    setParameter(index, value);
    if (!std::isfinite(value))
        return;
    if (index >= 0 && index < kHostParamCount && audioMaster)
        audioMaster(&cEffect, audioMasterAutomate, index, 0, nullptr, value);
    const int32_t controller = controllers.controllerFor(index);
    if (controller >= 0)
        echoController(controller, value);
}

void VstSynth::echoController(int32_t controller, float value)
{
    // A data byte above 127 would read as a status byte: out-of-range values
    // are sent as the nearest end.
    midiOutEvent.event.midiData[0] = static_cast<char>(0xb0);
    midiOutEvent.event.midiData[1] = static_cast<char>(controller);
    midiOutEvent.event.midiData[2] = static_cast<char>(static_cast<int>(clampTo(value, 0.0f, 1.0f) * 127.0f));
    sendVstEventsToHost(&midiOutEvent.list);
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
