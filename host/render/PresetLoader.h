// Restores a plug-in's state before playing: a raw state chunk, or a VST
// preset file (.fxp program or .fxb bank, opaque-chunk or parameter-list).
#pragma once

#include "PluginHost.h"

#include <string>

class PresetLoader {
public:
    // Each throws std::runtime_error naming the file and the problem: it
    // cannot be read, is not a preset file, belongs to another plug-in, or
    // the plug-in refused it.
    static void loadChunk(PluginHost& host, const std::string& path);
    static void loadPresetFile(PluginHost& host, const std::string& path);
};
