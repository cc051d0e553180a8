// A stand-in for the plug-in object: it stores the current program's values,
// hands every parameter on to the engine as the plug-in does, and records the
// calls the engine makes back into it.
#pragma once

#include "EngineOwner.h"
#include "ParamIndex.h"
#include "Vesk.h"

#include <cmath>
#include <utility>
#include <vector>

class FakeOwner : public EngineOwner {
public:
    double hostTempo() const override { return tempo; }
    bool hostIsMaker() const override { return maker; }

    void setParameter(int32_t index, float value) override
    {
        setCalls.emplace_back(index, value);
        if (index >= 0 && index < ParamIndex::kNumProgramParams)
            stored[index] = value;
        if (engine)
            engine->setParameter(index, value);
    }

    float getParameter(int32_t index) const override
    {
        return index >= 0 && index < ParamIndex::kNumProgramParams ? stored[index] : 0.0f;
    }

    void setEffectOrderSlot(int slot, int32_t kind) override
    {
        orderCalls.emplace_back(slot, kind);
        if (slot >= 0 && slot < 6)
            effectOrder[slot] = kind;
    }

    double tempo = 120.0;
    bool maker = false;
    Vesk* engine = nullptr;
    float stored[ParamIndex::kNumProgramParams] = {};
    int32_t effectOrder[6] = {1, 2, 3, 4, 5, 6};
    std::vector<std::pair<int32_t, float>> setCalls;
    std::vector<std::pair<int, int32_t>> orderCalls;
};

// An engine wired to a fake owner, at a real sample rate.
struct EngineUnderTest {
    explicit EngineUnderTest(float rate = 44100.0f)
    {
        owner.engine = &engine;
        engine.setSampleRate(rate);
    }

    FakeOwner owner;
    Vesk engine{owner};
};

// The bilinear one-pole designs, written out from their formulas
// independently of the code under test.
struct ExpectedOnePole {
    double a;
    double b;
};

inline ExpectedOnePole expectedLowpass(double f, double sr)
{
    const double w = 2.0 * sr * std::tan(M_PI * f / sr);
    return {(w - 2.0 * sr) / (w + 2.0 * sr), w / (w + 2.0 * sr)};
}

inline ExpectedOnePole expectedHighpass(double f, double sr)
{
    const double w = 2.0 * sr * std::tan(M_PI * f / sr);
    return {(w - 2.0 * sr) / (w + 2.0 * sr), 2.0 * sr / (w + 2.0 * sr)};
}
