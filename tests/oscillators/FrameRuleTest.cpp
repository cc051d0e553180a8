// The frame loops read four frames at a time; what they write must still be,
// frame for frame, the integer rule: linear interpolation truncated toward
// zero, the pulse's shifted second read, the morph, and the fat stack's
// weighted sums, over ramped increments and slices of any length.
#include <gtest/gtest.h>

#include <random>

#include "Noise.h"
#include "OscillatorHarness.h"
#include "OscillatorReads.h"
#include "OscillatorTables.h"

namespace {

using namespace osctest;

int32_t lane(__m128i v, int i)
{
    alignas(16) int32_t lanes[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes), v);
    return lanes[i];
}

TEST(OscillatorFrameRule, FourReadsAtOnceMatchTheSingleReadOnEveryTable)
{
    std::mt19937 random(19);
    std::vector<const int16_t*> tables = {vesk::sineTable, vesk::sawTables[0], vesk::sawTables[155],
                                          vesk::subPulseTables[40]};
    for (int w = 0; w < vesk::kWaveCount; w += 7)
        tables.push_back(vesk::waveSet[w][w % vesk::kWaveBandCount]);
    for (const int16_t* table : tables) {
        for (int n = 0; n < 2000; ++n) {
            uint32_t p[4], q[4];
            for (int i = 0; i < 4; ++i) {
                p[i] = random();
                q[i] = random();
            }
            // The last lanes sit on the guard entry and on a whole index.
            p[3] = 0xFFFFFFFFu;
            q[2] = p[2] & ~((1u << kTableShift) - 1);
            const __m128i index = _mm_setr_epi32(int32_t(q[0]), int32_t(q[1]), int32_t(q[2]), int32_t(q[3]));
            const __m128i fraction = _mm_setr_epi32(int32_t(p[0]), int32_t(p[1]), int32_t(p[2]), int32_t(p[3]));
            const __m128i fine = readTable4<10>(table, index, fraction);
            const __m128i coarse = readTable4<8>(table, fraction, fraction);
            const int32_t mu = int32_t(random() % 1024);
            const __m128i morphed = crossfade4(fine, coarse, _mm_set1_epi32((1024 - mu) | mu << 16));
            for (int i = 0; i < 4; ++i) {
                const int32_t x = readTableShifted<10>(table, p[i], q[i] - p[i]);
                const int32_t y = readTable<8>(table, p[i]);
                ASSERT_EQ(lane(fine, i), x);
                ASSERT_EQ(lane(coarse, i), y);
                ASSERT_EQ(lane(morphed, i), (x * (1024 - mu) + y * mu) / 1024);
            }
        }
    }
}

// Oscillator 1 alone (mix 0): the voice buffer is its stacked sample * 2^-15.
std::vector<int32_t> heardSamples(OscillatorRig& rig, int32_t frames)
{
    std::vector<int32_t> samples;
    for (float v : rig.render(frames))
        samples.push_back(int32_t(std::lround(v * 32768.0f)));
    return samples;
}

// The rule, frame by frame, from the slice the stage prepares.
std::vector<int32_t> ruleSamples(const OscillatorSlice& s, uint32_t phase, const uint32_t* fatPhases)
{
    uint32_t copies[kFatCopies];
    std::copy(fatPhases, fatPhases + kFatCopies, copies);
    const int16_t* t = s.table[0];
    const auto copySum = [&](uint32_t offset) {
        int32_t sum = 0;
        for (uint32_t c : copies)
            sum += t[(c + offset) >> kTableShift];
        return sum;
    };
    std::vector<int32_t> out;
    for (int32_t k = 0; k < s.frames; ++k) {
        const bool pulse = s.shape[0] == kOscPulse;
        int32_t m = readTable<10>(t, phase);
        if (pulse)
            m -= readTableShifted<10>(t, phase, s.pulseOffset);
        if (s.fat[0]) {
            const int32_t a = s.fatWeightMain[0], b = s.fatWeightCopies[0];
            if (pulse)
                m = (m * a - copySum(s.pulseOffset) * b) / 1024;
            m = (m * a + copySum(0) * b) / 1024;
        }
        out.push_back(m);
        phase += rampIncrement(s.increment[0].value + s.increment[0].step * float(k + 1));
        for (int c = 0; c < kFatCopies; ++c)
            copies[c] += s.fatIncrements[0][c];
    }
    return out;
}

TEST(OscillatorFrameRule, SawsPulsesAndFatStacksFollowTheRuleFrameForFrame)
{
    for (int32_t shape : {kOscSaw, kOscPulse}) {
        for (int32_t fat : {0, 1, 77, 128}) {
            SCOPED_TRACE(testing::Message() << "shape " << shape << " fat " << fat);
            OscillatorRig rig(kRate, 40);
            rig.params.shape[0] = shape;
            rig.params.fatAmount[0] = fat;
            rig.params.fatFactor[0] = 1.008f;
            rig.pulseWidth = 0.3f;
            rig.slot.osc1Phase = 0x89ABCDEFu;
            for (int c = 0; c < kFatCopies; ++c)
                rig.slot.fatPhases1[c] = 0x1234567u * uint32_t(c + 1);
            // A slice of every length from 1 to 64, stepping up from note 40 to
            // 104 every other slice: ramped increments, then held ones.
            for (int32_t frames = 1; frames <= kMaxSliceFrames; ++frames) {
                rig.slot.pitch = float((40 + frames / 2 * 2) * 128);
                VoiceSlot before = rig.slot;
                const OscillatorSlice s =
                    prepareOscillators(rig.params, rig.inputs(), rig.rates(), before, frames, false);
                const auto expected = ruleSamples(s, rig.slot.osc1Phase, rig.slot.fatPhases1);
                ASSERT_EQ(heardSamples(rig, frames), expected) << frames << " frames";
            }
        }
    }
}

// The noise runs its high-pass four frames a pass; it must stay the one-pole
// recursion on the LCG's upper halves, whatever the slice length.
TEST(OscillatorFrameRule, ColouredNoiseIsTheHighPassedGeneratorOverAnySlice)
{
    for (double corner : {5.0, 1000.0, 20000.0}) {
        const OnePoleCoefs hp = onePoleHighpassCoefs(corner, kRate);
        const float level = 0.4f / 32768.0f;
        uint32_t generator = 777, ruleGenerator = 777;
        float prev = 0.0f, state = 0.0f, rulePrev = 0.0f, ruleState = 0.0f;
        double worst = 0.0, peak = 0.0;
        for (int32_t frames = 1; frames <= kMaxSliceFrames; ++frames) {
            std::vector<float> out(size_t(frames), 0.25f);
            addColouredNoise(generator, level, hp, prev, state, out.data(), frames);
            for (int32_t k = 0; k < frames; ++k) {
                const float x = float(int16_t(ruleGenerator >> 16)) * level;
                ruleGenerator = ruleGenerator * 214013u + 2531011u;
                ruleState = (x - rulePrev) * hp.b - ruleState * hp.a;
                rulePrev = x;
                worst = std::max(worst, std::fabs(double(out[size_t(k)]) - 0.25 - ruleState));
                peak = std::max(peak, std::fabs(double(ruleState)));
            }
            ASSERT_EQ(generator, ruleGenerator);
        }
        EXPECT_GT(peak, 0.01) << corner;
        EXPECT_LT(worst, 1e-6) << corner; // rounding only: 0.25 + y is kept to about 3e-8
    }
}

} // namespace
