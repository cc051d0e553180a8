// Every effect at its extreme settings on full-scale noise, at every common
// rate: the feedback paths stay finite and bounded.
#include "EffectsTestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

constexpr float kBound = 64.0f; // far above any level these settings reach

using Setup = std::function<void(ChainRig&)>;

// Each row switches one effect on at its most extreme settings.
std::vector<std::pair<std::string, Setup>> extremeSettings()
{
    std::vector<std::pair<std::string, Setup>> rows;
    for (int32_t mode = 0; mode < FxDelay::kModeCount; ++mode)
        for (float colour : {0.0f, 0.5f, 1.0f})
            rows.emplace_back("delay mode " + std::to_string(mode) + " colour " + std::to_string(colour),
                              [mode, colour](ChainRig& r) {
                                  r.on[kEffectDelay] = true;
                                  for (auto [index, value] : {std::pair{FxDelay::kType, mode / 8.0f},
                                                              {FxDelay::kFeedback, 1.0f}, {FxDelay::kAmount, 1.0f},
                                                              {FxDelay::kRateLeft, 1.0f}, {FxDelay::kRateRight, 0.9f},
                                                              {FxDelay::kColour, colour}})
                                      r.delay.setParameter(index, value);
                                  r.delayMod.depth = 1.0f; // the largest sweep LFO 2 can ask for
                              });
    for (int32_t type = 0; type < FxReverb::kTypeCount; ++type)
        rows.emplace_back("reverb type " + std::to_string(type), [type](ChainRig& r) {
            r.on[kEffectReverb] = true;
            for (int32_t index : {FxReverb::kDecay, FxReverb::kDamp, FxReverb::kAmount, FxReverb::kPreDelay})
                r.reverb.setParameter(index, 1.0f);
            r.reverb.setParameter(FxReverb::kTypeParam, type / 4.0f);
        });
    for (int32_t type = 0; type < FxVintagePhaser::kTypeCount; ++type)
        rows.emplace_back("phaser type " + std::to_string(type), [type](ChainRig& r) {
            r.on[kEffectPhaser] = true;
            r.phaser.setParameter(FxVintagePhaser::kType, type / 6.0f);
            for (int32_t index : {FxVintagePhaser::kRate, FxVintagePhaser::kFreq, FxVintagePhaser::kFeedback,
                                  FxVintagePhaser::kAmount, FxVintagePhaser::kDepth})
                r.phaser.setParameter(index, 1.0f);
        });
    for (int32_t type = 0; type < 9; ++type)
        rows.emplace_back("distortion type " + std::to_string(type), [type](ChainRig& r) {
            r.on[kEffectDistortion] = true;
            r.distortion = {};
            r.distortion.distType = type;
            r.distortion.distDrive = r.distortion.distAmount = 1.0f;
        });
    for (uint8_t type = 0; type < 3; ++type)
        rows.emplace_back("eq type " + std::to_string(type), [type](ChainRig& r) {
            r.on[kEffectEq1] = r.on[kEffectEq2] = true;
            for (EqBand& band : r.eq) {
                band.eqType = type;
                band.eqFreq = 10000.0f;
                band.eqQ = 10.0f;
                band.eqGain = std::pow(10.0f, 0.5f);
            }
        });
    return rows;
}

TEST(EffectStability, ExtremeSettingsOnFullScaleNoiseStayFiniteAndBounded)
{
    const auto rows = extremeSettings();
    for (double rate : {22050.0, 44100.0, 48000.0, 96000.0, 192000.0}) {
        auto rig = std::make_unique<ChainRig>(rate);
        for (const auto& [name, setUp] : rows) {
            std::fill(std::begin(rig->on), std::end(rig->on), false);
            setUp(*rig);
            float loudest = 0.0f;
            for (int32_t block = 0; block * 1024 < rate / 2; ++block) {
                Stereo fx = noise(1024, static_cast<uint32_t>(block + 1)), dry(1024);
                rig->run(fx, dry);
                loudest = std::max({loudest, peak(fx.left), peak(fx.right)});
            }
            EXPECT_LT(loudest, kBound) << name << " at " << rate;
        }
    }
}

} // namespace
