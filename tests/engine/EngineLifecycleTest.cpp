// Program changes, reset, the output stage and a Filter Type change, as the
// engine's owner and its output buses see them.
#include "EngineTestSupport.h"
#include "FactoryBank.h"
#include "HostKit.h"
#include "Measure.h"
#include "ParamFamilies.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace ParamIndex;

namespace {

// Renders one 64-frame slice of whatever sounds into both buses.
StereoBuffer renderSlice(Vesk& engine)
{
    StereoBuffer fx(64), dry(64);
    engine.beginBlock(64);
    engine.render(64, fx.channels(), dry.channels());
    engine.endBlock();
    for (size_t i = 0; i < 64; ++i)
        fx.left[i] += dry.left[i] + fx.right[i] + dry.right[i];
    return fx;
}

TEST(SetProgram, SendsEveryValueThroughTheOwnerInIndexOrder)
{
    EngineUnderTest e;
    ProgramRecord& record = e.engine.programs()[7];
    for (int32_t i = 0; i < kEffectOrder; ++i)
        record.params[i] = 0.001f * i;
    e.engine.setProgram(7);
    EXPECT_EQ(e.engine.currentProgram, 7);
    ASSERT_EQ(e.owner.setCalls.size(), static_cast<size_t>(kNumProgramParams));
    for (int32_t i = 0; i < kNumProgramParams; ++i)
        EXPECT_EQ(e.owner.setCalls[i], std::make_pair(i, record.params[i]));
}

TEST(Reset, SilencesASoundingNoteFromTheNextSlice)
{
    EngineUnderTest e;
    e.engine.setProgram(0);
    e.engine.noteOn(60, 100, -1);
    for (int slice = 0; slice < 4; ++slice)
        renderSlice(e.engine);
    ASSERT_GT(peakOf(renderSlice(e.engine).left), 0.01);
    e.engine.reset();
    EXPECT_EQ(peakOf(renderSlice(e.engine).left), 0.0);
}

TEST(OutputStage, DcPassesWhileSyncIsOffAndDecaysThroughAn8HzHighpassWhileOn)
{
    for (float rate : {44100.0f, 96000.0f}) {
        for (bool sync : {false, true}) {
            SCOPED_TRACE(testing::Message() << rate << (sync ? " sync on" : " sync off"));
            EngineUnderTest e(rate);
            e.engine.setParameter(kVolume, 0.5f);
            e.engine.setParameter(kOscSync, sync ? 1.0f : 0.0f);
            const auto frames = static_cast<size_t>(rate / 100.0f); // 10 ms blocks
            float first = 0.0f, last = 1.0f;
            for (int block = 0; block < 100; ++block) { // one second
                StereoBuffer dc(frames, 0.5f);
                e.engine.outputStage(int32_t(frames), dc.channels());
                first = block == 0 ? dc.left[0] : first;
                last = dc.left.back();
                EXPECT_EQ(dc.left.back(), dc.right.back());
            }
            EXPECT_GT(first, 0.45f) << "the step itself passes";
            // An 8 Hz corner is a time constant of about 20 ms: after a second
            // nothing of the offset remains.
            EXPECT_NEAR(last, sync ? 0.0f : 0.5f, 1e-6f);
        }
    }
}

// A Filter Type change clears the memories of every voice, sounding ones too,
// before the next slice renders; the voice keeps the type it started with.
TEST(FilterType, ChangeClearsEveryVoiceFilterMemoryBeforeTheNextSlice)
{
    EngineUnderTest e;
    e.engine.setProgram(0);
    e.engine.noteOn(60, 100, -1);
    renderSlice(e.engine);
    VoiceSlot& voice = e.engine.voices[0];
    ASSERT_EQ(voice.active, 1);
    const int32_t startedWith = voice.voiceFilterType;
    e.engine.voices[5].filterState[3] = 0.25f; // an idle slot's memory goes too
    e.engine.setParameter(kFilterType, 7.0f);
    // Silence the voice so the next slice writes no fresh memories: whatever
    // is left must have been cleared.
    voice.active = 0;
    renderSlice(e.engine);
    for (const VoiceSlot& slot : e.engine.voices)
        for (float memory : slot.filterState)
            ASSERT_EQ(memory, 0.0f);
    EXPECT_EQ(voice.voiceFilterType, startedWith);
}

} // namespace
