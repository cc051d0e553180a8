// A program sounds the same whatever played before it: selecting it in an
// instance that has played other programs gives what a fresh instance gives.
#include "PluginHost.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr float kRate = 22050.0f;
constexpr int kBlock = 441;
constexpr int kHeldBlocks = 30;
constexpr int kTailBlocks = 20;

struct Take {
    std::vector<float> samples; // left and right, interleaved by block
    double rmsDb = -200.0, peak = 0.0;
};

std::unique_ptr<PluginHost> instance()
{
    std::string error;
    auto host = PluginHost::load(VESK_MODULE_PATH, error);
    if (!host)
        throw std::runtime_error(error);
    host->start(kRate, kBlock);
    host->setTempo(120.0);
    return host;
}

int programNamed(PluginHost& host, const std::string& wanted)
{
    for (int p = 0; p < 384; ++p) {
        char name[64] = {};
        host.dispatch(effGetProgramNameIndexed, p, 0, name);
        if (wanted == name)
            return p;
    }
    throw std::runtime_error("no program " + wanted);
}

// Selects the program and plays a chord from silence: held, then released.
Take play(PluginHost& host, int program)
{
    host.dispatch(effSetProgram, 0, program);
    Take take;
    std::vector<float> left(kBlock), right(kBlock);
    float* outputs[2] = {left.data(), right.data()};
    std::vector<MidiMessage> on, off;
    for (uint8_t n : {48, 52, 55}) {
        on.push_back(MidiMessage::noteOn(0, n, 127));
        off.push_back(MidiMessage::noteOff(0, n));
    }
    double squares = 0.0;
    for (int b = 0; b < kHeldBlocks + kTailBlocks; ++b) {
        host.sendMidi(b == 0 ? on : b == kHeldBlocks ? off : std::vector<MidiMessage>{});
        host.process(outputs, kBlock);
        for (int k = 0; k < kBlock; ++k) {
            for (float s : {left[k], right[k]}) {
                take.samples.push_back(s);
                squares += double(s) * s;
                take.peak = std::max(take.peak, double(std::fabs(s)));
            }
        }
    }
    take.rmsDb = 10.0 * std::log10(squares / double(take.samples.size()) + 1e-20);
    return take;
}

double largestDifference(const Take& a, const Take& b)
{
    double d = 0.0;
    for (size_t k = 0; k < a.samples.size(); ++k)
        d = std::max(d, double(std::fabs(a.samples[k] - b.samples[k])));
    return d;
}

// Programs with resonant filters, stacked layers, wheel routings and pitch
// envelopes, played one after another in one instance: each must match a
// fresh instance to the sample (up to float rounding). None of them uses the
// chorus or flanger, whose lines are kept on purpose across a reset.
TEST(ProgramChange, AProgramSoundsTheSameWhateverPlayedBefore)
{
    const char* sequence[] = {"Nylon Pluck", "Octave Stack Chord", "Low Tom",    "Zap Tom",
                              "Minor Seventh Stab", "Deep Kick", "Bright Clav", "Wood Block"};
    auto used = instance();
    for (const char* name : sequence) {
        const int program = programNamed(*used, name);
        const Take after = play(*used, program);
        auto fresh = instance();
        const Take alone = play(*fresh, program);
        EXPECT_LT(largestDifference(after, alone), 1e-5)
            << name << ": " << after.rmsDb << " dB peak " << after.peak << " after others, " << alone.rmsDb
            << " dB peak " << alone.peak << " fresh";
    }
}

} // namespace
