#include "PluginTestSupport.h"

#include "FactoryBank.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
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

// Rising zero crossings, interpolated between samples.
double frequencyOf(const std::vector<float>& samples, double rate, size_t from, size_t count)
{
    const size_t end = count == SIZE_MAX ? samples.size() : std::min(samples.size(), from + count);
    double first = -1, last = -1;
    int crossings = 0;
    for (size_t i = from + 1; i < end; ++i) {
        if (samples[i - 1] < 0.0f && samples[i] >= 0.0f) {
            const double at = (i - 1) + samples[i - 1] / (samples[i - 1] - samples[i]);
            if (first < 0)
                first = at;
            last = at;
            ++crossings;
        }
    }
    return crossings > 1 ? (crossings - 1) * rate / (last - first) : 0.0;
}

float peakOf(const std::vector<float>& samples, size_t from, size_t count)
{
    const size_t end = count == SIZE_MAX ? samples.size() : std::min(samples.size(), from + count);
    float peak = 0.0f;
    for (size_t i = from; i < end; ++i)
        peak = std::max(peak, std::fabs(samples[i]));
    return peak;
}

float rmsOf(const std::vector<float>& samples, size_t from, size_t count)
{
    double sum = 0;
    for (size_t i = from; i < from + count; ++i)
        sum += samples[i] * samples[i];
    return static_cast<float>(std::sqrt(sum / static_cast<double>(count)));
}
