#include "FxDelay.h"

#include "Conversions.h"
#include "EffectNames.h"

#include <algorithm>
#include <cmath>

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
    setColour(colourValue);
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

FxDelay::Crossing FxDelay::crossingOf(int32_t m)
{
    switch (m) {
    case 0:
        return {0.0f, 0.0f};
    case 7:
        return {-0.45f, -0.45f};
    case 8:
        return {0.45f, 0.45f};
    default:
        return {0.5f, -0.5f};
    }
}

void FxDelay::setParameter(int32_t index, float value)
{
    switch (index) {
    case kType: {
        // The mode picks a processing loop, so it stays a valid mode whatever arrives.
        const int32_t m = clampTo<int32_t>(truncToInt(value * 128.0f) / 16, 0, kModeCount - 1);
        mode.store(m, std::memory_order_relaxed);
        const Crossing crossing = crossingOf(m);
        gL = crossing.left;
        gR = crossing.right;
        break;
    }
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
    colourValue = value;
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

namespace {

enum Kind : int32_t { kSimple, kPingPong, kMultiTap, kDiffuse };

constexpr float kFlush = 1e-9f;
constexpr double kSlowestTempo = 1.0; // BPM; slower tempi would overflow the lengths
constexpr double kFastestTempo = 1000.0;

// Note lengths in 64ths of a quarter note, longest first ("*" dotted, "T" triplet).
constexpr double kNoteTable[kNumDelayRates] = {
    384.0, 256.0, 512.0 / 3.0, 192.0, 128.0, 256.0 / 3.0, 96.0, 64.0, 128.0 / 3.0, 48.0, 32.0,
    64.0 / 3.0, 24.0, 16.0, 32.0 / 3.0, 12.0, 8.0, 16.0 / 3.0, 6.0, 4.0, 8.0 / 3.0,
};

float flushed(float x) { return std::fabs(x) < kFlush ? 0.0f : x; }

int32_t noteIndex(float rate) { return clampTo<int32_t>(truncToInt(rate * 20.001), 0, kNumDelayRates - 1); }

struct Colour {
    float b0, b1, a1;
    float step(float x, float& x1, float& y1) const
    {
        const float y = flushed(b0 * x + b1 * x1 - a1 * y1);
        x1 = x;
        y1 = y;
        return y;
    }
};

struct AllPass {
    float* buffer;
    int32_t length;
    int32_t& index;
    float step(float x) const
    {
        const float v = buffer[index];
        const float u = x - 0.2f * v;
        buffer[index] = u;
        index = index + 1 >= length ? 0 : index + 1;
        return v + 0.2f * u;
    }
};

} // namespace

void FxDelay::diffuserLengths(int32_t* lengths) const
{
    // Rates far above 192 kHz would stretch the stages past their buffers;
    // they stop at the buffer length instead.
    const double base[kDiffuserCount] = {100.0, 292.0, 80.0, 290.1};
    for (int32_t k = 0; k < kDiffuserCount; ++k)
        lengths[k] = clampTo<int32_t>(truncToInt(base[k] * rateRatio), 1, kDiffuserSize);
}

void FxDelay::process(int32_t n, float** io, float tempo, const DelayModSource* mod)
{
    if (n <= 0)
        return;
    const double bpm = tempo >= kSlowestTempo ? std::min<double>(tempo, kFastestTempo) : 120.0;
    const double u = sampleRate * 0.9375 / bpm;
    dL = truncToInt(kNoteTable[noteIndex(rateLeft)] * u);
    dR = std::min(truncToInt(kNoteTable[noteIndex(rateRight)] * u), static_cast<int32_t>(kRingMask) - 1);
    rightBase = w + static_cast<uint32_t>(dL) - static_cast<uint32_t>(dR);

    const DelayModSource still{};
    const DelayModSource& m = mod && mod->table ? *mod : still;
    const int32_t blockMode = mode.load(std::memory_order_relaxed);
    if (m.depth != 0.0f)
        runMode<true>(n, io, m, blockMode);
    else
        runMode<false>(n, io, m, blockMode);
    for (float& y : prevOut)
        y = flushed(y);
}

template <bool kModulated>
void FxDelay::runMode(int32_t n, float** io, const DelayModSource& mod, int32_t blockMode)
{
    switch (blockMode) {
    case 0:
        run<kSimple, kModulated>(n, io, mod, blockMode);
        break;
    case 6:
        run<kMultiTap, kModulated>(n, io, mod, blockMode);
        break;
    case 7:
    case 8:
        run<kDiffuse, kModulated>(n, io, mod, blockMode);
        break;
    default:
        run<kPingPong, kModulated>(n, io, mod, blockMode);
        break;
    }
}

template <int32_t kKind, bool kModulated>
void FxDelay::run(int32_t n, float** io, const DelayModSource& mod, int32_t blockMode)
{
    const float wetGain = wet;
    const float dryGain = 1.0f - wetGain;
    const float feedback = clampTo(fb, 0.0f, kMaxLoopGain);
    // The right line decays at the left line's rate per second.
    const double ratio = dL > 0 ? static_cast<double>(dR) / dL : 1.0;
    const float fbR = std::min(static_cast<float>(std::pow(feedback, ratio)), kMaxLoopGain);
    const float fbMT = 0.5f * fbR;

    // Ping-pong: the share that stays on its own side is 1 - 2g.
    float g = crossingOf(blockMode).left;
    const float ppCrossing[kModeCount] = {0.0f, 0.5f, 0.375f, 0.25f, 0.125f, 0.05f, 0.0f, 0.0f, 0.0f};
    if (kKind == kPingPong)
        g = ppCrossing[blockMode];
    const float gLeft = g;
    const float gRight = -g;
    const float aLL = gLeft > 0.0f ? 1.0f - 2.0f * gLeft : 1.0f;
    const float aRL = gLeft < 0.0f ? 1.0f + 2.0f * gLeft : 1.0f;
    const float aLR = gRight > 0.0f ? 1.0f - 2.0f * gRight : 1.0f;
    const float aRR = gRight < 0.0f ? 1.0f + 2.0f * gRight : 1.0f;

    const Colour colour{b0, b1, a1};
    float* left = ring[0].data();
    float* right = ring[1].data();
    int32_t lengths[kDiffuserCount];
    diffuserLengths(lengths);
    const AllPass diffusers[kDiffuserCount] = {
        {diffuser[0].data(), lengths[0], diffuserIndex[0]}, {diffuser[1].data(), lengths[1], diffuserIndex[1]},
        {diffuser[2].data(), lengths[2], diffuserIndex[2]}, {diffuser[3].data(), lengths[3], diffuserIndex[3]}};
    for (int32_t k = 0; k < kDiffuserCount; ++k)
        if (diffuserIndex[k] >= lengths[k])
            diffuserIndex[k] = 0;

    uint32_t wi = w;
    uint32_t rb = rightBase;
    float x1L = prevIn[0], y1L = prevOut[0], x1R = prevIn[1], y1R = prevOut[1];
    const double modScale = static_cast<double>(mod.depth) * 0.5 * dL;
    uint32_t phase = mod.phase;
    float* inL = io[0];
    float* inR = io[1];
    for (int32_t s = 0; s < n; ++s) {
        int64_t whole = dL;
        float frac = 0.0f;
        if (kModulated) {
            const uint32_t j = phase >> 21;
            const float f = static_cast<float>((phase >> 5) & 0xFFFF) * (1.0f / 65536.0f);
            const float lfo = mod.table[j] * (1.0f - f) + mod.table[j + 1] * f;
            const double d = dL + lfo * modScale;
            const int64_t q = static_cast<int64_t>(std::floor(d * 1024.0 + 0.5));
            whole = q >> 10;
            frac = static_cast<float>(q & 1023) * (1.0f / 1024.0f);
            phase += static_cast<uint32_t>(mod.increment);
        }
        const uint32_t back = static_cast<uint32_t>(whole);
        // Unmodulated, the tap lies on a whole sample.
        const auto tap = [&](const float* r, uint32_t base) {
            if (!kModulated)
                return r[(base - back) & kRingMask];
            return r[(base - back) & kRingMask] * (1.0f - frac) + r[(base - back - 1) & kRingMask] * frac;
        };
        const float xl = inL[s];
        const float xr = inR[s];
        if (kKind == kSimple || kKind == kDiffuse) {
            float tapL = tap(left, wi);
            float tapR = tap(right, rb);
            if (kKind == kDiffuse) {
                tapL = diffusers[1].step(diffusers[0].step(tapL));
                tapR = diffusers[3].step(diffusers[2].step(tapR));
            }
            const float yl = colour.step(tapL, x1L, y1L);
            const float yr = colour.step(tapR, x1R, y1R);
            inL[s] = xl * dryGain + yl * wetGain;
            inR[s] = xr * dryGain + yr * wetGain;
            left[wi] = xl - feedback * yl;
            right[wi] = xr - fbR * yr;
        } else if (kKind == kPingPong) {
            const float yl = colour.step(tap(left, wi), x1L, y1L);
            const float tr = flushed(tap(right, rb));
            inL[s] = xl * dryGain + (aLL * yl + aLR * tr) * wetGain;
            inR[s] = xr * dryGain + (aRL * yl + aRR * tr) * wetGain;
            left[wi] = (xl + xr) * 0.5f - feedback * tr;
            right[wi] = -feedback * yl;
        } else {
            const float yl = colour.step(tap(left, wi), x1L, y1L);
            const float yr = colour.step(tap(left, rb), x1R, y1R);
            inL[s] = xl * dryGain + (0.95f * yl + 0.05f * yr) * wetGain;
            inR[s] = xr * dryGain + yr * wetGain;
            left[wi] = (xl + xr) * 0.5f + (yl + yr) * fbMT;
        }
        wi = (wi + 1) & kRingMask;
        rb = (rb + 1) & kRingMask;
    }
    w = wi;
    rightBase = rb;
    prevIn[0] = x1L;
    prevIn[1] = x1R;
    prevOut[0] = y1L;
    prevOut[1] = y1R;
}
