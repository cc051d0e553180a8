// Every way a run can fail ends with a non-zero exit and a message that names
// the problem; none of them leaves an output file behind.
#include "RenderTestSupport.h"

#include <algorithm>

namespace {

TEST(RenderErrors, EachFailureExitsNonZeroNamingTheProblem)
{
    ScratchDir dir;
    SmfTrack ok, two, empty;
    ok.event(0, {0x90, 60, 100}).event(480, {0x80, 60, 0}).endOfTrack();
    two.event(0, {0x90, 60, 100}).endOfTrack(10);
    empty.tempo(0, 120).endOfTrack(480);
    writeFile(dir / "ok.mid", smfFile(0, 480, {ok}));
    writeFile(dir / "two.mid", smfFile(2, 480, {two}));
    writeFile(dir / "empty.mid", smfFile(0, 480, {empty}));
    writeFile(dir / "text.mid", {'h', 'e', 'l', 'l', 'o', '\n'});
    const std::vector<uint8_t> junk(100, 7);
    writeFile(dir / "junk.bin", junk);
    writeFile(dir / "other.fxp", programFile(junk, "Abcd", 100));
    writeFile(dir / "cut.fxp", programFile(junk, "QZRT", 200));
    writeFile(dir / "notpreset.fxp", {'R', 'I', 'F', 'F', 0, 0, 0, 0});
    const std::string midi = dir / "ok.mid";
    const struct {
        std::vector<std::string> args;
        std::string named;
        int exitCode;
    } cases[] = {
        {{dir / "absent.mid"}, "absent.mid", 1},
        {{dir / "text.mid"}, "text.mid' is not a readable Standard MIDI File", 1},
        {{dir / "two.mid"}, "format #2", 1},
        {{dir / "empty.mid"}, "no notes", 1},
        {{midi, "--frobnicate"}, "unknown option '--frobnicate'", 2},
        {{midi, "--rate"}, "--rate needs a value", 2},
        {{midi, "--rate", "fast"}, "--rate: 'fast' is not a whole number", 2},
        {{midi, "--block", "0"}, "--block: 0 is outside", 2},
        {{midi, "--set", "28"}, "'28' is not INDEX=VALUE", 2},
        {{midi, "--note", "H2"}, "'H2' is not a note", 2},
        {{midi, "--note", "C4"}, "either a MIDI file or --note", 2},
        {{}, "nothing to play", 2},
        {{midi, "--module", dir / "missing.so"}, "missing.so", 1},
        {{midi, "--module", TEST_NO_ENTRY_PATH}, TEST_NO_ENTRY_PATH, 1},
        {{midi, "--module", TEST_REFUSING_MODULE_PATH}, "refused to create a plug-in", 1},
        {{midi, "--program", "5000"}, "program 5000", 1},
        {{midi, "-o", dir / "out.flac", "--format", "float"}, "FLAC", 1},
        {{midi, "-o", dir / "out.mp3"}, "out.mp3", 1},
        {{midi, "--preset", dir / "other.fxp"}, "belongs to plug-in 'Abcd', not to 'QZRT'", 1},
        {{midi, "--preset", dir / "cut.fxp"}, "declares", 1},
        {{midi, "--preset", dir / "notpreset.fxp"}, "not a VST preset file", 1},
        {{midi, "--chunk", dir / "junk.bin"}, "refused the state in", 1},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = c.args;
        if (std::find(args.begin(), args.end(), "-o") == args.end())
            args.insert(args.begin(), {"-o", dir / "out.wav"});
        const RunResult run = runRender(args);
        EXPECT_EQ(run.exitCode, c.exitCode) << run.output;
        EXPECT_NE(run.output.find(c.named), std::string::npos) << "expected '" << c.named << "' in: " << run.output;
        for (const char* output : {"out.wav", "out.flac", "out.mp3"})
            EXPECT_FALSE(std::filesystem::exists(dir / output)) << c.named;
    }
}

TEST(RenderErrors, NoteListMistakesNameTheLine)
{
    ScratchDir dir;
    std::ofstream(dir / "list.txt") << "track Test 1\nnote 1:1 1 100 H4\n";
    const RunResult made = runProgram(MAKE_DEMO_MIDI_PATH, {dir / "list.txt", dir / "list.mid"});
    EXPECT_NE(made.exitCode, 0);
    EXPECT_NE(made.output.find("list.txt:2: 'H4' is not a note"), std::string::npos) << made.output;
}

} // namespace
