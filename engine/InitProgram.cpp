#include "InitProgram.h"

#include "ParamFamilies.h"

#include <cstring>
#include <initializer_list>

namespace {

using namespace ParamIndex;

// Normalised values chosen to land on the intended steps with room to spare
// from the step edges.
constexpr float kCentre = 0.5f;          // coarse 0, fine 0, no swing, gate offset 0, offset 0 %, 0 dB
constexpr float kOsc2FineValue = 0.53f;       // +3/128 semitone: a slow beat that thickens the two saws
constexpr float kSineShape = 0.7f;       // int(3 v) = 2
constexpr float kDecayTime = 0.5f;       // about 200 ms to a tenth
constexpr float kReleaseTime = 0.35f;    // about 50 ms to a tenth
constexpr float kVolumeValue = 0.5f;          // master gain 1.0
constexpr float kVoiceDetuneValue = 0.2f;     // 12/128 semitone between stack layers once Voices is raised
constexpr float kArpSixteenSteps = 0.5f; // int(31 v) + 1 = 16
constexpr float kArpKeyItself = 1.0f / 128.0f; // step value n = 1
constexpr float kPolyTwelve = 4.5f / 64.0f;    // int(64 v) + 8 = 12
constexpr float kModAmountZero = 0.5f;         // amount 2 v - 1 = 0

void setEnvelope(float* p, int first, float attack, float decay, float sustain, float release)
{
    p[first + kEnvAttack] = attack;
    p[first + kEnvDecay] = decay;
    p[first + kEnvSustain] = sustain;
    p[first + kEnvRelease] = release;
}

} // namespace

void fillInitProgram(ProgramRecord& record)
{
    std::memset(&record, 0, sizeof(record));
    std::strcpy(record.name, "Init");
    std::strcpy(record.description, "A plain starting point: two saws, an open filter, no effects.");

    float* p = record.params; // everything not named below stays 0

    // Two saws mixed evenly, the second slightly detuned; a square pulse width.
    p[kOsc1Coarse] = kCentre;
    p[kOsc1Fine] = kCentre;
    p[kOsc2Coarse] = kCentre;
    p[kOsc2Fine] = kOsc2FineValue;
    p[kOscMix] = kCentre;
    p[kOscPulseWidth] = kCentre;

    setEnvelope(p, kAmpAttack, 0.0f, kDecayTime, 1.0f, kReleaseTime);
    setEnvelope(p, kFilterAttack, 0.0f, kDecayTime, 1.0f, kReleaseTime);
    setEnvelope(p, kModAttack, 0.0f, kDecayTime, 0.0f, kReleaseTime);

    p[kFilterCutoff] = 1.0f;
    p[kFilterOffset] = kCentre;

    // Moderate sine LFOs (about 3 Hz) with a neutral skew, unrouted.
    for (int first : {int(kLfo1Shape), int(kLfo2Shape), int(kLfo3Shape)}) {
        p[first + kLfoShapeOffset] = kSineShape;
        p[first + kLfoRateOffset] = kCentre;
        p[first + kLfoSkewOffset] = kCentre;
    }

    // Every stack layer on, so raising Voices brings them all in.
    for (int layer = 0; layer < 8; ++layer)
        p[kVoice1 + layer] = 1.0f;
    p[kVolume] = kVolumeValue;
    p[kVoiceSpread] = kCentre;
    p[kVoiceDetune] = kVoiceDetuneValue;
    p[kPoly] = kPolyTwelve;

    // A 16-step synced "1/16" pattern that plays the held key at its own velocity.
    p[kArpRate] = kCentre;
    p[kArpLength] = kCentre;
    p[kArpSwing] = kCentre;
    p[kArpSync] = 1.0f;
    p[kArpSteps] = kArpSixteenSteps;
    for (int step = 0; step < 32; ++step) {
        p[kArpStep + step] = kArpKeyItself;
        p[kArpFinger + step] = 1.0f;
    }

    // Effects off, but at useful settings for when they are switched on.
    p[kPhaserRate] = 0.3f; // about 0.3 Hz
    p[kPhaserFreq] = kCentre;
    p[kPhaserFeedback] = 0.3f;
    p[kPhaserAmount] = kCentre;
    p[kPhaserDepth] = kCentre;
    p[kDelayColour] = kCentre; // the unfiltered middle step
    p[kDelayFeedback] = 0.3f;
    p[kDelayAmount] = 0.3f;
    p[kDelayRateLeft] = 0.45f; // "1/8*"
    p[kDelayRateRight] = 0.5f; // "1/8"
    p[kReverbType] = kCentre;  // "Room"
    p[kReverbDamp] = kCentre;
    p[kReverbDecay] = 0.4f;    // about 1.7 s
    p[kReverbAmount] = 0.3f;
    p[kReverbPreDelay] = 0.1f; // 10 ms
    p[kReverbLocut] = 0.3f;    // about 40 Hz
    p[kDistColour] = 1.0f;     // low-pass bypassed
    p[kDistDrive] = 0.3f;
    p[kDistAmount] = kCentre;
    for (int band : {int(kEq1Type), int(kEq2Type)}) {
        p[band + kEqQOffset] = kCentre; // Q 1.0
        p[band + kEqGainOffset] = kCentre;
    }
    p[kEq1Type + kEqFreqOffset] = kCentre; // about 316 Hz
    p[kEq2Type + kEqFreqOffset] = 0.8f;    // about 2.5 kHz

    for (int slot = 0; slot < kModFamilySlots; ++slot)
        p[kModAmount + slot] = kModAmountZero;

    for (int slot = 0; slot < kEffectOrderCount; ++slot)
        p[kEffectOrder + slot] = static_cast<float>(slot);
}
