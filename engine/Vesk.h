// The synthesis engine: turns parameter values into engine state, owns the
// program bank and the effect objects, and runs the output stage. Note
// handling, the arpeggiator, the modulation matrix, the voice render and the
// rate tables hang off it in their own files.
#pragma once

#include "Arpeggiator.h"
#include "EngineOwner.h"
#include "EngineState.h"
#include "FxDelay.h"
#include "FxReverb.h"
#include "FxVintagePhaser.h"
#include "Module.h"
#include "NoteHandler.h"
#include "ProgramRecord.h"
#include "Random15.h"
#include "RateTables.h"
#include "VoiceSlot.h"

struct ModRoutes;
struct VoiceControls;

// Working buffers of one render slice, shared by every voice in turn (each
// voice's own signal and filter envelope are kept by the render).
struct RenderScratch {
    float voice2[kMaxSliceFrames];   // the second part of the split filter types
    float filterFm[kMaxSliceFrames]; // cutoff offsets in the Filter FM mode
};

#include <atomic>
#include <cstdint>
#include <memory>

class Vesk : public Module {
public:
    // Hosts may process before they set a rate; until then everything runs here.
    static constexpr float kDefaultSampleRate = 44100.0f;
    static constexpr int32_t kDefaultPoly = 12;
    static constexpr int32_t kDefaultBendRange = 2;     // semitones
    static constexpr int32_t kProgramDataVersion = 16;
    // setSampleRate ignores rates outside this range (and NaN): no host rate
    // lies there, and the tables and effect memories are sized for it.
    static constexpr float kLowestSampleRate = 1000.0f;
    static constexpr float kHighestSampleRate = 768000.0f;

    explicit Vesk(EngineOwner& owner);
    ~Vesk() override;

    void setSampleRate(float rate);
    // Builds the tables for `rate` aside while the ones in use keep playing;
    // the next setSampleRate at that rate takes them instead of rebuilding.
    void prepareTables(float rate);
    // Applies one parameter (0..328, or 346 for the pitch bend); others are ignored.
    void setParameter(int32_t index, float value);
    // Resets and loads program p (0..383) through the owner, then reads the
    // effect order back from it.
    void setProgram(int32_t program);
    // Applies every value of the current program again, without the owner.
    void reapplyProgram();
    void reset();
    // Clears the arpeggiator's held keys and notes; hard runs reset, soft
    // releases every sounding voice.
    void allNotesOff(bool hard);

    // Note events, between render slices (layerMask: -1 all layers, else bit k
    // for layer k).
    void noteOn(int32_t note, int32_t velocity, int32_t layerMask);
    void noteOff(int32_t note, int32_t velocity, int32_t layerMask);
    void retuneLayers(int32_t note, int32_t layerMask);

    // Audio thread, at the start of a block before its keys are taken in:
    // the soft all-notes-off another thread asked for (Mono Mode off, a
    // pattern load), or that a change of Arp On or Arp Mode calls for (the
    // editor's handler does the same), whichever thread changed them.
    void settlePendingReleases();
    // Tick length from the host tempo and the rate, for a piece of the block.
    void arpBeginPiece(int32_t blockOffset, int32_t frames);
    // Frames [from, to) of that piece; notes go to the sink.
    void arpProcess(int32_t from, int32_t to, ArpNoteSink& sink) { arp.process(from, to, sink); }
    // Takes a pattern's arpeggiator fields from a program record, through the
    // owner (Arp Range and Arp On stay as they are).
    void loadArpPattern(const ProgramRecord& record);

    // Renders every sounding voice into the FX bus and the dry bus, both
    // overwritten from their start; 1..64 frames.
    void render(int32_t frames, float* const* fxBus, float* const* dryBus);

    // The effects chain over the FX bus in the given slot order, then the dry
    // bus; once per host block, after the block-rate modulation pass.
    void processEffects(int32_t frames, float** fxBus, float* const* dryBus, const int32_t* order, float tempo);
    // Master gain ramp and, while Osc Sync is on, the 8 Hz DC blocker, in place.
    void outputStage(int32_t frames, float** outputs);
    // The per-block ramps of cutoff, FM amount and pulse width.
    void beginBlock(int32_t frames);
    void endBlock();

    ProgramRecord* programs() { return bank.get(); }

    // Rate block (sampleRate and hzToPhaseInc are Module's).
    float twiceRate;
    float fourRate;
    float rateRatio; // sampleRate / 44100

    // Program and chunk-carried settings.
    int32_t currentProgram = 0;
    int32_t programDataVersion = kProgramDataVersion;
    int32_t bendUp = kDefaultBendRange;   // semitones
    int32_t bendDown = kDefaultBendRange; // semitones
    int32_t poly = kDefaultPoly;          // voice slots in use, 8..72, always

    OscillatorFields osc;
    EnvelopeFields env;
    FilterFields filter;
    LfoFields lfo[LfoFields::kCount];
    VoiceStackFields stack;
    ControllerState ctl;
    SmoothingRamps ramps;
    EffectFields fx;
    OutputStage out;
    Arpeggiator arp;
    ModMatrixState mod;

    // The voices and what drives them.
    std::unique_ptr<RateTables> tables;
    VoiceSlot voices[kMaxVoices];
    Random15 random;
    NoteSettings noteSettings;
    NoteHandler notes{voices, noteSettings, random};
    int32_t blockFrame = 0; // frames rendered so far in the current host block
    // Whether a voice may have sounded since the block began; while not, both
    // buses hold only zeros and the chain can skip what silence leaves alone.
    bool voicesInBlock = true;
    uint32_t noiseState = 1; // the noise generator all voices share
    // A Filter Type change clears every voice's filter memories. The change
    // may come from the UI thread while a slice renders, so it only raises
    // this flag and the audio thread clears them before its next slice.
    std::atomic<bool> filterMemoriesStale{false};
    // Turning Mono Mode off releases every note; the switch may come from the
    // UI thread, so it only raises this and the next block does the release.
    std::atomic<bool> softNotesOffPending{false};
    RenderScratch scratch;

    // The modulation slots in use, read once per slice for all voices.
    ModRoutes modRoutes() const;
    // Folds the slots routed to this voice into its controls.
    void modulateVoice(const VoiceSlot& slot, VoiceControls& controls, const ModRoutes& routes);
    // The block-rate modulation pass: the delay's LFO 2 record and the
    // controller curves. Once per host block, after the last render slice.
    void updateGlobalModulation();

    // The effect objects, created in this order and owned here.
    std::unique_ptr<FxVintagePhaser> phaser;
    std::unique_ptr<FxDelay> delay;
    std::unique_ptr<FxReverb> reverb;

private:
    void applyOscillator(int32_t index, float value);
    void applyEnvelope(int32_t index, float value);
    void applyFilter(int32_t index, float value);
    void applyLfo(int32_t index, float value);
    void applyVoiceStack(int32_t index, float value);
    void applyArpeggiator(int32_t index, float value);
    void applyEffect(int32_t index, float value);
    void applyModulation(int32_t index, float value);
    void applyPitchBend(float value);
    void applyVolume(float value);
    void setRateBlock(float rate);

    void rebuildLfoWaveform(int32_t lfo);
    template <typename Apply>
    void applyProgramValues(Apply&& apply, const ProgramRecord& record);
    void refreshNoteSettings();

    bool lfoRebuildsDeferred = false; // while a whole program is being applied
    std::unique_ptr<RateTables> spareTables;
    bool spareTablesReady = false;
    EngineOwner& owner;
    std::unique_ptr<ProgramRecord[]> bank;
};
