// The audio side of the plug-in: MIDI intake and the block driver.
#include "VstSynth.h"

#include "DenormalGuard.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

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

void VstSynth::takeInNote(int32_t delta, uint8_t status, uint8_t note, uint8_t velocity, bool fromKeyboard)
{
    const bool on = status == 0x90 && velocity > 0;
    engine.notes.setKeyDown(note, on);
    if (arpRunning)
        arpKeyEvents.push({delta, status, note, velocity, fromKeyboard});
    else
        queueNote({delta, -1, 0, status, note, velocity});
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

void VstSynth::driveAssignedParameter(uint8_t controller, float value)
{
    const int32_t param = controllers.parameterFor(controller);
    if (param >= 0)
        setParameter(param, value);
}

void VstSynth::takeInController(uint8_t controller, uint8_t value)
{
    // A learnt controller takes its normal course at once, so the parameter
    // jumps to this message's value.
    controllers.learnFrom(controller);
    const double normalised = value / 127.0;
    switch (controller) {
    case 0:
        selectProgramFromMidi(value * kProgramsPerBank + curProgram % kProgramsPerBank);
        break;
    case 1:
        // The wheel also drives its parameter (mWheel by default), so the
        // stored program and a later re-application agree with the wheel.
        engine.ctl.modWheel = normalised;
        driveAssignedParameter(controller, static_cast<float>(normalised));
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
        engine.arp.arpCurrentStep = 0;
        break;
    default:
        driveAssignedParameter(controller, static_cast<float>(normalised));
        break;
    }
}

void VstSynth::selectProgramFromMidi(VstInt32 program)
{
    if (program < 0 || program >= kNumPrograms)
        return;
    if (!blockOwnsState) {
        deferredMidiProgram = program;
        return;
    }
    curProgram = program;
    bankIndex = program / kProgramsPerBank;
    engine.currentProgram = program;
    engine.setProgram(program);
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
        selectProgramFromMidi(message.data1);
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
    if (arpRunning)
        runArpeggiator(start, frames);
    engine.beginBlock(frames);
    int32_t pos = 0;
    for (; nextNote < noteQueue.size() && noteQueue[nextNote].delta < start + frames; ++nextNote) {
        const NoteQueueEntry& entry = noteQueue[nextNote];
        // An entry out of order is applied where the block has got to.
        renderFrames(outputs, dry, pos, std::max(pos, entry.delta - start));
        if (entry.isRetune())
            engine.retuneLayers(entry.note, entry.layerMask);
        else if (entry.isNoteOn())
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
    engine.processEffects(frames, outputs, dry, effectOrder, static_cast<float>(tempo));
    engine.outputStage(frames, outputs);
    engine.endBlock();
}

void VstSynth::processReplacing(float** /*inputs*/, float** outputs, VstInt32 frames)
{
    if (!outputs[0] || !outputs[1])
        return;
    audioActive = true;
    // The UI side holding the state for the bank only leaves the engine as it
    // was: render on from it. Only a host that processes while we take it to
    // be stopped can find the engine itself being changed.
    int owner = uiWaiting == kUiBank ? int{kUiBank} : int{kNobody};
    blockOwnsState = owner == kNobody && stateOwner.compare_exchange_strong(owner, kAudioBlock);
    if (!blockOwnsState && owner != kUiBank) {
        memset(outputs[0], 0, sizeof(float) * static_cast<size_t>(frames));
        memset(outputs[1], 0, sizeof(float) * static_cast<size_t>(frames));
        for (int i = 0; i < pendingMidi.size(); ++i)
            pendingMidi[i].delta = 0;
        return;
    }

    const DenormalGuard denormals;
    if (blockOwnsState) {
        applyPendingChange();
        if (deferredMidiProgram >= 0)
            selectProgramFromMidi(std::exchange(deferredMidiProgram, -1));
    }
    engine.settlePendingReleases();
    arpRunning = engine.arp.arpOn;
    for (int i = 0; i < pendingMidi.size(); ++i)
        takeInMidi(pendingMidi[i], frames);
    pendingMidi.clear();
    keyboardRing.drain([&](const KeyboardEvent& key) { takeInNote(0, key.status, key.note, key.velocity, true); });
    if (arpRunning) {
        keepOverflowNoteOffsForArpeggiator(frames);
        arpKeyEvents.sortByFrame();
        arpKeyNext = 0;
    } else {
        engine.arp.idleBlock();
    }
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
    arpKeyEvents.clear();
    if (blockOwnsState)
        releaseState();
}
