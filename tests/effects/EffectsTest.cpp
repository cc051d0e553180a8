// Each effect on processed signals: mixes at zero, delay times, reverb tail
// and sleep, flanger polarity, the clipper's one-sidedness, a flat EQ.
#include "EffectsTestSupport.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

constexpr int32_t kBlock = 512;

// Runs `process` over consecutive blocks of `signal` in place.
void inBlocks(Stereo& signal, int32_t block, const std::function<void(int32_t, float**)>& process)
{
    for (int32_t start = 0; start < signal.frames(); start += block) {
        const int32_t n = std::min(block, signal.frames() - start);
        float* io[2] = {signal.left.data() + start, signal.right.data() + start};
        process(n, io);
    }
}

TEST(EffectMix, AmountZeroPassesTheInputUnchangedInEveryTypeAndMode)
{
    auto rig = std::make_unique<ChainRig>();
    std::vector<std::pair<std::string, std::function<void(int32_t, float**)>>> cases;
    for (int32_t mode = 0; mode < FxDelay::kModeCount; ++mode)
        cases.emplace_back("delay mode " + std::to_string(mode), [&rig, mode](int32_t n, float** io) {
            rig->delay.setParameter(FxDelay::kType, mode / 8.0f);
            rig->delay.setParameter(FxDelay::kFeedback, 1.0f);
            rig->delay.process(n, io, 120.0f, nullptr);
        });
    for (int32_t type = 0; type < FxReverb::kTypeCount; ++type)
        cases.emplace_back("reverb type " + std::to_string(type), [&rig, type](int32_t n, float** io) {
            rig->reverb.setParameter(FxReverb::kTypeParam, type / 4.0f);
            rig->reverb.process(n, io);
        });
    for (int32_t type = 0; type < FxVintagePhaser::kTypeCount; ++type)
        cases.emplace_back("phaser type " + std::to_string(type), [&rig, type](int32_t n, float** io) {
            rig->phaser.setParameter(FxVintagePhaser::kType, type / 6.0f);
            rig->phaser.setParameter(FxVintagePhaser::kFeedback, 1.0f);
            rig->phaser.setParameter(FxVintagePhaser::kAmount, 0.0f);
            rig->phaser.process(n, io);
        });
    for (int32_t type = 0; type < 9; ++type)
        cases.emplace_back("distortion type " + std::to_string(type), [&rig, type](int32_t n, float** io) {
            rig->distortion.distType = type;
            rig->distortion.distDrive = 1.0f;
            processDistortion(rig->distortion, 44100.0, n, io);
        });
    for (const auto& [name, process] : cases) {
        Stereo signal = noise(4 * kBlock, 7);
        const Stereo input = signal;
        inBlocks(signal, kBlock, process);
        EXPECT_EQ(signal.left, input.left) << name;
        EXPECT_EQ(signal.right, input.right) << name;
    }
}

TEST(Eq, EveryTypeAtZeroDecibelsIsTransparent)
{
    for (uint8_t type = 0; type < 3; ++type) {
        EqBand band;
        band.eqType = type;
        band.eqFreq = 1000.0f;
        band.eqQ = 3.0f;
        Stereo signal = noise(2048, 3);
        const Stereo input = signal;
        processEq(band, 48000.0, signal.frames(), signal.io());
        EXPECT_EQ(signal.left, input.left) << int(type);
        EXPECT_EQ(signal.right, input.right) << int(type);
    }
}

// An impulse into a fully wet, unfed, uncoloured delay comes back once, whole.
TEST(Delay, QuarterNoteEchoFollowsTheTempoFromTheNextBlock)
{
    const struct {
        float firstTempo, laterTempo;
        int32_t echo;
    } rows[] = {{120.0f, 120.0f, 22050}, {120.0f, 240.0f, 11025}, {0.0f, 0.0f, 22050}};
    for (const auto& row : rows) {
        auto delay = std::make_unique<FxDelay>();
        delay->setSampleRate(44100.0);
        delay->setParameter(FxDelay::kAmount, 1.0f);
        delay->setParameter(FxDelay::kColour, 0.5f); // the middle step
        delay->setParameter(FxDelay::kRateLeft, 0.35f); // "1/4"
        delay->setParameter(FxDelay::kRateRight, 0.35f);
        Stereo signal(30000);
        signal.left[0] = signal.right[0] = 1.0f;
        int32_t block = 0;
        inBlocks(signal, kBlock, [&](int32_t n, float** io) {
            delay->process(n, io, block++ == 0 ? row.firstTempo : row.laterTempo, nullptr);
        });
        for (const std::vector<float>* channel : {&signal.left, &signal.right}) {
            for (int32_t i = 0; i < signal.frames(); ++i)
                ASSERT_EQ((*channel)[i], i == row.echo ? 1.0f : 0.0f) << row.laterTempo << " at " << i;
        }
    }
}

TEST(Reverb, EveryTypeLeavesATailThenSleepsAfterItAndWakesOnInput)
{
    for (int32_t type = 0; type < FxReverb::kTypeCount; ++type) {
        auto reverb = std::make_unique<FxReverb>();
        reverb->setParameter(FxReverb::kTypeParam, type / 4.0f);
        reverb->setParameter(FxReverb::kDecay, 0.0f); // 0.5 s
        reverb->setParameter(FxReverb::kAmount, 1.0f);
        reverb->reset();
        const auto play = [&](int32_t frames, bool impulse) {
            Stereo signal(frames);
            signal.left[0] = signal.right[0] = impulse ? 1.0f : 0.0f;
            inBlocks(signal, kBlock, [&](int32_t n, float** io) { reverb->process(n, io); });
            return signal;
        };
        const Stereo tail = play(22050, true);
        EXPECT_GT(peak(std::vector<float>(tail.left.begin() + 4410, tail.left.end())), 1e-4f) << type;
        EXPECT_GT(peak(std::vector<float>(tail.right.begin() + 4410, tail.right.end())), 1e-4f) << type;
        play(22050, false); // the rest of the half-second tail
        const Stereo asleep = play(4 * kBlock, false);
        EXPECT_EQ(peak(asleep.left) + peak(asleep.right), 0.0f) << type;
        const Stereo woken = play(kBlock, true);
        EXPECT_GT(peak(std::vector<float>(woken.left.begin() + 1, woken.left.end())), 0.0f) << type;
    }
}

TEST(Reverb, LinesLieEndToEndInsideThePoolAtEveryAcceptedRate)
{
    auto reverb = std::make_unique<FxReverb>();
    for (double rate : {1000.0, 44100.0, 192000.0, 384000.0, 768000.0}) {
        reverb->setSampleRate(rate);
        int32_t end = 0;
        for (const auto& line : reverb->bank) {
            EXPECT_EQ(line.start, end) << rate;
            end = line.start + line.length;
        }
        for (const auto& line : reverb->fdn) {
            EXPECT_EQ(line.start, end) << rate;
            end = line.start + line.length;
        }
        EXPECT_LE(end, FxReverb::kPoolSize) << rate;
    }
}

// Values set at one rate and then carried to another equal those set at the new rate.
TEST(RateChange, DelayColourAndReverbPreDelayAndLocutFollowTheRate)
{
    auto delay = std::make_unique<FxDelay>(), freshDelay = std::make_unique<FxDelay>();
    auto reverb = std::make_unique<FxReverb>(), freshReverb = std::make_unique<FxReverb>();
    delay->setParameter(FxDelay::kColour, 0.3f);
    reverb->setParameter(FxReverb::kPreDelay, 0.5f); // 50 ms
    reverb->setParameter(FxReverb::kLocut, 0.7f);
    delay->setSampleRate(96000.0);
    reverb->setSampleRate(96000.0);
    freshDelay->setSampleRate(96000.0);
    freshDelay->setParameter(FxDelay::kColour, 0.3f);
    freshReverb->setSampleRate(96000.0);
    freshReverb->setParameter(FxReverb::kLocut, 0.7f);
    EXPECT_EQ(delay->a1, freshDelay->a1);
    EXPECT_EQ(delay->b0, freshDelay->b0);
    EXPECT_EQ(reverb->preDelay, 4800);
    EXPECT_EQ(reverb->locutA1, freshReverb->locutA1);
    EXPECT_EQ(reverb->locutB0, freshReverb->locutB0);
}

// With no feedback both flangers read the same delayed signal; only its sign differs.
TEST(Flanger, MinusInvertsTheDelayedPathAgainstPlus)
{
    Stereo wet[2] = {Stereo(0), Stereo(0)};
    for (int32_t minus = 0; minus < 2; ++minus) {
        auto phaser = std::make_unique<FxVintagePhaser>();
        phaser->setParameter(FxVintagePhaser::kType, (3.5f + minus) / 6.1f);
        phaser->setParameter(FxVintagePhaser::kFeedback, 0.0f);
        phaser->setParameter(FxVintagePhaser::kAmount, 0.8f);
        phaser->setParameter(FxVintagePhaser::kDepth, 0.5f);
        Stereo signal = noise(8192, 11);
        const Stereo input = signal;
        inBlocks(signal, kBlock, [&](int32_t n, float** io) { phaser->process(n, io); });
        for (int32_t i = 0; i < signal.frames(); ++i) {
            signal.left[i] -= input.left[i];
            signal.right[i] -= input.right[i];
        }
        wet[minus] = signal;
    }
    EXPECT_GT(peak(wet[0].left), 0.1f);
    for (int32_t i = 0; i < 8192; ++i) {
        ASSERT_NEAR(wet[1].left[i], -wet[0].left[i], 1e-6f) << i;
        ASSERT_NEAR(wet[1].right[i], -wet[0].right[i], 1e-6f) << i;
    }
}

// With the low-pass open and the amount at 1, crunch, toxic and valve give
// their curves alone: within 1e-6 (-120 dBFS) of the curves taken in double
// precision, over the whole input range, at every drive.
TEST(Distortion, ShapersFollowTheirCurvesClosely)
{
    const auto exact = [](int32_t type, double g, double x) {
        switch (type) {
        case 0: // 64^D over 16^D: the crunch's output scale is K/G
            return std::tanh(g * x) * std::pow(0.25, std::log(g) / std::log(64.0));
        case 2:
            return (x >= 0 ? 0.25 : -0.25) * (1.0 - (1.0 - std::fabs(x)) * std::pow(10.0, -g * std::fabs(x)));
        default: {
            const double z = g * x + 0.25;
            const double f = std::fabs(z) < 0.0001 ? 0.125 : z / (1.0 - std::exp(-8.0 * z));
            return (f - 0.25 / (1.0 - std::exp(-2.0))) / g;
        }
        }
    };
    for (const int32_t type : {0, 2, 4}) {
        for (const float drive : {0.0f, 0.5f, 1.0f}) {
            DistortionFields d;
            d.distType = type;
            d.distColour = 1.0f;
            d.distDrive = drive;
            d.distAmount = 1.0f;
            Stereo signal(kBlock);
            for (int32_t i = 0; i < kBlock; ++i)
                signal.left[i] = signal.right[i] = -1.5f + 3.0f * static_cast<float>(i) / kBlock;
            const Stereo input = signal;
            processDistortion(d, 44100.0, kBlock, signal.io());
            const double g = (type == 4 ? 0.5 : 1.0) * std::pow(64.0, drive);
            for (int32_t i = 0; i < kBlock; ++i)
                ASSERT_NEAR(signal.left[i], exact(type, g, input.left[i]), 1e-6) << type << " " << drive << " " << i;
        }
    }
}

// A 100 Hz sine at half scale, driven hard: the positive half-waves flatten
// at the clip level while the negative ones keep their full swing.
TEST(Distortion, LpClipClipsOnlyPositiveExcursions)
{
    DistortionFields d;
    d.distType = 8;
    d.distColour = 1.0f; // the low-pass is open
    d.distDrive = 1.0f;
    d.distAmount = 1.0f;
    Stereo signal(44100);
    for (int32_t i = 0; i < signal.frames(); ++i)
        signal.left[i] = signal.right[i] = 0.5f * static_cast<float>(std::sin(2.0 * M_PI * 100.0 * i / 44100.0));
    const Stereo input = signal;
    inBlocks(signal, kBlock, [&](int32_t n, float** io) { processDistortion(d, 44100.0, n, io); });
    float spread[2][2] = {{INFINITY, -INFINITY}, {INFINITY, -INFINITY}}; // [positive input?][min, max]
    for (int32_t i = 22050; i < signal.frames(); ++i) {
        if (std::fabs(input.left[i]) < 0.2f)
            continue;
        float* range = spread[input.left[i] > 0.0f];
        range[0] = std::min(range[0], signal.left[i]);
        range[1] = std::max(range[1], signal.left[i]);
    }
    EXPECT_LT(spread[1][1] - spread[1][0], 0.05f) << "positive half-waves flatten";
    EXPECT_GT(spread[0][1] - spread[0][0], 0.25f) << "negative half-waves stay linear";
}

} // namespace
