// The audio path as a host drives it: onsets, pitch at any rate, blocks of
// any shape, events at and beyond the block's edges, and hostile input.
#include "FactoryBank.h"
#include "PluginTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

TEST(AudioPath, NoteStartsAtItsExactFrameInsideTheBlock)
{
    auto host = startedVesk(44100.0f, 200);
    ASSERT_TRUE(host);
    host->setParameter(18, 0.0f); // shortest attack: sound from the first frame
    StereoBuffer out = play(*host, 1, 200, {MidiMessage::noteOn(130, 69, 100)});
    // The note's own first frame is formed at envelope level 0; the next one sounds.
    EXPECT_EQ(firstAbove(out.left), 131);
    EXPECT_EQ(firstAbove(out.right), 131);
}

// Note 69 is 440 Hz at any rate, and a rate change on a running instance
// keeps both the pitch and the frame a note starts at.
TEST(AudioPath, PitchAndOnsetHoldAtEveryRateAndAcrossARateChange)
{
    auto host = startedVesk(44100.0f, 512);
    ASSERT_TRUE(host);
    for (VstInt32 shape : {0, 5})
        host->setParameter(shape, 0.67f); // sines cross zero cleanly even at low rates
    host->setParameter(6, 0.5f);          // both oscillators on the note, no detune
    host->setParameter(7, 0.5f);
    host->setParameter(18, 0.0f);
    for (float rate : {44100.0f, 48000.0f, 96000.0f, 22050.0f}) {
        SCOPED_TRACE(rate);
        host->suspend();
        host->setSampleRate(rate);
        host->resume();
        const StereoBuffer held = play(*host, int(rate / 512) + 1, 512, {MidiMessage::noteOn(300, 69, 100)});
        EXPECT_EQ(firstAbove(held.left), 301);
        EXPECT_NEAR(frequencyOf(held.left, rate, size_t(rate / 4)), 440.0, 0.5);
        const StereoBuffer released = play(*host, 200, 512, {MidiMessage::noteOff(0, 69)});
        EXPECT_EQ(peakOf(released.left, released.left.size() - 512), 0.0);
    }
}

TEST(AudioPath, NoteOffBeyondTheBlockIsNotLost)
{
    auto host = startedVesk(44100.0f, 256);
    ASSERT_TRUE(host);
    host->setParameter(21, 0.0f); // shortest release
    play(*host, 4, 256, {MidiMessage::noteOn(0, 60, 100)});
    StereoBuffer out = play(*host, 40, 256, {MidiMessage::noteOff(5000, 60)});
    EXPECT_EQ(peakOf(out.left, out.left.size() - 256), 0.0);
}

TEST(AudioPath, OversizedAndEarlyBlocksAreRenderedInPieces)
{
    std::string error;
    auto host = PluginHost::load(VESK_MODULE_PATH, error);
    ASSERT_TRUE(host) << error;
    AEffect* effect = host->effect();
    // No sample rate, no block size, no resume: a careless host.
    effect->dispatcher(effect, effSetProgram, 0, 0, nullptr, 0);
    StereoBuffer out(20000, 1.0f);
    effect->processReplacing(effect, nullptr, out.channels(), 20000);
    EXPECT_EQ(peakOf(out.left), 0.0);
    EXPECT_EQ(peakOf(out.right), 0.0);
}

TEST(AudioPath, RandomParametersAndMidiNeverProduceNaN)
{
    auto host = startedVesk(48000.0f, 256);
    ASSERT_TRUE(host);
    std::mt19937 random(2024);
    std::uniform_real_distribution<float> unit(-0.5f, 1.5f);
    StereoBuffer out(256);
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
        ASSERT_TRUE(host->process(out.channels(), 256));
        ASSERT_TRUE(std::isfinite(peakOf(out.left) + peakOf(out.right))) << "block " << block;
    }
}

// The mod wheel is smoothed once per rendered piece, so its value after one
// block tells how the block was cut.
TEST(AudioPath, BlockIsCutAtNoteOffsetsIntoPiecesOfAtMost64Frames)
{
    auto piecesFor = [](MidiList midi) {
        auto synth = makeSynth();
        synth->setBlockSize(200);
        StereoBuffer out(200);
        synth->processEvents(midi.events());
        synth->processReplacing(nullptr, out.channels(), 200);
        // 1 - 0.9^pieces after a jump of the wheel from 0 to 1.
        return std::log(1.0 - synth->getEngine().ctl.modWheelSmoothed) / std::log(0.9);
    };
    // 64 + 64 + 64 + 8 without a note; 64 + 64 + 2, the note, 64 + 6 with one at 130.
    EXPECT_NEAR(piecesFor(MidiList().control(0, 1, 127)), 4.0, 1e-6);
    EXPECT_NEAR(piecesFor(MidiList().control(0, 1, 127).noteOn(130, 60)), 5.0, 1e-6);
}

// A panic that sends note-offs for every key on every channel overflows the
// block's queues; the held notes must still be released.
TEST(AudioPath, NoteOffFloodStillReleasesHeldNotes)
{
    auto host = startedVesk(44100.0f, 256);
    ASSERT_TRUE(host);
    host->setParameter(21, 0.0f); // shortest release
    play(*host, 4, 256, {MidiMessage::noteOn(0, 60, 100), MidiMessage::noteOn(0, 64, 100)});
    std::vector<MidiMessage> panic;
    for (uint8_t channel = 0; channel < 16; ++channel)
        for (int note = 0; note < 128; ++note)
            panic.push_back(MidiMessage::noteOff(0, static_cast<uint8_t>(note), 0, channel));
    StereoBuffer out = play(*host, 40, 256, panic);
    EXPECT_EQ(peakOf(out.left, out.left.size() - 256), 0.0);
}

TEST(AudioPath, HugeValuesAndBlockSizesStayFiniteAndCheap)
{
    auto host = startedVesk(44100.0f, 256);
    ASSERT_TRUE(host);
    // A finite but absurd volume, and a host announcing a two-billion-frame block.
    host->setParameter(74, 1e30f);
    host->dispatch(effSetBlockSize, 0, 0x7fffffff);
    AEffect* effect = host->effect();
    StereoBuffer out(4096);
    host->sendMidi({MidiMessage::noteOn(0, 60, 100)});
    effect->processReplacing(effect, nullptr, out.channels(), 4096);
    EXPECT_TRUE(std::isfinite(peakOf(out.left) + peakOf(out.right)));
    EXPECT_GT(peakOf(out.left), 0.0);
}


#if defined(__SSE__)
#include <xmmintrin.h>

namespace {
constexpr unsigned kFlushToZeroAndDenormalsAreZero = 0x8040;
unsigned floatControlDuringBlock = 0;

// The plug-in asks for the tempo in the middle of its block.
VstIntPtr VSTCALLBACK floatControlRecordingHost(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                                void* ptr, float opt)
{
    if (opcode == audioMasterGetTime)
        floatControlDuringBlock = _mm_getcsr();
    return quietHostCallback(effect, opcode, index, value, ptr, opt);
}
} // namespace

// Whatever the host leaves in the SSE control register, decaying tails render
// with denormals flushed, and the host gets its own setting back.
TEST(AudioPath, DenormalsAreFlushedDuringTheBlockAndTheHostsSettingComesBack)
{
    auto synth = makeSynth(floatControlRecordingHost);
    const unsigned hostSetting = _mm_getcsr() & ~kFlushToZeroAndDenormalsAreZero;
    _mm_setcsr(hostSetting);
    float left[64], right[64];
    float* outputs[] = {left, right};
    synth->processReplacing(nullptr, outputs, 64);
    const unsigned afterBlock = _mm_getcsr();
    EXPECT_EQ(floatControlDuringBlock & kFlushToZeroAndDenormalsAreZero, kFlushToZeroAndDenormalsAreZero);
    EXPECT_EQ(afterBlock, hostSetting);
}
#endif
