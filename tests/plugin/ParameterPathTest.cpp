#include "PluginTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

namespace {
class HostParameters : public ::testing::Test {
protected:
    void SetUp() override
    {
        host = loadVesk();
        ASSERT_TRUE(host);
        host->start(44100.0f, 512);
        host->dispatch(effSetProgram, 0, 0);
    }

    std::string display(VstInt32 index, float value)
    {
        host->setParameter(index, value);
        return parameterDisplay(*host, index);
    }

    std::unique_ptr<PluginHost> host;
};

struct AutomationLog {
    static std::vector<std::pair<VstInt32, float>>& entries()
    {
        static std::vector<std::pair<VstInt32, float>> log;
        return log;
    }
    static VstIntPtr VSTCALLBACK callback(AEffect*, VstInt32 opcode, VstInt32 index, VstIntPtr, void*, float opt)
    {
        if (opcode == audioMasterAutomate)
            entries().emplace_back(index, opt);
        return opcode == audioMasterVersion ? kVstVersion : 0;
    }
};
} // namespace

TEST_F(HostParameters, VoicesTextShowsTheEngineCount)
{
    EXPECT_EQ(display(77, 0.0f), "1 voice");
    EXPECT_EQ(display(77, 1.0f), "8 voices");
    // int(128 v) / 18 + 1: 17 still gives one voice, 18 gives two.
    EXPECT_EQ(display(77, 0.14f), "1 voice");
    EXPECT_EQ(display(77, 0.141f), "2 voices");
}

TEST_F(HostParameters, LfoRateTextFollowsTheSyncSwitch)
{
    host->setParameter(37, 0.0f);
    EXPECT_EQ(display(34, 0.0f), "0.1 Hz");
    host->setParameter(37, 1.0f);
    EXPECT_EQ(display(34, 0.5f), "1/2");
}

TEST_F(HostParameters, NonFiniteValuesAreIgnored)
{
    host->setParameter(28, 0.25f);
    for (float bad : {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                      -std::numeric_limits<float>::infinity()}) {
        host->setParameter(28, bad);
        EXPECT_EQ(host->getParameter(28), 0.25f);
    }
}

TEST_F(HostParameters, NamesAndEmptyLabels)
{
    char text[64];
    host->dispatch(effGetParamName, 0, 0, text);
    EXPECT_STREQ(text, "Osc 1 Shape");
    memset(text, 'x', sizeof(text));
    host->dispatch(effGetParamLabel, 28, 0, text);
    EXPECT_STREQ(text, "");
}

TEST_F(HostParameters, OutOfRangeIndicesAreHarmless)
{
    char text[64];
    for (VstInt32 index : {-1, -1000, 357, 100000, std::numeric_limits<VstInt32>::max()}) {
        host->setParameter(index, 0.5f);
        EXPECT_EQ(host->getParameter(index), 0.0f);
        memset(text, 0, sizeof(text));
        host->dispatch(effGetParamName, index, 0, text);
        host->dispatch(effGetParamDisplay, index, 0, text);
        EXPECT_LT(strlen(text), 32u);
    }
}

TEST(ProgramNames, HostBuffersNeverOverrun)
{
    auto host = loadVesk();
    ASSERT_TRUE(host);
    char longName[] = "A name of thirty-one characters";
    ASSERT_EQ(strlen(longName), 31u);
    host->dispatch(effSetProgramName, 0, 0, longName);
    char buffer[40];
    memset(buffer, 0x55, sizeof(buffer));
    host->dispatch(effGetProgramName, 0, 0, buffer);
    EXPECT_EQ(strlen(buffer), 23u);
    EXPECT_EQ(std::string(buffer), std::string(longName, 23));
    for (int i = 24; i < 40; ++i)
        EXPECT_EQ(buffer[i], 0x55);
    memset(buffer, 0x55, sizeof(buffer));
    EXPECT_EQ(host->dispatch(effGetProgramNameIndexed, 0, 0, buffer), 1);
    EXPECT_EQ(strlen(buffer), 23u);
    EXPECT_EQ(host->dispatch(effGetProgramNameIndexed, 384, 0, buffer), 0);
    EXPECT_EQ(host->dispatch(effGetProgramNameIndexed, -1, 0, buffer), 0);
}

TEST(Automation, EditorMovesAreReportedForHostParametersOnly)
{
    AutomationLog::entries().clear();
    VstSynth synth(AutomationLog::callback);
    synth.setSampleRate(44100.0f);
    synth.setParameterAutomated(28, 0.4f);
    synth.setParameterAutomated(110, 0.6f);
    synth.setParameterAutomated(111, 1.0f);
    synth.setParameterAutomated(200, 0.3f);
    ASSERT_EQ(AutomationLog::entries().size(), 2u);
    EXPECT_EQ(AutomationLog::entries()[0], std::make_pair(28, 0.4f));
    EXPECT_EQ(AutomationLog::entries()[1], std::make_pair(110, 0.6f));
    EXPECT_EQ(synth.getParameter(200), 0.3f);
}
