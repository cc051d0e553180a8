// What a player hears through the host: pedal, glide, legato, bend,
// controllers reaching the sound, pan, tempo-synced LFOs.
#include "FactoryBank.h"
#include "ParamIndex.h"
#include "PluginTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace ParamIndex;

namespace {
constexpr VstInt32 kBlock = 256;
constexpr double kRate = 44100.0;

class Playing : public ::testing::Test {
protected:
    void SetUp() override
    {
        host = startedVesk(float(kRate), kBlock);
        ASSERT_TRUE(host);
        host->setParameter(kOsc2Coarse, 0.5f); // oscillator 2 exactly on the note
        host->setParameter(kOsc2Fine, 0.5f);
    }

    Samples playLeft(int blocks, const std::vector<MidiMessage>& events = {})
    {
        return play(*host, blocks, kBlock, events).left;
    }
    // Modulation slot 0: source code, destination code, amount -1..1.
    void route(int source, int destination, float amount)
    {
        host->setParameter(kModSource, float(source));
        host->setParameter(kModDestination, float(destination));
        host->setParameter(kModAmount, 0.5f * (amount + 1.0f));
    }
    double lastFrequency(const Samples& x) { return frequencyOf(x, kRate, x.size() - 4096, 4096); }

    std::unique_ptr<PluginHost> host;
};

MidiMessage channelPressure(uint8_t value) { return MidiMessage{0, 0xd0, value, 0}; }

// Modulation codes as the menus show them.
constexpr int kSourceConst = 7, kSourceAftertouch = 5, kSourceBreath = 10, kSourceFoot = 11, kSourceExpression = 12,
              kSourceLfo1 = 13;
constexpr int kDestinationVolume = 3, kDestinationPan = 4;
} // namespace

TEST_F(Playing, SustainPedalHoldsReleasedNotesUntilLifted)
{
    host->setParameter(kAmpAttack + 3, 0.3f); // a short release
    playLeft(20, {MidiMessage::noteOn(0, 60, 100)});
    const Samples held = playLeft(40, {MidiMessage::controlChange(0, 64, 127), MidiMessage::noteOff(10, 60)});
    const double start = rmsOf(held, 1024, 2048);
    EXPECT_GT(start, 0.01);
    EXPECT_NEAR(rmsOf(held, held.size() - 2048), start, start * 0.05);
    const Samples lifted = playLeft(200, {MidiMessage::controlChange(0, 64, 0)});
    EXPECT_EQ(rmsOf(lifted, lifted.size() - 2048), 0.0);
}

TEST_F(Playing, NoteOnWithVelocityZeroEndsTheNote)
{
    host->setParameter(kAmpAttack + 3, 0.0f);
    playLeft(20, {MidiMessage::noteOn(0, 60, 100)});
    const Samples after = playLeft(40, {MidiMessage::noteOn(0, 60, 0)});
    EXPECT_EQ(peakOf(after, after.size() - kBlock), 0.0);
}

// Glide 1.0 covers 90 % of the way in a second: an octave up is 1.2
// semitones short after one second and 0.12 after two.
TEST_F(Playing, GlideCoversNinetyPercentOfTheWayInItsTime)
{
    host->setParameter(kGlide, 1.0f);
    host->setParameter(kAmpAttack + 3, 0.0f); // the old note must not blur the new one
    playLeft(40, {MidiMessage::noteOn(0, 57, 100)});
    const Samples slide = playLeft(int(2.1 * kRate / kBlock), {MidiMessage::noteOff(0, 57), MidiMessage::noteOn(0, 69, 100)});
    const auto at = [&](double seconds) { return frequencyOf(slide, kRate, size_t((seconds - 0.05) * kRate), size_t(0.1 * kRate)); };
    EXPECT_NEAR(at(1.0), 440.0 * std::pow(2.0, -1.2 / 12.0), 3.0);
    EXPECT_NEAR(at(2.0), 440.0 * std::pow(2.0, -0.12 / 12.0), 1.0);
}

TEST_F(Playing, FirstNoteAfterResetDoesNotGlide)
{
    host->setParameter(kGlide, 0.8f);
    const Samples first = playLeft(20, {MidiMessage::noteOn(0, 69, 100)});
    EXPECT_NEAR(frequencyOf(first, kRate, 512, 4096), 440.0, 1.0);
}

TEST_F(Playing, MonoLegatoReturnsToTheHeldNote)
{
    host->setParameter(kMonoMode, 1.0f);
    playLeft(30, {MidiMessage::noteOn(0, 57, 100)});
    EXPECT_NEAR(lastFrequency(playLeft(30, {MidiMessage::noteOn(0, 69, 100)})), 440.0, 1.0);
    const Samples back = playLeft(30, {MidiMessage::noteOff(0, 69)});
    EXPECT_NEAR(lastFrequency(back), 220.0, 1.0);
    EXPECT_GT(rmsOf(back, back.size() - 2048), 0.01);
}

TEST_F(Playing, AllNotesOffControllerSilencesAtOnce)
{
    playLeft(20, {MidiMessage::noteOn(0, 60, 100), MidiMessage::noteOn(0, 64, 100)});
    EXPECT_EQ(rmsOf(playLeft(2, {MidiMessage::controlChange(0, 123, 0)})), 0.0);
}

TEST_F(Playing, ProgramAndBankChangesSelectPrograms)
{
    host->dispatch(effSetProgram, 0, 5);
    playLeft(1, {MidiMessage::controlChange(0, 0, 2)});
    EXPECT_EQ(host->dispatch(effGetProgram), 261);
    playLeft(1, {MidiMessage::controlChange(0, 0, 3)});
    EXPECT_EQ(host->dispatch(effGetProgram), 261);
    host->dispatch(effSetProgram, 0, 300);
    playLeft(1, {MidiMessage::programChange(0, 10)});
    EXPECT_EQ(host->dispatch(effGetProgram), 10);
}

TEST_F(Playing, PitchBendMovesThePitchByItsRangeEitherWay)
{
    // Two semitones each way; the top of the wheel is 8191 of 8192.
    const struct {
        uint16_t bend;
        double semitones;
    } cases[] = {{16383, 2.0 * 8191.0 / 8192.0}, {0, -2.0}, {8192, 0.0}};
    for (const auto& c : cases) {
        const Samples bent = playLeft(40, {MidiMessage::pitchBend(0, c.bend), MidiMessage::noteOn(0, 69, 100)});
        EXPECT_NEAR(lastFrequency(bent), 440.0 * std::pow(2.0, c.semitones / 12.0), 1.0) << c.bend;
        playLeft(1, {MidiMessage::controlChange(0, 123, 0)});
    }
}

TEST_F(Playing, MonoReleaseReachesVoicesAboveALoweredPoly)
{
    host->setParameter(kAmpAttack + 3, 0.0f);
    host->setParameter(kPoly, 1.0f); // 72 slots
    std::vector<MidiMessage> chord, release;
    for (uint8_t note = 40; note < 60; ++note) {
        chord.push_back(MidiMessage::noteOn(0, note, 100));
        release.push_back(MidiMessage::noteOff(0, note));
    }
    playLeft(4, chord);
    host->setParameter(kPoly, 0.0f); // 8 slots
    host->setParameter(kMonoMode, 1.0f);
    playLeft(20, release);
    host->setParameter(kPoly, 1.0f); // the slots above 8 come back into play
    const Samples after = playLeft(20);
    EXPECT_EQ(rmsOf(after, after.size() - 1024), 0.0);
}

// Breath, foot, expression and channel pressure each raise the volume of a
// note through the slot that reads them.
TEST_F(Playing, ControllersReachTheSoundThroughTheMatrix)
{
    const struct {
        int source;
        MidiMessage zero, full;
    } cases[] = {
        {kSourceBreath, MidiMessage::controlChange(0, 2, 0), MidiMessage::controlChange(0, 2, 127)},
        {kSourceFoot, MidiMessage::controlChange(0, 4, 0), MidiMessage::controlChange(0, 4, 127)},
        {kSourceExpression, MidiMessage::controlChange(0, 11, 0), MidiMessage::controlChange(0, 11, 127)},
        {kSourceAftertouch, channelPressure(0), channelPressure(127)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.source);
        route(c.source, kDestinationVolume, 1.0f);
        const double quiet = rmsOf(playLeft(20, {c.zero, MidiMessage::noteOn(0, 60, 100)}), 2048);
        const double loud = rmsOf(playLeft(20, {c.full}), 2048);
        EXPECT_GT(quiet, 0.001);
        EXPECT_GT(loud, 1.5 * quiet);
        playLeft(1, {MidiMessage::controlChange(0, 123, 0)});
    }
}

// A centred voice sounds the same on both channels; panned hard it leaves
// the far channel silent.
TEST_F(Playing, PanPlacesTheVoiceBetweenTheChannels)
{
    const StereoBuffer centre = play(*host, 20, kBlock, {MidiMessage::noteOn(0, 60, 100)});
    EXPECT_GT(rmsOf(centre.right, 2048), 0.01);
    EXPECT_EQ(centre.left, centre.right);
    playLeft(1, {MidiMessage::controlChange(0, 123, 0)});
    for (float amount : {1.0f, -1.0f}) {
        route(kSourceConst, kDestinationPan, amount);
        const StereoBuffer panned = play(*host, 20, kBlock, {MidiMessage::noteOn(0, 60, 100)});
        const double left = rmsOf(panned.left, 2048), right = rmsOf(panned.right, 2048);
        EXPECT_LT(std::min(left, right), 0.01 * std::max(left, right)) << amount;
        EXPECT_EQ(left > right, amount < 0.0f) << amount;
        playLeft(1, {MidiMessage::controlChange(0, 123, 0)});
    }
}

// LFO 1 synced to a quarter note pumps the volume; doubling the host's tempo
// mid-note doubles its rate.
TEST_F(Playing, HostTempoChangeRetimesASyncedLfo)
{
    host->setParameter(kLfo1Shape, 0.34f);                // pulse
    host->setParameter(kLfo1Shape + 4, 1.0f);             // synced
    host->setParameter(kLfo1Shape + 1, 16.5f / 26.001f); // "1/4"
    route(kSourceLfo1, kDestinationVolume, 1.0f);
    const auto pulses = [](const Samples& x) {
        const size_t window = 441; // 10 ms
        std::vector<double> level;
        for (size_t at = 0; at + window <= x.size(); at += window)
            level.push_back(rmsOf(x, at, window));
        const double middle = 0.5 * (*std::min_element(level.begin(), level.end()) +
                                     *std::max_element(level.begin(), level.end()));
        int rises = 0;
        for (size_t i = 1; i < level.size(); ++i)
            rises += level[i - 1] < middle && level[i] >= middle;
        return rises;
    };
    const int twoSeconds = int(2 * kRate / kBlock);
    host->setTempo(120.0);
    const int slow = pulses(playLeft(twoSeconds, {MidiMessage::noteOn(0, 60, 100)}));
    host->setTempo(240.0);
    const int fast = pulses(playLeft(twoSeconds));
    EXPECT_NEAR(slow, 4, 1);
    EXPECT_NEAR(fast, 8, 1);
}
