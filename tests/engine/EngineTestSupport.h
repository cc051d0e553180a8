// A stand-in for the plug-in object: it stores the current program's values,
// hands every parameter on to the engine as the plug-in does, and records the
// calls the engine makes back into it.
#pragma once

#include "EngineOwner.h"
#include "ParamIndex.h"
#include "Vesk.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <initializer_list>
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

// One row of a table-driven check: set `index` to `value` (unless the index is
// kCheckOnly), then read a field back. A tolerance of 0 asks for exact
// equality, kFloatEq for float equality within a few ulps.
using Reader = double (*)(const Vesk&);
#define READ(field) [](const Vesk& v) -> double { return static_cast<double>(v.field); }
constexpr int32_t kCheckOnly = INT32_MIN;
constexpr double kFloatEq = -1.0;

struct Case {
    int32_t index;
    float value;
    double expected;
    Reader read;
    double tolerance = 0.0;
};

inline void expectCases(Vesk& engine, std::initializer_list<Case> cases)
{
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "row " << (&c - cases.begin()) << " index " << c.index << " value "
                                        << c.value);
        if (c.index != kCheckOnly)
            engine.setParameter(c.index, c.value);
        const double actual = c.read(engine);
        if (c.tolerance == kFloatEq)
            EXPECT_FLOAT_EQ(static_cast<float>(actual), static_cast<float>(c.expected));
        else if (c.tolerance == 0.0)
            EXPECT_EQ(actual, c.expected);
        else
            EXPECT_NEAR(actual, c.expected, c.tolerance);
    }
}
