#include "CDelay.h"

#include "Conversions.h"

#include <algorithm>
#include <cmath>

namespace {

// Zero and subnormal values (exponent field 0) are stored as 0.
float flushTiny(float x) { return std::fpclassify(x) == FP_NORMAL || !std::isfinite(x) ? x : 0.0f; }

constexpr double kChorusOneLap = 0.0496; // t' of "Chorus I" (t = 0.2)

double lapSetting(double t) { return t * t * 0.99 + 0.01; }

} // namespace

CDelayLine::CDelayLine(int32_t lapSize_, double startPhase)
    : lapSize(std::max(lapSize_, kMinLap)), lfoStartPhase(startPhase)
{
    for (auto& s : segment) {
        s.value.assign(static_cast<size_t>(lapSize + kSegmentSlack), 0.0f);
        s.time.assign(static_cast<size_t>(lapSize + kSegmentSlack), 0.0);
    }
    restart();
}

// The limits are written so that a NaN lands on the low limit instead of passing.
void CDelayLine::setOutputSmoothing(float coefficient)
{
    outputSmoothing = coefficient >= 0.05f ? std::min(coefficient, 1.0f) : 0.05f;
}

void CDelayLine::setLfoDepth(double depth) { lfoDepth = depth; }

// Below one cycle per sample as well: a faster LFO is the same LFO by whole
// cycles, and the phase wrap can then be a single subtraction.
void CDelayLine::setLfoIncrement(double cyclesPerSample)
{
    lfoIncrement = cyclesPerSample > 0.0 ? std::fmod(std::min(cyclesPerSample, 1e9), 1.0) : 0.0;
}

void CDelayLine::setFeedback(float target) { feedbackTarget = flushTiny(target); }

void CDelayLine::setMix(float target) { mixTarget = flushTiny(target); }

void CDelayLine::setLap(double tPrime)
{
    const double n = lapSize;
    rateTarget = 1.0 / (n * ((1.0 - 2.0 / n) * tPrime * 0.99 + 2.0 / n));
}

void CDelayLine::restart()
{
    lfoPhase = lfoStartPhase;
    rateCurrent = rateTarget;
    mixCurrent = 0.0f;
    for (auto& s : segment)
        s.count = s.cursor = 0;
    feedbackCurrent = feedbackTarget;
    inputGain = 0.0f;
    outputState = 0.0f;
    writePosition = 0.0;
}

CDelay::CDelay() = default;

template <typename F>
void CDelay::forEachLine(F&& apply)
{
    if (!linesPresent)
        return;
    apply(*left);
    apply(*right);
}

CDelay::~CDelay() = default;

void CDelay::setSampleRate(double rate)
{
    if (rate == sampleRate)
        return;
    sampleRate = rate;
    const int32_t lap = clampTo<int32_t>(truncToInt(rate * 0.05), CDelayLine::kMinLap, 1 << 20); // 50 ms
    left = std::make_unique<CDelayLine>(lap, 0.0);
    right = std::make_unique<CDelayLine>(lap, 0.3);
    linesPresent = true;

    // The start values, in their fixed order: the mix is set before the
    // mix-inverted flag changes, so it keeps the previous flag's sign, while
    // the feedback ends at -0.2375.
    applyMix();
    forEachLine([](CDelayLine& line) { line.setLap(kChorusOneLap); });
    setRate(0.15);
    forEachLine([](CDelayLine& line) { line.setLfoDepth(1.0); });
    amount = 1.0f;
    applyMix();
    mixInverted = true;
    feedbackInverted = true;
    applyFeedback();
    feedback = 0.5f;
    applyFeedback();
    forEachLine([](CDelayLine& line) { line.setOutputSmoothing(1.0f); });
}

void CDelay::setRate(double hz)
{
    if (!linesPresent)
        return;
    const double increment = hz / sampleRate;
    left->setLfoIncrement(increment);
    right->setLfoIncrement(1.1 * increment);
}

void CDelay::setOutputSmoothing(float value)
{
    forEachLine([value](CDelayLine& line) { line.setOutputSmoothing(0.05f + 0.95f * value); });
}

void CDelay::setFeedback(float value)
{
    feedback = value;
    applyFeedback();
}

void CDelay::setAmount(float value)
{
    amount = value;
    applyMix();
}

void CDelay::setDepth(float value)
{
    forEachLine([value](CDelayLine& line) { line.setLfoDepth(static_cast<double>(value) * value); });
}

void CDelay::setType(int32_t type)
{
    double t;
    switch (type) {
    case 3: // "Flanger+"
    case 4: // "Flanger-"
        t = 0.1;
        break;
    case 5: // "Chorus I"
        t = 0.2;
        break;
    case 6: // "Chorus II"
        t = 0.3;
        break;
    default:
        return;
    }
    mixInverted = type == 4;
    forEachLine([t](CDelayLine& line) { line.setLap(lapSetting(t)); });
    applyMix();
}

void CDelay::applyMix()
{
    const float mix = (mixInverted ? -1.0f : 1.0f) * amount * amount;
    forEachLine([mix](CDelayLine& line) { line.setMix(mix); });
}

void CDelay::applyFeedback()
{
    const float value = (feedbackInverted ? -0.95f : 0.95f) * feedback * feedback;
    forEachLine([value](CDelayLine& line) { line.setFeedback(value); });
}
