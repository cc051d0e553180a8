// Voices filtered side by side must sound exactly as each one filtered alone.
#include "FilterTestSupport.h"

#include <array>

namespace {

struct GroupCase {
    int32_t type;
    bool held; // envelope sustaining and a cutoff that stays put
};

// Voice l of a group: its own cutoff, resonance (some beyond 1, which the
// kernels limit), envelope amount and input.
FilterParams laneParams(int32_t l, bool held)
{
    FilterParams p{};
    p.cutoff = {0.35f + 0.12f * float(l), held ? 0.0f : 0.0009f * float(l + 1)};
    p.envAmount = 0.1f * float(l);
    p.resonance = 0.3f + 0.3f * float(l); // 1.2 for the fourth lane
    p.offset = 0.5f;
    p.lfo2Increment = 1000u + 7u * uint32_t(l);
    p.envelopeSustaining = held;
    return p;
}

} // namespace

TEST(FilterGroups, VoicesSideBySideMatchEachVoiceAlone)
{
    const FilterRig rig(kLowpass12, 48000.0);
    const FilterTables tables = rig.tables();
    for (const GroupCase group : {GroupCase{kLowpass12, true}, GroupCase{kLowpass12Follow, true},
                                  GroupCase{kLadder24, false}, GroupCase{kLowpass24Saturation, true}}) {
        for (int32_t count = 1; count <= kFilterLanes; ++count) {
            std::array<VoiceSlot, kFilterLanes> grouped{}, alone{};
            std::array<FilterParams, kFilterLanes> params;
            for (int32_t l = 0; l < count; ++l) {
                grouped[l].voiceFilterType = alone[l].voiceFilterType = group.type;
                params[l] = laneParams(l, group.held);
            }
            uint32_t noise = 777u;
            for (const int32_t frames : {64, 63, 1, 17, 2, 64, 6}) {
                float in[kFilterLanes][kMaxSliceFrames], a[kFilterLanes][kMaxSliceFrames];
                float envelope[kFilterLanes][kMaxSliceFrames];
                FilterLane lanes[kFilterLanes];
                for (int32_t l = 0; l < count; ++l) {
                    for (int32_t t = 0; t < frames; ++t) {
                        noise = noise * 1664525u + 1013904223u;
                        in[l][t] = a[l][t] = float(int32_t(noise)) * 4.6e-10f;
                        envelope[l][t] = group.held ? 0.5f : 0.9f - 0.01f * float(t);
                    }
                    lanes[l] = {&grouped[l], &params[l], in[l], envelope[l]};
                    ASSERT_EQ(filterGroup(grouped[l], params[l], {in[l], nullptr, envelope[l], nullptr}),
                              group.held && group.type != kLowpass24Saturation ? FilterGroup::HeldLowpass
                                                                               : FilterGroup::Ladder);
                }
                runFilterGroup(filterGroup(grouped[0], params[0], {in[0], nullptr, envelope[0], nullptr}), lanes,
                               count, tables, frames);
                for (int32_t l = 0; l < count; ++l) {
                    runFilterKernel(alone[l], tables, params[l], {a[l], nullptr, envelope[l], nullptr}, frames);
                    for (int32_t t = 0; t < frames; ++t)
                        ASSERT_EQ(in[l][t], a[l][t]) << group.type << " voices " << count << " lane " << l;
                    for (int32_t m = 0; m < 7; ++m)
                        ASSERT_EQ(grouped[l].filterState[m], alone[l].filterState[m]) << group.type << " " << m;
                    ASSERT_EQ(grouped[l].lfoPhase[1], alone[l].lfoPhase[1]);
                }
            }
        }
    }
}

TEST(FilterGroups, OnlyKernelsWithALaneFormTakeTheVoice)
{
    VoiceSlot slot{};
    FilterParams params = laneParams(0, true);
    float voice[kMaxSliceFrames] = {}, envelope[kMaxSliceFrames] = {}, fm[kMaxSliceFrames] = {};
    const FilterBuffers plain{voice, nullptr, envelope, nullptr}, withFm{voice, nullptr, envelope, fm};

    slot.voiceFilterType = kLowpass12;
    EXPECT_EQ(filterGroup(slot, params, plain), FilterGroup::HeldLowpass);
    EXPECT_EQ(filterGroup(slot, params, withFm), FilterGroup::Alone);
    params.cutoff.step = 0.001f; // a moving cutoff looks its coefficient up per frame
    EXPECT_EQ(filterGroup(slot, params, plain), FilterGroup::Alone);
    params = laneParams(0, true);
    params.envelopeSustaining = false;
    EXPECT_EQ(filterGroup(slot, params, plain), FilterGroup::Alone);

    slot.voiceFilterType = kLadder24;
    EXPECT_EQ(filterGroup(slot, params, plain), FilterGroup::Ladder);
    EXPECT_EQ(filterGroup(slot, params, withFm), FilterGroup::Alone);
    for (const int32_t type : {kLowpass24, kCombLowpass24, kLadder12, kLadderIntoLowpass12, kSplitLowpass, kSweep}) {
        slot.voiceFilterType = type;
        EXPECT_EQ(filterGroup(slot, params, plain), FilterGroup::Alone) << type;
    }
}
