#include "ModulationMatrix.h"

#include "ModulationVocabulary.h"

#include <cmath>

namespace {

constexpr double kCentrePitch = 7680.0; // note 60, where Note # reads 0
constexpr double kVelocityScale = 1.0 / 128.0;
constexpr double kLowestKnee = 0.01;
constexpr double kHighestKnee = 0.99;
constexpr double kCycle = 4294967296.0;

double curved(const ModSourceInputs& in, int32_t curve, double c)
{
    if (!in.curves || !in.curves[curve].curveOn)
        return c;
    return curvedController(c, in.curves[curve]);
}

// The wheel and breath stay within 0..1 however a curve bends them.
double curvedUnit(const ModSourceInputs& in, int32_t curve, double c)
{
    return in.curves && in.curves[curve].curveOn ? clampTo(curved(in, curve, c), 0.0, 1.0) : c;
}

} // namespace

double curvedController(double c, const ControllerCurve& curve)
{
    if (c <= curve.curveKnee)
        return c * curve.curveLow;
    return c * curve.curveHigh + 1.0 - curve.curveHigh;
}

void bendControllerCurve(ControllerCurve& curve, double bend)
{
    const double knee = 0.5 + 0.5 * bend;
    curve.curveKnee = knee > kLowestKnee ? (knee < kHighestKnee ? knee : kHighestKnee) : kLowestKnee;
    curve.curveLow = (1.0 - curve.curveKnee) / curve.curveKnee;
    curve.curveHigh = 1.0 / curve.curveLow;
    curve.curveOn = true;
}

double modSourceValue(int32_t source, const ModSourceInputs& in)
{
    const ControllerState& ctl = *in.ctl;
    const VoiceSlot& voice = *in.voice;
    switch (source) {
    case kSrcVelocity:
        return 2.0 * (curved(in, kVelocityCurve, voice.velocity * kVelocityScale) - 0.5);
    case kSrcNote:
        return (voice.pitch - kCentrePitch) / kCentrePitch;
    case kSrcModWheel:
        return curvedUnit(in, kWheelCurve, ctl.modWheelSmoothed);
    case kSrcPitchWheel:
        return ctl.bend;
    case kSrcAftertouch:
        return ctl.aftertouch;
    case kSrcRandom:
        return voice.voiceRandom;
    case kSrcConst:
        return 1.0;
    case kSrcArpNote:
        return in.arpNote;
    case kSrcArpVel:
        return in.arpVel;
    case kSrcBreath:
        return curvedUnit(in, kBreathCurve, ctl.breath);
    case kSrcFoot:
        return ctl.foot;
    case kSrcExpression:
        return ctl.expression;
    case kSrcLfo1:
    case kSrcLfo1 + 1:
    case kSrcLfo1 + 2:
        return in.lfo[source - kSrcLfo1];
    case kSrcLfo1Wheel:
    case kSrcLfo1Wheel + 1:
    case kSrcLfo1Wheel + 2:
        return in.lfo[source - kSrcLfo1Wheel] * ctl.modWheelSmoothed;
    case kSrcLfo1Touch:
    case kSrcLfo1Touch + 1:
    case kSrcLfo1Touch + 2:
        return in.lfo[source - kSrcLfo1Touch] * ctl.aftertouch;
    case kSrcAmpEnv:
        return voice.ampLevel;
    case kSrcFilterEnv:
        return voice.filterEnvLevel;
    case kSrcVoiceNumber:
        return voice.layer;
    case kSrcModEnv:
        return voice.modEnvLevel;
    default:
        return 0.0;
    }
}

uint32_t phaseFromCycles(double cycles)
{
    if (!std::isfinite(cycles))
        return 0;
    // Dropping whole cycles first is exact and keeps the product in range.
    const double steps = std::fmod(cycles, 1.0) * kCycle;
    return static_cast<uint32_t>(static_cast<int64_t>(steps));
}
