// Plays a Score through a started plug-in block by block, the way a host's
// audio thread does: the tempo in force and the block's events first, then
// processReplacing; after the music, the release tail until it falls silent.
#pragma once

#include "PluginHost.h"
#include "Score.h"

#include <cstdint>
#include <functional>
#include <vector>

struct RenderResult {
    int64_t frames = 0;      // everything written, tail included
    int64_t musicFrames = 0; // up to the end of the score
    float peak = 0.0f;       // largest magnitude on any channel
    bool tailCut = false;    // the tail was still sounding at its limit
};

class Renderer {
public:
    // One pointer per output channel, `frames` long.
    using Sink = std::function<void(const float* const* channels, int frames)>;
    // Frames rendered so far, and the length of the music without the tail.
    using Progress = std::function<void(int64_t done, int64_t musicFrames)>;

    // The host must be started (rate and block size set, resumed).
    explicit Renderer(PluginHost& host);

    // Throws std::runtime_error if the plug-in refuses to process a block.
    RenderResult render(const Score& score, double maxTailSeconds, const Sink& sink, const Progress& progress);

private:
    struct TimedMessage {
        int64_t frame;
        MidiMessage message;
    };

    void playBlock(int frames, RenderResult& result, const Sink& sink);
    void advanceTransport(int frames);

    PluginHost& host;
    int channelCount;
    std::vector<std::vector<float>> buffers;
    std::vector<float*> pointers;
    std::vector<MidiMessage> blockEvents;
};
