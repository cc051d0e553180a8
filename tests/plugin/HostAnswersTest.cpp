// What Vesk answers a host, by opcode, and how the host's vendor changes it.
#include "PluginTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(HostVendor, OnlyTheExactSteinbergVendorStringReducesTheProgramsToOneBank)
{
    const struct {
        const char* vendor; // nullptr: the host answers no vendor
        VstInt32 programs;
    } cases[] = {{"Steinberg", 128}, {"steinberg", 384}, {"Steinberg Media", 384}, {"", 384}, {"Cockos", 384},
                 {nullptr, 384}};
    for (const auto& c : cases) {
        HostSettings settings;
        settings.answerVendor = c.vendor != nullptr;
        settings.vendor = c.vendor ? c.vendor : "";
        auto host = loadVesk(settings);
        ASSERT_TRUE(host);
        SCOPED_TRACE(settings.vendor);
        EXPECT_EQ(host->effect()->numPrograms, c.programs);
        host->start(44100.0f, 512);
        host->dispatch(effSetProgram, 0, c.programs - 1);
        EXPECT_EQ(host->dispatch(effGetProgram), c.programs - 1);
        host->dispatch(effSetProgram, 0, c.programs);
        EXPECT_EQ(host->dispatch(effGetProgram), c.programs - 1);
        // Names stay readable for the whole bank.
        char name[64] = {};
        EXPECT_EQ(host->dispatch(effGetProgramNameIndexed, 383, 0, name), 1);
    }
    HostSettings other;
    other.vendor = "Ableton";
    auto host = loadVesk(other);
    ASSERT_TRUE(host);
    host->open();
    EXPECT_EQ(host->dispatch(effVendorSpecific, vstFourCC('W', 'h', 'e', 'e'), 0x00200010, nullptr, 1.0f), 0);
}

TEST(HostAnswers, EachOpcodeAnswersWhatVeskIs)
{
    auto host = loadVesk();
    ASSERT_TRUE(host);
    const struct {
        VstInt32 opcode, index;
        const char* text; // passed in (can-do) or expected back (names); nullptr: neither
        VstIntPtr answer;
    } cases[] = {
        {effGetEffectName, 0, "Vesk", 1},
        {effGetProductString, 0, "Vesk", 1},
        {effGetVendorString, 0, "Tovimar Sonic", 1},
        {effGetVendorVersion, 0, nullptr, 1},
        {effGetPlugCategory, 0, nullptr, kPlugCategSynth},
        {effGetVstVersion, 0, nullptr, 2400},
        {effGetTailSize, 0, nullptr, 0},
        {effCanBeAutomated, 300, nullptr, 1},
        {effCanDo, 0, "receiveVstEvents", 1},
        {effCanDo, 0, "receiveVstMidiEvent", 1},
        {effCanDo, 0, "receiveVstTimeInfo", 1},
        {effCanDo, 0, "sendVstEvents", -1},
        {effCanDo, 0, "sendVstMidiEvent", -1},
        {effCanDo, 0, "offline", -1},
        {effIdentify, 0, nullptr, vstFourCC('N', 'v', 'E', 'f')},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "opcode " << c.opcode << " " << (c.text ? c.text : ""));
        char text[256];
        memset(text, 0, sizeof text);
        if (c.opcode == effCanDo) {
            strcpy(text, c.text);
            EXPECT_EQ(host->dispatch(c.opcode, c.index, 0, text), c.answer);
        } else if (c.text) {
            EXPECT_EQ(host->dispatch(c.opcode, c.index, 0, text), c.answer);
            EXPECT_STREQ(text, c.text);
        } else {
            EXPECT_EQ(host->dispatch(c.opcode, c.index, 0, text), c.answer);
        }
    }
    for (VstInt32 opcode : {9, 16, 17, 18, 20, 21, 28, 30, 31, 32, 36, 44, 46, 53, 54, 55, 56, 57, 62, 67, 68, 71,
                            72, 77, 78, 79, 80, 500, -1}) {
        char scratch[512] = {};
        EXPECT_EQ(host->dispatch(opcode, 0, 0, scratch), 0) << "unknown or deprecated opcode " << opcode;
    }
}

TEST(HostAnswers, ResumeAsksForMidiAndSilenceComesOutBeforeAnyNote)
{
    auto host = loadVesk();
    ASSERT_TRUE(host);
    host->start(44100.0f, 128);
    EXPECT_TRUE(host->wantsMidi());
    StereoBuffer out(128, 1.0f);
    ASSERT_TRUE(host->process(out.channels(), 128));
    EXPECT_EQ(peakOf(out.left) + peakOf(out.right), 0.0);
}
