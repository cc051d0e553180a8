// The plug-in object the host talks to: declares what Vesk is, stores and
// serves the current program's parameters, and drives the engine.
#pragma once

#include "AudioEffectX.h"
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

class VstSynth : public AudioEffectX, public EngineOwner {
public:
    static constexpr VstInt32 kUniqueId = vstFourCC('Q', 'Z', 'R', 'T');
    static constexpr VstInt32 kHostParamCount = ParamIndex::kNumHostParams;
    // Hosts may hand us huge blocks; the block-rate work runs on pieces of at
    // most this many frames.
    static constexpr VstInt32 kLargestPiece = 8192;

    explicit VstSynth(audioMasterCallback audioMaster);
    ~VstSynth() override;

    // Lifecycle.
    void open() override;
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
    // The editor's soft all-notes-off, carried out by the next block.
    void requestSoftAllNotesOff() { softAllNotesOffRequested.store(true, std::memory_order_release); }
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
    // Audio thread, holding stateLock.
    void takeInMidi(const PendingMidi& message, int32_t frames);
    void takeInNote(int32_t delta, uint8_t status, uint8_t note, uint8_t velocity);
    void takeInController(uint8_t controller, uint8_t value);
    void processPiece(float** outputs, int32_t start, int32_t frames, int& nextNote, bool lastPiece);
    void renderFrames(float** outputs, float** dry, int32_t& pos, int32_t until);
    void releaseOverflowNoteOffs();
    // Audio thread, from processEvents too.
    void rememberNoteOff(uint8_t note);
    // The callers of these hold stateLock.
    void selectProgram(VstInt32 program);
    bool restoreChunk(const void* data, size_t size, bool isPreset);
    void fillChunk(StateChunk& chunk) const;
    // These take stateLock themselves, around the state change only.
    void loadPresetFile(const std::string& path, PresetKind kind);
    void savePresetFile(const std::string& path, PresetKind kind);

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
    std::atomic<bool> softAllNotesOffRequested{false};
    std::unique_ptr<SynthEditor> synthEditor;
    int32_t effectOrder[6] = {1, 2, 3, 4, 5, 6};
    // Each instance answers getChunk from its own buffer: a shared one would
    // let two instances saving at once overwrite each other's state.
    std::unique_ptr<StateChunk> chunkBuffer;
    // Wholesale state changes (program, chunk, bank, sample rate) hold this on
    // the UI thread; the audio thread only tries it and renders silence for a
    // block it cannot get, so it never waits.
    std::mutex stateLock;
};
