// Every way a run can fail ends with a non-zero exit and a message that names
// the problem; none of them leaves an output file behind.
#include "RenderTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

class RenderErrors : public ::testing::Test {
protected:
    // Runs with a valid MIDI file and output unless the arguments replace them.
    void expectFailure(std::vector<std::string> args, const std::string& named, int exitCode = 1)
    {
        args.insert(args.begin(), {"-o", output()});
        const RunResult run = runRender(args);
        EXPECT_EQ(run.exitCode, exitCode) << run.output;
        EXPECT_NE(run.output.find(named), std::string::npos) << "expected '" << named << "' in: " << run.output;
        EXPECT_FALSE(std::filesystem::exists(output()));
    }

    std::string midi()
    {
        SmfTrack track;
        track.event(0, {0x90, 60, 100}).event(480, {0x80, 60, 0}).endOfTrack();
        writeFile(dir / "ok.mid", smfFile(0, 480, {track}));
        return dir / "ok.mid";
    }
    std::string output() const { return dir / "out.wav"; }

    ScratchDir dir;
};

} // namespace

TEST_F(RenderErrors, MissingMidiFileIsNamed) { expectFailure({dir / "absent.mid"}, "absent.mid"); }

TEST_F(RenderErrors, FileThatIsNoMidiIsNamed)
{
    writeFile(dir / "text.mid", {'h', 'e', 'l', 'l', 'o', '\n'});
    expectFailure({dir / "text.mid"}, "text.mid' is not a readable Standard MIDI File");
}

TEST_F(RenderErrors, TypeTwoFileIsRefused)
{
    SmfTrack track;
    track.event(0, {0x90, 60, 100}).endOfTrack(10);
    writeFile(dir / "two.mid", smfFile(2, 480, {track}));
    expectFailure({dir / "two.mid"}, "format #2");
}

TEST_F(RenderErrors, FileWithNothingToPlayIsRefused)
{
    SmfTrack track;
    track.tempo(0, 120).endOfTrack(480);
    writeFile(dir / "empty.mid", smfFile(0, 480, {track}));
    expectFailure({dir / "empty.mid"}, "no notes");
}

TEST_F(RenderErrors, CommandLineMistakesAreNamedWithExitTwo)
{
    expectFailure({midi(), "--frobnicate"}, "unknown option '--frobnicate'", 2);
    expectFailure({midi(), "--rate"}, "--rate needs a value", 2);
    expectFailure({midi(), "--rate", "fast"}, "--rate: 'fast' is not a whole number", 2);
    expectFailure({midi(), "--block", "0"}, "--block: 0 is outside", 2);
    expectFailure({midi(), "--set", "28"}, "'28' is not INDEX=VALUE", 2);
    expectFailure({midi(), "--note", "H2"}, "'H2' is not a note", 2);
    expectFailure({midi(), "--note", "C4"}, "either a MIDI file or --note", 2);
    expectFailure({}, "nothing to play", 2);
}

TEST_F(RenderErrors, ModuleThatDoesNotLoadIsNamed)
{
    expectFailure({midi(), "--module", dir / "missing.so"}, "missing.so");
    expectFailure({midi(), "--module", TEST_NO_ENTRY_PATH}, TEST_NO_ENTRY_PATH);
}

TEST_F(RenderErrors, EntryPointThatRefusesIsReported)
{
    expectFailure({midi(), "--module", TEST_REFUSING_MODULE_PATH}, "refused to create a plug-in");
}

TEST_F(RenderErrors, ProgramBeyondTheBankIsRefused) { expectFailure({midi(), "--program", "5000"}, "program 5000"); }
