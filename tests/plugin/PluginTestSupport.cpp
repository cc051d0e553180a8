#include "PluginTestSupport.h"

#include "FactoryBank.h"

#include <gtest/gtest.h>

#include <cstring>

std::unique_ptr<PluginHost> loadVesk(HostSettings settings)
{
    std::string error;
    auto host = PluginHost::load(VESK_MODULE_PATH, error, settings);
    EXPECT_TRUE(host) << error;
    return host;
}

std::unique_ptr<PluginHost> startedVesk(float rate, VstInt32 block)
{
    auto host = loadVesk();
    if (host) {
        host->start(rate, block);
        host->dispatch(effSetProgram, 0, kInitProgram);
    }
    return host;
}

StereoBuffer play(PluginHost& host, int blocks, VstInt32 frames, const std::vector<MidiMessage>& events)
{
    StereoBuffer out(0), block(static_cast<size_t>(frames));
    for (int b = 0; b < blocks; ++b) {
        host.sendMidi(b == 0 ? events : std::vector<MidiMessage>{});
        EXPECT_TRUE(host.process(block.channels(), frames));
        out.append(block);
    }
    return out;
}

std::unique_ptr<VstSynth> makeSynth(audioMasterCallback host)
{
    auto synth = std::make_unique<VstSynth>(host);
    synth->setSampleRate(44100.0f);
    synth->setBlockSize(512);
    synth->setProgram(kInitProgram);
    return synth;
}

std::string parameterDisplay(PluginHost& host, VstInt32 index)
{
    char text[64];
    memset(text, 0, sizeof(text));
    host.dispatch(effGetParamDisplay, index, 0, text);
    return text;
}
