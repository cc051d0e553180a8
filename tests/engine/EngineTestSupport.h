// A stand-in for the plug-in object: it stores the current program's values,
// hands every parameter on to the engine as the plug-in does, and records the
// parameter calls the engine makes back into it.
#pragma once

#include "EngineOwner.h"
#include "ParamIndex.h"
#include "Vesk.h"

#include <gtest/gtest.h>

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
    void setEffectOrderSlot(int, int32_t) override {} // the effect order is the plug-in's

    double tempo = 120.0;
    bool maker = false;
    Vesk* engine = nullptr;
    float stored[ParamIndex::kNumProgramParams] = {};
    std::vector<std::pair<int32_t, float>> setCalls;
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

// Reads one engine field as a double, for checks over many fields.
using Reader = double (*)(const Vesk&);
#define READ(field) [](const Vesk& v) -> double { return static_cast<double>(v.field); }
