#include "PluginTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {
std::unique_ptr<PluginHost> loadWithVendor(const std::string& vendor)
{
    HostSettings settings;
    settings.vendor = vendor;
    return loadVesk(settings);
}

std::string textAnswer(PluginHost& host, VstInt32 opcode)
{
    char text[256];
    memset(text, 0x7f, sizeof(text));
    host.dispatch(opcode, 0, 0, text);
    return text;
}
} // namespace

TEST(HostVendor, SteinbergHostsSeeOneBankOfPrograms)
{
    auto host = loadWithVendor("Steinberg");
    ASSERT_TRUE(host);
    EXPECT_EQ(host->effect()->numPrograms, 128);
    host->start(44100.0f, 512);
    host->dispatch(effSetProgram, 0, 127);
    EXPECT_EQ(host->dispatch(effGetProgram), 127);
    host->dispatch(effSetProgram, 0, 128);
    EXPECT_EQ(host->dispatch(effGetProgram), 127);
    char name[64] = {};
    EXPECT_EQ(host->dispatch(effGetProgramNameIndexed, 383, 0, name), 1);
}

TEST(HostVendor, OnlyTheExactVendorStringReducesThePrograms)
{
    for (const char* vendor : {"steinberg", "Steinberg Media", "STEINBERG", "", "Cockos"}) {
        auto host = loadWithVendor(vendor);
        ASSERT_TRUE(host);
        EXPECT_EQ(host->effect()->numPrograms, 384) << vendor;
        host->start(44100.0f, 512);
        host->dispatch(effSetProgram, 0, 383);
        EXPECT_EQ(host->dispatch(effGetProgram), 383) << vendor;
    }
}

TEST(HostVendor, HostWithoutVendorStringSeesAllPrograms)
{
    HostSettings settings;
    settings.answerVendor = false;
    auto host = loadVesk(settings);
    ASSERT_TRUE(host);
    EXPECT_EQ(host->effect()->numPrograms, 384);
}

TEST(HostVendor, WheelMessagesFromOtherHostsAreIgnored)
{
    auto host = loadWithVendor("Ableton");
    ASSERT_TRUE(host);
    host->open();
    EXPECT_EQ(host->dispatch(effVendorSpecific, vstFourCC('W', 'h', 'e', 'e'), 0x00200010, nullptr, 1.0f), 0);
}

TEST(SelfDescription, NamesVersionsAndCategory)
{
    auto host = loadVesk();
    ASSERT_TRUE(host);
    EXPECT_EQ(textAnswer(*host, effGetEffectName), "Vesk");
    EXPECT_EQ(textAnswer(*host, effGetProductString), "Vesk");
    EXPECT_EQ(textAnswer(*host, effGetVendorString), "Tovimar Sonic");
    EXPECT_EQ(host->dispatch(effGetVendorVersion), 1);
    EXPECT_EQ(host->dispatch(effGetPlugCategory), kPlugCategSynth);
    EXPECT_EQ(host->dispatch(effGetVstVersion), 2400);
    EXPECT_EQ(host->dispatch(effGetTailSize), 0);
    EXPECT_EQ(host->dispatch(effCanBeAutomated, 300), 1);
}

TEST(SelfDescription, CanDoAnswers)
{
    auto host = loadVesk();
    ASSERT_TRUE(host);
    auto canDo = [&](const char* text) { return host->dispatch(effCanDo, 0, 0, const_cast<char*>(text)); };
    EXPECT_EQ(canDo("receiveVstEvents"), 1);
    EXPECT_EQ(canDo("receiveVstMidiEvent"), 1);
    EXPECT_EQ(canDo("receiveVstTimeInfo"), 1);
    EXPECT_EQ(canDo("sendVstEvents"), -1);
    EXPECT_EQ(canDo("sendVstMidiEvent"), -1);
    EXPECT_EQ(canDo("offline"), -1);
}

TEST(SelfDescription, TwoStereoOutputPinsAndNoInputs)
{
    auto host = loadVesk();
    ASSERT_TRUE(host);
    VstPinProperties pin;
    EXPECT_EQ(host->dispatch(effGetOutputProperties, 0, 0, &pin), 1);
    EXPECT_STREQ(pin.label, "Vesk 1");
    EXPECT_EQ(pin.flags, kVstPinIsActive | kVstPinIsStereo);
    EXPECT_EQ(host->dispatch(effGetOutputProperties, 1, 0, &pin), 1);
    EXPECT_STREQ(pin.label, "Vesk 2");
    EXPECT_EQ(host->dispatch(effGetOutputProperties, 2, 0, &pin), 0);
    EXPECT_EQ(host->dispatch(effGetOutputProperties, -1, 0, &pin), 0);
    EXPECT_EQ(host->dispatch(effGetInputProperties, 0, 0, &pin), 0);
}

TEST(Lifecycle, ResumeAsksForMidi)
{
    auto host = loadVesk();
    ASSERT_TRUE(host);
    host->start(48000.0f, 256);
    EXPECT_TRUE(host->wantsMidi());
}

TEST(Lifecycle, UnknownAndDeprecatedOpcodesAnswerZero)
{
    auto host = loadVesk();
    ASSERT_TRUE(host);
    for (VstInt32 opcode : {9, 16, 17, 18, 20, 21, 28, 30, 31, 32, 36, 44, 46, 53, 54, 55, 56, 57, 62, 67, 68, 71,
                            72, 77, 78, 79, 80, 500, -1}) {
        char scratch[512] = {};
        EXPECT_EQ(host->dispatch(opcode, 0, 0, scratch), 0) << opcode;
    }
}

TEST(Lifecycle, ProcessesSilenceBeforeAnyNote)
{
    auto host = loadVesk();
    ASSERT_TRUE(host);
    host->start(44100.0f, 128);
    float left[128], right[128];
    for (int i = 0; i < 128; ++i)
        left[i] = right[i] = 1.0f;
    float* outputs[2] = {left, right};
    ASSERT_TRUE(host->process(outputs, 128));
    for (int i = 0; i < 128; ++i) {
        EXPECT_EQ(left[i], 0.0f);
        EXPECT_EQ(right[i], 0.0f);
    }
}
