// The setters that rebuild a table or a set of taps (reverb type and
// pre-delay, delay mode, phaser type) against a running audio thread: no data
// race under ThreadSanitizer, and every block stays finite.
#include "EffectsTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

TEST(EffectsConcurrency, TypeChangesWhileTheChainRuns)
{
    auto rig = std::make_unique<ChainRig>();
    std::fill(std::begin(rig->on), std::end(rig->on), true);
    rig->reverb.setParameter(FxReverb::kAmount, 0.7f);
    rig->delay.setParameter(FxDelay::kAmount, 0.5f);
    rig->phaser.setParameter(FxVintagePhaser::kAmount, 0.5f);
    std::atomic<bool> running{true};
    std::atomic<bool> badSample{false};
    std::thread audio([&] {
        for (uint32_t block = 0; running.load(); ++block) {
            Stereo fx = noise(128, block + 1, 0.5f), dry(128);
            rig->run(fx, dry);
            if (!(peak(fx.left) < 64.0f && peak(fx.right) < 64.0f))
                badSample = true;
        }
    });
    for (int32_t round = 0; round < 3000; ++round) {
        const float v = static_cast<float>(round % 17) / 16.0f;
        rig->reverb.setParameter(FxReverb::kTypeParam, v);
        rig->reverb.setParameter(FxReverb::kPreDelay, 1.0f - v);
        rig->delay.setParameter(FxDelay::kType, v);
        rig->phaser.setParameter(FxVintagePhaser::kType, v);
    }
    running = false;
    audio.join();
    EXPECT_FALSE(badSample.load());
}

} // namespace
