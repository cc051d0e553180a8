#include "Distortion.h"

#include "Conversions.h"
#include "VectorMath.h"

#include <algorithm>

#include <cmath>

namespace {

enum class Shaper { Crunch, Toxic, Valve, Gain, Clip };

constexpr float kFlush = 1e-9f;
constexpr double kLog2Of10 = 3.321928094887362;
constexpr double kLog2E = 1.4426950408889634;
// The valve's bias puts its curve through 0 for a silent input: -0.25 / (1 - e^-2).
const float kValveBias = static_cast<float>(-0.25 / (1.0 - std::exp(-2.0)));

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

// The shaper's curve, four samples at a time: tanh for the crunch, the
// toxic's power of ten, the valve's soft rectifier (scaled back by 1/G).
template <Shaper kShaper>
__m128 curve(__m128 x, const Drive& drive)
{
    const __m128 g = _mm_set1_ps(drive.g);
    if (kShaper == Shaper::Crunch)
        return _mm_mul_ps(vecmath::tanh(_mm_mul_ps(g, x)), _mm_set1_ps(drive.kOverG));
    const __m128 one = _mm_set1_ps(1.0f);
    if (kShaper == Shaper::Toxic) {
        // Odd: 0.25 (1 - (1 - |x|) 10^(-G|x|)), signed like x.
        const __m128 a = vecmath::abs(x);
        const __m128 power = vecmath::exp2(_mm_mul_ps(_mm_mul_ps(g, a), _mm_set1_ps(static_cast<float>(-kLog2Of10))));
        const __m128 f = _mm_mul_ps(_mm_set1_ps(0.25f), _mm_sub_ps(one, _mm_mul_ps(_mm_sub_ps(one, a), power)));
        return _mm_or_ps(f, _mm_andnot_ps(_mm_castsi128_ps(_mm_set1_epi32(0x7FFFFFFF)), x));
    }
    // Valve: z / (1 - e^(-8z)) = u / (1 - e^-u) / 8 with u = 8z. Near u = 0
    // the division would take the exponential's rounding to the power of 1/u,
    // so there its series stands in; right at z = 0 the curve is its limit.
    const __m128 z = _mm_add_ps(_mm_mul_ps(g, x), _mm_set1_ps(0.25f));
    const __m128 u = _mm_mul_ps(z, _mm_set1_ps(8.0f));
    const __m128 far = _mm_div_ps(z, _mm_sub_ps(one, vecmath::exp2(_mm_mul_ps(u, _mm_set1_ps(static_cast<float>(-kLog2E))))));
    const __m128 u2 = _mm_mul_ps(u, u);
    __m128 series = _mm_set1_ps(1.0f / 30240.0f);
    series = _mm_add_ps(_mm_mul_ps(series, u2), _mm_set1_ps(-1.0f / 720.0f));
    series = _mm_add_ps(_mm_mul_ps(series, u2), _mm_set1_ps(1.0f / 12.0f));
    series = _mm_add_ps(_mm_mul_ps(series, u2), _mm_mul_ps(u, _mm_set1_ps(0.5f)));
    series = _mm_mul_ps(_mm_add_ps(series, one), _mm_set1_ps(0.125f));
    const __m128 a = vecmath::abs(u);
    __m128 f = vecmath::select(_mm_cmplt_ps(a, _mm_set1_ps(0.5f)), series, far);
    f = vecmath::select(_mm_cmplt_ps(a, _mm_set1_ps(8.0f * 0.0001f)), _mm_set1_ps(0.125f), f);
    return _mm_mul_ps(_mm_add_ps(f, _mm_set1_ps(kValveBias)), _mm_set1_ps(drive.r));
}

// The curve over count samples of x into out; a last part short of four goes
// through a zero-padded copy.
template <Shaper kShaper>
void shapeInto(const float* x, float* out, int32_t count, const Drive& drive)
{
    int32_t i = 0;
    for (; i + 4 <= count; i += 4)
        _mm_storeu_ps(out + i, curve<kShaper>(_mm_loadu_ps(x + i), drive));
    if (i < count) {
        float part[4] = {};
        std::copy(x + i, x + count, part);
        _mm_storeu_ps(part, curve<kShaper>(_mm_loadu_ps(part), drive));
        std::copy(part, part + (count - i), out + i);
    }
}

// Both channels in one pass, so that their filter recurrences overlap; the
// curves, which have no memory, are computed ahead in vectors.
template <Shaper kShaper>
void shape(DistortionFields& d, float** io, int32_t n, const Drive& drive, const Coefs& colour,
           const OnePoleCoefs& dcBlock, float dryStep, float wetStep)
{
    constexpr bool kCurved = kShaper == Shaper::Crunch || kShaper == Shaper::Toxic || kShaper == Shaper::Valve;
    constexpr int32_t kChunk = 64;
    float dry = d.distDryCurrent;
    float wet = d.distWetCurrent;
    float prevIn[2], first[2], prevShaped[2], second[2];
    for (int32_t c = 0; c < 2; ++c) {
        prevIn[c] = d.distPrevIn[c];
        first[c] = d.distFirstOut[c];
        prevShaped[c] = d.distPrevFirstOut[c];
        second[c] = d.distSecondOut[c];
    }
    const float g = drive.g;
    float shaped[2][kChunk];
    for (int32_t done = 0; done < n; done += kChunk) {
        const int32_t count = std::min(kChunk, n - done);
        if (kCurved)
            for (int32_t c = 0; c < 2; ++c)
                shapeInto<kShaper>(io[c] + done, shaped[c], count, drive);
        for (int32_t i = 0; i < count; ++i) {
            for (int32_t c = 0; c < 2; ++c) {
                float& sample = io[c][done + i];
                const float x = sample;
                float out;
                if (kShaper == Shaper::Crunch) {
                    const float h = shaped[c][i];
                    first[c] = colour.b0 * h + colour.b1 * prevIn[c] - colour.a1 * first[c];
                    prevIn[c] = h;
                    out = first[c];
                } else if (kShaper == Shaper::Clip) {
                    const float s = colour.b0 * x + colour.b1 * prevIn[c] - colour.a1 * first[c];
                    prevIn[c] = x;
                    first[c] = s;
                    const float u = g * s;
                    float clipped = u;
                    if (u > 1.0f / 3.0f) {
                        const float t = 2.0f - 3.0f * u;
                        clipped = u >= 2.0f / 3.0f ? 0.5f : (3.0f - t * t) / 6.0f;
                    }
                    const float c2 = clipped * drive.r;
                    second[c] = (c2 - prevShaped[c]) * dcBlock.b - dcBlock.a * second[c];
                    prevShaped[c] = c2;
                    out = second[c];
                } else {
                    const float f = kCurved ? shaped[c][i] : g * x;
                    const float s1 = flushed(colour.b0 * f + colour.b1 * prevIn[c] - colour.a1 * first[c]);
                    second[c] = colour.b0 * s1 + colour.b1 * first[c] - colour.a1 * second[c];
                    prevIn[c] = f;
                    first[c] = s1;
                    out = second[c];
                }
                sample = dry * x + wet * out;
            }
            dry += dryStep;
            wet += wetStep;
        }
    }
    for (int32_t c = 0; c < 2; ++c) {
        d.distPrevIn[c] = flushed(prevIn[c]);
        d.distFirstOut[c] = flushed(first[c]);
        d.distPrevFirstOut[c] = flushed(prevShaped[c]);
        d.distSecondOut[c] = flushed(second[c]);
    }
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
