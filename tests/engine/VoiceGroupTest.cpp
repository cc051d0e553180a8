// The render lets neighbouring voices share a filter kernel; each voice must
// still reach the buses exactly as it would sounding alone, whatever kinds of
// filter sit next to each other.
#include "EngineTestSupport.h"
#include "FilterTypes.h"
#include "HostKit.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

// Shared kernels (low-pass 12, the ladders) broken up by kernels of their
// own (sweep, comb), in runs longer and shorter than a group.
constexpr int32_t kTypes[] = {kLowpass12,  kLadder24,      kLowpass12, kSweep,    kLadder24,
                              kLadder24,   kLowpass24Saturation, kLadder24, kLadder24, kLadder24,
                              kLowpass12,  kLowpass12,     kCombLowpass24, kLowpass12, kLowpass12};
constexpr int32_t kVoices = sizeof(kTypes) / sizeof(kTypes[0]);

// Starts every note; only `solo` (or all, for -1) keeps sounding.
std::unique_ptr<EngineUnderTest> startVoices(int32_t solo)
{
    auto e = std::make_unique<EngineUnderTest>(48000.0f);
    e->engine.setProgram(0);
    e->engine.setParameter(ParamIndex::kPoly, 0.5f); // 40 voices
    for (int32_t v = 0; v < kVoices; ++v)
        e->engine.noteOn(36 + 3 * v, 100, -1);
    for (int32_t v = 0; v < kVoices; ++v) {
        e->engine.voices[v].voiceFilterType = kTypes[v];
        if (solo >= 0 && v != solo)
            e->engine.voices[v].active = 0;
    }
    return e;
}

void renderSlice(Vesk& engine, StereoBuffer& fx, StereoBuffer& dry)
{
    const int32_t frames = static_cast<int32_t>(fx.left.size());
    engine.beginBlock(frames);
    engine.render(frames, fx.channels(), dry.channels());
    engine.endBlock();
}

} // namespace

TEST(VoiceGroups, EachVoiceReachesTheBusesAsItWouldAlone)
{
    auto all = startVoices(-1);
    ASSERT_EQ(all->engine.voices[kVoices - 1].active, 1);
    std::vector<std::unique_ptr<EngineUnderTest>> alone;
    for (int32_t v = 0; v < kVoices; ++v)
        alone.push_back(startVoices(v));

    // Long enough for the filter envelopes to settle into sustain, where the
    // 12 dB low-passes change kernel; 37 frames leave odd slice lengths.
    for (const int32_t frames : {64, 37, 1, 64}) {
        for (int32_t slice = 0; slice < 120; ++slice) {
            StereoBuffer fx(frames), dry(frames), fxSum(frames), drySum(frames);
            renderSlice(all->engine, fx, dry);
            for (auto& e : alone) {
                StereoBuffer fxOne(frames), dryOne(frames);
                renderSlice(e->engine, fxOne, dryOne);
                for (int32_t t = 0; t < frames; ++t) {
                    fxSum.left[t] += fxOne.left[t];
                    fxSum.right[t] += fxOne.right[t];
                    drySum.left[t] += dryOne.left[t];
                    drySum.right[t] += dryOne.right[t];
                }
            }
            for (int32_t t = 0; t < frames; ++t) {
                ASSERT_EQ(fx.left[t], fxSum.left[t]) << frames << " " << slice << " " << t;
                ASSERT_EQ(fx.right[t], fxSum.right[t]) << frames << " " << slice << " " << t;
                ASSERT_EQ(dry.left[t], drySum.left[t]);
                ASSERT_EQ(dry.right[t], drySum.right[t]);
            }
        }
    }
    for (int32_t v = 0; v < kVoices; ++v) {
        ASSERT_EQ(all->engine.voices[v].active, 1) << v;
        for (int32_t m = 0; m < 7; ++m)
            EXPECT_EQ(all->engine.voices[v].filterState[m], alone[v]->engine.voices[v].filterState[m]) << v;
    }
}
