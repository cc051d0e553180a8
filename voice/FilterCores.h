// The two filter cores every kernel is built from, one frame at a time.
// Kernels keep the memories in locals for the slice and pass them in here.
#pragma once

#include "FilterTables.h"

// x - x^3/12 on -2..2, flat beyond: odd, smooth, and at most 4/3.
inline float softClip(float x)
{
    const float c = x < -2.0f ? -2.0f : (x > 2.0f ? 2.0f : x);
    return c - c * c * c * (1.0f / 12.0f);
}

// Two-integrator state-variable stage (12 dB/octave). Memories: low, band.
struct StateVariableFilter {
    // Above f = 1.2 the stage can diverge at low damping (it needs
    // f^2 + 2 q f < 4); below 44.1 kHz the top of the cutoff table reaches
    // there, at cutoffs beyond the Nyquist frequency anyway.
    static constexpr float kCoefficientLimit = 1.2f;

    static float coefficient(const FilterTables& tables, int32_t index)
    {
        const float f = tables.svfCoefficient[index];
        return f < kCoefficientLimit ? f : kCoefficientLimit;
    }

    // q = 1 - 0.9 rho: no peak at rho = 0, damping 0.1 at rho = 1.
    static float damping(float resonance) { return 1.0f - 0.9f * resonance; }

    float low;
    float band;
    float high;

    // Bounded: under audio-rate cutoff modulation ("Filter FM") a resonant
    // stage can be pumped without limit, so there the band memory is soft
    // clipped (transparent below about 1, never beyond about 10.7).
    template <bool Bounded = false>
    void tick(float u, float f, float q)
    {
        high = u - low - q * band;
        band += f * high;
        if constexpr (Bounded)
            band = 8.0f * softClip(band * 0.125f);
        low += f * band;
    }

    // The low-pass over a slice on one coefficient, in place. A lone voice's
    // recursion is bound by its latency, not by its arithmetic, so the state
    // steps straight from frame t to t + 2 (three dependent operations per
    // two frames instead of ten) and the frame between is formed beside the
    // chain. The same filter rounded differently: a few units in the last
    // place from the frame-by-frame form.
    struct PairStep {
        float a11, a12, b1, b2;           // one frame: [low band]' = A [low band] + B u
        float c11, c12, c21, c22, e1, e2; // two frames: A^2, and A B for the first input

        PairStep(float f, float q)
        {
            const float d = 1.0f - f * q;
            a11 = 1.0f - f * f;
            a12 = f * d;
            const float a21 = -f, a22 = d;
            b1 = f * f;
            b2 = f;
            c11 = a11 * a11 + a12 * a21;
            c12 = a11 * a12 + a12 * a22;
            c21 = a21 * a11 + a22 * a21;
            c22 = a21 * a12 + a22 * a22;
            e1 = a11 * b1 + a12 * b2;
            e2 = a21 * b1 + a22 * b2;
        }
    };

    void lowpassInPairs(float* voice, int32_t frames, float f, float q)
    {
        const PairStep s(f, q);
        const float a11 = s.a11, a12 = s.a12, b1 = s.b1, b2 = s.b2;
        const float c11 = s.c11, c12 = s.c12, c21 = s.c21, c22 = s.c22, e1 = s.e1, e2 = s.e2;
        int32_t t = 0;
        for (; t + 1 < frames; t += 2) {
            const float u0 = voice[t];
            const float u1 = voice[t + 1];
            voice[t] = a11 * low + a12 * band + b1 * u0;
            const float nextLow = c11 * low + c12 * band + (e1 * u0 + b1 * u1);
            band = c21 * low + c22 * band + (e2 * u0 + b2 * u1);
            low = nextLow;
            voice[t + 1] = low;
        }
        if (t < frames) {
            tick(voice[t], f, q);
            voice[t] = low;
        }
    }

    // The notch uses the band output of this frame.
    float notch(float u) const { return u - band; }
};

// Four-pole ladder (24 dB/octave) with feedback resonance. Memories: the
// four stage states and the previous output (feedback). T is float for one
// voice, or a vector of floats for voices side by side, one to a lane.
template <typename T>
struct LadderStages {
    T y1, y2, y3, y4;

    // Runs the four stages on the already fed-back input w; returns the
    // stage-4 output and leaves the stage-2 tap in tap2. A stage's output is
    // (its new memory) + s * (its old one), that is input * gain + (s - p) *
    // memory: written so, the chain from w to the output is one multiply and
    // one add per stage, the memories are formed beside it, and a voice
    // waits about a quarter less on each frame.
    T tick(T w, T p, T& tap2)
    {
        const T s = 0.3569f - 0.0742f * p;
        const T gain = p + 1.0f;
        const T m = s - p;
        const T in1 = w * gain;
        const T in2 = (in1 + m * y1) * gain;
        tap2 = in2 + m * y2;
        const T in3 = tap2 * gain;
        const T in4 = (in3 + m * y3) * gain;
        const T out = in4 + m * y4;
        y1 = in1 - p * y1;
        y2 = in2 - p * y2;
        y3 = in3 - p * y3;
        y4 = in4 - p * y4;
        return out;
    }
};

using LadderFilter = LadderStages<float>;

// The feedback term of the ladder kernels in FM mode "Filter FM": a soft
// clip that keeps audio-rate cutoff jumps from driving the loop unbounded.
inline float clippedFeedback(float fb) { return softClip(fb); }

// Per-frame cutoff position: ramped cutoff + envelope * amount + filter FM.
template <bool FilterFm>
struct CutoffPositions {
    float position;
    float step;
    float envAmount;
    const float* envelope;
    const float* filterFm;

    float next(int32_t t)
    {
        position += step;
        float x = position + envelope[t] * envAmount;
        if constexpr (FilterFm)
            x += filterFm[t];
        return x;
    }
};
