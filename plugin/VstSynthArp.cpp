// The arpeggiator's side of the MIDI intake: held keys reach it at their own
// frames, interleaved with its run, so that a pattern starts on the key's frame
// and plays the same whatever size the host's blocks are.
#include "VstSynth.h"

#include "ArpPatterns.h"

#include <algorithm>

namespace {
constexpr int32_t kAllLayers = -1;
constexpr int32_t kEvenLayers = 0x55; // the keys' own layers in Voice 2/4/6/8
constexpr int32_t kOddLayers = 0xAA;  // the pattern's layers in Voice 2/4/6/8
constexpr int32_t kNoLayer = 0;
constexpr uint8_t kNoteOn = 0x90;
constexpr uint8_t kNoteOff = 0x80;
} // namespace

void VstSynth::loadArpPattern(int32_t pattern)
{
    if (pattern < 0 || pattern >= kNumArpPatterns)
        return;
    // Plain parameter writes, like a host's; the notes the old pattern left
    // sounding are let go by the audio thread at its next block.
    engine.loadArpPattern(kArpPatterns[pattern]);
    engine.arp.arpCurrentStep = 0;
    engine.softNotesOffPending.store(true, std::memory_order_release);
}

void VstSynth::queueNote(const NoteQueueEntry& entry)
{
    if (noteQueue.push(entry))
        return;
    if (entry.isRetune())
        engine.retuneLayers(entry.note, entry.layerMask); // early rather than never
    else if (!entry.isNoteOn())
        rememberNoteOff(entry.note);
}

void VstSynth::queueArpEvent(uint8_t status, int32_t note, int32_t delta, uint8_t velocity)
{
    const int32_t mask = engine.arp.arpMode == ArpModeCode::kVoice2468 ? kOddLayers : kAllLayers;
    queueNote({delta, mask, 0, status, static_cast<uint8_t>(clampTo(note, 0, 127)), velocity});
}

void VstSynth::keepOverflowNoteOffsForArpeggiator(int32_t frames)
{
    // Releases that found the host's list full: late, at the block's last
    // frame, but they still let go of the arpeggiator's keys.
    for (int word = 0; word < 2; ++word) {
        for (int bit = 0; overflowNoteOffs[word]; ++bit, overflowNoteOffs[word] >>= 1)
            if (overflowNoteOffs[word] & 1)
                arpKeyEvents.push({frames - 1, kNoteOff, static_cast<uint8_t>(word * 64 + bit), 0, false});
    }
}

void VstSynth::runArpeggiator(int32_t start, int32_t frames)
{
    engine.arpBeginPiece(start, frames);
    int32_t pos = 0;
    for (; arpKeyNext < arpKeyEvents.size() && arpKeyEvents[arpKeyNext].delta < start + frames; ++arpKeyNext) {
        const int32_t at = std::max(pos, arpKeyEvents[arpKeyNext].delta - start);
        engine.arpProcess(pos, at, *this);
        pos = at;
        applyArpKey(arpKeyEvents[arpKeyNext], start + at);
    }
    engine.arpProcess(pos, frames, *this);
}

void VstSynth::applyArpKey(const ArpKeyEvent& key, int32_t delta)
{
    Arpeggiator& arp = engine.arp;
    const bool on = key.status == kNoteOn && key.velocity > 0;
    const int32_t lowest = arp.lowestHeldKey();
    const int32_t mode = arp.arpMode;
    // The editor's keyboard plays Voice 2/4/6/8 without the Mono Mode rules.
    const bool monoVoices = mode == ArpModeCode::kVoice2468 && engine.stack.monoMode && !key.fromKeyboard;

    if ((on || key.fromKeyboard) && (lowest < 0 || (on && mode == ArpModeCode::kModulation)))
        arp.restart();
    if (on) {
        arp.arpKeys[key.note] = key.velocity;
        if (mode == ArpModeCode::kModulation) {
            queueNote({delta, kAllLayers, 0, kNoteOn, key.note, key.velocity});
        } else if (mode == ArpModeCode::kVoice2468) {
            // With Mono Mode the even layers follow the lowest held key.
            if (monoVoices && lowest >= 0) {
                if (key.note < lowest)
                    queueNote({delta, kEvenLayers, 0, NoteQueueEntry::kRetune, key.note, 0});
            } else {
                queueNote({delta, kEvenLayers, 0, kNoteOn, key.note, key.velocity});
            }
        }
        return;
    }
    arp.arpKeys[key.note] = 0;
    const int32_t next = arp.lowestHeldKey();
    if (monoVoices && key.note == lowest && next >= 0) {
        queueNote({delta, kEvenLayers, 0, NoteQueueEntry::kRetune, static_cast<uint8_t>(next), 0});
        queueNote({delta, kNoLayer, 0, kNoteOff, key.note, key.velocity});
        return;
    }
    // Releasing a key also releases an arpeggiated voice on the same note.
    queueNote({delta, kAllLayers, 0, kNoteOff, key.note, key.velocity});
}
