// Seeded mutations of valid MIDI, .fxp, .fxb and parameter files through
// vesk-render: each run ends with success or a refusal, never a crash or a
// sanitizer report. VESK_MUTATION_RUNS sets the runs per kind (default 60).
#include "PluginHost.h"
#include "RenderTestSupport.h"

#include <cstdlib>
#include <random>

namespace {

std::vector<uint8_t> veskChunk()
{
    std::string error;
    std::unique_ptr<PluginHost> host = PluginHost::load(VESK_MODULE_PATH, error);
    EXPECT_TRUE(host) << error;
    host->start(44100.0f, 512);
    void* data = nullptr;
    const auto size = static_cast<size_t>(host->dispatch(effGetChunk, 0, 0, &data));
    return std::vector<uint8_t>(static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + size);
}


// A few random edits, most of them near the start where the headers are.
std::vector<uint8_t> mutate(std::vector<uint8_t> bytes, std::mt19937& random)
{
    auto position = [&](size_t size) {
        const size_t span = random() % 4 == 0 ? size : std::min<size_t>(size, 256);
        return span ? random() % span : 0;
    };
    for (int edits = 1 + int(random() % 4); edits > 0; --edits) {
        switch (random() % 5) {
        case 0:
            if (!bytes.empty())
                bytes[position(bytes.size())] ^= static_cast<uint8_t>(1u << (random() % 8));
            break;
        case 1:
            if (!bytes.empty())
                bytes[position(bytes.size())] = static_cast<uint8_t>(random() % 2 ? 0xFF : random());
            break;
        case 2:
            bytes.resize(position(bytes.size() + 1));
            break;
        case 3:
            bytes.insert(bytes.begin() + std::ptrdiff_t(position(bytes.size() + 1)), static_cast<uint8_t>(random()));
            break;
        default:
            if (bytes.size() > 8) {
                const size_t from = position(bytes.size() - 4);
                bytes.insert(bytes.begin() + std::ptrdiff_t(position(bytes.size())), bytes.begin() + std::ptrdiff_t(from),
                             bytes.begin() + std::ptrdiff_t(from + 4));
            }
            break;
        }
    }
    return bytes;
}

} // namespace

TEST(MutationRun, DamagedInputFilesNeverCrashTheRenderer)
{
    const char* configured = std::getenv("VESK_MUTATION_RUNS");
    const int runs = configured ? std::atoi(configured) : 60;
    // A sanitizer's report must not pass for one of our own refusals.
    for (const char* name : {"ASAN_OPTIONS", "UBSAN_OPTIONS"}) {
        const char* old = std::getenv(name);
        setenv(name, (std::string(old ? old : "") + ":exitcode=99").c_str(), 1);
    }
    ScratchDir dir;
    SmfTrack conductor, notes;
    conductor.tempo(0, 100).tempo(960, 140).endOfTrack();
    notes.event(0, {0x90, 60, 100}).event(240, {64, 90}).event(240, {0xB0, 64, 127}).event(0, {0xE0, 0, 70});
    notes.event(240, {0x80, 60, 0}).event(0, {0xF0, 0x02, 0x7E, 0xF7}).event(240, {0x90, 64, 0}).endOfTrack();
    const std::vector<uint8_t> chunk = veskChunk();
    const std::string params = "28=0.3 29=0.8 # a dark pad\n74=0.7 126=3 11=0.5\n";
    const struct {
        std::string file, option;
        std::vector<uint8_t> base;
    } kinds[] = {
        {"m.mid", "", smfFile(1, 480, {conductor, notes})},
        {"p.fxp", "--preset", programFile(chunk, "QZRT", static_cast<uint32_t>(chunk.size()))},
        {"b.fxb", "--preset", bankFile(chunk)},
        {"s.txt", "--params", std::vector<uint8_t>(params.begin(), params.end())},
    };
    std::mt19937 random(20261206);
    int outcomes[3] = {};
    for (const auto& kind : kinds) {
        for (int run = 0; run < runs; ++run) {
            writeFile(dir / kind.file, mutate(kind.base, random));
            std::vector<std::string> args{"-q", "--tail", "0", "--seconds", "0.05", "-o", dir / "out.wav"};
            if (kind.option.empty())
                args.push_back(dir / kind.file);
            else
                args.insert(args.end(), {kind.option, dir / kind.file, "--note", "A3:0:0.05"});
            const RunResult result = runRender(args);
            ASSERT_TRUE(result.exitCode >= 0 && result.exitCode <= 2)
                << kind.file << " run " << run << " exit " << result.exitCode << ": " << result.output;
            ++outcomes[result.exitCode];
        }
    }
    std::printf("%d mutated files: %d rendered, %d refused, %d refused as usage errors\n", 4 * runs, outcomes[0],
                outcomes[1], outcomes[2]);
}
