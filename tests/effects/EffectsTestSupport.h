// Stereo blocks, test signals and a chain with every effect, for the effects suite.
#pragma once

#include "EffectsChain.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

struct Stereo {
    explicit Stereo(int32_t frames) : left(static_cast<size_t>(frames)), right(static_cast<size_t>(frames)) {}
    int32_t frames() const { return static_cast<int32_t>(left.size()); }
    float** io()
    {
        pointers[0] = left.data();
        pointers[1] = right.data();
        return pointers;
    }
    std::vector<float> left, right;
    float* pointers[2] = {};
};

// Uniform noise in -amplitude..amplitude from a fixed seed.
inline Stereo noise(int32_t frames, uint32_t seed, float amplitude = 1.0f)
{
    Stereo s(frames);
    for (int32_t i = 0; i < frames; ++i) {
        for (std::vector<float>* channel : {&s.left, &s.right}) {
            seed = seed * 1664525u + 1013904223u;
            (*channel)[static_cast<size_t>(i)] = amplitude * (static_cast<float>(seed >> 8) / 8388608.0f - 1.0f);
        }
    }
    return s;
}

inline float peak(const std::vector<float>& v)
{
    float p = 0.0f;
    for (float x : v)
        p = std::isfinite(x) ? std::max(p, std::fabs(x)) : INFINITY;
    return p;
}

// Every effect of the chain, with the slot order and switches the test sets.
struct ChainRig {
    explicit ChainRig(double rate = 44100.0) : sampleRate(rate)
    {
        phaser.setSampleRate(rate);
        delay.setSampleRate(rate);
        reverb.setSampleRate(rate);
        reverb.reset();
        delay.reset();
    }
    void run(Stereo& fx, Stereo& dry, float tempo = 120.0f, bool busesSilent = false)
    {
        EffectsChain chain{distortion, eq, phaser, delay, reverb, delayMod, sampleRate};
        chain.process(order, on, fx.frames(), fx.io(), dry.io(), tempo, busesSilent);
    }
    double sampleRate;
    DistortionFields distortion;
    EqBand eq[2];
    FxVintagePhaser phaser;
    FxDelay delay;
    FxReverb reverb;
    DelayModSource delayMod;
    int32_t order[EffectsChain::kSlotCount] = {0, 1, 2, 3, 4, 5};
    bool on[kEffectKindCount] = {};
};
