#include "FactoryBank.h"
#include "PluginTestSupport.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <random>
#include <vector>

namespace {

struct Stereo {
    std::vector<float> left, right;
};

// Renders `blocks` blocks of `frames` through the host, sending `events` with
// the first block.
Stereo renderBlocks(PluginHost& host, int blocks, int frames, const std::vector<MidiMessage>& events = {})
{
    Stereo out;
    std::vector<float> left(frames), right(frames);
    float* outputs[2] = {left.data(), right.data()};
    for (int b = 0; b < blocks; ++b) {
        host.sendMidi(b == 0 ? events : std::vector<MidiMessage>{});
        EXPECT_TRUE(host.process(outputs, frames));
        out.left.insert(out.left.end(), left.begin(), left.end());
        out.right.insert(out.right.end(), right.begin(), right.end());
    }
    return out;
}

int firstNonZero(const std::vector<float>& samples)
{
    for (size_t i = 0; i < samples.size(); ++i)
        if (samples[i] != 0.0f)
            return static_cast<int>(i);
    return -1;
}

std::unique_ptr<PluginHost> startedVesk(float rate, int block)
{
    auto host = loadVesk();
    if (host) {
        host->start(rate, block);
        host->dispatch(effSetProgram, 0, kInitProgram);
    }
    return host;
}

} // namespace

TEST(AudioPath, NoteStartsAtItsExactFrameInsideTheBlock)
{
    auto host = startedVesk(44100.0f, 200);
    ASSERT_TRUE(host);
    host->setParameter(18, 0.0f); // shortest attack: sound from the first frame
    Stereo out = renderBlocks(*host, 1, 200, {MidiMessage::noteOn(130, 69, 100)});
    // The note's own first frame is formed at envelope level 0; the next one sounds.
    EXPECT_EQ(firstNonZero(out.left), 131);
}

TEST(AudioPath, NotePlaysItsPitchAndEndsAfterRelease)
{
    auto host = startedVesk(44100.0f, 512);
    ASSERT_TRUE(host);
    host->setParameter(6, 0.5f); // both oscillators on the note, no detune
    host->setParameter(7, 0.5f);
    Stereo held = renderBlocks(*host, 40, 512, {MidiMessage::noteOn(0, 69, 100)});
    EXPECT_GT(peakOf(held.left), 0.05f);
    EXPECT_NEAR(frequencyOf(held.left, 44100.0, 4096), 440.0, 0.5);
    Stereo released = renderBlocks(*host, 200, 512, {MidiMessage::noteOff(0, 69)});
    EXPECT_EQ(peakOf(released.left, released.left.size() - 512), 0.0f);
}

TEST(AudioPath, InstancesAtDifferentRatesPlayTheSamePitch)
{
    auto low = startedVesk(44100.0f, 512);
    auto high = startedVesk(96000.0f, 512);
    ASSERT_TRUE(low && high);
    for (PluginHost* host : {low.get(), high.get()}) {
        host->setParameter(6, 0.5f);
        host->setParameter(7, 0.5f);
    }
    Stereo a = renderBlocks(*low, 30, 512, {MidiMessage::noteOn(0, 57, 100)});
    Stereo b = renderBlocks(*high, 60, 512, {MidiMessage::noteOn(0, 57, 100)});
    EXPECT_NEAR(frequencyOf(a.left, 44100.0, 2048), 220.0, 0.3);
    EXPECT_NEAR(frequencyOf(b.left, 96000.0, 4096), 220.0, 0.3);
}

TEST(AudioPath, NoteOffBeyondTheBlockIsNotLost)
{
    auto host = startedVesk(44100.0f, 256);
    ASSERT_TRUE(host);
    host->setParameter(21, 0.0f); // shortest release
    renderBlocks(*host, 4, 256, {MidiMessage::noteOn(0, 60, 100)});
    Stereo out = renderBlocks(*host, 40, 256, {MidiMessage::noteOff(5000, 60)});
    EXPECT_EQ(peakOf(out.left, out.left.size() - 256), 0.0f);
}

TEST(AudioPath, OversizedAndEarlyBlocksAreRenderedInPieces)
{
    std::string error;
    auto host = PluginHost::load(VESK_MODULE_PATH, error);
    ASSERT_TRUE(host) << error;
    AEffect* effect = host->effect();
    // No sample rate, no block size, no resume: a careless host.
    effect->dispatcher(effect, effSetProgram, 0, kInitProgram, nullptr, 0);
    std::vector<float> left(20000, 1.0f), right(20000, 1.0f);
    float* outputs[2] = {left.data(), right.data()};
    effect->processReplacing(effect, nullptr, outputs, 20000);
    for (float v : left)
        ASSERT_TRUE(std::isfinite(v));
    EXPECT_EQ(peakOf(left), 0.0f);
}

TEST(AudioPath, RandomParametersAndMidiNeverProduceNaN)
{
    auto host = startedVesk(48000.0f, 256);
    ASSERT_TRUE(host);
    std::mt19937 random(2024);
    std::uniform_real_distribution<float> unit(-0.5f, 1.5f);
    std::vector<float> left(256), right(256);
    float* outputs[2] = {left.data(), right.data()};
    for (int block = 0; block < 400; ++block) {
        for (int p = 0; p < 4; ++p)
            host->setParameter(static_cast<VstInt32>(random() % 111), unit(random));
        std::vector<MidiMessage> events;
        for (int e = 0; e < 3; ++e) {
            auto note = static_cast<uint8_t>(random() % 128);
            auto delta = static_cast<VstInt32>(random() % 256);
            switch (random() % 4) {
            case 0: events.push_back(MidiMessage::noteOn(delta, note, 1 + random() % 127)); break;
            case 1: events.push_back(MidiMessage::noteOff(delta, note)); break;
            case 2: events.push_back(MidiMessage::controlChange(delta, random() % 128, random() % 128)); break;
            default: events.push_back(MidiMessage::pitchBend(delta, random() % 16384)); break;
            }
        }
        host->sendMidi(events);
        ASSERT_TRUE(host->process(outputs, 256));
        for (int i = 0; i < 256; ++i)
            ASSERT_TRUE(std::isfinite(left[i]) && std::isfinite(right[i])) << "block " << block;
    }
}

TEST(AudioPath, TempoFromTheHostIsAskedForEveryBlock)
{
    auto host = startedVesk(44100.0f, 128);
    ASSERT_TRUE(host);
    host->clearRecordings();
    renderBlocks(*host, 3, 128);
    EXPECT_EQ(host->callbackCount(audioMasterGetTime), 3);
    EXPECT_TRUE(host->lastTimeRequest() & kVstTempoValid);
}

// The mod wheel is smoothed once per rendered piece, so its value after one
// block tells how the block was cut.
TEST(AudioPath, BlockIsCutAtNoteOffsetsIntoPiecesOfAtMost64Frames)
{
    auto piecesFor = [](std::vector<std::array<uint8_t, 3>> messages, std::vector<VstInt32> deltas) {
        auto synth = makeSynth();
        synth->setBlockSize(200);
        std::vector<VstMidiEvent> midi(messages.size());
        std::vector<char> storage(sizeof(VstEvents) + messages.size() * sizeof(VstEvent*));
        auto* list = reinterpret_cast<VstEvents*>(storage.data());
        list->numEvents = static_cast<VstInt32>(messages.size());
        for (size_t i = 0; i < messages.size(); ++i) {
            midi[i].type = kVstMidiType;
            midi[i].deltaFrames = deltas[i];
            for (int b = 0; b < 3; ++b)
                midi[i].midiData[b] = static_cast<char>(messages[i][b]);
            list->events[i] = reinterpret_cast<VstEvent*>(&midi[i]);
        }
        std::vector<float> left(200), right(200);
        float* outputs[2] = {left.data(), right.data()};
        synth->processEvents(list);
        synth->processReplacing(nullptr, outputs, 200);
        // 1 - 0.9^pieces after a jump of the wheel from 0 to 1.
        return std::log(1.0 - synth->getEngine().ctl.modWheelSmoothed) / std::log(0.9);
    };
    // 64 + 64 + 64 + 8 without a note; 64 + 64 + 2, the note, 64 + 6 with one at 130.
    EXPECT_NEAR(piecesFor({{0xb0, 1, 127}}, {0}), 4.0, 1e-6);
    EXPECT_NEAR(piecesFor({{0xb0, 1, 127}, {0x90, 60, 100}}, {0, 130}), 5.0, 1e-6);
}

// A panic that sends note-offs for every key on every channel overflows the
// block's queues; the held notes must still be released.
TEST(AudioPath, NoteOffFloodStillReleasesHeldNotes)
{
    auto host = startedVesk(44100.0f, 256);
    ASSERT_TRUE(host);
    host->setParameter(21, 0.0f); // shortest release
    renderBlocks(*host, 4, 256, {MidiMessage::noteOn(0, 60, 100), MidiMessage::noteOn(0, 64, 100)});
    std::vector<MidiMessage> panic;
    for (uint8_t channel = 0; channel < 16; ++channel)
        for (int note = 0; note < 128; ++note)
            panic.push_back(MidiMessage::noteOff(0, static_cast<uint8_t>(note), 0, channel));
    Stereo out = renderBlocks(*host, 40, 256, panic);
    EXPECT_EQ(peakOf(out.left, out.left.size() - 256), 0.0f);
}

TEST(AudioPath, HugeValuesAndBlockSizesStayFiniteAndCheap)
{
    auto host = startedVesk(44100.0f, 256);
    ASSERT_TRUE(host);
    // A finite but absurd volume, and a host announcing a two-billion-frame block.
    host->setParameter(74, 1e30f);
    host->dispatch(effSetBlockSize, 0, 0x7fffffff);
    AEffect* effect = host->effect();
    std::vector<float> left(4096), right(4096);
    float* outputs[2] = {left.data(), right.data()};
    host->sendMidi({MidiMessage::noteOn(0, 60, 100)});
    effect->processReplacing(effect, nullptr, outputs, 4096);
    for (int i = 0; i < 4096; ++i)
        ASSERT_TRUE(std::isfinite(left[i]) && std::isfinite(right[i])) << i;
    EXPECT_GT(peakOf(left), 0.0f);
}

// Settings inside their ranges that once drove a resonant filter to infinity:
// audio-rate filter FM at full resonance, and a low sample rate with the
// cutoff near the top of its range.
TEST(AudioPath, ResonantFilterFmAndLowRatesStayFinite)
{
    struct Case {
        float rate;
        uint8_t note;
        std::vector<std::pair<VstInt32, float>> settings;
    };
    const Case cases[] = {
        {44100.0f, 109, {{126, 0.0f}, {111, 2.0f}, {17, 0.8f}, {29, 1.0f}, {28, 0.8f}, {30, 0.0f}, {26, 0.0f}}},
        {44100.0f, 100, {{126, 6.0f}, {111, 2.0f}, {17, 1.0f}, {29, 1.0f}, {28, 0.7f}}},
        {4000.0f, 60, {{126, 0.0f}, {29, 0.0f}, {28, 0.95f}}},
    };
    for (const Case& c : cases) {
        auto host = startedVesk(c.rate, 256);
        ASSERT_TRUE(host);
        for (auto [index, value] : c.settings)
            host->setParameter(index, value);
        Stereo out = renderBlocks(*host, 100, 256, {MidiMessage::noteOn(0, c.note, 100)});
        for (float v : out.left)
            ASSERT_TRUE(std::isfinite(v) && std::fabs(v) < 100.0f) << c.rate << " Hz, note " << int(c.note);
    }
}
