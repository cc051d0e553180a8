#include "PluginHost.h"

#include <algorithm>
#include <cstring>

namespace {

// The plug-in calls back from inside its entry point, before the host has its
// AEffect to recognise it by (the pointer is null, or one whose `user` field
// the host has not filled in yet). The callback has no other context, so the
// instance being created on this thread is kept here for those calls.
thread_local PluginHost* instanceUnderConstruction = nullptr;

class ConstructionScope {
public:
    explicit ConstructionScope(PluginHost* host) : previous(instanceUnderConstruction)
    {
        instanceUnderConstruction = host;
    }
    ~ConstructionScope() { instanceUnderConstruction = previous; }

private:
    PluginHost* previous;
};

// Plug-ins hand 256 bytes for these strings; vendor and product names are 64
// at most everywhere, so writing no more than that fits every plug-in.
VstIntPtr copyHostString(const std::string& text, void* ptr)
{
    if (!ptr)
        return 0;
    const size_t length = std::min(text.size(), kVstMaxVendorStrLen - 1);
    std::memcpy(ptr, text.data(), length);
    static_cast<char*>(ptr)[length] = 0;
    return 1;
}

uint8_t statusByte(uint8_t kind, uint8_t channel) { return static_cast<uint8_t>(kind | (channel & 0x0F)); }

} // namespace

MidiMessage MidiMessage::noteOn(VstInt32 delta, uint8_t note, uint8_t velocity, uint8_t channel)
{
    return {delta, statusByte(0x90, channel), note, velocity};
}

MidiMessage MidiMessage::noteOff(VstInt32 delta, uint8_t note, uint8_t velocity, uint8_t channel)
{
    return {delta, statusByte(0x80, channel), note, velocity};
}

MidiMessage MidiMessage::controlChange(VstInt32 delta, uint8_t controller, uint8_t value, uint8_t channel)
{
    return {delta, statusByte(0xB0, channel), controller, value};
}

MidiMessage MidiMessage::programChange(VstInt32 delta, uint8_t program, uint8_t channel)
{
    return {delta, statusByte(0xC0, channel), program, 0};
}

MidiMessage MidiMessage::pitchBend(VstInt32 delta, uint16_t bend, uint8_t channel)
{
    return {delta, statusByte(0xE0, channel), static_cast<uint8_t>(bend & 0x7F),
            static_cast<uint8_t>((bend >> 7) & 0x7F)};
}

bool MidiMessage::operator==(const MidiMessage& other) const
{
    return deltaFrames == other.deltaFrames && status == other.status && data1 == other.data1 &&
           data2 == other.data2;
}

std::unique_ptr<PluginHost> PluginHost::load(const std::string& modulePath, std::string& error,
                                             HostSettings settings)
{
    std::unique_ptr<PluginModule> module = PluginModule::open(modulePath, error);
    if (!module)
        return nullptr;
    std::unique_ptr<PluginHost> host(new PluginHost(std::move(settings)));
    host->module = std::move(module);

    AEffect* effect;
    {
        ConstructionScope scope(host.get());
        effect = host->module->entry()(&PluginHost::hostCallback);
    }
    if (!effect) {
        error = "entry point of '" + modulePath + "' refused to create a plug-in";
        return nullptr;
    }
    // Nothing can be asked of a record that is not a VST effect, not even to
    // close it, so such a plug-in is abandoned as it is.
    if (effect->magic != kEffectMagic || !effect->dispatcher) {
        error = "entry point of '" + modulePath + "' returned something that is not a VST 2 effect";
        return nullptr;
    }
    effect->user = host.get();
    host->aeffect = effect;
    return host;
}

PluginHost::PluginHost(HostSettings hostSettings)
    : settings(std::move(hostSettings)), timeProvided(settings.provideTimeInfo)
{
    time.sampleRate = rate;
    time.tempo = 120.0;
    time.flags = kVstTempoValid;
}

PluginHost::~PluginHost() { close(); }

VstIntPtr PluginHost::dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt)
{
    return aeffect ? aeffect->dispatcher(aeffect, opcode, index, value, ptr, opt) : 0;
}

void PluginHost::open() { dispatch(effOpen); }

void PluginHost::setSampleRate(float newRate)
{
    // Plug-ins rebuild rate-dependent state here and rely on not rendering
    // meanwhile, so a running plug-in is suspended around the change.
    const bool wasResumed = resumed;
    suspend();
    rate = newRate;
    time.sampleRate = newRate;
    dispatch(effSetSampleRate, 0, 0, nullptr, newRate);
    rateSent = true;
    if (wasResumed)
        resume();
}

void PluginHost::setBlockSize(VstInt32 frames)
{
    const bool wasResumed = resumed;
    suspend();
    blockFrames = frames;
    dispatch(effSetBlockSize, 0, frames);
    blockSizeSent = true;
    if (wasResumed)
        resume();
}

void PluginHost::resume()
{
    if (!aeffect || resumed)
        return;
    if (!rateSent)
        setSampleRate(rate);
    if (!blockSizeSent)
        setBlockSize(blockFrames);
    const size_t inputs = static_cast<size_t>(std::max(aeffect->numInputs, 0));
    inputBuffers.assign(inputs, std::vector<float>(static_cast<size_t>(std::max(blockFrames, 0)), 0.0f));
    inputPointers.clear();
    for (std::vector<float>& buffer : inputBuffers)
        inputPointers.push_back(buffer.data());
    dispatch(effMainsChanged, 0, 1);
    dispatch(effStartProcess);
    resumed = true;
}

void PluginHost::suspend()
{
    if (!aeffect || !resumed)
        return;
    dispatch(effStopProcess);
    dispatch(effMainsChanged, 0, 0);
    resumed = false;
}

void PluginHost::close()
{
    if (!aeffect)
        return;
    suspend();
    dispatch(effClose);
    aeffect = nullptr;
}

void PluginHost::start(float newRate, VstInt32 frames)
{
    open();
    setSampleRate(newRate);
    setBlockSize(frames);
    resume();
}

void PluginHost::setParameter(VstInt32 index, float value)
{
    if (aeffect && aeffect->setParameter)
        aeffect->setParameter(aeffect, index, value);
}

float PluginHost::getParameter(VstInt32 index)
{
    return aeffect && aeffect->getParameter ? aeffect->getParameter(aeffect, index) : 0.0f;
}

void PluginHost::sendMidi(const std::vector<MidiMessage>& messages)
{
    outgoingEvents.assign(messages.size(), VstMidiEvent{});
    for (size_t i = 0; i < messages.size(); ++i) {
        VstMidiEvent& event = outgoingEvents[i];
        event.type = kVstMidiType;
        event.byteSize = sizeof(VstMidiEvent);
        event.deltaFrames = messages[i].deltaFrames;
        event.midiData[0] = static_cast<char>(messages[i].status);
        event.midiData[1] = static_cast<char>(messages[i].data1);
        event.midiData[2] = static_cast<char>(messages[i].data2);
    }
    // VstEvents is declared with two pointer slots and used with as many as
    // needed, so it is laid out by hand in word-aligned storage.
    const size_t bytes = offsetof(VstEvents, events) + std::max<size_t>(messages.size(), 2) * sizeof(VstEvent*);
    outgoingList.assign((bytes + sizeof(VstIntPtr) - 1) / sizeof(VstIntPtr), 0);
    auto* list = reinterpret_cast<VstEvents*>(outgoingList.data());
    list->numEvents = static_cast<VstInt32>(messages.size());
    auto** slots = reinterpret_cast<VstEvent**>(reinterpret_cast<char*>(list) + offsetof(VstEvents, events));
    for (size_t i = 0; i < outgoingEvents.size(); ++i)
        slots[i] = reinterpret_cast<VstEvent*>(&outgoingEvents[i]);
    dispatch(effProcessEvents, 0, 0, list);
}

bool PluginHost::process(float** outputs, VstInt32 frames)
{
    if (!aeffect || !resumed || !aeffect->processReplacing || frames < 0 || frames > blockFrames)
        return false;
    aeffect->processReplacing(aeffect, inputPointers.data(), outputs, frames);
    time.samplePos += frames;
    return true;
}

void PluginHost::setTempo(double bpm, bool valid)
{
    time.tempo = bpm;
    time.flags = valid ? (time.flags | kVstTempoValid) : (time.flags & ~kVstTempoValid);
}

void PluginHost::setTimeInfoProvided(bool provided) { timeProvided = provided; }

std::vector<AutomationRecord> PluginHost::automation() const
{
    std::lock_guard<std::mutex> lock(recordMutex);
    return automationRecords;
}

std::vector<MidiMessage> PluginHost::midiOut() const
{
    std::lock_guard<std::mutex> lock(recordMutex);
    return midiRecords;
}

std::vector<EditRecord> PluginHost::edits() const
{
    std::lock_guard<std::mutex> lock(recordMutex);
    return editRecords;
}

bool PluginHost::wantsMidi() const
{
    std::lock_guard<std::mutex> lock(recordMutex);
    return wantMidi;
}

int PluginHost::callbackCount(VstInt32 opcode) const
{
    std::lock_guard<std::mutex> lock(recordMutex);
    const auto found = callCounts.find(opcode);
    return found == callCounts.end() ? 0 : found->second;
}

VstIntPtr PluginHost::lastTimeRequest() const
{
    std::lock_guard<std::mutex> lock(recordMutex);
    return timeRequest;
}

void PluginHost::clearRecordings()
{
    std::lock_guard<std::mutex> lock(recordMutex);
    automationRecords.clear();
    editRecords.clear();
    midiRecords.clear();
    callCounts.clear();
    wantMidi = false;
    timeRequest = 0;
}

VstIntPtr VSTCALLBACK PluginHost::hostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                               void* ptr, float opt)
{
    PluginHost* host = instanceUnderConstruction;
    if (!host && effect)
        host = static_cast<PluginHost*>(effect->user);
    // A call from no known instance (another thread during an entry call) is
    // answered as by a host that does not know the plug-in.
    if (!host)
        return 0;
    host->record(opcode, index, value, ptr, opt);
    return host->answer(opcode, ptr);
}

void PluginHost::record(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt)
{
    std::lock_guard<std::mutex> lock(recordMutex);
    ++callCounts[opcode];
    if (opcode == audioMasterBeginEdit || opcode == audioMasterAutomate || opcode == audioMasterEndEdit)
        editRecords.push_back({opcode, index});
    switch (opcode) {
    case audioMasterAutomate:
        automationRecords.push_back({index, opt});
        break;
    case audioMasterWantMidi:
        wantMidi = wantMidi || value != 0;
        break;
    case audioMasterGetTime:
        timeRequest = value;
        break;
    case audioMasterProcessEvents: {
        const auto* list = static_cast<const VstEvents*>(ptr);
        if (!list)
            break;
        VstEvent* const* slots = list->events;
        for (VstInt32 i = 0; i < list->numEvents; ++i) {
            if (!slots[i] || slots[i]->type != kVstMidiType)
                continue;
            const auto* midi = reinterpret_cast<const VstMidiEvent*>(slots[i]);
            midiRecords.push_back({midi->deltaFrames, static_cast<uint8_t>(midi->midiData[0]),
                                   static_cast<uint8_t>(midi->midiData[1]), static_cast<uint8_t>(midi->midiData[2])});
        }
        break;
    }
    default:
        break;
    }
}

VstIntPtr PluginHost::answer(VstInt32 opcode, void* ptr)
{
    switch (opcode) {
    case audioMasterVersion:
        return settings.answerVersion ? kVstVersion : 0;
    case audioMasterGetVendorString:
        return settings.answerVendor ? copyHostString(settings.vendor, ptr) : 0;
    case audioMasterGetProductString:
        return copyHostString(settings.product, ptr);
    case audioMasterGetVendorVersion:
        return settings.vendorVersion;
    case audioMasterGetTime:
        return timeProvided ? reinterpret_cast<VstIntPtr>(&time) : 0;
    case audioMasterGetSampleRate:
        return static_cast<VstIntPtr>(rate);
    case audioMasterGetBlockSize:
        return blockFrames;
    case audioMasterProcessEvents:
        return 1;
    case audioMasterCanDo:
        return canDo(static_cast<const char*>(ptr));
    default:
        return 0;
    }
}

VstIntPtr PluginHost::canDo(const char* feature) const
{
    if (!feature)
        return 0;
    static const char* const kSupported[] = {"sendVstEvents", "sendVstMidiEvent", "receiveVstEvents",
                                             "receiveVstMidiEvent"};
    for (const char* supported : kSupported)
        if (std::strcmp(feature, supported) == 0)
            return 1;
    if (std::strcmp(feature, "sendVstTimeInfo") == 0)
        return timeProvided ? 1 : -1;
    return -1;
}
