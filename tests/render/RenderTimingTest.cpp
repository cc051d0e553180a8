// Where events land: ticks through the tempo map to frames, blocks cut at
// tempo changes, and the tempo the plug-in is told. The test plug-in writes
// the tempo it saw on channel 0 and counts events at their offsets on channel 1.
#include "FactoryBank.h"
#include "RenderTestSupport.h"

namespace {

int64_t frameAt(double seconds, int rate) { return std::llround(seconds * rate); }

Audio renderWithTestPlugin(const ScratchDir& dir, const std::vector<uint8_t>& midi, int rate, int block,
                           std::vector<std::string> args = {})
{
    writeFile(dir / "in.mid", midi);
    args.insert(args.end(), {dir / "in.mid", "--module", TEST_PLUGIN_PATH, "--tail", "0", "--rate", std::to_string(rate),
                             "--block", std::to_string(block), "-o", dir / "out.wav"});
    const RunResult run = runRender(args);
    EXPECT_EQ(run.exitCode, 0) << run.output;
    return readAudio(dir / "out.wav");
}

TEST(RenderTiming, EventsReachThePluginAtTheFramesOfTheirTicks)
{
    // 120 BPM: a quarter note (480 ticks) is half a second.
    SmfTrack plain;
    plain.tempo(0, 120).event(0, {0x90, 60, 100}).event(480, {0x80, 60, 0}).event(520, {0x90, 62, 100});
    plain.event(100, {0x80, 62, 0}).endOfTrack();
    // Type 1: the conductor track halves the tempo at tick 960 (1 s); the notes
    // use running status and note-on with velocity 0 as note-off.
    SmfTrack conductor, notes;
    conductor.tempo(0, 120).tempo(960, 60).endOfTrack();
    notes.event(0, {0x90, 60, 100}).event(480, {60, 0}).event(960, {64, 100}).event(480, {64, 0}).endOfTrack();
    // Cut at one second: pedal and note down, then pedal up and note off at the cut.
    SmfTrack held;
    held.event(0, {0xB0, 64, 127}).event(0, {0x90, 60, 100}).event(4800, {0x80, 60, 0}).endOfTrack();
    for (int rate : {44100, 48000}) {
        for (int block : {64, 500, 4096}) {
            ScratchDir dir;
            const Audio audio = renderWithTestPlugin(dir, smfFile(0, 480, {plain}), rate, block);
            EXPECT_EQ(nonZeroFrames(audio, 1), (std::vector<int64_t>{0, frameAt(0.5, rate), frameAt(1000.0 / 960.0, rate),
                                                                    frameAt(1100.0 / 960.0, rate)}))
                << rate << " Hz, blocks of " << block;
        }
    }
    ScratchDir dir;
    Audio audio = renderWithTestPlugin(dir, smfFile(1, 480, {conductor, notes}), 48000, 700);
    EXPECT_EQ(nonZeroFrames(audio, 1), (std::vector<int64_t>{0, 24000, 96000, 144000}));
    audio = renderWithTestPlugin(dir, smfFile(0, 480, {held}), 44100, 512, {"--seconds", "1"});
    EXPECT_EQ(nonZeroFrames(audio, 1), (std::vector<int64_t>{0, 44100}));
    EXPECT_EQ(audio.samples[1][44100], 2.0f);
    EXPECT_EQ(audio.frames(), 44101);
}

TEST(RenderTiming, PluginIsToldEachTempoFromTheFrameItStarts)
{
    SmfTrack track;
    track.tempo(0, 100).event(0, {0x90, 60, 100}).tempo(480, 150).event(480, {0x80, 60, 0}).endOfTrack();
    // The change falls at 0.6 s, inside a block of 1000 frames.
    const size_t change = size_t(frameAt(0.6, 44100));
    ASSERT_NE(change % 1000, 0u);
    ScratchDir dir;
    const std::vector<float> tempoSeen = renderWithTestPlugin(dir, smfFile(0, 480, {track}), 44100, 1000).samples[0];
    ASSERT_GT(tempoSeen.size(), change + 1);
    EXPECT_EQ(tempoSeen[0], 100.0f);
    EXPECT_EQ(tempoSeen[change - 1], 100.0f);
    EXPECT_EQ(tempoSeen[change], 150.0f);
    EXPECT_EQ(tempoSeen.back(), 150.0f);
}

} // namespace
