#include "PluginTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>

std::unique_ptr<PluginHost> loadVesk(HostSettings settings)
{
    std::string error;
    auto host = PluginHost::load(VESK_MODULE_PATH, error, settings);
    EXPECT_TRUE(host) << error;
    return host;
}

VstIntPtr VSTCALLBACK minimalHostCallback(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float)
{
    return opcode == audioMasterVersion ? kVstVersion : 0;
}

std::unique_ptr<VstSynth> makeSynth()
{
    auto synth = std::make_unique<VstSynth>(minimalHostCallback);
    synth->setSampleRate(44100.0f);
    synth->setBlockSize(512);
    synth->setProgram(0);
    return synth;
}

std::string parameterDisplay(PluginHost& host, VstInt32 index)
{
    char text[64];
    memset(text, 0, sizeof(text));
    host.dispatch(effGetParamDisplay, index, 0, text);
    return text;
}
