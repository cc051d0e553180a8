#include "CDelay.h"

#include "Conversions.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// Zero and subnormal values (exponent field 0) become 0, and so do infinities
// and NaNs, which would otherwise stay in the line for good.
float flushTiny(float x)
{
    uint32_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    const uint32_t exponent = bits & 0x7F800000u;
    return exponent == 0 || exponent == 0x7F800000u ? 0.0f : x;
}

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

void CDelayLine::setMix(float target) { mixTarget.store(flushTiny(target), std::memory_order_relaxed); }

void CDelayLine::setLap(double tPrime)
{
    const double n = lapSize;
    rateTarget.store(1.0 / (n * ((1.0 - 2.0 / n) * tPrime * 0.99 + 2.0 / n)), std::memory_order_relaxed);
}

void CDelayLine::restart()
{
    lfoPhase = lfoStartPhase;
    rateCurrent = rateTarget.load(std::memory_order_relaxed);
    mixCurrent = 0.0f;
    for (auto& s : segment)
        empty(s);
    writeSegment = 0;
    feedbackCurrent = feedbackTarget;
    inputGain = 0.0f;
    outputState = 0.0f;
    writePosition = 0.0;
}

// Before a real lap has been recorded the prefix reads as silence far back in time.
void CDelayLine::empty(Segment& s)
{
    for (int32_t k = 0; k < kPrefix; ++k) {
        s.value[k] = 0.0f;
        s.time[k] = -2.0;
    }
    s.count = kPrefix;
    s.cursor = 0;
}

// The recording of one lap earlier at the same lap position, interpolated
// between the entries around it.
float CDelayLine::View::readAt(double position)
{
    int32_t c = cursor;
    while (c < count && time[c] < position)
        ++c;
    cursor = c;
    if (c >= count)
        return 0.0f;
    // Every entry was flushed as it was written.
    const float v1 = value[c];
    if (c == 0)
        return v1;
    const float v0 = value[c - 1];
    const double t0 = time[c - 1];
    return v0 + (v1 - v0) * static_cast<float>((position - t0) / (time[c] - t0));
}

void CDelayLine::View::append(float v, double t)
{
    if (count >= capacity)
        return;
    value[count] = v;
    time[count] = t;
    ++count;
}

CDelayLine::View CDelayLine::view(Segment& s)
{
    return {s.value.data(), s.time.data(), s.count, s.cursor, static_cast<int32_t>(s.value.size())};
}

void CDelayLine::keep(Segment& s, const View& v)
{
    s.count = v.count;
    s.cursor = v.cursor;
}

// The lap is over: the segment being written gets the end of the one read as
// its prefix and its last entry, and becomes the one read.
void CDelayLine::endLap(View& reading, View& recording, int32_t& writing, float written, double& position)
{
    for (int32_t k = 0; k < kPrefix; ++k) {
        recording.value[k] = reading.value[reading.count - kPrefix + k];
        recording.time[k] = reading.time[reading.count - kPrefix + k] - 1.0;
    }
    recording.append(written, position);
    recording.cursor = 0;
    position -= 1.0;
    keep(segment[writing], recording);
    writing = 1 - writing;
    empty(segment[writing]);
    reading = view(segment[1 - writing]);
    recording = view(segment[writing]);
}

void CDelayLine::process(float* io, int32_t n)
{
    const float mixGoal = mixTarget.load(std::memory_order_relaxed);
    if (std::fabs(mixCurrent) <= 1e-5f && std::fabs(mixGoal) <= 1e-5f) {
        restart();
        return;
    }
    const double rateGoal = rateTarget.load(std::memory_order_relaxed);
    // Glides that have come to rest, where one more step would leave them
    // where they are, stay there for the whole block: most blocks can skip them.
    const bool settled = !(std::fabs(rateGoal - rateCurrent) >= 1e-8) &&
                         mixCurrent + (mixGoal - mixCurrent) * 0.01f == mixCurrent &&
                         inputGain + (1.0f - inputGain) * 0.01f == inputGain &&
                         feedbackCurrent + (feedbackTarget - feedbackCurrent) * 0.01f == feedbackCurrent;
    if (settled)
        run<false>(io, n, mixGoal, rateGoal);
    else
        run<true>(io, n, mixGoal, rateGoal);
}

template <bool kGliding>
void CDelayLine::run(float* io, int32_t n, float mixGoal, double rateGoal)
{
    const double minStep = 1.0 / lapSize;
    const float feedbackGoal = feedbackTarget;
    const float smoothing = outputSmoothing;
    const double depth = lfoDepth;
    const double increment = lfoIncrement;
    // The running values in locals: the segments' stores cannot touch them.
    double phase = lfoPhase;
    double position = writePosition;
    double rate = rateCurrent;
    float out = outputState;
    float mix = mixCurrent;
    float gain = inputGain;
    float feedback = feedbackCurrent;
    int32_t writing = writeSegment;
    View reading = view(segment[1 - writing]);
    View recording = view(segment[writing]);
    // The input's tiny and non-finite samples become silence in a pass of
    // their own, which vectorises.
    for (int32_t i = 0; i < n; ++i)
        io[i] = flushTiny(io[i]);
    for (int32_t i = 0; i < n; ++i) {
        const double tri = phase < 0.5 ? 2.0 * phase : 1.0 - 2.0 * (phase - 0.5);
        phase += increment;
        if (phase >= 1.0)
            phase -= 1.0;
        const double speed = std::max(1.0, 1.0 + depth * tri * tri * (3.0 - 2.0 * tri));

        out += (reading.readAt(position) - out) * smoothing;
        const float x = io[i];
        const float written = flushTiny(x * gain + out * feedback);
        position += clampTo(speed * rate, minStep, 0.2);
        if (position >= 1.0) {
            // On copies, so that the views and the position, whose addresses
            // never leave the loop, can stay in registers.
            View nowReading = reading, nowRecording = recording;
            double lapPosition = position;
            endLap(nowReading, nowRecording, writing, written, lapPosition);
            reading = nowReading;
            recording = nowRecording;
            position = lapPosition;
        }
        recording.append(written, position);

        const float mixBefore = mix;
        if (kGliding) {
            const double rateStep = rateGoal - rate;
            if (std::fabs(rateStep) >= 1e-8)
                rate += rateStep * 0.001;
            mix += (mixGoal - mix) * 0.01f;
            gain += (1.0f - gain) * 0.01f;
            feedback += (feedbackGoal - feedback) * 0.01f;
        }
        io[i] = x + mixBefore * out;
    }
    keep(segment[1 - writing], reading);
    keep(segment[writing], recording);
    lfoPhase = phase;
    writePosition = position;
    rateCurrent = rate;
    outputState = flushTiny(out);
    mixCurrent = mix;
    inputGain = gain;
    feedbackCurrent = feedback;
    writeSegment = writing;
}

CDelay::CDelay() = default;

void CDelay::process(float* leftChannel, float* rightChannel, int32_t n)
{
    if (!linesPresent)
        return;
    left->process(leftChannel, n);
    right->process(rightChannel, n);
}

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
    // Beyond "Fbk" 1 the loop would gain; the lines stop at its value there.
    const float bounded = clampTo(feedback, -1.0f, 1.0f);
    const float value = (feedbackInverted ? -0.95f : 0.95f) * bounded * bounded;
    forEachLine([value](CDelayLine& line) { line.setFeedback(value); });
}
