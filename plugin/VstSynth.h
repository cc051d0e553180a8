// The plug-in object the host talks to: declares what Vesk is, stores and
// serves the current program's parameters, and drives the engine.
#pragma once

#include "ArpKeyList.h"
#include "AudioEffectX.h"
#include "ControllerMap.h"
#include "EngineOwner.h"
#include "KeyboardRing.h"
#include "NoteQueue.h"
#include "ParamIndex.h"
#include "PresetFile.h"
#include "ProgramRecord.h"
#include "StateChunk.h"
#include "SynthEditor.h"
#include "Vesk.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class VstSynth : public AudioEffectX, public EngineOwner, public ArpNoteSink {
public:
    static constexpr VstInt32 kUniqueId = vstFourCC('Q', 'Z', 'R', 'T');
    static constexpr VstInt32 kHostParamCount = ParamIndex::kNumHostParams;
    // Hosts may hand us huge blocks; the block-rate work runs on pieces of at
    // most this many frames.
    static constexpr VstInt32 kLargestPiece = 8192;

    explicit VstSynth(audioMasterCallback audioMaster);
    ~VstSynth() override;

    // Lifecycle. A suspended plug-in is not called for audio: everything
    // sounding ends then, rather than hang on into the next start.
    void open() override;
    void resume() override;
    void suspend() override;
    void setSampleRate(float rate) override;
    void setBlockSize(VstInt32 frames) override;

    // Programs.
    void setProgram(VstInt32 program) override;
    void setProgramName(char* name) override;
    void getProgramName(char* name) override;
    bool getProgramNameIndexed(VstInt32 category, VstInt32 index, char* text) override;
    VstInt32 getChunk(void** data, bool isPreset) override;
    VstInt32 setChunk(void* data, VstInt32 byteSize, bool isPreset) override;

    // The editor's preset-file commands. Paths not naming a preset file, and
    // files that cannot be read or written, change nothing.
    void loadBank(const std::string& path);
    void saveBank(const std::string& path);
    void loadPatch(const std::string& path);
    void savePatch(const std::string& path);

    // Parameters. The host, MIDI controllers and the engine's program change
    // all come through setParameter (it overrides both bases' hooks).
    void setParameter(VstInt32 index, float value) override;
    float getParameter(VstInt32 index) override;
    void setParameterAutomated(VstInt32 index, float value) override;
    // For the editor, whose own control already shows the new value.
    void setParameterQuiet(VstInt32 index, float value);
    void getParameterLabel(VstInt32 index, char* label) override;
    void getParameterDisplay(VstInt32 index, char* text) override;
    void getParameterName(VstInt32 index, char* text) override;
    bool canParameterBeAutomated(VstInt32 index) override;

    // Processing.
    VstInt32 processEvents(VstEvents* events) override;
    void processReplacing(float** inputs, float** outputs, VstInt32 frames) override;
    // The editor's on-screen keyboard (UI thread).
    void addKeyboardEvent(uint8_t status, uint8_t note, uint8_t velocity);
    // The editor's pattern menu (UI thread): ends what sounds, as a new
    // pattern would not end it, and takes the arpeggiator fields of pattern
    // 0..kNumArpPatterns-1.
    void loadArpPattern(int32_t pattern);
    // The arpeggiator's generated notes, queued for the block (audio thread).
    void queueArpEvent(uint8_t status, int32_t note, int32_t delta, uint8_t velocity) override;

    // The editor's "MIDI Learn" and "MIDI Forget" on the control of a
    // parameter: the next controller 2..127 that arrives drives the parameter,
    // or no controller drives it any more.
    void midiLearn(VstInt32 index) { controllers.learn(index); }
    void midiForget(VstInt32 index) { controllers.forget(index); }
    const ControllerMap& getControllerMap() const { return controllers; }

    // The editor's soft all-notes-off, carried out by the next block.
    void requestSoftAllNotesOff() { engine.softNotesOffPending.store(true, std::memory_order_release); }
    // Touch automation around an edit gesture in the editor.
    void beginEdit(VstInt32 index);
    void endEdit(VstInt32 index);
    float getProgramParameter(int32_t program, int32_t index) const { return programs[program].params[index]; }
    // The current program's description text (UI thread).
    const char* getProgramDescription() const { return currentRecord().description; }
    void setProgramDescription(const std::string& text);
    // Asks the host to read names and values again.
    void updateDisplay();
    // Bend ranges in semitones, kept with the bank in the state chunk.
    void setBendRanges(int32_t up, int32_t down);

    // Self-description.
    bool getOutputProperties(VstInt32 index, VstPinProperties* properties) override;
    VstInt32 getPlugCategory() override;
    bool getEffectName(char* name) override;
    bool getVendorString(char* text) override;
    bool getProductString(char* text) override;
    VstInt32 getVendorVersion() override;
    VstIntPtr vendorSpecific(VstInt32 index, VstIntPtr value, void* ptr, float opt) override;
    VstInt32 canDo(const char* text) override;

    // EngineOwner.
    double hostTempo() const override { return tempo; }
    bool hostIsMaker() const override { return hostIsMakerFlag; }
    float getParameter(int32_t index) const override;
    void setEffectOrderSlot(int slot, int32_t kind) override;

    const Vesk& getEngine() const { return engine; }
    int32_t getBankIndex() const { return bankIndex; }
    const int32_t* getEffectOrder() const { return effectOrder; }
    bool hostIsCockosOrZynewave() const { return hostIsCockosOrZynewaveFlag; }

private:
    ProgramRecord& currentRecord() { return programs[curProgram]; }
    const ProgramRecord& currentRecord() const { return programs[curProgram]; }
    void readHostTempo();
    // Audio thread, during a block.
    void takeInMidi(const PendingMidi& message, int32_t frames);
    void takeInNote(int32_t delta, uint8_t status, uint8_t note, uint8_t velocity, bool fromKeyboard = false);
    void queueNote(const NoteQueueEntry& entry);
    // The arpeggiator's run over one piece, with the held keys changing at
    // their own frames.
    void runArpeggiator(int32_t start, int32_t frames);
    void applyArpKey(const ArpKeyEvent& key, int32_t delta);
    void keepOverflowNoteOffsForArpeggiator(int32_t frames);
    void takeInController(uint8_t controller, uint8_t value);
    void driveAssignedParameter(uint8_t controller, float value);
    void echoController(int32_t controller, float value);
    void processPiece(float** outputs, int32_t start, int32_t frames, int& nextNote, bool lastPiece);
    void renderFrames(float** outputs, float** dry, int32_t& pos, int32_t until);
    void releaseOverflowNoteOffs();
    // Audio thread, from processEvents too.
    void rememberNoteOff(uint8_t note);
    // A program change from MIDI: at once if this block owns the state, else
    // at the start of the next block that does.
    void selectProgramFromMidi(VstInt32 program);
    // The UI side of a wholesale change: the host sees it at once, the engine
    // from the next block (or at once while no block is being processed).
    template <typename Change>
    void changeWholesale(Change&& change);
    void requestProgram(VstInt32 program);
    bool restoreChunk(const void* data, size_t size, bool isPreset);
    // Runs where the engine may change: on the audio thread at a block's
    // start, or on the UI thread while no block is being processed.
    void applyPendingChange();
    void fillChunk(StateChunk& chunk) const;
    void loadPresetFile(const std::string& path, PresetKind kind);
    void savePresetFile(const std::string& path, PresetKind kind);
    // The UI side takes the state (see StateOwner), waiting for the block
    // being rendered; the audio thread never waits for it.
    void acquireState(int owner);
    void releaseState();

    Vesk engine;
    ProgramRecord* programs;
    int32_t bankIndex = 0;
    bool hostIsMakerFlag = false;
    bool hostIsCockosOrZynewaveFlag = false;
    double tempo = 120.0; // beats per minute
    std::vector<float> dryBus[2];
    PendingMidiList pendingMidi; // as delivered, until the block takes them in
    NoteQueue noteQueue;
    // Note-offs that found both queues full of what must not be lost: each
    // key here is released at the end of the block (audio thread only).
    uint64_t overflowNoteOffs[2] = {0, 0};
    KeyboardRing keyboardRing;
    // While the arpeggiator runs (decided at the start of each block), note
    // events wait here for its run instead of going to the note queue.
    bool arpRunning = false;
    ArpKeyList arpKeyEvents;
    int arpKeyNext = 0;
    std::unique_ptr<SynthEditor> synthEditor;
    int32_t effectOrder[6] = {1, 2, 3, 4, 5, 6};
    ControllerMap controllers;
    // The control change echoed to the host. Each instance has its own, so two
    // instances echoing at once never write into each other's event; it
    // outlives the call for hosts that read it later.
    struct MidiOutEvent {
        VstEvents list;
        VstMidiEvent event;
    } midiOutEvent;
    // Each instance answers getChunk from its own buffer: a shared one would
    // let two instances saving at once overwrite each other's state.
    std::unique_ptr<StateChunk> chunkBuffer;

    // Who may touch the bank and the engine's wholesale state right now. The
    // audio thread owns it for a block when it is free; the UI side takes it
    // to read or write the bank (the audio thread then renders on from the
    // state it has) or, while no block is being processed, to change the
    // engine itself.
    enum StateOwner : int { kNobody, kAudioBlock, kUiBank, kUiEngine };
    std::atomic<int> stateOwner{kNobody};
    // What the UI side is waiting to take: for kUiBank the audio thread lets
    // its next block pass without taking the state, so the wait is one block
    // at most.
    std::atomic<int> uiWaiting{kNobody};
    // Blocks are being processed: from resume or the first block to suspend.
    std::atomic<bool> audioActive{false};
    // Serialises the UI-side callers among themselves.
    std::mutex uiLock;
    // A wholesale change prepared on the UI side, applied by applyPendingChange.
    struct PendingChange {
        bool any = false;
        bool rate = false;
        float sampleRate = 0.0f;
        bool header = false; // chunk-carried engine settings
        int32_t poly = 0, bendUp = 0, bendDown = 0, programDataVersion = 0;
        bool program = false;
        int32_t programNumber = 0;
        bool buses = false;
        std::vector<float> dryBus[2]; // the new buses, then the old ones to free
    } pending;
    // Audio thread only.
    bool blockOwnsState = false;
    int32_t deferredMidiProgram = -1;
};
