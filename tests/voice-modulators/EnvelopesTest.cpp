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
            } else if (kind == kAmp) {
                AmpEnvelope env(coefs, hold, slot);
                for (int32_t f = 0; f < n; ++f, ++slot.age) {
                    used.push_back(env.current());
                    env.step(slot.age);
                }
                env.store(slot);
            } else {
                FilterEnvelope env(coefs, slot);
                for (int32_t f = 0; f < n; ++f, ++slot.age)
                    used.push_back(env.step());
                env.store(slot);
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

TEST(EnvelopeSettings, TimeIndexRoundsAndLimitsAndBadValuesStaySafe)
{
    const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
    const std::pair<double, int32_t> cases[] = {{0.0, 0},    {0.4 / 1024, 0}, {0.6 / 1024, 1}, {511.6 / 1024, 512},
                                                {1.0, 1024}, {3.0, 1024},     {-0.5, 0},       {nan, 0},
                                                {inf, 1024}, {-inf, 0}};
    for (const auto& [value, index] : cases)
        EXPECT_EQ(envelopeTimeIndex(value), index) << value;
    const TimeTables t;
    const EnvelopeTables view{t.decay.data(), t.ramp.data()};
    EXPECT_EQ(envelopeCoefs(view, {nan, 0.0, -0.3, 0.5}, false).sustain, 0.0f);
    EXPECT_EQ(envelopeCoefs(view, {nan, 0.0, nan, 0.5}, false).attackFactor, t.decay[0]);
}

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

TEST(AmpEnvelope, DecayStopsAtFirstFrameBelowSustainAndFullSustainHoldsNearPoint9)
{
    const TimeTables t;
    const std::vector<float> level = Voice(t, {0.0, 0.0, 0.25, 0.5}).run(kAmp, 4410);
    EXPECT_LT(level.back(), 0.25f);
    EXPECT_GE(level.back(), 0.25f * t.decay[0]);
    EXPECT_EQ(level[2000], level.back());
    const std::vector<float> held = Voice(t, {0.0, 0.5, 1.0, 0.5}).run(kAmp, 44100);
    EXPECT_EQ(held.back(), held[firstAtOrAbove(held, 0.9f) + 1]);
    EXPECT_NEAR(held.back(), 0.9f, 0.01f);
}

TEST(AmpEnvelope, HoldDelaysDecayAndReleaseByHoldFrames)
{
    const TimeTables t;
    Voice free(t, {0.0, 0.3, 0.0, 0.3}), held = free;
    held.hold = 3000;
    Voice releasedEarly = held;
    const std::vector<float> a = free.run(kAmp, 8000), b = held.run(kAmp, 8000);
    const int32_t top = firstAtOrAbove(a, 0.9f);
    EXPECT_EQ(b[3000], b[top]);
    for (int32_t n = 0; n < 4000; ++n)
        ASSERT_EQ(b[3001 + n], a[top + 1 + n]) << n;

    const float before = releasedEarly.run(kAmp, 1024).back();
    releasedEarly.slot.released = 1;
    const std::vector<float> after = releasedEarly.run(kAmp, 3000);
    EXPECT_EQ(after[1975], before); // age 2999
    EXPECT_LT(after.back(), before);
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

TEST(ModEnvelope, AttackIsALinearRiseAndSustainAbove0p9999HoldsTheTop)
{
    const TimeTables t;
    const int32_t segment = frames(timeMs(512)); // 8820 frames
    const std::vector<float> level = Voice(t, {0.5, 0.0, 0.5, 0.5}).run(kMod, 2 * segment);
    for (int32_t call : {69, 100})
        EXPECT_NEAR(level[call], call * 64.0 / segment, 1e-3) << call;
    EXPECT_NEAR((std::max_element(level.begin(), level.end()) - level.begin()) * 64, segment, 64);
    EXPECT_TRUE(level.back() < 0.5f && level.back() > 0.45f);

    Voice top(t, {0.0, 0.0, 0.99995, 0.5}), justBelow(t, {0.0, 0.0, 0.9999, 0.5});
    top.run(kMod, 4410);
    justBelow.run(kMod, 4410);
    EXPECT_EQ(top.slot.modEnvLevel, 1.0f);
    EXPECT_LT(justBelow.slot.modEnvLevel, 1.0f);
}

TEST(ModEnvelope, LongestReleaseOrPedalHoldsOtherwiseItFallsToZero)
{
    const TimeTables t;
    for (const auto& [release, pedal, lowest, highest] :
         {std::tuple{1.0, false, 0.6f, 0.6f}, std::tuple{0.0, true, 0.6f, 0.6f},
          std::tuple{raw(1023), false, 0.01f, 0.3f}, std::tuple{0.0, false, 0.0f, 0.0f}}) {
        Voice voice(t, {0.0, 0.0, 0.6, release});
        voice.slot.modEnvLevel = 0.6f;
        voice.slot.modEnvStage = kSustain;
        voice.slot.released = 1;
        voice.pedalDown = pedal;
        voice.run(kMod, 10 * 44100);
        EXPECT_TRUE(voice.slot.modEnvLevel >= lowest && voice.slot.modEnvLevel <= highest)
            << release << ": " << voice.slot.modEnvLevel;
    }
}

TEST(SpecialStarts, ShortestAttacksStartOpenOnlyInTheFirstCall)
{
    const EnvelopeSettings instant{0.0, 0.5, 0.5, 0.5}, slow{raw(10), 0.5, 0.5, 0.5};
    for (const auto& [settings, used, age, opens] :
         {std::tuple{instant, true, 0u, true}, std::tuple{instant, false, 0u, false},
          std::tuple{slow, true, 0u, false}, std::tuple{instant, true, 64u, false}}) {
        VoiceSlot v{};
        v.age = age;
        applySpecialStarts(v, settings, settings, used, used);
        EXPECT_EQ(v.modEnvLevel + v.filterEnvLevel, opens ? 2.0f : 0.0f) << used << " at age " << age;
        EXPECT_EQ(v.modEnvStage == kDecay && v.filterEnvStage == kDecay, opens);
    }
}

TEST(Spike, AddsItsTransientForSpikeLengthFramesWhateverTheAttack)
{
    std::array<float, 100> soft{}, hard{};
    soft.fill(0.5f);
    hard.fill(1.6f);
    const SpikeTables tables{soft.data(), hard.data(), 100};
    const Spike spike(tables, false, 0.5f);
    const TimeTables t;
    EXPECT_GT(spike.gain(50), 100.0f * Voice(t, {1.0, 0.5, 0.5, 0.5}).run(kAmp, 100)[50]); // slow attack
    EXPECT_FLOAT_EQ(spike.gain(50), 0.25f);
    EXPECT_FLOAT_EQ(Spike(tables, true, 0.5f).gain(0), 0.8f);
    EXPECT_TRUE(spike.activeFrom(99));
    EXPECT_FALSE(spike.activeFrom(100));
    EXPECT_EQ(spike.gain(100) + spike.gain(UINT32_MAX), 0.0f);
    EXPECT_FALSE(Spike(tables, false, 0.0f).activeFrom(0));
}
