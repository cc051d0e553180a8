// The audio side of the plug-in: MIDI intake and the block driver.
#include "VstSynth.h"

#include "DenormalGuard.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {
// Longest stretch rendered at once; the scratch buffers of the voices hold this.
constexpr int32_t kSliceFrames = 64;
constexpr double kDefaultTempo = 120.0;
} // namespace

VstInt32 VstSynth::processEvents(VstEvents* events)
{
    // Events are only collected here and taken in by the next processing call
    // under the state lock, so nothing a UI-thread program change rewrites is
    // touched from two threads at once.
    for (VstInt32 i = 0; i < events->numEvents; ++i) {
        const VstEvent* event = events->events[i];
        if (!event || event->type != kVstMidiType)
            continue;
        const auto* midi = reinterpret_cast<const VstMidiEvent*>(event);
        const PendingMidi message{midi->deltaFrames, static_cast<uint8_t>(midi->midiData[0]),
                                  static_cast<uint8_t>(midi->midiData[1] & 0x7f),
                                  static_cast<uint8_t>(midi->midiData[2] & 0x7f)};
        if (!pendingMidi.push(message) && message.isNoteOff())
            rememberNoteOff(message.data1);
    }
    return 1;
}

void VstSynth::addKeyboardEvent(uint8_t status, uint8_t note, uint8_t velocity)
{
    keyboardRing.push(status, note, velocity);
}

void VstSynth::readHostTempo()
{
    const VstTimeInfo* time = getTimeInfo(kVstTempoValid);
    tempo = (time && (time->flags & kVstTempoValid) && std::isfinite(time->tempo) && time->tempo > 0)
                ? time->tempo
                : kDefaultTempo;
}

void VstSynth::takeInNote(int32_t delta, uint8_t status, uint8_t note, uint8_t velocity)
{
    const bool on = status == 0x90 && velocity > 0;
    engine.notes.setKeyDown(note, on);
    // The arpeggiator, once it exists, takes held keys here instead.
    if (!noteQueue.push({delta, -1, 0, status, note, velocity}))
        rememberNoteOff(note);
}

void VstSynth::rememberNoteOff(uint8_t note)
{
    overflowNoteOffs[note / 64] |= uint64_t(1) << (note % 64);
}

void VstSynth::releaseOverflowNoteOffs()
{
    for (int word = 0; word < 2; ++word) {
        for (int bit = 0; overflowNoteOffs[word]; ++bit, overflowNoteOffs[word] >>= 1)
            if (overflowNoteOffs[word] & 1)
                engine.noteOff(word * 64 + bit, 0, -1);
    }
}

void VstSynth::takeInController(uint8_t controller, uint8_t value)
{
    const double normalised = value / 127.0;
    switch (controller) {
    case 0:
        selectProgram(value * kProgramsPerBank + curProgram % kProgramsPerBank);
        break;
    case 1:
        engine.ctl.modWheel = normalised;
        break;
    case 2:
        engine.ctl.breath = normalised;
        break;
    case 4:
        engine.ctl.foot = normalised;
        break;
    case 11:
        engine.ctl.expression = normalised;
        break;
    case 64:
        engine.ctl.pedalValue = value;
        engine.ctl.sustainPedalUp = value < 64;
        break;
    case 123:
        engine.allNotesOff(true);
        break;
    default:
        // Controllers assigned to parameters are applied here once the
        // controller map exists.
        break;
    }
}

void VstSynth::takeInMidi(const PendingMidi& message, int32_t frames)
{
    const uint8_t kind = message.status & 0xf0;
    switch (kind) {
    case 0x80:
    case 0x90: {
        // A note past the block's end still happens, at its last frame: a
        // dropped note-off would leave the note hanging.
        const int32_t delta = clampTo<int32_t>(message.delta, 0, frames - 1);
        takeInNote(delta, kind, message.data1, message.data2);
        break;
    }
    case 0xb0:
        takeInController(message.data1, message.data2);
        break;
    case 0xc0:
        selectProgram(message.data1);
        break;
    case 0xd0:
        engine.ctl.aftertouch = message.data1 / 127.0;
        break;
    case 0xe0: {
        const int32_t bend = message.data2 * 128 + message.data1 - 8192;
        const float value = clampTo(static_cast<float>(bend / 16384.0 + 0.5), 0.0f, 1.0f);
        setParameter(ParamIndex::kEditorPitchBend, value);
        engine.ctl.bend = bend / 8192.0;
        engine.ctl.bendRaw = bend;
        break;
    }
    default:
        break;
    }
}

void VstSynth::renderFrames(float** outputs, float** dry, int32_t& pos, int32_t until)
{
    while (pos < until) {
        const int32_t frames = std::min(kSliceFrames, until - pos);
        float* fxBus[2] = {outputs[0] + pos, outputs[1] + pos};
        float* dryBus[2] = {dry[0] + pos, dry[1] + pos};
        engine.render(frames, fxBus, dryBus);
        pos += frames;
    }
}

void VstSynth::processPiece(float** outputs, int32_t start, int32_t frames, int& nextNote, bool lastPiece)
{
    float* dry[2] = {dryBus[0].data(), dryBus[1].data()};
    engine.beginBlock(frames);
    int32_t pos = 0;
    for (; nextNote < noteQueue.size() && noteQueue[nextNote].delta < start + frames; ++nextNote) {
        const NoteQueueEntry& entry = noteQueue[nextNote];
        // An entry out of order is applied where the block has got to.
        renderFrames(outputs, dry, pos, std::max(pos, entry.delta - start));
        if (entry.isNoteOn())
            engine.noteOn(entry.note & 0x7f, entry.velocity & 0x7f, entry.layerMask);
        else
            engine.noteOff(entry.note & 0x7f, 0, entry.layerMask);
    }
    if (lastPiece && (overflowNoteOffs[0] | overflowNoteOffs[1])) {
        // Late, but never lost: at the block's last frame.
        renderFrames(outputs, dry, pos, frames - 1);
        releaseOverflowNoteOffs();
    }
    renderFrames(outputs, dry, pos, frames);
    engine.updateGlobalModulation();
    // The effects chain runs here once it exists; the delay's modulation
    // phase already moves with the block.
    for (int c = 0; c < 2; ++c)
        for (int32_t i = 0; i < frames; ++i)
            outputs[c][i] += dry[c][i];
    engine.fx.delayMod.phase += static_cast<uint32_t>(engine.fx.delayMod.increment) * static_cast<uint32_t>(frames);
    engine.outputStage(frames, outputs);
    engine.endBlock();
}

void VstSynth::processReplacing(float** /*inputs*/, float** outputs, VstInt32 frames)
{
    if (!outputs[0] || !outputs[1])
        return;
    std::unique_lock<std::mutex> guard(stateLock, std::try_to_lock);
    if (!guard.owns_lock()) {
        // A program change or chunk restore is under way on the UI thread:
        // this block is silent, and its events wait for the next one.
        memset(outputs[0], 0, sizeof(float) * static_cast<size_t>(frames));
        memset(outputs[1], 0, sizeof(float) * static_cast<size_t>(frames));
        for (int i = 0; i < pendingMidi.size(); ++i)
            pendingMidi[i].delta = 0;
        return;
    }

    const DenormalGuard denormals;
    for (int i = 0; i < pendingMidi.size(); ++i)
        takeInMidi(pendingMidi[i], frames);
    pendingMidi.clear();
    if (softAllNotesOffRequested.exchange(false, std::memory_order_acquire))
        engine.allNotesOff(false);
    keyboardRing.drain([&](const KeyboardEvent& key) { takeInNote(0, key.status, key.note, key.velocity); });
    readHostTempo();
    engine.blockFrame = 0;

    // A host that sends more frames than it announced still gets every frame,
    // in pieces the dry bus can hold.
    const int32_t piece = std::min<int32_t>(static_cast<int32_t>(dryBus[0].size()), kLargestPiece);
    int nextNote = 0;
    for (int32_t start = 0; start < frames; start += piece) {
        float* pieceOutputs[2] = {outputs[0] + start, outputs[1] + start};
        processPiece(pieceOutputs, start, std::min(piece, frames - start), nextNote, start + piece >= frames);
    }
    noteQueue.clear();
}
