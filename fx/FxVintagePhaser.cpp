#include "FxVintagePhaser.h"

#include "Conversions.h"

#include <algorithm>
#include <cmath>

FxVintagePhaser::FxVintagePhaser() { setSampleRate(44100.0); }

FxVintagePhaser::~FxVintagePhaser() = default;

void FxVintagePhaser::setSampleRate(double rate)
{
    Module::setSampleRate(static_cast<float>(rate));
    chorus.setSampleRate(rate);
}

// The chorus lines keep their state: they restart by themselves when they wake.
void FxVintagePhaser::reset()
{
    for (auto& channel : stage)
        std::fill(std::begin(channel), std::end(channel), 0.0f);
    std::fill(std::begin(lastOut), std::end(lastOut), 0.0f);
    lfoPhase = 0;
}

void FxVintagePhaser::setParameter(int32_t index, float value)
{
    switch (index) {
    case kRate:
        rate = static_cast<float>(expMap(value, 0.05, 20.0));
        chorus.setRate(rate);
        break;
    case kFreq:
        centre = expMap(value, 200.0, 5000.0);
        chorus.setOutputSmoothing(value);
        break;
    case kFeedback:
        feedback = 0.98f * value;
        chorus.setFeedback(value);
        break;
    case kAmount:
        wet = value;
        dry = 1.0f - value;
        chorus.setAmount(value);
        break;
    case kDepth:
        depth = value;
        depthDisplay = value * 100.0f;
        chorus.setDepth(value);
        break;
    case kType: {
        // The type picks the processing loop, so it stays a valid type.
        const int32_t t = clampTo<int32_t>(truncToInt(value * 6.1f), 0, kTypeCount - 1);
        type.store(t, std::memory_order_relaxed);
        chorus.setType(t);
        break;
    }
    default:
        break;
    }
}

void FxVintagePhaser::process(int32_t n, float** io)
{
    if (n <= 0)
        return;
    const int32_t t = type.load(std::memory_order_relaxed);
    if (t >= 3) {
        chorus.process(io[0], io[1], n);
        return;
    }
    if (t == 2)
        runPhaser<8>(n, io, 8);
    else
        runPhaser<6>(n, io, t == 0 ? 4 : 6);
}

template <int32_t kStages>
void FxVintagePhaser::runPhaser(int32_t n, float** io, int32_t outputStage)
{
    const uint32_t increment = static_cast<uint32_t>(truncToInt(clampTo(rate, 0.0f, 0.45f * static_cast<float>(sampleRate)) *
                                                                static_cast<double>(hzToPhaseInc)));
    // Depth and feedback stay where the stages remain all-passes and the
    // loop gain below 1, whatever values arrive.
    const double sweep = 0.75 * clampTo(depth, 0.0f, 1.0f) * centre;
    const float fbk = clampTo(feedback, -0.98f, 0.98f);
    const float wetGain = wet;
    const float dryGain = dry;
    const double radiansPerHz = -2.0 * M_PI / sampleRate;
    float s[2][kMaxStages];
    float last[2] = {lastOut[0], lastOut[1]};
    for (int32_t c = 0; c < 2; ++c)
        std::copy(std::begin(stage[c]), std::end(stage[c]), s[c]);
    uint32_t phase = lfoPhase;
    // The coefficient follows the sine table's entries, so the exponential
    // is taken again only when the phase moves on to the next one.
    uint32_t entry = ~0u;
    float a = 0.0f;
    for (int32_t i = 0; i < n; ++i) {
        if ((phase >> SineTable::kShift) != entry) {
            entry = phase >> SineTable::kShift;
            const double fc = centre + sine[phase] * sweep;
            a = static_cast<float>(1.0 - std::exp(radiansPerHz * fc));
        }
        phase += increment;
        for (int32_t c = 0; c < 2; ++c) {
            const float x = io[c][i];
            float u = x - fbk * last[c];
            float y = 0.0f;
            for (int32_t k = 0; k < kStages; ++k) {
                const float old = s[c][k];
                const float now = old + a * (u - old);
                s[c][k] = now;
                u = u - now - old;
                if (k + 1 == outputStage)
                    y = u;
            }
            io[c][i] = dryGain * x + wetGain * (x + y);
            last[c] = y;
        }
    }
    lfoPhase = phase;
    const auto flushed = [](float v) { return std::fabs(v) < 1e-9f ? 0.0f : v; };
    for (int32_t c = 0; c < 2; ++c) {
        for (int32_t k = 0; k < kMaxStages; ++k)
            stage[c][k] = flushed(s[c][k]);
        lastOut[c] = flushed(last[c]);
    }
}
