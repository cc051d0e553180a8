#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <memory>
#include <tuple>
#include <vector>

#include "Conversions.h"
#include "Envelopes.h"
#include "RateTables.h"
#include "Spike.h"

namespace {

constexpr double kRate = 44100.0;

double timeMs(int32_t j) { return expMap(j / 1024.0, 2.0, 20000.0); }
double raw(int32_t j) { return j / 1024.0; }
int32_t frames(double ms, double sr = kRate) { return static_cast<int32_t>(std::lround(ms * 0.001 * sr)); }

// The time tables the engine ships, at a rate.
struct TimeTables {
    explicit TimeTables(double sr = kRate) : rates(std::make_unique<RateTables>()) { rates->rebuild(sr); }
    std::unique_ptr<RateTables> rates;
    const RateTables::EnvelopeTable& decay = rates->envelopeDecayFactor;
    const RateTables::EnvelopeTable& ramp = rates->envelopeRampStep;
};

enum Kind { kAmp, kFilter, kMod };

// One voice's envelopes driven as the render does: slices of 64 frames, with
// note-off and pedal changes landing between slices. Amp and filter runs
// return the level each frame used; the modulation run, the level each call
// started with.
struct Voice {
    Voice(const TimeTables& t, EnvelopeSettings s) : tables{t.decay.data(), t.ramp.data()}, settings(s) {}

    std::vector<float> run(Kind kind, int32_t total)
    {
        std::vector<float> used;
        for (int32_t done = 0; done < total; done += kMaxSliceFrames) {
            const int32_t n = std::min(kMaxSliceFrames, total - done);
            applyNoteOff(slot);
            const EnvelopeCoefs coefs = envelopeCoefs(tables, settings, pedalDown);
            if (kind == kMod) {
                used.push_back(slot.modEnvLevel);
                runModEnvelope(tables, settings, pedalDown, n, slot);
                slot.age += n;
            } else {
                float levels[kMaxSliceFrames];
                if (kind == kAmp) {
                    AmpEnvelope env(coefs, hold, slot);
                    env.run(levels, n, slot.age);
                    env.store(slot);
                } else {
                    FilterEnvelope env(coefs, slot);
                    env.run(levels, n);
                    env.store(slot);
                }
                used.insert(used.end(), levels, levels + n);
                slot.age += n;
            }
        }
        return used;
    }

    EnvelopeTables tables;
    EnvelopeSettings settings;
    int32_t hold = 0;
    bool pedalDown = false;
    VoiceSlot slot{};
};

int32_t firstAtOrAbove(const std::vector<float>& v, float level)
{
    return static_cast<int32_t>(std::find_if(v.begin(), v.end(), [&](float x) { return x >= level; }) - v.begin());
}

} // namespace

TEST(AmpEnvelope, ShortestAttackReachesPoint9AfterAbout2msThenDecays)
{
    for (const double sr : {44100.0, 96000.0}) {
        const TimeTables t(sr);
        Voice voice(t, {0.0, 0.5, 0.0, 0.5});
        const std::vector<float> level = voice.run(kAmp, frames(20, sr));
        const int32_t top = firstAtOrAbove(level, 0.9f);
        EXPECT_NEAR(top, frames(2, sr), 2) << sr;
        EXPECT_LT(level[top + frames(5, sr)], level[top]) << sr;
    }
}

// The hold counts from the voice's start and may end inside a call: the
// attack runs through it, the decay waits for its last frame.
TEST(AmpEnvelope, HoldKeepsTheLevelAfterTheAttackUntilItEnds)
{
    const TimeTables t;
    Voice voice(t, {0.0, 0.0, 0.0, 0.0});
    voice.hold = 200; // ends inside the fourth call of 64 frames
    const std::vector<float> level = voice.run(kAmp, 256);
    const int32_t top = firstAtOrAbove(level, 0.9f);
    EXPECT_NEAR(top, frames(2), 2);
    for (int32_t i = top; i <= 200; ++i)
        EXPECT_EQ(level[i], level[top]) << i;
    EXPECT_LT(level[201], level[200]);
    EXPECT_LT(level[255], level[201]);
}

TEST(AmpAndFilterEnvelopes, ReleaseFallsToATenthPerSegmentTimeUnlessThePedalHolds)
{
    const TimeTables t;
    for (const int32_t j : {256, 512, 700}) {
        Voice voice(t, {0.0, 0.5, 1.0, raw(j)});
        const float start = voice.run(kAmp, 4096).back();
        voice.slot.released = 1;
        voice.pedalDown = true;
        EXPECT_EQ(voice.run(kAmp, 44100).back(), start) << j;
        voice.pedalDown = false;
        const int32_t segment = frames(timeMs(j));
        const std::vector<float> level = voice.run(kAmp, 2 * segment + 1);
        EXPECT_NEAR(level[segment] / start, 0.1, 0.002) << j;
        EXPECT_NEAR(level[2 * segment] / start, 0.01, 0.0002) << j;
    }
    // The filter envelope runs the same attack, decay and release, and
    // flushes what is left once it is tiny.
    Voice voice(t, {0.0, 0.0, 0.3, raw(100)});
    const std::vector<float> level = voice.run(kFilter, 4410);
    EXPECT_NEAR(firstAtOrAbove(level, 0.9f), frames(2), 2);
    EXPECT_TRUE(level.back() < 0.3f && level.back() >= 0.3f * t.decay[0]);
    EXPECT_TRUE(FilterEnvelope(envelopeCoefs(voice.tables, voice.settings, false), voice.slot).sustaining());
    voice.slot.released = 1;
    const int32_t segment = frames(timeMs(100));
    EXPECT_NEAR(voice.run(kFilter, segment).back() / level.back(), 0.1, 0.002);
    voice.run(kFilter, 8 * segment);
    EXPECT_EQ(voice.slot.filterEnvLevel, 0.0f);
}

TEST(Spike, AddsItsTransientForSpikeLengthFramesWhateverTheAttack)
{
    std::array<float, 100> soft{}, hard{};
    soft.fill(0.5f);
    hard.fill(1.6f);
    const SpikeTables tables{soft.data(), hard.data(), 100};
    const TimeTables t;
    const float slowAttack = Voice(t, {1.0, 0.5, 0.5, 0.5}).run(kAmp, 100)[50];

    // A call straddling the spike's end: frames 90..99 get it, 100.. do not.
    std::array<float, kMaxSliceFrames> levels{};
    levels.fill(slowAttack);
    Spike(tables, false, 0.5f).addTo(levels.data(), kMaxSliceFrames, 90);
    EXPECT_FLOAT_EQ(levels[0] - slowAttack, 0.25f);
    EXPECT_GT(levels[9], 100.0f * slowAttack);
    EXPECT_EQ(levels[10], slowAttack);

    levels.fill(0.0f);
    Spike(tables, true, 0.5f).addTo(levels.data(), 1, 0);
    EXPECT_FLOAT_EQ(levels[0], 0.8f);
    EXPECT_EQ(levels[1], 0.0f);

    levels.fill(0.0f);
    Spike(tables, false, 0.5f).addTo(levels.data(), kMaxSliceFrames, 100);
    Spike(tables, false, 0.5f).addTo(levels.data(), kMaxSliceFrames, UINT32_MAX);
    Spike(tables, false, 0.0f).addTo(levels.data(), kMaxSliceFrames, 0);
    EXPECT_EQ(*std::max_element(levels.begin(), levels.end()), 0.0f);
}
