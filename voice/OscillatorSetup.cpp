// Once per voice and call: pitches to increments, table choice, the stack's
// increments and weights, and the starts of every per-frame ramp.
#include <cmath>

#include "OscillatorReads.h"
#include "OscillatorTables.h"
#include "Oscillators.h"

namespace {

constexpr int32_t kKeyTrackCentre = 60;   // the note key tracking pivots on
constexpr int32_t kKeyTrackPivotPitch = 7680; // 60 semitones
constexpr int32_t kOctave = 1536;
constexpr int32_t kFullKeyTrack = 1024;
constexpr int32_t kMaxFatMix = 1024;
constexpr int32_t kMaxDetune = 64;
constexpr int32_t kHighestWave = vesk::kWaveCount - 1;
constexpr int32_t kTriangleWave = 10; // the sub-oscillator's triangle is this wave's lowest band
constexpr int32_t kMorphSteps = 1024;
// Modulation can push the fat ratio to 0 or below; the stack divides by it.
constexpr float kFatRatioFloor = 0.01f;
// Largest float below 2^32: an increment can never round up into the next cycle.
constexpr float kMaxIncrement = 4294967040.0f;
// Bounds on sums nothing else limits, so that absurd host values stay
// finite and inside the 64-bit rounding of the FM increments.
constexpr float kMaxFmAmount = 1.0e4f;
constexpr float kMaxDepthFactor = 1.0e2f;
constexpr float kMaxLevel = 1.0e4f;

constexpr float kTo15Bit = 1.0f / 32768.0f;
constexpr float kFmDepthScale = 1.0f / 4096.0f;

struct FatExponents {
    double e1, e2;
};
constexpr FatExponents kFatExponents[2] = {{1.9, 3.12}, {1.88, 3.16}};

// NaN goes to lo.
inline float limited(float x, float lo, float hi) { return x > lo ? (x < hi ? x : hi) : lo; }

template <typename T>
inline T limitedInt(T x, T lo, T hi) { return x < lo ? lo : (x > hi ? hi : x); }

// Ramp fields hold -1 (or -1000 for the sub level) until a slot's first call.
inline bool isUnset(float prev, float below) { return !(prev >= below); }

Ramp rampFrom(float prev, bool unset, float target, int32_t frames)
{
    if (unset)
        return {target, 0.0f};
    return {prev, (target - prev) / static_cast<float>(frames)};
}

Ramp scaled(Ramp r, float k) { return {r.value * k, r.step * k}; }

uint32_t truncatedIncrement(double x) { return static_cast<uint32_t>(x > 0.0 ? (x < kMaxIncrement ? x : kMaxIncrement) : 0.0); }

float incrementOf(const OscillatorRates& rates, int32_t pitch)
{
    return limited(rates.pitchToFrequency[pitch] * rates.hzToPhaseInc, 0.0f, kMaxIncrement);
}

int32_t tablePitch(int64_t pitch) { return static_cast<int32_t>(limitedInt<int64_t>(pitch, 0, kHighestOscPitch)); }

// Wave bands are an octave wide; band 0 serves everything below MIDI note 60.
int32_t waveBand(int32_t tableIndex)
{
    return tableIndex < 96 ? 0 : limitedInt((tableIndex - 84) / 12, 0, vesk::kWaveBandCount - 1);
}

struct WaveChoice {
    int32_t wave;  // 0..69
    int32_t morph; // 0..1023
};

WaveChoice waveAt(int32_t position)
{
    const int32_t p = position > 0 ? position : 0;
    return {limitedInt(p / kMorphSteps, 0, kHighestWave), p % kMorphSteps};
}

void setFatStack(OscillatorSlice& s, int i, int32_t fatMix, float ratio, float increment)
{
    const int32_t f = limitedInt(fatMix, 0, kMaxFatMix);
    s.fat[i] = f >= 1;
    if (!s.fat[i])
        return;
    s.fatWeightMain[i] = kMaxFatMix - f / 2;
    s.fatWeightCopies[i] = s.fatWeightMain[i] * f / kMaxFatMix;
    const double r = limited(ratio, kFatRatioFloor, 1.0e3f);
    // One logarithm for both powers: two exponentials cost about what one
    // pow does. Either way the powers are good to an ulp or two of a double,
    // far below the unit the increments are truncated to.
    const double logRatio = std::log(r);
    const double r1 = std::exp(kFatExponents[i].e1 * logRatio);
    const double r2 = std::exp(kFatExponents[i].e2 * logRatio);
    const double inc = increment;
    const double copies[kFatCopies] = {inc * r, inc * r1, inc * r2, inc / r, inc / r1, inc / r2};
    for (int c = 0; c < kFatCopies; ++c)
        s.fatIncrements[i][c] = truncatedIncrement(copies[c]);
}

void applyStartPhases(const OscillatorInputs& in, bool oneShot, VoiceSlot& slot)
{
    if (in.setPhase[0])
        slot.osc1Phase = in.phase[0];
    if (in.setPhase[1])
        slot.osc2Phase = in.phase[1];
    if (in.setPhase[2]) {
        slot.osc3Phase = in.phase[2];
        slot.fmPhase = in.phase[2];
    }
    // A single cycle has to start at the top of the cycle to be one.
    if (oneShot)
        slot.osc2Phase = 0;
}

// The parts of a pitch shared by both oscillators, 1/128 semitone.
struct PitchBasis {
    int32_t note;   // the voice's note, from its pitch
    int64_t common; // table offset + bend and pitch modulation
    int64_t detune; // this layer's share of the stack detune
    int64_t glided; // pitch + glide offset, used instead of the note while gliding
};

PitchBasis pitchBasis(const OscillatorParameters& params, const OscillatorInputs& in, const VoiceSlot& slot)
{
    const int64_t layerOffset = int64_t{slot.layer} - params.voicesPerNote / 2;
    return {truncToInt(std::round(static_cast<double>(slot.pitch))) / 128,
            kPitchTableNoteOffset + int64_t{in.pitchOffset},
            int64_t{limitedInt(in.stackDetune, 0, kMaxDetune)} * layerOffset,
            truncToInt(static_cast<double>(params.glideOffset) + slot.pitch)};
}

// Unlimited pitch of oscillator i, wave correction included.
int64_t rawPitch(const OscillatorParameters& params, const OscillatorInputs& in, const PitchBasis& b, int i,
                 int32_t correction)
{
    const int64_t offset = int64_t{params.fine[i]} + b.detune + in.oscOffset[i] + correction;
    const int64_t coarse = int64_t{params.coarse[i]} * 128;
    // Gliding voices follow their own pitch; key tracking only scales the note.
    if (params.glideOn)
        return b.glided + coarse + offset + b.common;
    const int64_t tracked = int64_t{in.keyTrack[i]} * (b.note - kKeyTrackCentre) / kFullKeyTrack;
    return tracked * 128 + coarse + offset + kKeyTrackPivotPitch + b.common;
}

void chooseTable(OscillatorSlice& s, const OscillatorInputs& in, int i, int32_t tableIndex, WaveChoice wave)
{
    switch (s.shape[i]) {
    case kOscSine:
        s.table[i] = vesk::sineTable;
        break;
    case kOscWavetable: {
        const int32_t band = waveBand(tableIndex);
        s.table[i] = vesk::waveSet[wave.wave][band];
        if (in.waveModulated[i] && !s.sync) {
            s.morphTable[i] = vesk::waveSet[wave.wave < kHighestWave ? wave.wave + 1 : kHighestWave][band];
            s.morph[i] = wave.morph;
        }
        break;
    }
    default: // Saw, and Pulse as two saw reads
        s.table[i] = vesk::sawTables[tableIndex];
        break;
    }
}

// The sub-oscillator plays an octave under oscillator 1's pitch without the
// wave correction; subPitch is that pitch, or -1 when there is no correction
// and oscillator 1's first increment simply halves.
void setSubOscillator(OscillatorSlice& s, const OscillatorParameters& params, const OscillatorInputs& in,
                      const OscillatorRates& rates, int32_t osc1TableIndex, int32_t subPitch, VoiceSlot& slot)
{
    const int32_t shape = limitedInt(params.subShape, int32_t{kSubSaw}, int32_t{kSubTriangle});
    const int32_t subStep = subPitch >= 0 ? subPitch >> 7 : (osc1TableIndex >= 12 ? osc1TableIndex - 12 : 0);
    s.subTable = shape == kSubPulse      ? vesk::subPulseTables[subStep]
                 : shape == kSubTriangle ? vesk::waveSet[kTriangleWave][0]
                                         : vesk::sawTables[subStep];
    s.subIncrement = subPitch >= 0 ? rampIncrement(incrementOf(rates, subPitch))
                                   : rampIncrement(s.increment[0].value + s.increment[0].step) >> 1;
    const float level = limited(in.subLevel, 0.0f, kMaxLevel);
    const Ramp ramp = rampFrom(slot.prevOsc3Level, isUnset(slot.prevOsc3Level, -1.0f), level, s.frames);
    s.sub = ramp.value > 0.0f || level > 0.0f;
    s.subLevel = scaled(ramp, kTo15Bit);
    slot.prevOsc3Level = level;
}

void setNoise(OscillatorSlice& s, const OscillatorParameters& params, const OscillatorInputs& in,
              const OscillatorRates& rates, const VoiceSlot& slot)
{
    const float level = limited(in.noiseLevel, 0.0f, kMaxLevel);
    s.noiseLevel = level * kTo15Bit;
    // A silent voice may still have its colour filter ringing out.
    s.noise = level > 0.0f || slot.noisePrev != 0.0f || slot.noiseState != 0.0f;
    s.noiseHighpass = in.noiseColourModulated
                          ? onePoleHighpassCoefs(expMap(limited(in.noiseColour, 0.0f, 1.0f), 5.0, 20000.0),
                                                 rates.sampleRate)
                          : params.noiseHighpass;
}

void setMix(OscillatorSlice& s, const OscillatorInputs& in, VoiceSlot& slot)
{
    const float mix = limited(in.oscMix, 0.0f, 1.0f);
    s.mix = rampFrom(slot.prevMix, isUnset(slot.prevMix, 0.0f), mix, s.frames);
    slot.prevMix = mix;
    const float ring = limited(in.ringMod, 0.0f, 1.0f);
    s.ring = rampFrom(slot.prevRingMod, isUnset(slot.prevRingMod, 0.0f), ring, s.frames);
    s.ringUsed = s.ring.value > 0.0f || ring > 0.0f;
    slot.prevRingMod = ring;
}

void setFm(OscillatorSlice& s, const OscillatorParameters& params, const OscillatorInputs& in, VoiceSlot& slot)
{
    // The slot keeps Phi before its 2^-12 scale.
    const float depth =
        limited(in.fmDepthFactor, -kMaxDepthFactor, kMaxDepthFactor) * limited(in.fmAmount, 0.0f, kMaxFmAmount);
    const Ramp ramp = rampFrom(slot.prevFmDepth, isUnset(slot.prevFmDepth, 0.0f), depth, s.frames);
    slot.prevFmDepth = depth;
    s.fmDepth = scaled(ramp, kFmDepthScale);
    s.fmFeedback = limited(in.fmFeedback, 0.0f, 1.0f);
    s.fmMode = params.fmMode;
    const bool knownMode = params.fmMode >= kFmFeedback && params.fmMode <= kFmFilter;
    s.fmUsed = knownMode && (in.fmModulated || ramp.value > 0.0f || depth > 0.0f || s.fmFeedback > 0.0f);
}

} // namespace

OscillatorSlice prepareOscillators(const OscillatorParameters& params, const OscillatorInputs& in,
                                   const OscillatorRates& rates, VoiceSlot& slot, int32_t frames, bool split)
{
    OscillatorSlice s;
    s.frames = frames;
    s.split = split;
    s.sync = params.oscSync;
    s.oneShot = in.oneShot && !s.sync;
    if (slot.age == 0)
        applyStartPhases(in, s.oneShot, slot);

    const PitchBasis basis = pitchBasis(params, in, slot);
    int32_t osc1TableIndex = 0;
    int32_t subPitch = -1;
    for (int i = 0; i < 2; ++i) {
        s.shape[i] = limitedInt(params.shape[i], int32_t{kOscSaw}, int32_t{kOscWavetable});
        const WaveChoice wave = waveAt(in.wavePosition[i]);
        const int32_t correction = s.shape[i] == kOscWavetable ? vesk::wavePitchCorrection[wave.wave] : 0;
        const int64_t raw = rawPitch(params, in, basis, i, correction);
        const int32_t pitch = tablePitch(raw);
        const float target = incrementOf(rates, pitch);
        float& prev = i == 0 ? slot.prevInc1 : slot.prevInc2;
        s.increment[i] = rampFrom(prev, isUnset(prev, 0.0f), target, frames);
        prev = target;
        chooseTable(s, in, i, pitch >> 7, wave);
        // Sine has no stack, and neither has a synced oscillator 2.
        if (s.shape[i] != kOscSine && !(i == 1 && s.sync))
            setFatStack(s, i, in.fatMix[i], in.fatRatio[i], target);
        if (i == 0) {
            osc1TableIndex = pitch >> 7;
            s.osc1Pitch = tablePitch(raw - correction);
            if (correction != 0)
                subPitch = tablePitch(raw - correction - kOctave);
        }
    }

    // PW 1.0 gives 65536 << 16 = 0 modulo 2^32: silence, like PW 0.
    s.pulseOffset = static_cast<uint32_t>(nearestInt(limited(in.pulseWidth, 0.0f, 1.0f) * 65536.0f)) << 16;

    setSubOscillator(s, params, in, rates, osc1TableIndex, subPitch, slot);
    setNoise(s, params, in, rates, slot);
    setMix(s, in, slot);
    setFm(s, params, in, slot);
    return s;
}
