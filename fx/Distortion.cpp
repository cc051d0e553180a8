#include "Distortion.h"

#include "Conversions.h"

#include <cmath>

namespace {

enum class Shaper { Crunch, Toxic, Valve, Gain, Clip };

constexpr float kFlush = 1e-9f;
constexpr double kLn10 = 2.302585092994046;

float flushed(float x) { return std::fabs(x) < kFlush ? 0.0f : x; }

struct Drive {
    float g;      // input gain
    float r;      // 1/g, back to the input's scale
    float kOverG; // the crunch's output scale
};

Drive driveOf(int32_t type, float drive)
{
    const float d = clampTo(drive, 0.0f, 1.0f);
    const float p64 = std::pow(64.0f, d);
    const float p16 = std::pow(16.0f, d);
    float g = p64;
    float k = 0.0f;
    switch (type / 2) {
    case 0:
        k = p16;
        break;
    case 2:
        g = 0.5f * p64;
        break;
    case 3:
        g = 0.25f * p16;
        break;
    case 4:
        g = 0.25f * p64;
        break;
    default:
        break;
    }
    return {g, 1.0f / g, k / g};
}

struct Coefs {
    float b0, b1, a1;
};

template <Shaper kShaper>
void shapeChannel(DistortionFields& d, int32_t c, float* io, int32_t n, const Drive& drive, const Coefs& colour,
                  const OnePoleCoefs& dcBlock, float dryStep, float wetStep)
{
    // The valve's bias puts its curve through 0 for a silent input.
    const float valveBias = static_cast<float>(-0.25 / (1.0 - std::exp(-2.0)));
    float dry = d.distDryCurrent;
    float wet = d.distWetCurrent;
    float prevIn = d.distPrevIn[c];
    float first = d.distFirstOut[c];
    float prevShaped = d.distPrevFirstOut[c];
    float second = d.distSecondOut[c];
    const float g = drive.g;
    for (int32_t i = 0; i < n; ++i) {
        const float x = io[i];
        float out;
        if (kShaper == Shaper::Crunch) {
            const float h = std::tanh(g * x) * drive.kOverG;
            first = colour.b0 * h + colour.b1 * prevIn - colour.a1 * first;
            prevIn = h;
            out = first;
        } else if (kShaper == Shaper::Clip) {
            const float s = colour.b0 * x + colour.b1 * prevIn - colour.a1 * first;
            prevIn = x;
            first = s;
            const float u = g * s;
            float clipped = u;
            if (u > 1.0f / 3.0f) {
                const float t = 2.0f - 3.0f * u;
                clipped = u >= 2.0f / 3.0f ? 0.5f : (3.0f - t * t) / 6.0f;
            }
            const float c2 = clipped * drive.r;
            second = (c2 - prevShaped) * dcBlock.b - dcBlock.a * second;
            prevShaped = c2;
            out = second;
        } else {
            float f;
            if (kShaper == Shaper::Toxic) {
                f = x >= 0.0f ? 0.25f * (1.0f - (1.0f - x) * std::exp(static_cast<float>(-kLn10) * g * x))
                              : -0.25f * (1.0f - (x + 1.0f) * std::exp(static_cast<float>(kLn10) * g * x));
            } else if (kShaper == Shaper::Valve) {
                const float z = g * x + 0.25f;
                f = (std::fabs(z) < 0.0001f ? 0.125f : z / (1.0f - std::exp(-8.0f * z))) + valveBias;
                f *= drive.r;
            } else {
                f = g * x;
            }
            const float s1 = flushed(colour.b0 * f + colour.b1 * prevIn - colour.a1 * first);
            second = colour.b0 * s1 + colour.b1 * first - colour.a1 * second;
            prevIn = f;
            first = s1;
            out = second;
        }
        io[i] = dry * x + wet * out;
        dry += dryStep;
        wet += wetStep;
    }
    d.distPrevIn[c] = flushed(prevIn);
    d.distFirstOut[c] = flushed(first);
    d.distPrevFirstOut[c] = flushed(prevShaped);
    d.distSecondOut[c] = flushed(second);
}

template <Shaper kShaper>
void shape(DistortionFields& d, float** io, int32_t n, const Drive& drive, const Coefs& colour,
           const OnePoleCoefs& dcBlock, float dryStep, float wetStep)
{
    for (int32_t c = 0; c < 2; ++c)
        shapeChannel<kShaper>(d, c, io[c], n, drive, colour, dcBlock, dryStep, wetStep);
}

} // namespace

void processDistortion(DistortionFields& d, double sampleRate, int32_t n, float** io)
{
    if (n <= 0)
        return;
    const int32_t type = clampTo<int32_t>(d.distType, 0, 8);
    const float colour = clampTo(d.distColour, 0.0f, 1.0f);
    Coefs c{1.0f, 0.0f, 0.0f};
    if (type % 2 == 0) {
        if (colour <= 0.999f) {
            const OnePoleCoefs lp = onePoleLowpassCoefs(expMap(colour, 100.0, 20000.0), sampleRate);
            c = {lp.b, lp.b, lp.a};
        }
    } else {
        const OnePoleCoefs hp = onePoleHighpassCoefs(std::pow(2000.0, colour), sampleRate);
        c = {hp.b, -hp.b, hp.a};
    }
    d.distB0 = c.b0;
    d.distB1 = c.b1;
    d.distA1 = c.a1;
    const OnePoleCoefs dcBlock = onePoleHighpassCoefs(5.0, sampleRate);
    const Drive drive = driveOf(type, d.distDrive);

    const float amount = clampTo(d.distAmount, 0.0f, 1.0f);
    if (d.distDryCurrent < 0.0f) {
        d.distDryCurrent = 1.0f - amount;
        d.distWetCurrent = amount;
    }
    const float dryStep = (1.0f - amount - d.distDryCurrent) / static_cast<float>(n);
    const float wetStep = (amount - d.distWetCurrent) / static_cast<float>(n);

    // Types come in low-pass/high-pass pairs over the same shaper.
    using Run = void (*)(DistortionFields&, float**, int32_t, const Drive&, const Coefs&, const OnePoleCoefs&, float,
                         float);
    constexpr Run kByPair[5] = {shape<Shaper::Crunch>, shape<Shaper::Toxic>, shape<Shaper::Valve>,
                                shape<Shaper::Gain>, shape<Shaper::Clip>};
    kByPair[type / 2](d, io, n, drive, c, dcBlock, dryStep, wetStep);
    d.distDryCurrent = 1.0f - amount;
    d.distWetCurrent = amount;
}
