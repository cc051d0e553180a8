// What a host hears from the arpeggiator through the module: onsets on the
// tempo grid whatever the block size, tempo changes, the free rate, and
// silence after every way a pattern can stop.
#include "ArpTestSupport.h"
#include "FactoryBank.h"
#include "ParamIndex.h"
#include "PluginTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <map>
#include <utility>

using namespace ParamIndex;

namespace {

constexpr double kRate = 44100.0;
constexpr int32_t kPress = 100;        // the key goes down at this frame
constexpr double kSixteenth = 5512.5;  // one "1/16" step at 120 BPM, 44.1 kHz

struct Setting {
    int32_t index;
    float value;
};

// Init with a short release, the arpeggiator on, synced to "1/16", playing
// the key on even steps and resting on odd ones half a step early.
std::vector<Setting> alternatingPattern(float arpMode = ArpModeCode::kSimple, float noteStep = up(0))
{
    std::vector<Setting> settings = {{kAmpAttack + 3, 0.0f}, {kArpOn, 1.0f},   {kArpSync, 1.0f},
                                     {kArpRate, 0.5f},       {kArpSteps, 1.0f}, {kArpLength, 0.25f},
                                     {kArpMode, arpMode}};
    for (int32_t k = 0; k < Arpeggiator::kStepCount; ++k)
        settings.push_back({kArpStep + k, k % 2 == 0 ? noteStep : kRest});
    return settings;
}

// One instance behind a host, rendered block by block; `atBlock` runs before
// the block that starts at the given frame.
struct ArpPlayer {
    ArpPlayer(int32_t blockFrames, const std::vector<Setting>& settings) : block(blockFrames)
    {
        host = loadVesk();
        host->start(static_cast<float>(kRate), block);
        host->dispatch(effSetProgram, 0, kInitProgram);
        for (const Setting& s : settings)
            host->setParameter(s.index, s.value);
        host->setTempo(120.0);
    }

    void render(int32_t frames, std::vector<std::pair<int32_t, MidiMessage>> events = {})
    {
        std::vector<float> left(block), right(block);
        float* outputs[2] = {left.data(), right.data()};
        const int32_t end = static_cast<int32_t>(out.size()) + frames;
        while (static_cast<int32_t>(out.size()) < end) {
            const int32_t start = static_cast<int32_t>(out.size());
            const int32_t n = std::min(block, end - start);
            if (auto action = atBlock.find(start); action != atBlock.end())
                action->second();
            std::vector<MidiMessage> list;
            for (auto& [frame, message] : events)
                if (frame >= start && frame < start + n) {
                    list.push_back(message);
                    list.back().deltaFrames = frame - start;
                }
            host->sendMidi(list);
            EXPECT_TRUE(host->process(outputs, n));
            out.insert(out.end(), left.begin(), left.begin() + n);
        }
    }

    // First sounding frames after at least 64 frames of exact silence.
    std::vector<int32_t> onsets() const
    {
        std::vector<int32_t> found;
        int32_t silent = 64;
        for (size_t i = 0; i < out.size(); ++i) {
            if (out[i] == 0.0f) {
                ++silent;
                continue;
            }
            if (silent >= 64)
                found.push_back(static_cast<int32_t>(i));
            silent = 0;
        }
        return found;
    }

    int32_t block;
    std::unique_ptr<PluginHost> host;
    std::map<int32_t, std::function<void()>> atBlock;
    std::vector<float> out;
};

} // namespace

TEST(ArpPlaying, SixteenthsAtOneHundredTwentyLandOnTheGridForAnyBlockSize)
{
    std::vector<int32_t> reference;
    for (int32_t block : {1, 64, 512, 8192}) {
        ArpPlayer player(block, alternatingPattern());
        player.render(33 * 5513, {{kPress, MidiMessage::noteOn(0, 60, 100)}});
        const std::vector<int32_t> onsets = player.onsets();
        ASSERT_EQ(onsets.size(), 17u) << block;
        // A voice's first frame is formed at level 0, so it is heard one frame later.
        for (size_t k = 0; k < onsets.size(); ++k) {
            const double exact = kPress + 1 + 2.0 * k * kSixteenth;
            EXPECT_GE(onsets[k], exact) << "block " << block << " onset " << k;
            EXPECT_LT(onsets[k], exact + 1.0) << "block " << block << " onset " << k;
        }
        if (block == 1)
            reference = onsets;
        EXPECT_EQ(onsets, reference) << block;
    }
}

TEST(ArpPlaying, ATempoChangeTakesEffectAtTheNextBlockAndTheFreeRateFollowsItsHertz)
{
    std::vector<int32_t> reference;
    for (int32_t block : {64, 512, 8192}) {
        ArpPlayer player(block, alternatingPattern());
        player.atBlock[4 * 8192] = [&] { player.host->setTempo(90.0); };
        player.render(12 * 8192, {{kPress, MidiMessage::noteOn(0, 60, 100)}});
        const std::vector<int32_t> onsets = player.onsets();
        ASSERT_GE(onsets.size(), 8u);
        EXPECT_EQ(onsets[1] - onsets[0], 11025);
        EXPECT_NEAR(onsets.back() - onsets[onsets.size() - 2], 2 * kSixteenth * 120.0 / 90.0, 1.0);
        if (block == 64)
            reference = onsets;
        EXPECT_EQ(onsets, reference) << block;
    }

    std::vector<Setting> free = alternatingPattern();
    free.push_back({kArpSync, 0.0f}); // Arp Rate 0.5: sqrt(10) steps per second
    ArpPlayer player(512, free);
    player.render(180000, {{kPress, MidiMessage::noteOn(0, 60, 100)}});
    const std::vector<int32_t> onsets = player.onsets();
    ASSERT_EQ(onsets.size(), 7u);
    EXPECT_NEAR((onsets.back() - onsets.front()) / 12.0, kRate / std::sqrt(10.0), 0.1);
}

TEST(ArpPlaying, EveryWayAPatternStopsEndsInExactSilence)
{
    constexpr int32_t kStop = 44 * 512; // inside step 4, which sounds until frame 24806
    struct Stop {
        const char* what;
        std::vector<Setting> extra;
        std::function<void(ArpPlayer&)> action; // at kStop, while a step sounds and the key is held
        bool releaseKey;
    };
    const std::vector<Stop> stops = {
        {"key release", {}, [](ArpPlayer&) {}, true},
        {"Arp Off", {}, [](ArpPlayer& p) { p.host->setParameter(kArpOn, 0.0f); }, false},
        {"mode change", {}, [](ArpPlayer& p) { p.host->setParameter(kArpMode, ArpModeCode::kChord); }, false},
        {"suspend", {}, [](ArpPlayer& p) { p.host->suspend(); p.host->resume(); }, false},
        // Five steps with the gate at 0: nothing but the end of the pass ends step 4.
        {"one shot", {{kArpMode, ArpModeCode::kOneShot}, {kArpSteps, 4.5f / 31}, {kArpLength, 0.5f}},
         [](ArpPlayer&) {}, false},
        {"pattern turned to ties, then released", {{kArpSteps, 0.0f}},
         [](ArpPlayer& p) { p.host->setParameter(kArpStep, kTie); }, true},
    };
    for (const Stop& stop : stops) {
        // The notes are not the key's own, which its release would end anyway.
        std::vector<Setting> settings = alternatingPattern(ArpModeCode::kSimple, up(12));
        settings.insert(settings.end(), stop.extra.begin(), stop.extra.end());
        ArpPlayer player(512, settings);
        player.atBlock[kStop] = [&] { stop.action(player); };
        std::vector<std::pair<int32_t, MidiMessage>> events = {{0, MidiMessage::noteOn(0, 48, 100)}};
        if (stop.releaseKey)
            events.push_back({kStop, MidiMessage::noteOff(0, 48)});
        player.render(kStop + 44100, events);
        EXPECT_GT(peakOf(player.out, kStop - 256, 256), 0.01f) << stop.what;
        EXPECT_EQ(peakOf(player.out, kStop + 22050), 0.0f) << stop.what;
    }
    // All notes off and a program change, from the host's event list.
    for (const MidiMessage& message : {MidiMessage::controlChange(0, 123, 0), MidiMessage::programChange(0, 0)}) {
        ArpPlayer player(512, alternatingPattern(ArpModeCode::kSimple, up(12)));
        player.render(kStop + 44100, {{0, MidiMessage::noteOn(0, 48, 100)}, {kStop, message}});
        EXPECT_EQ(peakOf(player.out, kStop + 22050), 0.0f) << int(message.status);
    }
}
