#include "ParamDisplay.h"

#include "Conversions.h"
#include "EffectNames.h"
#include "NoteLengths.h"
#include "ParamIndex.h"
#include "ParamTable.h"
#include "VstAbi.h"

#include <cstdint>
#include <cstdio>

namespace {

using namespace ParamIndex;

constexpr size_t kCapacity = kVstMaxParamStrLen;

constexpr const char* kOscShapeNames[] = {"Saw", "Pulse", "Sine", "Wavetbl"};
constexpr const char* kOsc3ShapeNames[] = {"Saw", "Pulse", "Triangle"};
constexpr const char* kLfoShapeNames[] = {"Saw", "Pulse", "Sine", "S+H"};

// Hosts may store any float, so every list lookup stays inside its list.
template <size_t N>
const char* listEntry(const char* const (&names)[N], int32_t choice)
{
    return names[clampTo<int32_t>(choice, 0, static_cast<int32_t>(N) - 1)];
}

// Choice menus whose last name stands for every code past the named ones.
template <size_t N>
const char* lastForOthers(const char* const (&names)[N], int32_t choice)
{
    return choice >= 0 && choice < static_cast<int32_t>(N) ? names[choice] : names[N - 1];
}

// int(x) - offset without the overflow a saturated huge value would cause.
int32_t truncMinus(double x, int32_t offset)
{
    return static_cast<int32_t>(clampTo<int64_t>(int64_t{truncToInt(x)} - offset, INT32_MIN, INT32_MAX));
}

void writeName(char* text, const char* name) { std::snprintf(text, kCapacity, "%s", name); }

void writeSignedPercent(char* text, int32_t k)
{
    std::snprintf(text, kCapacity, k > 0 ? "+%d %%" : "%d %%", k);
}

void writeCoarse(char* text, float v)
{
    const int32_t k = truncMinus(72.0 * v, 36);
    if (k > 0) {
        std::snprintf(text, kCapacity, "+%d", k);
        return;
    }
    // In single precision with a nudge, so that a value stored just below a
    // semitone step (35/72 as a float) still reads as that step.
    std::snprintf(text, kCapacity, "%d", truncMinus(72.0f * v + 0.0001f, 36));
}

void writeLfoRate(char* text, double v, bool synced)
{
    if (synced)
        writeName(text, kNoteLengths[lfoNoteLengthIndex(v)].lfoName);
    else
        std::snprintf(text, kCapacity, "%.1f Hz", expMap(v, 0.1, 100.0));
}

void writeFadeIn(char* text, double v)
{
    if (v >= 0.00001)
        std::snprintf(text, kCapacity, "%.2f s", expMap(v, 0.01, 10.01) - 0.01);
    else
        writeName(text, "Off");
}

void writeVoices(char* text, int32_t voices)
{
    if (voices == 1)
        writeName(text, "1 voice");
    else
        std::snprintf(text, kCapacity, "%d voices", voices);
}

void writeDistColour(char* text, double v, int32_t distType)
{
    const bool highPass = (distType & 1) != 0;
    const double hz = highPass ? expMap(v, 1.0, 2000.0) : expMap(v, 100.0, 20000.0);
    std::snprintf(text, kCapacity, "%d Hz", truncToInt(hz + 0.001));
}

// Members within a repeated group of parameters.
constexpr int32_t kLfoRateOffset = 1;
constexpr int32_t kLfoFadeInOffset = 3;
constexpr int32_t kEqFreqOffset = 1;
constexpr int32_t kEqQOffset = 2;
constexpr int32_t kEqGainOffset = 3;
constexpr int32_t kPhaserRate = kPhaserType + 1;
constexpr int32_t kDelayColour = kDelayType + 1;
constexpr int32_t kDelayRateLeft = kDelayType + 4;
constexpr int32_t kDelayRateRight = kDelayType + 5;
constexpr int32_t kReverbDecay = kReverbType + 2;
constexpr int32_t kReverbPredelay = kReverbType + 4;
constexpr int32_t kReverbLowCut = kReverbType + 5;
constexpr int32_t kDistColour = kDistType + 1;

int32_t stepChoice(int32_t index, double v) { return truncToInt(kParamDescriptors[index].steps * v); }

void writePercent(char* text, double v) { std::snprintf(text, kCapacity, "%.0f %%", 100.0 * v); }

void writeLfoParam(char* text, int32_t index, double v, const DisplayContext& context)
{
    const int32_t lfo = (index - kLfo1Shape) / kLfoStride;
    switch ((index - kLfo1Shape) % kLfoStride) {
    case 0:
        writeName(text, lastForOthers(kLfoShapeNames, stepChoice(index, v)));
        break;
    case kLfoRateOffset:
        writeLfoRate(text, v, context.lfoSync[lfo]);
        break;
    case kLfoFadeInOffset:
        writeFadeIn(text, v);
        break;
    default:
        writePercent(text, v);
    }
}

void writeEqParam(char* text, int32_t offset, double v)
{
    switch (offset) {
    case 0:
        writeName(text, lastForOthers(kEqTypeNames, truncToInt(2.01 * v)));
        break;
    case kEqFreqOffset:
        std::snprintf(text, kCapacity, "%d Hz", truncToInt(expMap(v, 10.0, 10000.0)));
        break;
    case kEqQOffset:
        std::snprintf(text, kCapacity, "%.1f", expMap(v, 0.1, 10.0));
        break;
    case kEqGainOffset:
        std::snprintf(text, kCapacity, v >= 0.5 ? "+%.1f dB" : "%.1f dB", 20.0 * v - 10.0);
        break;
    default:
        writePercent(text, v);
    }
}

} // namespace

bool formatParamDisplay(int32_t index, float value, const DisplayContext& context, char* text)
{
    if (index < 0 || index >= kNumProgramParams || index == kArpRate || index == kArpLength)
        return false;

    const double v = value;
    if (index >= kLfo1Shape && index < kLfo3Shape + kLfoStride) {
        writeLfoParam(text, index, v, context);
        return true;
    }
    if (index >= kEq1Type && index < kEq2Type + (kEq2Type - kEq1Type)) {
        writeEqParam(text, (index - kEq1Type) % (kEq2Type - kEq1Type), v);
        return true;
    }

    switch (index) {
    case kOsc1Shape:
    case kOsc2Shape:
        writeName(text, lastForOthers(kOscShapeNames, stepChoice(index, v)));
        break;
    case kOsc1Coarse:
    case kOsc2Coarse:
        writeCoarse(text, value);
        break;
    case kOsc1Fine:
    case kOsc2Fine:
        std::snprintf(text, kCapacity, "%.1f ct", 200.0 * v - 100.0);
        break;
    case kOsc3Shape:
        writeName(text, lastForOthers(kOsc3ShapeNames, stepChoice(index, v)));
        break;
    case kFilterOffset:
        writeSignedPercent(text, truncMinus(200.0 * v, 100));
        break;
    case kArpSwing:
        writeSignedPercent(text, truncMinus(150.0 * v, 75));
        break;
    case kVoices:
        writeVoices(text, context.voicesPerNote);
        break;
    case kPhaserType:
        writeName(text, listEntry(kPhaserTypeNames, truncToInt(6.1 * v)));
        break;
    case kPhaserRate:
        std::snprintf(text, kCapacity, "%.2f Hz", expMap(v, 0.05, 20.0));
        break;
    case kDelayType:
        writeName(text, listEntry(kDelayTypeNames, truncToInt(8.0 * v)));
        break;
    case kDelayColour: {
        const int32_t k = truncMinus(128.0 * v, 64);
        std::snprintf(text, kCapacity, k > 0 ? "+%d" : "%d", k);
        break;
    }
    case kDelayRateLeft:
    case kDelayRateRight:
        writeName(text, listEntry(kDelayRateNames, truncToInt(20.001 * v)));
        break;
    case kReverbType:
        writeName(text, listEntry(kReverbTypeNames, truncToInt(4.0 * v)));
        break;
    case kReverbDecay:
        std::snprintf(text, kCapacity, "%.1f s", expMap(v, 0.5, 10.0));
        break;
    case kReverbPredelay:
        std::snprintf(text, kCapacity, "%d ms", v >= 0.000001 ? truncToInt(100.0 * v + 0.001) : 0);
        break;
    case kReverbLowCut:
        std::snprintf(text, kCapacity, "%.0f Hz", expMap(v, 10.0, 1000.0));
        break;
    case kDistType:
        writeName(text, listEntry(kDistTypeNames, truncToInt(8.0 * v)));
        break;
    case kDistColour:
        writeDistColour(text, v, context.distType);
        break;
    default:
        writePercent(text, v);
    }
    return true;
}
