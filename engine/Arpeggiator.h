// The 32-step pattern sequencer: held keys in, note events at exact frames
// out, and the per-frame Arp Note / Arp Vel values the modulation matrix reads.
//
// Threads: the parameters may be written from any thread, one atomic word at a
// time. Everything else belongs to the audio thread. The timeline is built
// only there, from the published values, at the start of the first piece after
// one of its inputs changed: a tick can never read a half-rebuilt table, and
// nobody waits for anybody.
#pragma once

#include <atomic>
#include <cstdint>

// Where generated notes go (the plug-in's note queue).
class ArpNoteSink {
public:
    // status 0x90 note-on, 0x80 note-off; delta is the frame in the host block.
    virtual void queueArpEvent(uint8_t status, int32_t note, int32_t delta, uint8_t velocity) = 0;

protected:
    ~ArpNoteSink() = default;
};

// Arp Mode codes, as stored in programs.
namespace ArpModeCode {
enum : int32_t {
    kSimple = 0,
    kVoice2468 = 1,
    kOneShot = 2,
    kChord = 3,
    kModulation = 4,
    kDynamic = 5,
    kDuophonic = 6,
};
} // namespace ArpModeCode

class Arpeggiator {
public:
    static constexpr int32_t kStepCount = 32;
    static constexpr int32_t kTicksPerStep = 32;
    static constexpr int32_t kTimelineTicks = kStepCount * kTicksPerStep;
    static constexpr int32_t kKeyCount = 128;
    static constexpr int32_t kMaxFrames = 8192; // the longest piece one run covers
    static constexpr uint8_t kNoteOffVelocity = 64;

    Arpeggiator();

    // --- parameters (any thread) ---
    void setStepValue(int32_t step, float value);
    void setFingerValue(int32_t step, float value);
    void setGateOffset(int32_t ticks);
    void setSwing(float value);
    // A change of either switches the arpeggiator's notes off (settleSwitches).
    void setArpOn(bool on);
    void setArpMode(int32_t code);

    std::atomic<float> stepValue[kStepCount] = {};   // 0 rest, (n + 1)/128 n semitones up, 1.0 tie
    std::atomic<float> fingerValue[kStepCount] = {}; // velocity factor, key group or second line
    std::atomic<int32_t> arpMode{ArpModeCode::kSimple};
    std::atomic<uint8_t> arpSteps{1};   // 1..32, always
    std::atomic<int32_t> gateOffset{0}; // ticks, -31..+31 for 0..1
    std::atomic<float> swing{0.5f};
    std::atomic<bool> arpSync{false};
    std::atomic<bool> arpOn{false};
    std::atomic<float> arpRateRaw{0.0f};
    std::atomic<double> arpFreeRate{0.1}; // steps per second
    std::atomic<float> velocityBlend{0.0f};
    std::atomic<int32_t> arpCurrentStep{0}; // for the editor's step display

    // --- audio thread ---

    // True once after Arp On or Arp Mode changed; the caller then ends what is
    // sounding and the display returns to step 0.
    bool takeSwitchChange();
    // Prepares a piece of `frames` (1..kMaxFrames) starting at `blockOffset`
    // in the host block: the tick length and, if stale, the timeline. A tick
    // length that differs from the last keeps the position within the tick,
    // so a tempo or rate jump moves on smoothly instead of catching up.
    void beginPiece(int32_t blockOffset, int32_t frames, double framesPerTick);
    // Frames [from, to) of the current piece.
    void process(int32_t from, int32_t to, ArpNoteSink& sink);
    // The pattern starts again: its first tick falls on the next frame processed.
    void restart();
    // While the arpeggiator is off its clock still creeps, once per block.
    void idleBlock() { ++phaseFrames; }

    int32_t lowestHeldKey() const;
    // Arp Note and Arp Vel at a frame of the host block.
    float noteOutAt(int32_t blockFrame) const;
    float velOutAt(int32_t blockFrame) const;

    // Forgets the held keys, and the sounding notes, which the caller releases.
    void allNotesOff();
    // allNotesOff, and the last step and finger values go back to rest.
    void reset();

    uint8_t arpKeys[kKeyCount] = {}; // velocity of each held key, 0 = not held
    int32_t arpLastNote = -1;        // the main line's sounding note, -1 none
    // Voice 2/4/6/8: the key last played (-1 at the pattern start);
    // Duophonic: the second line's sounding note (-1 none).
    int32_t arpCursor = -1;
    float lastStepValue = 0.0f; // the last note step's value (Arp Note)
    float lastFinger = 0.5f;    // the last finger value seen (Arp Vel)

private:
    void rebuildArpTimeline();
    void markTimelineStale() { timelineStale.store(true, std::memory_order_release); }
    void processTick(uint64_t tick, int32_t delta, ArpNoteSink& sink);
    // Frames from the current one until the next tick falls (0: now).
    int64_t framesToTick() const;
    void holdOutputs(int32_t from, int32_t to);
    void playLines(int32_t pos, int32_t n, int32_t delta, ArpNoteSink& sink);
    void playDuophonic(int32_t pos, int32_t n, int32_t delta, ArpNoteSink& sink);
    void endNote(int32_t& note, int32_t delta, ArpNoteSink& sink);
    // Queues a note-on, limited to 127; answers the note queued.
    int32_t startNote(int32_t note, int32_t velocity, int32_t delta, ArpNoteSink& sink);
    int32_t blend(int32_t keyVelocity) const;
    int32_t outIndex(int32_t blockFrame) const;

    std::atomic<bool> timelineStale{true};
    std::atomic<uint32_t> switchChanges{0};
    uint32_t switchChangesSeen = 0;

    float timelineValue[kTimelineTicks];  // per tick: 1.0 no event, else the step value
    float timelineFinger[kTimelineTicks]; // per tick: 1.0, or the finger value of the event
    // Frames accumulated toward the next tick: arpPhase as of the last tick
    // (or restart), plus phaseFrames counted since. Kept apart so that a
    // tick's frame is one exact step of arithmetic per tick, the same however
    // the block is cut, instead of a sum rounded frame by frame.
    double arpPhase = 0.0;
    int64_t phaseFrames = 0;
    double framesPerTick = 0.0;  // of the current piece; 0 before the first
    uint64_t arpTick = 0;        // ticks since the pattern started (never wraps in practice)
    bool restartPending = false; // the next frame processed starts the pattern
    int32_t pieceStart = 0;      // block frame of the current piece's frame 0
    int32_t pieceFrames = 0;
    float arpNoteOut[kMaxFrames]; // lastStepValue per frame of the current piece
    float arpVelOut[kMaxFrames];  // lastFinger per frame of the current piece
};
