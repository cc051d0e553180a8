// Where events land: ticks through the tempo map to frames, blocks cut at
// tempo changes, and the tempo the plug-in is told. The test plug-in writes
// the tempo it saw on channel 0 and marks event offsets on channel 1.
#include "RenderTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr uint16_t kTicksPerQuarter = 480;

std::vector<uint8_t> noteOn(uint8_t note) { return {0x90, note, 100}; }
std::vector<uint8_t> noteOff(uint8_t note) { return {0x80, note, 0}; }

int64_t frameAt(double seconds, int rate) { return std::llround(seconds * rate); }

Audio renderWithTestPlugin(const ScratchDir& dir, const std::vector<uint8_t>& midi, int rate, int block,
                           std::vector<std::string> extra = {})
{
    writeFile(dir / "in.mid", midi);
    std::vector<std::string> args{dir / "in.mid", "--module", TEST_PLUGIN_PATH, "--tail", "0", "--rate",
                                  std::to_string(rate), "--block", std::to_string(block), "-o", dir / "out.wav"};
    args.insert(args.end(), extra.begin(), extra.end());
    const RunResult run = runRender(args);
    EXPECT_EQ(run.exitCode, 0) << run.output;
    return readAudio(dir / "out.wav");
}

} // namespace

TEST(RenderTiming, EventsReachThePluginAtTheFramesOfTheirTicks)
{
    // 120 BPM: a quarter note (480 ticks) is half a second.
    SmfTrack track;
    track.tempo(0, 120).event(0, noteOn(60)).event(480, noteOff(60)).event(520, noteOn(62)).event(100, noteOff(62)).endOfTrack();
    const std::vector<uint8_t> midi = smfFile(0, kTicksPerQuarter, {track});
    for (int rate : {44100, 48000}) {
        for (int block : {64, 500, 4096}) {
            ScratchDir dir;
            const Audio audio = renderWithTestPlugin(dir, midi, rate, block);
            const std::vector<int64_t> expected{0, frameAt(0.5, rate), frameAt(1000.0 / 960.0, rate),
                                                frameAt(1100.0 / 960.0, rate)};
            EXPECT_EQ(nonZeroFrames(audio, 1), expected) << rate << " Hz, blocks of " << block;
        }
    }
}

TEST(RenderTiming, TypeOneTempoMapAndRunningStatusPlaceLaterNotes)
{
    // The conductor track halves the tempo at tick 960 (1 s); the notes use
    // running status and note-on with velocity 0 as note-off.
    SmfTrack conductor;
    conductor.tempo(0, 120).tempo(960, 60).endOfTrack();
    SmfTrack notes;
    notes.event(0, {0x90, 60, 100}).event(480, {60, 0}).event(960, {64, 100}).event(480, {64, 0}).endOfTrack();
    const int rate = 48000;
    ScratchDir dir;
    const Audio audio = renderWithTestPlugin(dir, smfFile(1, kTicksPerQuarter, {conductor, notes}), rate, 700);
    // 1440 ticks: 960 at 120 BPM (1 s) and 480 at 60 BPM (1 s).
    const std::vector<int64_t> expected{0, frameAt(0.5, rate), frameAt(2.0, rate), frameAt(3.0, rate)};
    EXPECT_EQ(nonZeroFrames(audio, 1), expected);
}

TEST(RenderTiming, PluginIsToldEachTempoFromTheFrameItStarts)
{
    SmfTrack track;
    track.tempo(0, 100).event(0, noteOn(60)).tempo(480, 150).event(480, noteOff(60)).endOfTrack();
    const int rate = 44100;
    // The change falls at 0.6 s, inside a block of 1000 frames.
    const int64_t change = frameAt(0.6, rate);
    ASSERT_NE(change % 1000, 0);
    ScratchDir dir;
    const Audio audio = renderWithTestPlugin(dir, smfFile(0, kTicksPerQuarter, {track}), rate, 1000);
    const std::vector<float>& tempoSeen = audio.samples[0];
    ASSERT_GT(audio.frames(), change + 1);
    EXPECT_EQ(tempoSeen[0], 100.0f);
    EXPECT_EQ(tempoSeen[static_cast<size_t>(change - 1)], 100.0f);
    EXPECT_EQ(tempoSeen[static_cast<size_t>(change)], 150.0f);
    EXPECT_EQ(tempoSeen.back(), 150.0f);
}

TEST(RenderTiming, VeskStartsANoteRightAfterItsEventFrame)
{
    // The Init program has no attack: the first frame of a note is at level
    // zero, the next one sounds.
    SmfTrack track;
    track.tempo(0, 120).event(480, noteOn(69)).event(480, noteOff(69)).endOfTrack();
    const int rate = 48000;
    const int64_t noteFrame = frameAt(0.5, rate);
    for (int block : {64, 512, 1000}) {
        ScratchDir dir;
        writeFile(dir / "in.mid", smfFile(0, kTicksPerQuarter, {track}));
        const RunResult run = runRender({dir / "in.mid", "--rate", std::to_string(rate), "--block",
                                         std::to_string(block), "-o", dir / "out.wav"});
        ASSERT_EQ(run.exitCode, 0) << run.output;
        const int64_t onset = firstFrameAbove(readAudio(dir / "out.wav"), 1e-6f);
        EXPECT_GE(onset, noteFrame) << "blocks of " << block;
        EXPECT_LE(onset, noteFrame + 1) << "blocks of " << block;
    }
}

TEST(RenderTiming, ExcerptReleasesHeldNotesAndThePedalAtTheCut)
{
    SmfTrack track;
    track.event(0, {0xB0, 64, 127}).event(0, noteOn(60)).event(4800, noteOff(60)).endOfTrack();
    const int rate = 44100;
    ScratchDir dir;
    const Audio audio = renderWithTestPlugin(dir, smfFile(0, kTicksPerQuarter, {track}), rate, 512, {"--seconds", "1"});
    // Two events at each end: pedal and note down, then pedal up and note off.
    EXPECT_EQ(nonZeroFrames(audio, 1), (std::vector<int64_t>{0, rate}));
    EXPECT_EQ(audio.samples[1][static_cast<size_t>(rate)], 2.0f);
    EXPECT_EQ(audio.frames(), rate + 1);
}

TEST(RenderTail, VeskTailRunsUntilTheReleaseFallsSilent)
{
    ScratchDir dir;
    const RunResult run = runRender({"--note", "A4:0:0.5", "-o", dir / "out.wav"});
    ASSERT_EQ(run.exitCode, 0) << run.output;
    const Audio audio = readAudio(dir / "out.wav");
    const int64_t noteEnd = audio.rate / 2;
    ASSERT_GT(audio.frames(), noteEnd);
    EXPECT_LT(audio.frames(), noteEnd + 5 * audio.rate);
    // The release is there, and the file ends once it has died away.
    EXPECT_GT(std::fabs(audio.samples[0][static_cast<size_t>(noteEnd + 10)]) +
                  std::fabs(audio.samples[1][static_cast<size_t>(noteEnd + 10)]),
              0.0f);
    for (int64_t i = audio.frames() - audio.rate / 50; i < audio.frames(); ++i)
        ASSERT_LT(std::fabs(audio.samples[0][static_cast<size_t>(i)]), 1e-5f) << "frame " << i;
}

TEST(RenderTail, TailThatNeverFallsSilentStopsAtItsLimitWithAWarning)
{
    // The test plug-in writes the tempo on channel 0 for ever.
    ScratchDir dir;
    const RunResult run = runRender({"--module", TEST_PLUGIN_PATH, "--note", "60:0:0.5", "--tail", "1", "-o",
                                     dir / "out.wav"});
    ASSERT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("cut"), std::string::npos) << run.output;
    const Audio audio = readAudio(dir / "out.wav");
    EXPECT_EQ(audio.frames(), frameAt(0.5, audio.rate) + 1 + audio.rate);
}
