// The compiled pattern menu: every pattern plays, loading one takes only the
// arpeggiator's fields and ends what sounded, and the readable source's
// velocities and key groups arrive as written.
#include "ArpPatterns.h"
#include "ArpTestSupport.h"
#include "ParamIndex.h"
#include "PluginTestSupport.h"

#include <gtest/gtest.h>

#include <string>

using namespace ParamIndex;

namespace {

constexpr const char* kMenu[kNumArpPatterns] = {
    "User Pattern", "Bass Roller 1", "Bass Roller 2", "Duo 1",     "Duo 2",     "Duo 3",     "Duo 4",
    "Duo 5",        "Harp-ish",      "Riff 1",        "Riff 2",    "Riff 3",    "Stabs 1",   "Stabs 2",
    "Stabs 3",      "Octaver 1",     "Octaver 2",     "Octaver 3", "Skippy",    "Vel Echo",  "Vel Rise"};

void press(VstSynth& synth, uint8_t status, std::initializer_list<uint8_t> notes)
{
    for (uint8_t note : notes)
        synth.addKeyboardEvent(status, note, 100);
}

// Renders in 64-frame blocks and lists each note start: {note, velocity}.
std::vector<std::pair<int, int>> starts(VstSynth& synth, int32_t frames, std::vector<float>* audio = nullptr)
{
    std::vector<std::pair<int, int>> found;
    std::vector<float> left(64), right(64);
    float* outputs[2] = {left.data(), right.data()};
    for (int32_t done = 0; done < frames; done += 64) {
        synth.processReplacing(nullptr, outputs, 64);
        if (audio)
            audio->insert(audio->end(), left.begin(), left.end());
        for (const VoiceSlot& v : synth.getEngine().voices)
            if (v.active && !v.released && v.age <= 64 && v.layer == 0) // started in this block
                found.emplace_back(v.note, v.velocity);
    }
    return found;
}

std::unique_ptr<VstSynth> arpSynth(int32_t pattern)
{
    auto synth = makeSynth();
    synth->setParameter(kArpRange, 1.0f);
    synth->setParameter(kArpOn, 1.0f);
    synth->setParameter(kVoices, 18.0f / 128.0f); // two layers, for Voice 2/4/6/8
    synth->loadArpPattern(pattern);
    return synth;
}

} // namespace

TEST(ArpPatterns, EveryPatternPlaysAndLoadingTakesOnlyTheArpeggiatorFields)
{
    for (int32_t p = 0; p < kNumArpPatterns; ++p) {
        EXPECT_EQ(std::string(kArpPatterns[p].name), kMenu[p]);
        auto synth = arpSynth(p);
        const ProgramRecord& record = kArpPatterns[p];
        for (int32_t i : std::initializer_list<int32_t>{kArpMode, kArpStep, kArpFinger + 31, kArpSteps, kArpSync, kArpRate, kArpLength, kArpSwing})
            EXPECT_EQ(synth->getParameter(i), record.params[i]) << kMenu[p] << " " << i;
        EXPECT_EQ(synth->getParameter(kArpRange), 1.0f);
        EXPECT_EQ(synth->getParameter(kArpOn), 1.0f);
        EXPECT_NE(synth->getParameter(kVolume), record.params[kVolume]) << "the sound stays";

        press(*synth, 0x90, {48, 55, 60});
        std::vector<float> audio;
        EXPECT_FALSE(starts(*synth, 88200, &audio).empty()) << kMenu[p];
        EXPECT_GT(peakOf(audio), 0.01f) << kMenu[p];

        // Another pattern while keys are held: what sounded ends, and the
        // forgotten keys play nothing more.
        synth->loadArpPattern((p + 1) % kNumArpPatterns);
        audio.clear();
        starts(*synth, 44100, &audio);
        EXPECT_EQ(peakOf(audio, 22050), 0.0f) << kMenu[p];
    }
}

TEST(ArpPatterns, VelocitiesAndKeyGroupsArriveAsWritten)
{
    auto rise = arpSynth(20); // "Vel Rise", blended fully into the velocity
    press(*rise, 0x90, {60});
    std::vector<int> velocities;
    for (auto [note, velocity] : starts(*rise, 16 * 5513 - 2756))
        velocities.push_back(velocity);
    EXPECT_EQ(velocities, (std::vector<int>{8, 16, 24, 32, 40, 48, 56, 64, 72, 80, 88, 96, 104, 112, 120, 127}));

    auto harp = arpSynth(8); // "Harp-ish" over a major triad
    press(*harp, 0x90, {60, 64, 67});
    std::vector<int> notes;
    for (auto [note, velocity] : starts(*harp, 18 * 2757 - 1378))
        notes.push_back(note);
    EXPECT_EQ(notes, (std::vector<int>{60, 64, 67, 72, 76, 79, 84, 88, 91, 96, 91, 88, 84, 79, 76, 72, 67, 64}));
}
