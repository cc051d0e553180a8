// Every kernel stays bounded on full-scale noise at every cutoff index,
// resonance and supported rate, held or swept at audio rate.
#include "FilterTestSupport.h"

#include <string>

namespace {

constexpr double kRates[] = {22050.0, 32000.0, 44100.0, 48000.0, 88200.0, 96000.0, 192000.0};
constexpr size_t kBlock = 2048;
constexpr int32_t kFrames = 3 * kBlock;

// Finite, under 1e4, and not growing. Slow resonances at the bottom of the
// range are still building up during the first block, so growth compares the
// last block with the second, and ignores levels far under full scale.
void expectBounded(FilterRig& rig, uint32_t seed)
{
    const std::vector<float> rest = noise(kFrames, seed + 1);
    const std::vector<float> out = rig.process(noise(kFrames, seed), &rest);
    for (float v : out)
        ASSERT_TRUE(std::isfinite(v) && std::fabs(v) <= 1e4f) << v;
    double second = 0.0, last = peakOf(out, 2 * kBlock);
    for (size_t i = kBlock; i < 2 * kBlock; ++i)
        second = std::max(second, double(std::fabs(out[i])));
    ASSERT_LE(last, 4.0 * second + 0.05) << "growing";
}

class FilterStability : public ::testing::TestWithParam<int32_t> {};

} // namespace

TEST_P(FilterStability, BoundedAtEveryHeldCutoffIndex)
{
    const std::vector<float> lfo(2049, 1.0f);
    for (double rate : kRates)
        for (float resonance : {0.0f, 0.5f, 1.0f})
            for (float offset : {0.0f, 1.0f})
                // Dense where the tables approach and pass the Nyquist frequency.
                for (int32_t index = 0; index <= 2253; index += (index < 1900 ? 128 : 11)) {
                    SCOPED_TRACE(testing::Message() << "rate " << rate << " reso " << resonance << " offset "
                                                    << offset << " index " << index);
                    FilterRig rig(GetParam(), rate);
                    rig.position = float(index) / 2048.0f;
                    rig.params.resonance = resonance;
                    rig.params.offset = offset;
                    rig.params.osc1Frequency = 8000.0f;
                    rig.params.combModulation = 3.0f;
                    rig.params.lfo3Wave = lfo.data();
                    expectBounded(rig, 21);
                    if (HasFatalFailure())
                        return;
                }
}

TEST_P(FilterStability, BoundedUnderAudioRateFilterFm)
{
    std::vector<float> lfo(2049);
    for (size_t i = 0; i < lfo.size(); ++i)
        lfo[i] = float(std::sin(2.0 * M_PI * double(i) / 2048.0));
    for (double rate : kRates) {
        for (float resonance : {0.0f, 0.7f, 1.0f}) {
            SCOPED_TRACE(testing::Message() << "rate " << rate << " reso " << resonance);
            FilterRig rig(GetParam(), rate);
            rig.position = 0.6f;
            rig.params.resonance = resonance;
            rig.params.offset = 0.5f;
            rig.params.combModulation = 100.0f; // far past the comb line either way
            rig.params.lfo3Wave = lfo.data();
            rig.params.lfo3Increment = 0x01000000u;
            rig.filterFm = noise(kFrames, 33, 1.5f);
            expectBounded(rig, 31);
            if (HasFatalFailure())
                return;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(AllTypes, FilterStability, ::testing::Range(0, kNumFilterTypes),
                         [](const ::testing::TestParamInfo<int32_t>& info) {
                             std::string name = filterTypeName(info.param);
                             std::replace_if(name.begin(), name.end(), [](char c) { return !std::isalnum(c); }, '_');
                             return "Code" + std::to_string(info.param) + "_" + name;
                         });
