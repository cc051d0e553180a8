#include "NoteHandler.h"

#include <algorithm>
#include <iterator>

namespace {

constexpr int32_t kNoteMask = 0x7F;
constexpr float kPitchPerNote = 128.0f; // pitch unit: 1/128 semitone

// Hosts may hand over any int; one rule for every entry point keeps the note
// stored in a slot, the note compared on note-off and the table index equal.
int32_t toNote(int32_t note) { return note & kNoteMask; }

int8_t toVelocity(int32_t velocity) { return static_cast<int8_t>(std::clamp(velocity, 0, 127)); }

bool addressesLayer(int32_t layerMask, int32_t layer)
{
    return (static_cast<uint32_t>(layerMask) >> (layer & 31)) & 1u;
}

void restartEnvelopes(VoiceSlot& slot)
{
    slot.ampStage = kAttack;
    slot.filterEnvStage = kAttack;
    slot.modEnvStage = kAttack;
}

} // namespace

NoteHandler::NoteHandler(VoiceSlot (&slots)[kMaxVoices], const NoteSettings& settings, Random15& random)
    : slots_(slots), settings_(settings), random_(random)
{
}

int NoteHandler::polyCount() const { return std::clamp<int32_t>(settings_.poly, 1, kMaxVoices); }

int NoteHandler::layerCount() const { return std::clamp<int32_t>(settings_.voicesPerNote, 1, kMaxLayers); }

int NoteHandler::chooseSlot() const
{
    const int poly = polyCount();
    for (int s = 0; s < poly; ++s)
        if (!slots_[s].active)
            return s;

    // A released voice is the cheapest to lose; strict comparison keeps the
    // lowest index on a tie and never takes one that started this very frame.
    int oldestReleased = -1;
    uint32_t oldestReleasedAge = 0;
    for (int s = 0; s < poly; ++s) {
        if (slots_[s].released && slots_[s].age > oldestReleasedAge) {
            oldestReleased = s;
            oldestReleasedAge = slots_[s].age;
        }
    }
    if (oldestReleased >= 0)
        return oldestReleased;

    int oldest = 0;
    uint32_t oldestAge = 0;
    for (int s = 0; s < poly; ++s) {
        if (slots_[s].age >= oldestAge) {
            oldest = s;
            oldestAge = slots_[s].age;
        }
    }
    return oldest;
}

void NoteHandler::startSlot(int slot, int32_t note, int32_t velocity, int32_t layer)
{
    VoiceSlot& v = slots_[std::clamp(slot, 0, kMaxVoices - 1)];
    note = toNote(note);
    v.pitch = static_cast<float>(note) * kPitchPerNote;
    v.note = static_cast<int8_t>(note);
    v.velocity = toVelocity(velocity);
    v.age = 0;
    v.voiceFilterType = settings_.filterType;
    restartEnvelopes(v);
    v.ampLevel = 0.0f;
    v.released = 0;
    v.active = 1;

    // Every ramp end point still holds the previous occupant's value; marking
    // them all unset makes the first slice start at this note's own values.
    v.prevInc1 = kUnsetRamp;
    v.prevInc2 = kUnsetRamp;
    v.prevMix = kUnsetRamp;
    v.prevFmDepth = kUnsetRamp;
    v.prevRingMod = kUnsetRamp;
    v.prevGainL = kUnsetRamp;
    v.prevGainR = kUnsetRamp;
    v.prevFxShare = kUnsetRamp;
    v.prevCutoff = kUnsetCutoff;
    v.prevOsc3Level = kUnsetOsc3Level;

    v.voiceRandom = static_cast<float>(random_.next()) / 16383.0f - 1.0f;
    v.layer = std::clamp<int32_t>(layer, 0, kMaxLayers - 1);
    for (int k = 0; k < kNumLfos; ++k)
        if (settings_.lfoReset[k])
            v.lfoPhase[k] = 0;

    // A one-shot oscillator 2 plays its cycle again in every new voice.
    v.osc2Done = false;
    v.syncActive = settings_.oscSync;
    if (v.syncActive) {
        std::fill(std::begin(v.syncRing), std::end(v.syncRing), 0.0f);
        v.syncPos = 0;
    }
}

void NoteHandler::applyGlideFrom(float previousPitch, int32_t note)
{
    if (glideStart) {
        glideOffset = 0.0f;
        glideStart = false;
    } else {
        glideOffset = previousPitch - static_cast<float>(note) * kPitchPerNote;
    }
}

void NoteHandler::startLayers(int32_t note, int32_t velocity, int32_t layerMask)
{
    applyGlideFrom(static_cast<float>(lastNote) * kPitchPerNote + glideOffset, note);
    lastNote = note;
    const int layers = layerCount();
    for (int k = 0; k < layers; ++k)
        if (addressesLayer(layerMask, k))
            startSlot(chooseSlot(), note, velocity, k);
}

void NoteHandler::setPitchOfPolySlots(int32_t note)
{
    const int poly = polyCount();
    for (int s = 0; s < poly; ++s)
        slots_[s].pitch = static_cast<float>(note) * kPitchPerNote;
}

void NoteHandler::noteOn(int32_t note, int32_t velocity, int32_t layerMask)
{
    note = toNote(note);
    // Kept in every mode so that switching Mono Mode on never finds keys
    // that were released while it was off.
    monoKeys[note] = 1;
    if (settings_.monoMode && !settings_.arpOn)
        monoNoteOn(note, velocity);
    else
        startLayers(note, velocity, layerMask);
    notesSounding = true;
    anyNoteSinceBlock = true;
}

void NoteHandler::monoNoteOn(int32_t note, int32_t velocity)
{
    const float heard = slots_[0].pitch + glideOffset;
    const int layers = std::min(layerCount(), polyCount());

    bool anyActive = false;
    for (int v = 0; v < layers; ++v)
        anyActive = anyActive || slots_[v].active;

    if (!anyActive) {
        // A new phrase: fresh voices on slots 0.., and never a glide into it.
        glideStart = true;
        startLayers(note, velocity, -1);
        return;
    }

    for (int v = 0; v < layers; ++v) {
        VoiceSlot& slot = slots_[v];
        if (!slot.active) {
            // This layer died out before the others; bring it back so the
            // phrase keeps its full stack.
            startSlot(v, note, velocity, v);
        } else if (slot.released) {
            // Attack again from the level reached, at the new key, no glide.
            restartEnvelopes(slot);
            slot.age = 0;
            slot.pitch = static_cast<float>(note) * kPitchPerNote;
            slot.note = static_cast<int8_t>(note);
            slot.velocity = toVelocity(velocity);
            glideStart = true;
        }
    }
    for (int v = 0; v < layers; ++v) {
        slots_[v].released = 0;
        slots_[v].voiceFilterType = settings_.filterType;
    }

    if (glideStart) {
        glideOffset = 0.0f;
        glideStart = false;
    } else {
        glideOffset = heard - static_cast<float>(note) * kPitchPerNote;
        setPitchOfPolySlots(note);
    }
    lastNote = note;
}

void NoteHandler::noteOff(int32_t note, int32_t /*velocity*/, int32_t layerMask)
{
    note = toNote(note);
    monoKeys[note] = 0;
    if (settings_.monoMode && !settings_.arpOn) {
        monoNoteOff(note, layerMask);
        return;
    }
    for (VoiceSlot& slot : slots_)
        if (slot.active && slot.note == note && addressesLayer(layerMask, slot.layer))
            slot.released = 1;
}

void NoteHandler::monoNoteOff(int32_t note, int32_t layerMask)
{
    // Only the sounding key's release matters, unless that key was let go
    // before Mono Mode came on: then no later release would ever match it.
    if (note != lastNote && lastNote >= 0 && monoKeys[lastNote])
        return;

    for (int k = kNumKeys - 1; k >= 0; --k) {
        if (monoKeys[k]) {
            const float heard = slots_[0].pitch + glideOffset;
            glideOffset = heard - static_cast<float>(k) * kPitchPerNote;
            setPitchOfPolySlots(k);
            lastNote = k;
            return;
        }
    }

    // Every slot, as in poly mode: voices started before Poly was lowered
    // would otherwise hang on above it.
    for (VoiceSlot& slot : slots_)
        if (slot.active && addressesLayer(layerMask, slot.layer))
            slot.released = 1;
}

bool NoteHandler::allNotesOff(bool hard)
{
    // An all-notes-off often stands in for note-offs that will never come
    // (a host stopping its transport); keys remembered from before it would
    // later pull a mono voice back to a note nobody holds.
    std::fill(std::begin(monoKeys), std::end(monoKeys), uint8_t{0});
    std::fill(std::begin(keyDown), std::end(keyDown), uint8_t{0});
    notesSounding = false;
    if (hard) {
        reset();
        return true;
    }
    for (VoiceSlot& slot : slots_)
        if (slot.active)
            slot.released = 1;
    return false;
}

void NoteHandler::retuneLayers(int32_t note, int32_t layerMask)
{
    note = toNote(note);
    const int poly = polyCount();
    for (int s = 0; s < poly; ++s) {
        if (addressesLayer(layerMask, slots_[s].layer)) {
            slots_[s].pitch = static_cast<float>(note) * kPitchPerNote;
            slots_[s].note = static_cast<int8_t>(note);
        }
    }
}

void NoteHandler::setKeyDown(int32_t note, bool down)
{
    keyDown[toNote(note)] = down ? 1 : 0;
    if (!down)
        notesSounding = std::any_of(std::begin(keyDown), std::end(keyDown), [](uint8_t k) { return k != 0; });
}

void NoteHandler::reset()
{
    std::fill(std::begin(slots_), std::end(slots_), VoiceSlot{});
    glideStart = true;
}
