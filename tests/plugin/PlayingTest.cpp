// What a player hears: sustain pedal, glide and mono legato through the host.
#include "FactoryBank.h"
#include "PluginTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {
constexpr int kBlock = 256;

class Playing : public ::testing::Test {
protected:
    void SetUp() override
    {
        host = loadVesk();
        ASSERT_TRUE(host);
        host->start(44100.0f, kBlock);
        host->dispatch(effSetProgram, 0, kInitProgram);
        host->setParameter(6, 0.5f); // oscillator 2 exactly on the note
        host->setParameter(7, 0.5f);
    }

    std::vector<float> play(int blocks, const std::vector<MidiMessage>& events = {})
    {
        std::vector<float> out, left(kBlock), right(kBlock);
        float* outputs[2] = {left.data(), right.data()};
        for (int b = 0; b < blocks; ++b) {
            host->sendMidi(b == 0 ? events : std::vector<MidiMessage>{});
            EXPECT_TRUE(host->process(outputs, kBlock));
            out.insert(out.end(), left.begin(), left.end());
        }
        return out;
    }

    std::unique_ptr<PluginHost> host;
};
} // namespace

TEST_F(Playing, SustainPedalHoldsReleasedNotesUntilLifted)
{
    host->setParameter(21, 0.3f); // a short release
    play(20, {MidiMessage::noteOn(0, 60, 100)});
    const std::vector<float> held = play(40, {MidiMessage::controlChange(0, 64, 127), MidiMessage::noteOff(10, 60)});
    const float start = rmsOf(held, 1024, 2048);
    EXPECT_GT(start, 0.01f);
    EXPECT_NEAR(rmsOf(held, held.size() - 2048, 2048), start, start * 0.05f);
    const std::vector<float> lifted = play(200, {MidiMessage::controlChange(0, 64, 0)});
    EXPECT_EQ(rmsOf(lifted, lifted.size() - 2048, 2048), 0.0f);
}

TEST_F(Playing, PolyGlideStartsFromThePreviousPitch)
{
    host->setParameter(78, 1.0f); // a second to cover 90 % of the way
    host->setParameter(21, 0.0f); // the old note must not blur the new one
    play(40, {MidiMessage::noteOn(0, 57, 100)});
    const std::vector<float> slide = play(600, {MidiMessage::noteOff(0, 57), MidiMessage::noteOn(0, 69, 100)});
    const double early = frequencyOf(slide, 44100.0, 256, 1536);
    const double late = frequencyOf(slide, 44100.0, slide.size() - 4096, 4096);
    EXPECT_LT(early, 240.0);
    EXPECT_NEAR(late, 440.0, 2.0);
}

TEST_F(Playing, FirstNoteAfterResetDoesNotGlide)
{
    host->setParameter(78, 0.8f);
    const std::vector<float> first = play(20, {MidiMessage::noteOn(0, 69, 100)});
    EXPECT_NEAR(frequencyOf(first, 44100.0, 512, 4096), 440.0, 1.0);
}

TEST_F(Playing, MonoLegatoReturnsToTheHeldNote)
{
    host->setParameter(127, 1.0f); // mono
    play(30, {MidiMessage::noteOn(0, 57, 100)});
    const std::vector<float> upper = play(30, {MidiMessage::noteOn(0, 69, 100)});
    EXPECT_NEAR(frequencyOf(upper, 44100.0, upper.size() - 4096, 4096), 440.0, 1.0);
    const std::vector<float> back = play(30, {MidiMessage::noteOff(0, 69)});
    EXPECT_NEAR(frequencyOf(back, 44100.0, back.size() - 4096, 4096), 220.0, 1.0);
    EXPECT_GT(rmsOf(back, back.size() - 2048, 2048), 0.01f);
}

TEST_F(Playing, AllNotesOffControllerSilencesAtOnce)
{
    play(20, {MidiMessage::noteOn(0, 60, 100), MidiMessage::noteOn(0, 64, 100)});
    const std::vector<float> after = play(2, {MidiMessage::controlChange(0, 123, 0)});
    EXPECT_EQ(rmsOf(after, 0, after.size()), 0.0f);
}

TEST_F(Playing, ProgramAndBankChangesSelectPrograms)
{
    host->dispatch(effSetProgram, 0, 5);
    play(1, {MidiMessage::controlChange(0, 0, 2)});
    EXPECT_EQ(host->dispatch(effGetProgram), 261);
    play(1, {MidiMessage::controlChange(0, 0, 3)});
    EXPECT_EQ(host->dispatch(effGetProgram), 261);
    host->dispatch(effSetProgram, 0, 300);
    play(1, {MidiMessage::programChange(0, 10)});
    EXPECT_EQ(host->dispatch(effGetProgram), 10);
}

TEST_F(Playing, PitchBendMovesThePitchByItsRange)
{
    const std::vector<float> bent = play(40, {MidiMessage::pitchBend(0, 16383), MidiMessage::noteOn(0, 69, 100)});
    // Two semitones up, less a hair for 8191 of 8192.
    EXPECT_NEAR(frequencyOf(bent, 44100.0, bent.size() - 4096, 4096), 440.0 * std::pow(2.0, 2.0 / 12.0), 2.0);
}

TEST_F(Playing, MonoReleaseReachesVoicesAboveALoweredPoly)
{
    host->setParameter(21, 0.0f);
    host->setParameter(321, 1.0f); // 72 slots
    std::vector<MidiMessage> chord;
    for (int i = 0; i < 20; ++i)
        chord.push_back(MidiMessage::noteOn(0, static_cast<uint8_t>(40 + i), 100));
    play(4, chord);
    host->setParameter(321, 0.0f); // 8 slots
    host->setParameter(127, 1.0f); // mono
    std::vector<MidiMessage> release;
    for (int i = 0; i < 20; ++i)
        release.push_back(MidiMessage::noteOff(0, static_cast<uint8_t>(40 + i)));
    play(20, release);
    host->setParameter(321, 1.0f); // the slots above 8 come back into play
    const std::vector<float> after = play(20);
    EXPECT_EQ(rmsOf(after, after.size() - 1024, 1024), 0.0f);
}
