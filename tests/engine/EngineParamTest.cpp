// Parameter application: enumeration codes, and indices that must change nothing.
#include "EngineTestSupport.h"
#include "ParamFamilies.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace ParamIndex;

namespace {

class EngineParam : public ::testing::Test {
protected:
    void set(int32_t index, float value) { engine.setParameter(index, value); }

    EngineUnderTest e;
    Vesk& engine = e.engine;
};

// The bytes of everything setParameter may write outside the effect objects.
std::vector<unsigned char> stateBytes(const Vesk& v)
{
    std::vector<unsigned char> bytes;
    auto add = [&bytes](const auto& field) {
        const auto* p = reinterpret_cast<const unsigned char*>(&field);
        bytes.insert(bytes.end(), p, p + sizeof(field));
    };
    add(v.osc), add(v.env), add(v.filter), add(v.lfo), add(v.stack), add(v.ctl);
    add(v.ramps), add(v.fx), add(v.arp), add(v.mod), add(v.notes), add(v.poly);
    return bytes;
}

TEST_F(EngineParam, ReservedEditorOnlyAndUnusedModulationIndices_ChangeNothing)
{
    std::vector<int32_t> inert = {-1,  27,  39,  40,  41,  48,  49,  50,  105, 110, 112, 122, 123,
                                  124, 322, 323, 324, 325, 326, 327, 328, 347, 356, 1000};
    for (int32_t family : {int32_t(kModSource), int32_t(kModAmount), int32_t(kModDestination), int32_t(kModVoices)})
        for (int32_t slot = 24; slot < 32; ++slot)
            inert.push_back(family + slot);
    for (int32_t index = 329; index < kEditorPitchBend; ++index)
        inert.push_back(index);

    const std::vector<unsigned char> before = stateBytes(engine);
    const float feedbackBefore = engine.delay->fb;
    const float reverbWetBefore = engine.reverb->wetTarget;
    const float phaserWetBefore = engine.phaser->wet;
    for (int32_t index : inert)
        set(index, 0.77f);
    EXPECT_TRUE(stateBytes(engine) == before);
    EXPECT_EQ(engine.delay->fb, feedbackBefore);
    EXPECT_EQ(engine.reverb->wetTarget, reverbWetBefore);
    EXPECT_EQ(engine.phaser->wet, phaserWetBefore);
}

} // namespace
