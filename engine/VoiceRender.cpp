// The voice render: every sounding slot in slot order, for one slice of at
// most 64 frames. Control values are formed once per slot and slice; only
// ramps, envelopes and the DSP stages run per frame. Up to four neighbouring
// voices with the same kind of filter wait for it and run it together.
#include "Vesk.h"

#include "VoiceControls.h"

#include "Envelopes.h"
#include "Filter.h"
#include "FilterTypes.h"
#include "Lfo.h"
#include "ModulationMatrix.h"
#include "Oscillators.h"
#include "Spike.h"
#include "TempoSync.h"
#include "VoiceOutput.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr float kVoiceEndLevel = 1e-9f;
constexpr float kFlushLevel = 1e-9f;

// What a slice computes once for all voices.
struct RenderCall {
    int32_t frames;
    OscillatorParameters oscParams;
    OscillatorRates oscRates;
    FilterTables filterTables;
    EnvelopeTables envelopeTables;
    SpikeTables spikeTables;
    LfoParams lfoParams[kNumLfos];
    uint32_t lfoIncrement[kNumLfos];
    uint32_t idleLfoIncrement[kNumLfos];
    int32_t bendOffset; // 1/128 semitone
    bool pedalDown;
    const ModRoutes* modRoutes;
};

// One voice between the two halves of its render, with its own buffers so
// that up to four voices can wait for their filters together.
struct VoiceWork {
    alignas(16) float voice[kMaxSliceFrames];
    alignas(16) float envelope[kMaxSliceFrames]; // filter envelope level per frame
    VoiceSlot* slot;
    VoiceControls c;
    EnvelopeCoefs ampCoefs;
    FilterParams filter;
    FilterBuffers buffers;
    FilterGroup group;
};

float flushed(float x) { return std::fabs(x) < kFlushLevel ? 0.0f : x; }

EnvelopeSettings envelopeSettings(const EnvelopeParams& e) { return {e.attack, e.decay, e.sustain, e.release}; }

OscillatorParameters oscillatorParameters(const Vesk& engine)
{
    OscillatorParameters p;
    for (int i = 0; i < 2; ++i) {
        p.shape[i] = engine.osc.oscShape[i];
        p.coarse[i] = engine.osc.oscCoarse[i];
        p.fine[i] = engine.osc.oscFine[i];
        p.fatAmount[i] = engine.osc.oscFatAmount[i];
        p.fatFactor[i] = engine.osc.oscFatFactor[i];
        p.wave[i] = engine.osc.oscWave[i];
    }
    p.subShape = engine.osc.osc3Shape;
    p.subLevel = engine.osc.osc3Level;
    p.oscMix = engine.osc.oscMix;
    p.noiseLevel = engine.osc.noiseLevel;
    p.noiseColour = engine.osc.noiseColour;
    p.noiseHighpass = engine.osc.noiseHighpass;
    p.ringMod = engine.osc.ringMod;
    p.fmMode = engine.osc.fmMode;
    p.fmFeedback = engine.osc.fmFeedback;
    p.oscSync = engine.osc.oscSync;
    p.voicesPerNote = engine.stack.voicesPerNote;
    p.voiceDetune = engine.stack.voiceDetune;
    p.glideOn = engine.stack.glideOn;
    p.glideOffset = engine.notes.glideOffset;
    return p;
}

VoiceControls startingControls(const Vesk& engine, const RenderCall& call)
{
    VoiceControls c;
    c.osc = startingOscillatorInputs(call.oscParams, engine.ramps.pwRamp.current, engine.ramps.fmRamp.current,
                                     call.bendOffset);
    c.cutoff = engine.ramps.cutoffRamp.current;
    c.envAmount = engine.filter.filterEnvAmount;
    c.resonance = engine.filter.resonanceCurrent;
    c.offset = engine.filter.filterOffset;
    c.keytrack = engine.filter.filterKeytrack;
    c.combModulation = 0.0f;
    c.amp = envelopeSettings(engine.env.amp);
    c.filterEnv = envelopeSettings(engine.env.filter);
    c.modEnv = envelopeSettings(engine.env.mod);
    c.holdFrames = 0;
    c.spikeAmount = 0.0f;
    c.spikeHard = false;
    c.modEnvUsed = false;
    c.output.spread = engine.stack.voiceSpread;
    c.output.voicesPerNote = engine.stack.voicesPerNote;
    return c;
}

// Steps 1 to 9 of a voice: everything up to its filter kernel, into work.
void beginVoice(Vesk& engine, VoiceSlot& slot, const RenderCall& call, VoiceWork& work)
{
    const int32_t frames = call.frames;
    RenderScratch& scratch = engine.scratch;
    work.slot = &slot;
    VoiceControls& c = work.c;
    FilterParams& filter = work.filter;

    // 1. Control values: the LFOs at the slot's phases.
    c = startingControls(engine, call);
    for (int32_t k = 0; k < kNumLfos; ++k) {
        c.lfoOut[k] = lfoOutput(call.lfoParams[k], k, slot, call.lfoIncrement[k], frames, engine.random);
        c.lfoIncrement[k] = call.lfoIncrement[k];
    }

    // 2. Modulation: the matrix folds its slots into the controls.
    engine.modulateVoice(slot, c, *call.modRoutes);
    applyStartModulation(slot, c);

    // 3. Envelope settings and the special starts.
    work.ampCoefs = envelopeCoefs(call.envelopeTables, c.amp, call.pedalDown);
    const EnvelopeCoefs filterCoefs = envelopeCoefs(call.envelopeTables, c.filterEnv, call.pedalDown);
    applySpecialStarts(slot, c.filterEnv, c.modEnv, c.modEnvUsed, c.spikeHard);

    // 4-5. Pitches, increments and the per-frame ramps.
    const int32_t filterType = effectiveFilterType(slot.voiceFilterType);
    const bool split = isSplitFilterType(filterType);
    const OscillatorSlice oscSlice = prepareOscillators(call.oscParams, c.osc, call.oscRates, slot, frames, split);
    const float cutoffTarget = filterCutoffPosition(c.cutoff, c.keytrack, slot.pitch);
    filter.cutoff = beginCutoffRamp(slot, cutoffTarget, engine.ramps.cutoffRamp.step, frames);
    filter.envAmount = c.envAmount;
    filter.resonance = c.resonance;
    filter.offset = c.offset;
    filter.combModulation = c.combModulation;
    filter.lfo3Wave = engine.lfo[2].waveform.reading();
    filter.lfo3Increment = c.lfoIncrement[2];
    filter.lfo2Increment = c.lfoIncrement[1];
    // The layer's own oscillator 1, stack detune and key tracking included.
    filter.osc1Frequency = engine.tables->pitchToFrequency[oscSlice.osc1Pitch];

    // 6. Oscillators; LFO 1 moves on with them.
    // In Filter FM mode the oscillators write every frame of the filter-FM
    // buffer (zeros when this voice has no FM); in the other modes the filter
    // is not given it, so it needs no clearing here.
    renderOscillators(oscSlice, slot, engine.noiseState, work.voice, scratch.voice2, scratch.filterFm);
    slot.lfoPhase[0] += c.lfoIncrement[0] * static_cast<uint32_t>(frames);

    // 7. Pre-filter stage of the voice's type.
    applyPreFilterStage(slot, call.filterTables, filter, work.voice, frames);

    // 8. A note-off reaches all three envelopes before the filter runs.
    applyNoteOff(slot);

    // 9. Filter, with its envelope frame by frame; LFO 2 moves on inside.
    FilterEnvelope filterEnvelope(filterCoefs, slot);
    filter.envelopeSustaining = filterEnvelope.sustaining();
    filterEnvelope.run(work.envelope, frames);
    filterEnvelope.store(slot);
    work.buffers = {work.voice, scratch.voice2, work.envelope,
                    call.oscParams.fmMode == kFmFilter ? scratch.filterFm : nullptr};
    work.group = filterGroup(slot, filter, work.buffers);
}

// Steps 10 to 15, after the voice's filter kernel.
void finishVoice(Vesk& engine, const RenderCall& call, VoiceWork& work, float* const* fxBus, float* const* dryBus)
{
    const int32_t frames = call.frames;
    VoiceSlot& slot = *work.slot;
    VoiceControls& c = work.c;
    const FilterParams& filter = work.filter;
    // 10. Denormal flush.
    flushFilterDenormals(slot);
    slot.noiseState = flushed(slot.noiseState);
    slot.shValue[0] = flushed(slot.shValue[0]);

    // 11. Modulation envelope, only when a slot reads it.
    if (c.modEnvUsed)
        runModEnvelope(call.envelopeTables, c.modEnv, call.pedalDown, frames, slot);

    // 12. Post-filter stage.
    applyPostFilterStage(slot, call.filterTables, filter, work.voice, frames);

    // 13. Amplifier, spike, gain, pan and the buses.
    const int32_t layer = clampTo<int32_t>(slot.layer, 0, 7);
    c.output.layerSilenced = engine.stack.layerSwitching && !engine.stack.layerOn[layer];
    AmpEnvelope amp(work.ampCoefs, c.holdFrames, slot);
    const Spike spike(call.spikeTables, c.spikeHard, c.spikeAmount);
    mixVoice(work.voice, frames, voiceGains(c.output, layer), amp, spike, slot, fxBus, dryBus);
    amp.store(slot);

    // 14. LFO 3 moves on after the output.
    slot.lfoPhase[2] += c.lfoIncrement[2] * static_cast<uint32_t>(frames);

    // 15. Voice end: silence for good below -180 dB.
    if (slot.ampLevel < kVoiceEndLevel) {
        slot.active = 0;
        clearFilterMemories(slot);
        slot.ampLevel = slot.filterEnvLevel = slot.modEnvLevel = 0.0f;
    }
}

} // namespace

void Vesk::render(int32_t frames, float* const* fxBus, float* const* dryBus)
{
    frames = clampTo<int32_t>(frames, 0, kMaxSliceFrames);
    if (frames == 0)
        return;
    if (filterMemoriesStale.exchange(false, std::memory_order_acquire))
        for (VoiceSlot& voice : voices)
            clearFilterMemories(voice);
    for (LfoFields& l : lfo)
        l.waveform.take();

    // The arpeggiator's outputs as they stand at the slice's first frame.
    mod.arpNoteOut = arp.noteOutAt(blockFrame);
    mod.arpVelOut = arp.velOutAt(blockFrame);

    // The filters take one resonance per slice, the value set when it starts:
    // a note started with a program or a setting hears it from its first frame.
    filter.resonanceCurrent = filter.resonance;

    // Controller smoothing, once per slice.
    ctl.modWheelSmoothed = ctl.modWheel * ctl.modWheelSmoothing + ctl.modWheelSmoothed * (1.0 - ctl.modWheelSmoothing);
    if (ctl.modWheelSmoothed < 0.00001)
        ctl.modWheelSmoothed = 0.0;
    ctl.bendSmoothed = (ctl.bendRaw * ctl.bendSmoothing + ctl.bendSmoothed * (128 - ctl.bendSmoothing)) / 128;

    for (int c = 0; c < 2; ++c) {
        std::fill(fxBus[c], fxBus[c] + frames, 0.0f);
        std::fill(dryBus[c], dryBus[c] + frames, 0.0f);
    }
    const int32_t slots = clampTo<int32_t>(poly, 1, kMaxVoices);
    const bool anyActive = std::any_of(voices, voices + slots, [](const VoiceSlot& v) { return v.active != 0; });
    if (!anyActive) {
        blockFrame += frames;
        return;
    }

    const double tempo = owner.hostTempo();
    for (LfoFields& l : lfo)
        if (l.lfoSync)
            l.lfoFrequency = lfoFrequency(l.lfoRate, true, tempo);

    // Glide decays per frame, the same for every voice.
    if (stack.glideOn) {
        for (int32_t i = 0; i < frames; ++i)
            notes.glideOffset *= stack.glideCoef;
        if (std::fabs(notes.glideOffset) < 1e-9f)
            notes.glideOffset = 0.0f;
    }

    RenderCall call;
    call.frames = frames;
    call.oscParams = oscillatorParameters(*this);
    call.oscRates = {tables->pitchToFrequency.data(), hzToPhaseInc, sampleRate};
    call.filterTables = {tables->svfCoefficient.data(), tables->ladderTuning.data(), tables->combDelay.data(),
                         RateTables::saturation().data(), tables->cutoffIndexLimit,  sampleRate,
                         rateRatio};
    call.envelopeTables = {tables->envelopeDecayFactor.data(), tables->envelopeRampStep.data()};
    call.spikeTables = {tables->spikeSoft.data(), tables->spikeHard.data(), tables->spikeLength};
    const int32_t range = ctl.bendSmoothed >= 0 ? bendUp : bendDown;
    call.bendOffset = static_cast<int32_t>(int64_t{ctl.bendSmoothed} * range * 128 / 8192);
    call.pedalDown = !ctl.sustainPedalUp;
    const ModRoutes routes = modRoutes();
    call.modRoutes = &routes;
    for (int32_t k = 0; k < kNumLfos; ++k) {
        const float fadeIn = lfo[k].lfoFadeIn * static_cast<float>(sampleRate);
        call.lfoParams[k] = {lfo[k].waveform.reading(), lfo[k].lfoShape, lfo[k].lfoSkewSmoothing, fadeIn};
        call.lfoIncrement[k] = ::lfoIncrement(lfo[k].lfoFrequency, hzToPhaseInc);
        call.idleLfoIncrement[k] = ::idleLfoIncrement(lfo[k].lfoFrequency, hzToPhaseInc);
    }

    // Voices whose filters can share a kernel wait for it in `pending`; each
    // reaches the buses in slot order all the same, so the sums keep their order.
    VoiceWork work[kFilterLanes];
    int32_t pending = 0;
    auto finishPending = [&] {
        if (pending == 0)
            return;
        FilterLane lanes[kFilterLanes];
        for (int32_t l = 0; l < pending; ++l)
            lanes[l] = {work[l].slot, &work[l].filter, work[l].voice, work[l].envelope};
        runFilterGroup(work[0].group, lanes, pending, call.filterTables, frames);
        for (int32_t l = 0; l < pending; ++l)
            finishVoice(*this, call, work[l], fxBus, dryBus);
        pending = 0;
    };
    for (int32_t s = 0; s < slots; ++s) {
        if (voices[s].active == 0) {
            advanceIdleLfos(voices[s], call.idleLfoIncrement, frames);
            continue;
        }
        VoiceWork& next = work[pending];
        beginVoice(*this, voices[s], call, next);
        if (next.group == FilterGroup::Alone) {
            finishPending();
            runFilterKernel(*next.slot, call.filterTables, next.filter, next.buffers, frames);
            finishVoice(*this, call, next, fxBus, dryBus);
            continue;
        }
        if (pending > 0 && next.group != work[0].group) {
            const int32_t at = pending;
            finishPending();
            work[0] = work[at]; // rare: the voices' filters differ in type or in holding
        }
        if (++pending == kFilterLanes)
            finishPending();
    }
    finishPending();

    for (BlockRamp* ramp : {&ramps.cutoffRamp, &ramps.fmRamp, &ramps.pwRamp})
        ramp->current += ramp->step * static_cast<float>(frames);
    blockFrame += frames;
}
