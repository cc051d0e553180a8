// Shared helpers for the plug-in tests: a host that has loaded Vesk.so, and a
// plug-in object built directly with a minimal host callback.
#pragma once

#include "PluginHost.h"
#include "VstSynth.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

std::unique_ptr<PluginHost> loadVesk(HostSettings settings = {});

// A host callback for direct construction: a VST host with no vendor string.
VstIntPtr VSTCALLBACK minimalHostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                          void* ptr, float opt);

// A plug-in object made the way the entry point makes it, then set up for
// 44.1 kHz with 512-frame blocks and the Init program selected.
std::unique_ptr<VstSynth> makeSynth(audioMasterCallback host = minimalHostCallback);

std::string parameterDisplay(PluginHost& host, VstInt32 index);

// Measurements on rendered audio, over samples [from, from + count).
double frequencyOf(const std::vector<float>& samples, double rate, size_t from, size_t count = SIZE_MAX);
float peakOf(const std::vector<float>& samples, size_t from = 0, size_t count = SIZE_MAX);
float rmsOf(const std::vector<float>& samples, size_t from, size_t count);
