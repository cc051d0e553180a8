// The per-voice pass: once per voice and slice, the slots routed to the voice
// fold their values into its controls.
#include "Vesk.h"

#include "FilterTypes.h"
#include "Lfo.h"
#include "ModulationMatrix.h"
#include "ModulationVocabulary.h"
#include "TempoSync.h"
#include "VoiceControls.h"

#include <algorithm>
#include <cmath>

namespace {

// Amounts are -1..+1 for parameters in 0..1, and a slot scaling another by
// Voice # reaches 7; far beyond that only hostile values or runaway MM Amount
// chains get, and every sum must stay a finite float.
constexpr double kAmountLimit = 1000.0;

double limitedAmount(double a)
{
    if (a > -kAmountLimit)
        return a < kAmountLimit ? a : kAmountLimit;
    return a < 0.0 ? -kAmountLimit : 0.0; // NaN counts as no amount
}

// An integer contribution, truncated toward zero and bounded so that 24 of
// them cannot overflow the sums they join.
int32_t term(double v)
{
    constexpr double kLimit = kIntAmountLimit;
    return truncToInt(clampTo(v, -kLimit, kLimit));
}

double signedSquare(double a) { return a * std::fabs(a); }

float limitedTo(double v, double lo, double hi) { return static_cast<float>(clampTo(v, lo, hi)); }

// Semitone steps of Pitch Semi and Osc n Semi, 1/128 semitone. The amount is
// read in whole hundredths (0.125 gives 12); Arp Note transposes by its own
// step value instead, whatever the amount.
int32_t semitoneTerm(int32_t source, double a, double x)
{
    if (source == kSrcArpNote)
        return term(std::trunc(128.0 * x) * 128.0 - 128.0);
    return term(x * 128.0 * std::trunc(100.0 * a));
}

// One voice's controls as the routed slots change them. Slots arrive from
// the highest number down, so a replacing rule leaves the lowest slot's value.
class VoiceFold {
public:
    VoiceFold(VoiceControls& controls, const LfoFields* lfo, bool firstSlice, double rate)
        : c(controls), atStart(firstSlice), sampleRate(rate)
    {
        for (int32_t k = 0; k < kNumLfos; ++k)
            lfoRate[k] = lfo[k].lfoRate;
    }

    void apply(int32_t dest, int32_t source, double a, double x);

    // The voice's own increment for each LFO whose rate a slot moved.
    void finishLfoRates(const LfoFields* lfo, double tempo, float hzToPhaseInc) const
    {
        for (int32_t k = 0; k < kNumLfos; ++k)
            if (rateModulated[k])
                c.lfoIncrement[k] = lfoIncrement(lfoFrequency(lfoRate[k], lfo[k].lfoSync, tempo), hzToPhaseInc);
    }

    bool anyLfoRate() const { return rateModulated[0] || rateModulated[1] || rateModulated[2]; }

private:
    void applyEnvelope(EnvelopeSettings& env, int32_t member, double ax);

    VoiceControls& c;
    const bool atStart;
    const double sampleRate;
    float lfoRate[kNumLfos];
    bool rateModulated[kNumLfos] = {};
};

void VoiceFold::applyEnvelope(EnvelopeSettings& env, int32_t member, double ax)
{
    double* const fields[4] = {&env.attack, &env.decay, &env.sustain, &env.release};
    *fields[member] += ax;
}

void VoiceFold::apply(int32_t dest, int32_t source, double a, double x)
{
    OscillatorInputs& osc = c.osc;
    VoiceOutputInputs& out = c.output;
    const double ax = a * x;
    switch (dest) {
    // Pitch, in 1/128 semitone.
    case kDestPitchSemi:
        osc.pitchOffset += semitoneTerm(source, a, x);
        break;
    case kDestOsc1Semi:
    case kDestOsc2Semi:
        osc.oscOffset[dest - kDestOsc1Semi] += semitoneTerm(source, a, x);
        break;
    case kDestPitchFine:
        osc.pitchOffset += term(128.0 * ax);
        break;
    case kDestOsc1Fine:
    case kDestOsc2Fine:
        osc.oscOffset[dest - kDestOsc1Fine] += term(128.0 * ax);
        break;
    case kDestLfo1Fine:
        osc.pitchOffset += term(128.0 * ax * c.lfoOut[0]);
        break;
    case kDestLfo1Semi:
        osc.pitchOffset += term(std::trunc(x * 128.0 * c.lfoOut[0]) * std::trunc(100.0 * a));
        break;
    case kDestDetune:
        osc.stackDetune += term(64.0 * ax);
        break;
    case kDestOsc1KeyTrack:
    case kDestOsc2KeyTrack:
        osc.keyTrack[dest - kDestOsc1KeyTrack] = term(1024.0 * ax);
        break;

    // Oscillator shape, mix and FM.
    case kDestOsc1Wave:
    case kDestOsc2Wave: {
        const int32_t i = dest - kDestOsc1Wave;
        osc.wavePosition[i] += term(std::trunc(1024.0 * x) * std::trunc(100.0 * a + 0.001));
        osc.waveModulated[i] = true;
        break;
    }
    case kDestOsc1Fat:
    case kDestOsc2Fat: {
        const int32_t i = dest - kDestOsc1Fat;
        osc.fatRatio[i] = static_cast<float>(std::max(0.0, osc.fatRatio[i] + 0.01 * ax));
        osc.fatMix[i] = std::max(0, osc.fatMix[i] + term(8192.0 * ax));
        break;
    }
    case kDestOscMix:
        osc.oscMix += static_cast<float>(ax);
        break;
    case kDestRingMod:
        osc.ringMod += static_cast<float>(ax);
        break;
    case kDestPulseWidth:
        osc.pulseWidth += static_cast<float>(ax);
        break;
    case kDestLfo1Pw:
        osc.pulseWidth += static_cast<float>(c.lfoOut[0] * a * ax);
        break;
    case kDestOsc3Level:
        osc.subLevel = static_cast<float>(std::max(0.0, osc.subLevel + ax));
        break;
    case kDestNoiseLevel:
        osc.noiseLevel = static_cast<float>(std::max(0.0, osc.noiseLevel + ax));
        break;
    case kDestNoiseColour:
        osc.noiseColour = limitedTo(osc.noiseColour + ax, 0.0, 1.0);
        osc.noiseColourModulated = true;
        break;
    case kDestOsc2OneShot:
        osc.oneShot = osc.oneShot || ax > 0.0;
        break;
    case kDestFm1:
        osc.fmAmount += static_cast<float>(4.0 * ax);
        osc.fmModulated = true;
        break;
    case kDestFm2:
        osc.fmFeedback = limitedTo(osc.fmFeedback + ax, 0.0, 1.0);
        osc.fmModulated = true;
        break;
    case kDestFmDepth:
        osc.fmDepthFactor = static_cast<float>(ax);
        break;

    // Filter.
    case kDestFilterCutoff:
        c.cutoff += static_cast<float>(signedSquare(a) * x);
        break;
    case kDestLfo2Cutoff:
        c.cutoff += static_cast<float>(signedSquare(a) * c.lfoOut[1] * x);
        break;
    case kDestFilterEnv:
        c.envAmount += static_cast<float>(signedSquare(a) * x);
        break;
    case kDestLfo2EnvAmt:
        c.envAmount += static_cast<float>(signedSquare(a) * c.lfoOut[1] * x);
        break;
    case kDestFilterReso:
        c.resonance += static_cast<float>(ax);
        break;
    case kDestFilterOffset:
        c.offset = limitedTo(c.offset + ax, 0.0, 1.0);
        break;
    case kDestFilterKeyTrack:
        c.keytrack += static_cast<float>(ax);
        break;
    case kDestLfo3Comb:
        c.combModulation += static_cast<float>(ax);
        break;

    // Envelopes and the spike.
    case kDestAmpAttack:
    case kDestAmpDecay:
    case kDestAmpSustain:
    case kDestAmpRelease:
        applyEnvelope(c.amp, dest - kDestAmpAttack, ax);
        break;
    case kDestFilterAttack:
    case kDestFilterDecay:
    case kDestFilterSustain:
    case kDestFilterRelease:
        applyEnvelope(c.filterEnv, dest - kDestFilterAttack, ax);
        break;
    case kDestModAttack:
    case kDestModDecay:
    case kDestModSustain:
    case kDestModRelease:
        applyEnvelope(c.modEnv, dest - kDestModAttack, ax);
        break;
    case kDestAmpHold:
        c.holdFrames = std::max(0, c.holdFrames + term(0.1 * ax * sampleRate));
        break;
    case kDestSpikeSoft:
        c.spikeAmount += static_cast<float>(a * ax);
        break;
    case kDestSpikeHard:
        c.spikeAmount += static_cast<float>(a * ax);
        c.spikeHard = true;
        break;

    // LFOs.
    case kDestLfo1Rate:
    case kDestLfo2Rate:
    case kDestLfo3Rate: {
        const int32_t k = dest - kDestLfo1Rate;
        lfoRate[k] = limitedTo(lfoRate[k] + ax, 0.0, 1.0);
        rateModulated[k] = true;
        break;
    }

    // Level, pan and the FX share.
    case kDestVolume:
        out.volumeSum += static_cast<float>(ax);
        break;
    case kDestLevelDb:
        out.levelFactor *= static_cast<float>(std::pow(10.0, std::min(5.0 * ax, 0.9)));
        break;
    case kDestLfo3Amp: {
        const double y = ax * c.lfoOut[2];
        out.ampFactor += static_cast<float>(signedSquare(y));
        break;
    }
    case kDestPan:
        out.panSum += static_cast<float>(isBipolarSource(source) ? ax : a * (2.0 * x - 1.0));
        break;
    case kDestLfo3Pan:
        out.panSum += static_cast<float>(ax * c.lfoOut[2]);
        break;
    case kDestPanSpread:
        out.spread = limitedTo(out.spread + ax, 0.0, 1.0);
        break;
    case kDestFxDryWet:
        out.fxShare += static_cast<float>(ax);
        break;

    // Settings only the voice's first slice makes.
    case kDestFilterType:
        if (atStart)
            c.startFilterType = filterTypeForModulation(term(100.0 * ax + 1e-7) / 4);
        break;
    case kDestOsc1Phase:
    case kDestOsc2Phase:
    case kDestOsc3Phase:
        if (atStart) {
            const int32_t i = dest == kDestOsc3Phase ? 2 : dest - kDestOsc1Phase;
            osc.setPhase[i] = true;
            osc.phase[i] = phaseFromCycles(ax);
        }
        break;
    case kDestLfo1Phase:
    case kDestLfo2Phase:
    case kDestLfo3Phase:
        if (atStart) {
            const int32_t k = dest - kDestLfo1Phase;
            c.setLfoPhase[k] = true;
            c.startLfoPhase[k] = phaseFromCycles(ax);
        }
        break;

    default: // MM Amount (the first pass), the block-rate destinations, codes without a meaning
        break;
    }
}

} // namespace

namespace {

int32_t sourceIndex(ModRoutes& routes, int32_t source)
{
    if (!isModSource(source))
        return -1;
    for (int32_t i = 0; i < routes.sourceCount; ++i)
        if (routes.sources[i] == source)
            return i;
    routes.sources[routes.sourceCount] = source;
    return routes.sourceCount++;
}

} // namespace

ModRoutes Vesk::modRoutes() const
{
    ModRoutes routes;
    for (int32_t k = ModRoutes::kSlots - 1; k >= 0; --k) {
        const ModSlot slot = mod.slot[k];
        routes.amount[k] = limitedAmount(slot.modAmount);
        const bool scales = slot.modDest >= kDestMmAmount1 && slot.modDest <= kDestMmAmount24;
        const bool folds = isModSource(slot.modSource);
        if (!scales && !folds)
            continue;
        const ModRoute route{k, slot.modSource, slot.modDest, modVoicesMask(slot.modVoices),
                             sourceIndex(routes, slot.modSource)};
        if (scales)
            routes.scaling[routes.scalingCount++] = route;
        if (folds) {
            routes.folding[routes.foldingCount++] = route;
            routes.modEnvUsed = routes.modEnvUsed || slot.modSource == kSrcModEnv;
        }
    }
    return routes;
}

void Vesk::modulateVoice(const VoiceSlot& voice, VoiceControls& controls, const ModRoutes& routes)
{
    // Only slots with a source reach a voice (an MM Amount slot only scales
    // others), so a program without routings costs nothing more here.
    if (routes.foldingCount == 0)
        return;
    // Counted whatever the voice: the block-rate pass reads voice slot 0's
    // envelope whatever layer that voice plays.
    if (routes.modEnvUsed)
        controls.modEnvUsed = true;
    const uint32_t layerBit = 1u << clampTo<int32_t>(voice.layer, 0, VoiceStackFields::kMaxLayers - 1);
    const ModSourceInputs sources{&ctl, mod.curve, arp.arpOn ? mod.arpNoteOut : 0.5, arp.arpOn ? mod.arpVelOut : 0.5,
                                  &voice, controls.lfoOut};
    // Nothing the fold changes is read by a source, so each is read once.
    double value[ModRoutes::kSlots];
    for (int32_t i = 0; i < routes.sourceCount; ++i)
        value[i] = modSourceValue(routes.sources[i], sources);

    // MM Amount slots act as gains on other slots' amounts; without a source
    // a slot's own amount is the gain.
    const double* amount = routes.amount;
    double scaled[ModRoutes::kSlots];
    if (routes.scalingCount > 0) {
        std::copy(routes.amount, routes.amount + ModRoutes::kSlots, scaled);
        for (int32_t i = 0; i < routes.scalingCount; ++i) {
            const ModRoute& r = routes.scaling[i];
            if ((r.layers & layerBit) == 0)
                continue;
            const double x = r.value >= 0 ? value[r.value] : 1.0;
            double& target = scaled[r.dest - kDestMmAmount1];
            target = limitedAmount(target * scaled[r.slot] * x);
        }
        amount = scaled;
    }

    VoiceFold fold(controls, lfo, voice.age == 0, sampleRate);
    for (int32_t i = 0; i < routes.foldingCount; ++i) {
        const ModRoute& r = routes.folding[i];
        if ((r.layers & layerBit) != 0)
            fold.apply(r.dest, r.source, amount[r.slot], value[r.value]);
    }
    if (fold.anyLfoRate())
        fold.finishLfoRates(lfo, owner.hostTempo(), hzToPhaseInc);
}

void applyStartModulation(VoiceSlot& slot, const VoiceControls& controls)
{
    if (slot.age != 0)
        return;
    if (controls.startFilterType != kNoFilterTypeChange)
        slot.voiceFilterType = controls.startFilterType;
    for (int32_t k = 0; k < kNumLfos; ++k)
        if (controls.setLfoPhase[k]) {
            slot.lfoPhase[k] = controls.startLfoPhase[k];
            slot.shPhaseSeen[k] = controls.startLfoPhase[k]; // a jump, not the end of a cycle
        }
}
