// One plug-in instance loaded through its module's entry point, with the host
// callback a real host gives it: the answers it asks for (version, vendor,
// time info, rates) and a record of what it sends back (automation, MIDI).
//
// Threads: like a real host, the dispatcher calls (open, rates, parameters,
// close) belong to one "UI" thread and sendMidi, process and the time info to
// one "audio" thread; the plug-in may call back from either, so the recordings are
// guarded and read out as copies.
#pragma once

#include "PluginModule.h"
#include "VstAbi.h"

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

struct HostSettings {
    std::string vendor = "Vesk Test Host";
    bool answerVendor = true; // false: the vendor query answers 0 and writes nothing
    std::string product = "vesk-host";
    VstInt32 vendorVersion = 1;
    bool answerVersion = true; // false: audioMasterVersion answers 0, so VST plug-ins refuse to start
    bool provideTimeInfo = true;
};

// A short MIDI message at a frame offset, both ways.
struct MidiMessage {
    VstInt32 deltaFrames = 0;
    uint8_t status = 0;
    uint8_t data1 = 0;
    uint8_t data2 = 0;

    static MidiMessage noteOn(VstInt32 delta, uint8_t note, uint8_t velocity, uint8_t channel = 0);
    static MidiMessage noteOff(VstInt32 delta, uint8_t note, uint8_t velocity = 0, uint8_t channel = 0);
    static MidiMessage controlChange(VstInt32 delta, uint8_t controller, uint8_t value, uint8_t channel = 0);
    static MidiMessage programChange(VstInt32 delta, uint8_t program, uint8_t channel = 0);
    // bend: 0..16383, 8192 = centre
    static MidiMessage pitchBend(VstInt32 delta, uint16_t bend, uint8_t channel = 0);

    bool operator==(const MidiMessage& other) const;
};

// One touch-automation call: audioMasterBeginEdit, audioMasterAutomate or
// audioMasterEndEdit, for a parameter.
struct EditRecord {
    VstInt32 opcode;
    VstInt32 index;
};

struct AutomationRecord {
    VstInt32 index;
    float value;

    bool operator==(const AutomationRecord& other) const { return index == other.index && value == other.value; }
};

class PluginHost {
public:
    // Loads the module and creates one plug-in through its entry point. On
    // failure returns nullptr and sets `error` (module not found or not
    // loadable, no entry point, entry refused, not a VST effect).
    static std::unique_ptr<PluginHost> load(const std::string& modulePath, std::string& error,
                                            HostSettings settings = {});
    // Suspends the plug-in if it is running and closes it.
    ~PluginHost();

    PluginHost(const PluginHost&) = delete;
    PluginHost& operator=(const PluginHost&) = delete;

    // The plug-in's record; nullptr once closed.
    AEffect* effect() const { return aeffect; }
    // Any opcode; answers 0 once closed.
    VstIntPtr dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr, float opt = 0);

    void open();
    void setSampleRate(float rate);
    void setBlockSize(VstInt32 frames);
    // Tells the plug-in the current sample rate and block size first if it
    // has not been told yet: plug-ins size their buffers from them.
    void resume();
    void suspend();
    // Frees the plug-in; further calls on this host do nothing.
    void close();
    // The usual start-up sequence: open, sample rate, block size, resume.
    void start(float rate, VstInt32 blockFrames);

    void setParameter(VstInt32 index, float value);
    float getParameter(VstInt32 index);

    // Hands the plug-in these events for the next process call. The list stays
    // valid until the next sendMidi, as plug-ins may read it during process.
    void sendMidi(const std::vector<MidiMessage>& messages);
    // processReplacing into outputs[0..numOutputs-1] with silent inputs.
    // Refuses (returns false, outputs untouched) while not resumed, for more
    // frames than the block size set, or when the plug-in cannot replace.
    bool process(float** outputs, VstInt32 frames);

    // Time info answered to audioMasterGetTime; its position advances by the
    // frames of every process call.
    void setTempo(double bpm, bool valid = true);
    void setTimeInfoProvided(bool provided);
    VstTimeInfo& timeInfo() { return time; }

    float sampleRate() const { return rate; }
    VstInt32 blockSize() const { return blockFrames; }

    // What the plug-in sent back.
    std::vector<AutomationRecord> automation() const;
    // Begin-edit, automate and end-edit calls in the order they came.
    std::vector<EditRecord> edits() const;
    std::vector<MidiMessage> midiOut() const;
    bool wantsMidi() const;
    // How often the plug-in called the host with `opcode`.
    int callbackCount(VstInt32 opcode) const;
    // The flags the plug-in asked for in its last audioMasterGetTime.
    VstIntPtr lastTimeRequest() const;
    void clearRecordings();

private:
    explicit PluginHost(HostSettings settings);

    static VstIntPtr VSTCALLBACK hostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                              void* ptr, float opt);
    VstIntPtr answer(VstInt32 opcode, void* ptr);
    VstIntPtr canDo(const char* feature) const;
    void record(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);

    std::unique_ptr<PluginModule> module; // first member, so the plug-in's code is unmapped last
    HostSettings settings;
    AEffect* aeffect = nullptr;
    bool resumed = false;
    bool rateSent = false;
    bool blockSizeSent = false;
    float rate = 44100.0f;
    VstInt32 blockFrames = 512;
    VstTimeInfo time{};
    bool timeProvided;

    std::vector<VstMidiEvent> outgoingEvents;
    std::vector<VstIntPtr> outgoingList; // a VstEvents with room for all event pointers
    std::vector<std::vector<float>> inputBuffers;
    std::vector<float*> inputPointers;

    mutable std::mutex recordMutex;
    std::vector<AutomationRecord> automationRecords;
    std::vector<EditRecord> editRecords;
    std::vector<MidiMessage> midiRecords;
    std::map<VstInt32, int> callCounts;
    bool wantMidi = false;
    VstIntPtr timeRequest = 0;
};
