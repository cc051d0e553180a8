// The arpeggiator inside the plug-in object: the compiled pattern menu, the
// keys' own layers in Voice 2/4/6/8 mode, and pattern edits racing a
// rendering thread (run under ThreadSanitizer by the test script).
#include "ArpPatterns.h"
#include "ArpTestSupport.h"
#include "ParamIndex.h"
#include "PluginTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <string>
#include <thread>

using namespace ParamIndex;

namespace {

constexpr const char* kMenu[kNumArpPatterns] = {
    "User Pattern", "Bass Roller 1", "Bass Roller 2", "Duo 1",     "Duo 2",    "Duo 3",    "Duo 4",
    "Duo 5",        "Harp-ish",      "Riff 1",        "Riff 2",    "Riff 3",   "Stabs 1",  "Stabs 2",
    "Stabs 3",      "Octaver 1",     "Octaver 2",     "Octaver 3", "Skippy",   "Vel Echo", "Vel Rise"};

// Hands the host note events (status, note) to the synth at frame 0, renders
// `frames` in 64-frame blocks and lists the notes and velocities that start
// on layer 0; `audio` collects the left channel.
std::vector<std::pair<int, int>> play(VstSynth& synth, int32_t frames,
                                      std::initializer_list<std::pair<uint8_t, uint8_t>> notes = {},
                                      std::vector<float>* audio = nullptr)
{
    std::vector<VstMidiEvent> events;
    for (auto [status, note] : notes) {
        VstMidiEvent e{};
        e.type = kVstMidiType;
        e.midiData[0] = static_cast<char>(status);
        e.midiData[1] = static_cast<char>(note);
        e.midiData[2] = status == 0x90 ? 100 : 0;
        events.push_back(e);
    }
    struct {
        VstInt32 numEvents;
        VstIntPtr reserved;
        VstEvent* events[4];
    } list{static_cast<VstInt32>(events.size()), 0, {}};
    for (size_t i = 0; i < events.size(); ++i)
        list.events[i] = reinterpret_cast<VstEvent*>(&events[i]);
    synth.processEvents(reinterpret_cast<VstEvents*>(&list));

    std::vector<std::pair<int, int>> started;
    std::vector<float> left(64), right(64);
    float* outputs[2] = {left.data(), right.data()};
    for (int32_t done = 0; done < frames; done += 64) {
        synth.processReplacing(nullptr, outputs, 64);
        if (audio)
            audio->insert(audio->end(), left.begin(), left.end());
        for (const VoiceSlot& v : synth.getEngine().voices)
            if (v.active && !v.released && v.age <= 64 && v.layer == 0) // started in this block
                started.emplace_back(v.note, v.velocity);
    }
    return started;
}

// Arp Range fully up, two layers (for Voice 2/4/6/8), pattern p loaded.
std::unique_ptr<VstSynth> arpSynth(int32_t pattern)
{
    auto synth = makeSynth();
    synth->setParameter(kArpRange, 1.0f);
    synth->setParameter(kArpOn, 1.0f);
    synth->setParameter(kVoices, 18.0f / 128.0f);
    synth->loadArpPattern(pattern);
    return synth;
}

} // namespace

TEST(ArpPatterns, EveryPatternPlaysAndLoadingTakesOnlyTheArpeggiatorFields)
{
    for (int32_t p = 0; p < kNumArpPatterns; ++p) {
        EXPECT_EQ(std::string(kArpPatterns[p].name), kMenu[p]);
        auto synth = arpSynth(p);
        for (int32_t i : std::initializer_list<int32_t>{kArpMode, kArpStep, kArpFinger + 31, kArpSteps, kArpSync,
                                                        kArpRate, kArpLength, kArpSwing})
            EXPECT_EQ(synth->getParameter(i), kArpPatterns[p].params[i]) << kMenu[p] << " " << i;
        EXPECT_EQ(synth->getParameter(kArpRange), 1.0f);
        EXPECT_EQ(synth->getParameter(kArpOn), 1.0f);
        EXPECT_NE(synth->getParameter(kVolume), kArpPatterns[p].params[kVolume]) << "the sound stays";

        std::vector<float> audio;
        EXPECT_FALSE(play(*synth, 88200, {{0x90, 48}, {0x90, 55}, {0x90, 60}}, &audio).empty()) << kMenu[p];
        // Another pattern while keys are held: what sounded ends, and the
        // forgotten keys play nothing more.
        synth->loadArpPattern((p + 1) % kNumArpPatterns);
        audio.clear();
        play(*synth, 44100, {}, &audio);
        EXPECT_EQ(peakOf(audio, 22050), 0.0f) << kMenu[p];
    }
}

TEST(ArpPatterns, VelocitiesAndKeyGroupsArriveAsWritten)
{
    auto rise = arpSynth(20); // "Vel Rise", its finger values as velocities
    std::vector<int> velocities;
    for (auto [note, velocity] : play(*rise, 16 * 5513 - 2756, {{0x90, 60}}))
        velocities.push_back(velocity);
    EXPECT_EQ(velocities, (std::vector<int>{8, 16, 24, 32, 40, 48, 56, 64, 72, 80, 88, 96, 104, 112, 120, 127}));

    auto harp = arpSynth(8); // "Harp-ish" over a major triad
    std::vector<int> notes;
    for (auto [note, velocity] : play(*harp, 18 * 2757 - 1378, {{0x90, 60}, {0x90, 64}, {0x90, 67}}))
        notes.push_back(note);
    EXPECT_EQ(notes, (std::vector<int>{60, 64, 67, 72, 76, 79, 84, 88, 91, 96, 91, 88, 84, 79, 76, 72, 67, 64}));
}

TEST(ArpIntake, VoiceModeKeysPlayTheEvenLayersAndMonoModeRetunesThemToTheLowestKey)
{
    auto synth = arpSynth(0);
    synth->setParameter(kArpMode, ArpModeCode::kVoice2468);
    synth->setParameter(kArpStep, up(12));
    synth->setParameter(kMonoMode, 1.0f);
    const auto layer = [&](int l) {
        std::vector<int> notes;
        for (const VoiceSlot& v : synth->getEngine().voices)
            if (v.active && !v.released && v.layer == l)
                notes.push_back(v.note);
        return notes;
    };
    play(*synth, 64, {{0x90, 60}});
    EXPECT_EQ(layer(0), (std::vector<int>{60}));
    EXPECT_EQ(layer(1), (std::vector<int>{72})) << "the pattern plays the odd layers";
    // 55 below: retuned; 64 above: nothing; the lowest up: the next lowest.
    const std::pair<uint8_t, uint8_t> keys[] = {{0x90, 55}, {0x90, 64}, {0x80, 55}, {0x80, 64}, {0x80, 60}};
    const std::vector<int> expected[] = {{55}, {55}, {60}, {60}, {}};
    for (int i = 0; i < 5; ++i) {
        play(*synth, 64, {keys[i]});
        EXPECT_EQ(layer(0), expected[i]) << i;
    }
}

TEST(ArpConcurrency, PatternEditsRaceARenderingThread)
{
    auto synth = arpSynth(0);
    synth->setParameter(kArpSync, 0.0f);
    synth->setParameter(kArpRate, 1.0f); // a hundred steps a second
    std::atomic<bool> running{true}, badSample{false};
    std::atomic<int> soundingBlocks{0};
    std::thread audio([&] {
        for (int block = 0; running.load(); ++block) {
            // New keys now and then: a pattern load forgets the held ones.
            if (block % 50 == 0)
                synth->addKeyboardEvent(0x90, static_cast<uint8_t>(48 + block / 50 % 12), 100);
            // Only the audio: the voices belong to whoever holds the state lock.
            std::vector<float> left(64), right(64);
            float* outputs[2] = {left.data(), right.data()};
            synth->processReplacing(nullptr, outputs, 64);
            badSample = badSample || !std::all_of(left.begin(), left.end(), [](float v) { return std::fabs(v) < 8.0f; });
            soundingBlocks += peakOf(left) > 0.0f;
        }
    });
    for (int round = 0; round < 4000 || soundingBlocks.load() < 100; ++round) {
        const float v = static_cast<float>(round % 97) / 96.0f;
        synth->setParameter(kArpStep + round % 32, round % 3 == 0 ? kRest : up(round % 24));
        for (int32_t i : std::initializer_list<int32_t>{kArpFinger + round % 32, kArpLength, kArpSwing, kArpRange})
            synth->setParameter(i, v);
        if (round % 500 == 0)
            synth->setParameter(kArpMode, static_cast<float>(round / 500 % 7));
        if (round % 1500 == 0)
            synth->loadArpPattern(round / 1500 % kNumArpPatterns);
    }
    running = false;
    audio.join();
    EXPECT_FALSE(badSample.load());
}
