#include "Arpeggiator.h"

#include "Conversions.h"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace {

using namespace ArpModeCode;

constexpr float kNoEvent = 1.0f;       // timeline entry of a tick without an event (also a tie)
constexpr float kNoteStep = 0.00001f;  // step values above this play; at or below it rest
constexpr int32_t kTie = 128;          // n of a tie: the sounding note goes on
constexpr int32_t kMaxSwingTicks = 24;
constexpr int32_t kMaxGateTicks = 31;
constexpr int32_t kFingersPerGroup = 16; // Dynamic: int(f·128)/16 picks the key
constexpr int32_t kHighestNote = 127;
constexpr uint8_t kNoteOn = 0x90;
constexpr uint8_t kNoteOff = 0x80;

// Stored values are used within 0..1 (NaN as 0), whatever a host sent.
float unit(float v) { return v > 0.0f ? (v < 1.0f ? v : 1.0f) : 0.0f; }

// n of a step value: 0 rest, 1..127 the key n - 1 semitones up, 128 tie.
int32_t stepNumber(float v) { return truncToInt(static_cast<double>(v) * 128.0); }

} // namespace

Arpeggiator::Arpeggiator()
{
    std::fill(std::begin(timelineValue), std::end(timelineValue), kNoEvent);
    std::fill(std::begin(timelineFinger), std::end(timelineFinger), kNoEvent);
    std::fill(std::begin(arpNoteOut), std::end(arpNoteOut), lastStepValue);
    std::fill(std::begin(arpVelOut), std::end(arpVelOut), lastFinger);
}

void Arpeggiator::setStepValue(int32_t step, float value)
{
    if (step < 0 || step >= kStepCount)
        return;
    stepValue[step].store(value, std::memory_order_relaxed);
    markTimelineStale();
}

void Arpeggiator::setFingerValue(int32_t step, float value)
{
    if (step < 0 || step >= kStepCount)
        return;
    fingerValue[step].store(value, std::memory_order_relaxed);
    markTimelineStale();
}

void Arpeggiator::setGateOffset(int32_t ticks)
{
    gateOffset.store(ticks, std::memory_order_relaxed);
    markTimelineStale();
}

void Arpeggiator::setSwing(float value)
{
    swing.store(value, std::memory_order_relaxed);
    markTimelineStale();
}

void Arpeggiator::setArpOn(bool on)
{
    if (arpOn.exchange(on) != on)
        switchChanges.fetch_add(1, std::memory_order_release);
}

void Arpeggiator::setArpMode(int32_t code)
{
    if (arpMode.exchange(code) != code)
        switchChanges.fetch_add(1, std::memory_order_release);
}

bool Arpeggiator::takeSwitchChange()
{
    const uint32_t changes = switchChanges.load(std::memory_order_acquire);
    if (changes == switchChangesSeen)
        return false;
    switchChangesSeen = changes;
    return true;
}

void Arpeggiator::rebuildArpTimeline()
{
    std::fill(std::begin(timelineValue), std::end(timelineValue), kNoEvent);
    std::fill(std::begin(timelineFinger), std::end(timelineFinger), kNoEvent);
    const int32_t swingTicks = clampTo(truncToInt((static_cast<double>(swing.load()) - 0.5) * 48.0),
                                       -kMaxSwingTicks, kMaxSwingTicks);
    const int32_t gate = clampTo(gateOffset.load(), -kMaxGateTicks, kMaxGateTicks);
    for (int32_t k = 0; k < kStepCount; ++k) {
        const float value = unit(stepValue[k].load(std::memory_order_relaxed));
        const int32_t base = kTicksPerStep * k + (k % 4 == 2 ? swingTicks : 0);
        // A rest moves with Arp Length: it ends the note before it early or late.
        const int32_t at = clampTo(value > kNoteStep ? base : base + gate, 0, kTimelineTicks - 1);
        timelineValue[at] = value;
        timelineFinger[at] = unit(fingerValue[k].load(std::memory_order_relaxed));
    }
}

void Arpeggiator::beginPiece(int32_t blockOffset, int32_t frames, double ticks)
{
    if (timelineStale.load(std::memory_order_acquire) && timelineStale.exchange(false, std::memory_order_acq_rel))
        rebuildArpTimeline();
    // At most one tick per frame: a shorter tick would only pile up phase.
    const double length = ticks > 1.0 ? ticks : 1.0;
    if (framesPerTick > 0.0 && length != framesPerTick) {
        arpPhase = (arpPhase + static_cast<double>(phaseFrames)) * (length / framesPerTick);
        phaseFrames = 0;
    }
    framesPerTick = length;
    pieceStart = blockOffset;
    pieceFrames = clampTo(frames, 0, kMaxFrames);
}

void Arpeggiator::restart()
{
    restartPending = true;
    arpTick = 0;
    arpPhase = 0.0;
    phaseFrames = 0;
}

int64_t Arpeggiator::framesToTick() const
{
    // The tick falls on the first frame at which the phase reaches a tick.
    const double wait = std::ceil(framesPerTick - arpPhase) - static_cast<double>(phaseFrames);
    return wait > 0.0 ? static_cast<int64_t>(wait) : 0;
}

void Arpeggiator::holdOutputs(int32_t from, int32_t to)
{
    std::fill(arpNoteOut + from, arpNoteOut + to, lastStepValue);
    std::fill(arpVelOut + from, arpVelOut + to, lastFinger);
    phaseFrames += to - from;
}

void Arpeggiator::process(int32_t from, int32_t to, ArpNoteSink& sink)
{
    from = std::max(from, 0);
    to = std::min(to, pieceFrames);
    // Between ticks nothing changes: whole stretches at once, one tick at a time.
    for (int32_t i = from; i < to;) {
        if (restartPending) {
            // The pattern's first tick falls on this very frame.
            arpPhase = framesPerTick;
            phaseFrames = 0;
            restartPending = false;
        }
        const int64_t wait = framesToTick();
        const int32_t tickAt = wait < to - i ? i + static_cast<int32_t>(wait) : to;
        holdOutputs(i, tickAt);
        i = tickAt;
        if (i == to)
            break;
        arpPhase = arpPhase + static_cast<double>(phaseFrames) - framesPerTick;
        phaseFrames = 0;
        processTick(arpTick++, pieceStart + i, sink);
        holdOutputs(i, i + 1);
        ++i;
    }
}

void Arpeggiator::processTick(uint64_t tick, int32_t delta, ArpNoteSink& sink)
{
    const int32_t mode = arpMode.load(std::memory_order_relaxed);
    const uint64_t length = uint64_t{arpSteps.load(std::memory_order_relaxed)} * kTicksPerStep;
    if (mode == kOneShot && tick >= length) {
        // The single pass is over; its last note ends with its step.
        if (tick == length)
            endNote(arpLastNote, delta, sink);
        return;
    }
    const int32_t pos = static_cast<int32_t>(tick % length);
    const float value = timelineValue[pos];
    const int32_t n = stepNumber(value);
    arpCurrentStep.store(pos / kTicksPerStep, std::memory_order_relaxed);
    if (pos == 0 && mode != kDuophonic)
        arpCursor = -1;
    // With every key up, each pass ends whatever still sounds: a pattern of
    // ties (or one edited while playing) would otherwise hold it for ever.
    if (pos == 0 && lowestHeldKey() < 0) {
        endNote(arpLastNote, delta, sink);
        if (mode == kDuophonic)
            endNote(arpCursor, delta, sink);
    }
    if (mode == kDuophonic) {
        playDuophonic(pos, n, delta, sink);
        return;
    }
    if (n >= kTie)
        return;
    const float finger = timelineFinger[pos];
    if (finger > kNoteStep && mode != kDynamic)
        lastFinger = finger;
    if (n > 0)
        lastStepValue = value;

    switch (mode) {
    case kSimple:
    case kOneShot:
    case kVoice2468:
    case kDynamic:
        playLines(pos, n, delta, sink);
        break;
    case kChord:
        // The held chord itself, untransposed: a note step adds voices, a rest releases them.
        for (int32_t k = kKeyCount - 1; k >= 0; --k) {
            if (arpKeys[k] == 0)
                continue;
            if (n > 0)
                startNote(k, blend(arpKeys[k]), delta, sink);
            else
                sink.queueArpEvent(kNoteOff, k, delta, kNoteOffVelocity);
        }
        break;
    default: // Modulation (and unknown codes) play nothing
        break;
    }
}

void Arpeggiator::playLines(int32_t pos, int32_t n, int32_t delta, ArpNoteSink& sink)
{
    endNote(arpLastNote, delta, sink);
    if (n == 0)
        return;
    const int32_t mode = arpMode.load(std::memory_order_relaxed);
    if (mode == kVoice2468) {
        // Walk up through the held keys, one note step at a time, wrapping round.
        for (int32_t c = 1; c <= kKeyCount; ++c) {
            const int32_t k = (arpCursor + c + kKeyCount) % kKeyCount;
            if (arpKeys[k] > 0) {
                arpCursor = k;
                arpLastNote = startNote(k + n - 1, blend(arpKeys[k]), delta, sink);
                return;
            }
        }
        return;
    }
    const int32_t low = lowestHeldKey();
    if (low < 0)
        return;
    if (mode != kDynamic) {
        arpLastNote = startNote(low + n - 1, blend(arpKeys[low]), delta, sink);
        return;
    }
    // Dynamic: the finger value picks one of the keys above the lowest, and
    // the step value gives whole octaves above it.
    const int32_t group = stepNumber(timelineFinger[pos]) / kFingersPerGroup;
    int32_t note = low + n - 1;
    int32_t found = 0;
    for (int32_t k = low + 1; k < kKeyCount && group > 0; ++k) {
        if (arpKeys[k] > 0 && ++found == group) {
            note = 12 * ((n - 1) / 12) + k;
            break;
        }
    }
    arpLastNote = startNote(note, arpKeys[low], delta, sink);
}

void Arpeggiator::playDuophonic(int32_t pos, int32_t n, int32_t delta, ArpNoteSink& sink)
{
    const int32_t low = lowestHeldKey();
    const int32_t velocity = low >= 0 ? arpKeys[low] : 0;
    if (n < kTie) {
        endNote(arpLastNote, delta, sink);
        if (n > 0 && low >= 0)
            arpLastNote = startNote(low + n - 1, velocity, delta, sink);
    }
    const int32_t m = stepNumber(timelineFinger[pos]);
    if (m < kTie) {
        endNote(arpCursor, delta, sink);
        if (m > 0 && low >= 0)
            arpCursor = startNote(low + m - 1, velocity, delta, sink);
    }
    lastFinger = 0.5f;
}

void Arpeggiator::endNote(int32_t& note, int32_t delta, ArpNoteSink& sink)
{
    if (note < 0)
        return;
    sink.queueArpEvent(kNoteOff, note, delta, kNoteOffVelocity);
    note = -1;
}

int32_t Arpeggiator::startNote(int32_t note, int32_t velocity, int32_t delta, ArpNoteSink& sink)
{
    note = std::min(note, kHighestNote);
    sink.queueArpEvent(kNoteOn, note, delta, static_cast<uint8_t>(clampTo(velocity, 0, kHighestNote)));
    return note;
}

int32_t Arpeggiator::blend(int32_t keyVelocity) const
{
    const double b = velocityBlend.load(std::memory_order_relaxed);
    return clampTo(truncToInt(keyVelocity * (1.0 - b) + b * lastFinger * 127.0), 0, kHighestNote);
}

int32_t Arpeggiator::lowestHeldKey() const
{
    for (int32_t k = 0; k < kKeyCount; ++k)
        if (arpKeys[k] > 0)
            return k;
    return -1;
}

int32_t Arpeggiator::outIndex(int32_t blockFrame) const
{
    return clampTo(blockFrame - pieceStart, 0, pieceFrames - 1);
}

float Arpeggiator::noteOutAt(int32_t blockFrame) const
{
    return pieceFrames > 0 ? arpNoteOut[outIndex(blockFrame)] : lastStepValue;
}

float Arpeggiator::velOutAt(int32_t blockFrame) const
{
    return pieceFrames > 0 ? arpVelOut[outIndex(blockFrame)] : lastFinger;
}

void Arpeggiator::allNotesOff()
{
    std::fill(std::begin(arpKeys), std::end(arpKeys), uint8_t{0});
    // A note-off for a note already released could later end a newer voice
    // on the same note.
    arpLastNote = -1;
    arpCursor = -1;
}

void Arpeggiator::reset()
{
    allNotesOff();
    lastStepValue = 0.0f;
    lastFinger = 0.5f;
}
