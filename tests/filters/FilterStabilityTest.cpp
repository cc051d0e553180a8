// Every kernel stays bounded on full-scale noise at every cutoff index,
// resonance and supported rate, held or swept at audio rate.
#include "FilterTestSupport.h"
#include "FilterTypes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

constexpr double kRates[] = {22050.0, 32000.0, 44100.0, 48000.0, 88200.0, 96000.0, 192000.0};
constexpr float kBound = 1e4f;
constexpr size_t kBlock = 2048;
constexpr int32_t kFrames = 3 * kBlock;

// Slow resonances at the bottom of the range are still building up at the
// end of the first block, so growth compares the last block with the second,
// and ignores levels far under full scale.
struct Outcome {
    bool finite = true;
    double second = 0.0;
    double last = 0.0;
    bool grows() const { return last > 4.0 * second + 0.05; }
};

Outcome run(FilterRig& rig, const std::vector<float>& in, const std::vector<float>& rest)
{
    const std::vector<float> out = rig.process(in, &rest);
    Outcome o;
    for (size_t i = 0; i < out.size(); ++i) {
        const double v = std::fabs(out[i]);
        if (!std::isfinite(out[i]) || v > kBound)
            o.finite = false;
        if (i >= kBlock && i < 2 * kBlock)
            o.second = std::max(o.second, v);
        if (i >= 2 * kBlock)
            o.last = std::max(o.last, v);
    }
    return o;
}

class FilterStability : public ::testing::TestWithParam<int32_t> {};

} // namespace

TEST_P(FilterStability, BoundedAtEveryHeldCutoffIndex)
{
    const int32_t type = GetParam();
    const std::vector<float> in = noise(kFrames, 21);
    const std::vector<float> rest = noise(kFrames, 22);
    const std::vector<float> lfo(2049, 1.0f);
    for (double rate : kRates) {
        for (float resonance : {0.0f, 0.5f, 1.0f}) {
            for (float offset : {0.0f, 1.0f}) {
                // Dense where the tables approach and pass the Nyquist frequency.
                for (int32_t index = 0; index <= 2253; index += (index < 1900 ? 128 : 11)) {
                    FilterRig rig(type, rate);
                    rig.position = static_cast<float>(index) / 2048.0f;
                    rig.params.resonance = resonance;
                    rig.params.offset = offset;
                    rig.params.osc1Frequency = 8000.0f;
                    rig.params.combModulation = 3.0f;
                    rig.params.lfo3Wave = lfo.data();
                    const Outcome o = run(rig, in, rest);
                    ASSERT_TRUE(o.finite) << "rate " << rate << " reso " << resonance << " offset " << offset
                                          << " index " << index;
                    ASSERT_FALSE(o.grows())
                        << "rate " << rate << " reso " << resonance << " offset " << offset << " index " << index;
                }
            }
        }
    }
}

TEST_P(FilterStability, BoundedUnderAudioRateFilterFm)
{
    const int32_t type = GetParam();
    const std::vector<float> in = noise(kFrames, 31);
    const std::vector<float> rest = noise(kFrames, 32);
    const std::vector<float> sweep = noise(kFrames, 33, 1.5f);
    std::vector<float> lfo(2049);
    for (size_t i = 0; i < lfo.size(); ++i)
        lfo[i] = static_cast<float>(std::sin(2.0 * M_PI * static_cast<double>(i) / 2048.0));
    for (double rate : kRates) {
        for (float resonance : {0.0f, 0.7f, 1.0f}) {
            FilterRig rig(type, rate);
            rig.position = 0.6f;
            rig.params.resonance = resonance;
            rig.params.offset = 0.5f;
            rig.params.combModulation = 100.0f; // far past the comb line either way
            rig.params.lfo3Wave = lfo.data();
            rig.params.lfo3Increment = 0x01000000u;
            rig.filterFm = sweep;
            const Outcome o = run(rig, in, rest);
            ASSERT_TRUE(o.finite) << "rate " << rate << " reso " << resonance;
            ASSERT_FALSE(o.grows()) << "rate " << rate << " reso " << resonance;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(AllTypes, FilterStability, ::testing::Range(0, kNumFilterTypes),
                         [](const ::testing::TestParamInfo<int32_t>& info) {
                             std::string name = filterTypeName(info.param);
                             std::replace_if(name.begin(), name.end(), [](char c) { return !std::isalnum(c); }, '_');
                             return "Code" + std::to_string(info.param) + "_" + name;
                         });
