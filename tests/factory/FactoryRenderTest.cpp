// Every factory program played as a host plays it: a held chord and a single
// note, each released, checked for sound faults and even loudness.
#include "Categories.h"
#include "ParamIndex.h"
#include "ProgramRecord.h"
#include "PluginHost.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr float kRate = 22050.0f; // the checks look at levels and tails, not at the top octave
constexpr int kBlock = 441;       // 20 ms: the silence check looks at whole blocks
constexpr int kHeldBlocks = 50;   // one second
constexpr int kMaxTailBlocks = 400;
constexpr float kSilence = 1e-4f; // -80 dBFS

// The loudness window of the held chord's RMS, in dBFS, and the wider one of
// the drums and sound effects, whose notes are short or deliberately sparse.
constexpr double kQuietest = -30.0, kLoudest = -9.0;
constexpr double kQuietestSparse = -44.0;
// Reverb and delay tails ring on: seconds from the key release to silence.
constexpr double kReleaseBound = 7.0;

struct Take {
    double rmsDb = -200.0, peak = 0.0, dc = 0.0, secondsToSilence = 0.0;
    bool finite = true, silent = false;
};

class Player {
public:
    Player()
    {
        std::string error;
        host = PluginHost::load(VESK_MODULE_PATH, error);
        if (!host)
            throw std::runtime_error(error);
        host->start(kRate, kBlock);
        host->setTempo(120.0);
    }

    struct Named {
        std::string name, category;
    };
    Named select(int program)
    {
        host->dispatch(effSetProgram, 0, program);
        char name[64] = {};
        host->dispatch(effGetProgramNameIndexed, program, 0, name);
        return {name, categoryName(host->getParameter(ParamIndex::kPatchCategory))};
    }

    // The current program from silence: the keys held a second, then released.
    Take play(const std::vector<uint8_t>& notes, uint8_t velocity)
    {
        host->dispatch(effSetProgram, 0, host->dispatch(effGetProgram));
        Take take;
        std::vector<MidiMessage> on, off;
        for (uint8_t n : notes) {
            on.push_back(MidiMessage::noteOn(0, n, velocity));
            off.push_back(MidiMessage::noteOff(0, n));
        }
        double sum = 0.0, sumSquares = 0.0;
        host->sendMidi(on);
        for (int b = 0; b < kHeldBlocks; ++b) {
            block(take);
            for (float s : left) {
                sum += s;
                sumSquares += double(s) * s;
            }
            if (b == 0)
                host->sendMidi({});
        }
        const double frames = double(kHeldBlocks) * kBlock;
        take.rmsDb = 10.0 * std::log10(sumSquares / frames + 1e-20);
        take.dc = sum / frames;
        host->sendMidi(off);
        for (int b = 0; b < kMaxTailBlocks && !take.silent; ++b) {
            take.silent = block(take) < kSilence;
            take.secondsToSilence = (b + 1) * kBlock / double(kRate);
            if (b == 0)
                host->sendMidi({});
        }
        return take;
    }

private:
    float block(Take& take)
    {
        float* outputs[2] = {left.data(), right.data()};
        host->process(outputs, kBlock);
        float peak = 0.0f;
        for (int k = 0; k < kBlock; ++k) {
            take.finite &= std::isfinite(left[k]) && std::isfinite(right[k]);
            peak = std::max({peak, std::fabs(left[k]), std::fabs(right[k])});
        }
        take.peak = std::max(take.peak, double(peak));
        return peak;
    }

    std::unique_ptr<PluginHost> host;
    std::vector<float> left = std::vector<float>(kBlock), right = std::vector<float>(kBlock);
};

TEST(FactoryRender, EveryProgramPlaysCleanlyAtEvenLoudnessAndFallsSilent)
{
    for (int p = 0; p < kNumPrograms; ++p) {
        // A fresh instance for each program: what one leaves behind must not
        // decide whether the next one passes.
        Player player;
        const Player::Named named = player.select(p);
        if (named.name.rfind("-Empty ", 0) == 0)
            continue; // copies of Init, which is played at its own place
        const bool sparse = named.category == "Drums" || named.category == "Sound Effects";
        const Take chord = player.play({48, 52, 55}, 127);
        const Take note = player.play({60}, 100);
        for (const Take& t : {chord, note}) {
            EXPECT_TRUE(t.finite && t.peak < 1.0) << named.name << " peak " << t.peak;
            EXPECT_TRUE(t.silent && t.secondsToSilence <= kReleaseBound) << named.name << " " << t.secondsToSilence;
            EXPECT_LT(std::fabs(t.dc), 0.01) << named.name;
        }
        EXPECT_GE(chord.rmsDb, sparse ? kQuietestSparse : kQuietest) << named.name << " (" << named.category << ")";
        EXPECT_LE(chord.rmsDb, kLoudest) << named.name;
        if (std::getenv("VESK_FACTORY_LEVELS"))
            std::printf("%-24s %-14s chord %6.1f dB peak %.2f tail %.1f s | note %6.1f dB tail %.1f s\n",
                        named.name.c_str(), named.category.c_str(), chord.rmsDb, chord.peak, chord.secondsToSilence,
                        note.rmsDb, note.secondsToSilence);
    }
}

} // namespace
