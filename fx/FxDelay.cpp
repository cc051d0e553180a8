#include "FxDelay.h"

#include "Conversions.h"

#include <algorithm>

FxDelay::FxDelay()
{
    for (auto& r : ring)
        r.assign(kRingSize, 0.0f);
    for (auto& d : diffuser)
        d.assign(kDiffuserSize, 0.0f);
}

FxDelay::~FxDelay() = default;

void FxDelay::setSampleRate(double rate)
{
    Module::setSampleRate(static_cast<float>(rate));
    rateRatio = static_cast<float>(sampleRate / 44100.0);
}

void FxDelay::reset()
{
    for (auto& r : ring)
        std::fill(r.begin(), r.end(), 0.0f);
    for (auto& d : diffuser)
        std::fill(d.begin(), d.end(), 0.0f);
    std::fill(std::begin(diffuserIndex), std::end(diffuserIndex), 0);
    std::fill(std::begin(prevIn), std::end(prevIn), 0.0f);
    std::fill(std::begin(prevOut), std::end(prevOut), 0.0f);
}

void FxDelay::setParameter(int32_t index, float value)
{
    switch (index) {
    case kType:
        // The mode picks a processing loop, so it stays a valid mode whatever arrives.
        mode = clampTo<int32_t>(truncToInt(value * 128.0f) / 16, 0, kModeCount - 1);
        if (mode == 0) {
            gL = gR = 0.0f;
        } else if (mode == 7) {
            gL = gR = -0.45f;
        } else if (mode == 8) {
            gL = gR = 0.45f;
        } else {
            gL = 0.5f;
            gR = -0.5f;
        }
        break;
    case kFeedback:
        fb = value;
        break;
    case kRateLeft:
        rateLeft = value;
        break;
    case kRateRight:
        rateRight = value;
        break;
    case kColour:
        setColour(value);
        break;
    case kAmount:
        wet = value * value;
        break;
    default:
        break;
    }
}

// Below the middle step a low-pass from 200 Hz up towards 20 kHz, above it a
// high-pass from about 20 Hz up to 15 kHz; the middle step leaves the loop open.
void FxDelay::setColour(float value)
{
    const int32_t k = truncToInt(value * 128.0f);
    if (k == 64) {
        // A plain pass-through: b0 = b1 = a1 = 1 would leave a pole on the
        // unit circle at half the sample rate, ringing for ever.
        b0 = 1.0f;
        b1 = a1 = 0.0f;
        colourCorner = 0.0f;
        return;
    }
    const double c = (k - 64.0) / 64.01;
    if (c <= 0.0) {
        colourCorner = static_cast<float>(expMap(c + 1.0, 200.0, 20000.0));
        const OnePoleCoefs lp = onePoleLowpassCoefs(colourCorner, sampleRate);
        a1 = lp.a;
        b0 = b1 = lp.b;
    } else {
        colourCorner = static_cast<float>(expMap(c, 20.0, 15000.0));
        const OnePoleCoefs hp = onePoleHighpassCoefs(colourCorner, sampleRate);
        a1 = hp.a;
        b0 = hp.b;
        b1 = -hp.b;
    }
}
