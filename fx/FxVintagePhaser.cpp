#include "FxVintagePhaser.h"

#include "Conversions.h"

#include <algorithm>

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
    case kType:
        // The type picks the processing loop, so it stays a valid type.
        type = clampTo<int32_t>(truncToInt(value * 6.1f), 0, kTypeCount - 1);
        chorus.setType(type);
        break;
    default:
        break;
    }
}
