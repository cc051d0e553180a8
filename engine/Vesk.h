// The synthesis engine: turns parameter values into engine state, owns the
// program bank and the effect objects, and runs the output stage. Note
// handling, the arpeggiator, the modulation matrix, the voice render and the
// rate tables hang off it in their own files.
#pragma once

#include "EngineOwner.h"
#include "EngineState.h"
#include "FxDelay.h"
#include "FxReverb.h"
#include "FxVintagePhaser.h"
#include "Module.h"
#include "ProgramRecord.h"

#include <cstdint>
#include <memory>

class Vesk : public Module {
public:
    static constexpr double kConstructionRate = 5000.0; // until the first setSampleRate
    static constexpr int32_t kVoiceSlots = 72;
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
    // Applies one parameter (0..328, or 346 for the pitch bend); others are ignored.
    void setParameter(int32_t index, float value);
    // Resets and loads program p (0..383) through the owner, then reads the
    // effect order back from it.
    void setProgram(int32_t program);
    // Applies every value of the current program again, without the owner.
    void reapplyProgram();
    void reset();
    // Clears the arpeggiator's held keys; hard runs reset, soft releases every
    // sounding voice.
    void allNotesOff(bool hard);

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
    ArpState arp;
    ModMatrixState mod;
    NoteState notes;

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

    // Seams for the parts that arrive with later work. Each is called exactly
    // where the thing must be rebuilt or cleared, so filling it in is all
    // those parts need.
    void rebuildArpTimeline();            // arpeggiator: the 1024-tick timelines from steps, length, swing
    void rebuildLfoWaveform(int32_t lfo); // LFO tables: the waveform from shape and skew
    void rebuildRateTables();             // envelope time, waveform and pitch tables
    void rebuildCutoffTables();           // cutoff, ladder and comb tables
    void rebuildSpikeTables();
    void clearVoiceSlots();               // every per-voice state array of the 72 slots
    void clearVoiceFilterStates();        // the filter memories of the 72 slots
    void releaseVoiceSlots();             // marks every active slot released

    EngineOwner& owner;
    std::unique_ptr<ProgramRecord[]> bank;
};
