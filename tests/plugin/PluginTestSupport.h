// The plug-in suites' host side: Vesk.so loaded through its entry point, a
// player that runs blocks with MIDI, and a plug-in object built directly.
#pragma once

#include "HostKit.h"
#include "Measure.h"
#include "PluginHost.h"
#include "VstSynth.h"

#include <memory>
#include <string>
#include <vector>

std::unique_ptr<PluginHost> loadVesk(HostSettings settings = {});
// Loaded, started at this rate and block size, with the Init program selected.
std::unique_ptr<PluginHost> startedVesk(float rate = 44100.0f, VstInt32 block = 256);

// Renders `blocks` blocks of `frames`, handing `events` over with the first.
StereoBuffer play(PluginHost& host, int blocks, VstInt32 frames, const std::vector<MidiMessage>& events = {});

// A plug-in object made the way the entry point makes it, then set up for
// 44.1 kHz with 512-frame blocks and the Init program selected.
std::unique_ptr<VstSynth> makeSynth(audioMasterCallback host = quietHostCallback);

std::string parameterDisplay(PluginHost& host, VstInt32 index);
