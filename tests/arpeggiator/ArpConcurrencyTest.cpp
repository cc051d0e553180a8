// Pattern edits, switches and pattern loads on the UI thread while the audio
// thread plays the arpeggiator: no data race (under ThreadSanitizer), nothing
// but finite, bounded samples, and the pattern keeps playing.
#include "ArpPatterns.h"
#include "ArpTestSupport.h"
#include "ParamIndex.h"
#include "PluginTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>

using namespace ParamIndex;

TEST(ArpConcurrency, PatternEditsRaceARenderingThread)
{
    auto synth = makeSynth();
    synth->setParameter(kArpOn, 1.0f);
    synth->setParameter(kArpSync, 0.0f);
    synth->setParameter(kArpRate, 1.0f); // a hundred steps a second
    synth->setParameter(kArpSteps, 1.0f);

    std::atomic<bool> running{true};
    std::atomic<bool> badSample{false};
    std::atomic<int> soundingBlocks{0};
    std::thread audio([&] {
        std::vector<float> left(128), right(128);
        float* outputs[2] = {left.data(), right.data()};
        for (int block = 0; running.load(); ++block) {
            // The keys change now and then, and come back after every load.
            if (block % 50 == 0)
                synth->addKeyboardEvent(0x90, static_cast<uint8_t>(48 + block / 50 % 12), 100);
            synth->processReplacing(nullptr, outputs, 128);
            float peak = 0.0f;
            for (float v : left) {
                badSample = badSample || !std::isfinite(v) || std::fabs(v) > 8.0f;
                peak = std::max(peak, std::fabs(v));
            }
            soundingBlocks += peak > 0.0f;
        }
    });

    for (int round = 0; round < 4000 || soundingBlocks.load() < 100; ++round) {
        const float v = static_cast<float>(round % 97) / 96.0f;
        synth->setParameter(kArpStep + round % 32, round % 3 == 0 ? kRest : up(round % 24));
        synth->setParameter(kArpFinger + round % 32, v);
        synth->setParameter(kArpLength, v);
        synth->setParameter(kArpSwing, 1.0f - v);
        synth->setParameter(kArpRange, v);
        if (round % 500 == 0)
            synth->setParameter(kArpMode, static_cast<float>(round / 500 % 7));
        if (round % 1500 == 0)
            synth->loadArpPattern(round / 1500 % kNumArpPatterns);
    }
    running = false;
    audio.join();
    EXPECT_FALSE(badSample.load());
    EXPECT_GE(soundingBlocks.load(), 100);
}
