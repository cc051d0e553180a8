// The engine's owner for the engine-level benchmarks, as small as the engine
// allows: it stores the current program's values and applies them.
#pragma once

#include "EngineOwner.h"
#include "ParamIndex.h"
#include "Vesk.h"

class BenchOwner : public EngineOwner {
public:
    double hostTempo() const override { return 120.0; }
    bool hostIsMaker() const override { return false; }
    void setParameter(int32_t index, float value) override
    {
        if (index >= 0 && index < ParamIndex::kNumProgramParams)
            stored[index] = value;
        if (engine)
            engine->setParameter(index, value);
    }
    float getParameter(int32_t index) const override
    {
        return index >= 0 && index < ParamIndex::kNumProgramParams ? stored[index] : 0.0f;
    }
    void setEffectOrderSlot(int, int32_t) override {}

    Vesk* engine = nullptr;
    float stored[ParamIndex::kNumProgramParams] = {};
};
