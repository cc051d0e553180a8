#include "Renderer.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace {

// The plug-in keeps the note events of one call in a small ring and
// overwrites the oldest when it overflows, so a denser moment is spread over
// several calls, one frame apart at worst.
constexpr size_t kMaxEventsPerCall = 128;
// Below this on every channel (-100 dBFS) the tail counts as silent once it
// stays there for kSilentSeconds; a release crossing zero never does.
constexpr float kSilenceLevel = 1e-5f;
constexpr double kSilentSeconds = 0.05;
constexpr double kSecondsPerMinute = 60.0;

int64_t toFrame(double seconds, double rate) { return std::max<int64_t>(0, std::llround(seconds * rate)); }

} // namespace

Renderer::Renderer(PluginHost& pluginHost)
    : host(pluginHost), channelCount(std::max(pluginHost.effect()->numOutputs, 0))
{
    if (channelCount == 0)
        throw std::runtime_error("the plug-in has no audio outputs");
    buffers.assign(static_cast<size_t>(channelCount), std::vector<float>(static_cast<size_t>(host.blockSize())));
    for (std::vector<float>& buffer : buffers)
        pointers.push_back(buffer.data());
    VstTimeInfo& time = host.timeInfo();
    time.ppqPos = 0.0;
    time.flags |= kVstPpqPosValid | kVstTransportPlaying;
}

RenderResult Renderer::render(const Score& score, double maxTailSeconds, const Sink& sink, const Progress& progress)
{
    const double rate = host.sampleRate();
    std::vector<TimedMessage> messages;
    for (const ScoreEvent& event : score.events)
        messages.push_back({toFrame(event.seconds, rate), {0, event.status, event.data1, event.data2}});
    RenderResult result;
    result.musicFrames = toFrame(score.lengthSeconds, rate);
    if (!messages.empty())
        result.musicFrames = std::max(result.musicFrames, messages.back().frame + 1);

    size_t nextMessage = 0;
    size_t nextTempo = 0;
    int64_t position = 0;
    while (position < result.musicFrames) {
        int64_t end = std::min<int64_t>(position + host.blockSize(), result.musicFrames);
        while (nextTempo < score.tempos.size() && toFrame(score.tempos[nextTempo].seconds, rate) <= position)
            host.setTempo(score.tempos[nextTempo++].bpm);
        // A tempo change inside the block starts a block of its own, so the
        // plug-in always hears the tempo of the frames it renders.
        if (nextTempo < score.tempos.size())
            end = std::min(end, toFrame(score.tempos[nextTempo].seconds, rate));

        blockEvents.clear();
        while (nextMessage < messages.size() && messages[nextMessage].frame < end) {
            if (blockEvents.size() == kMaxEventsPerCall) {
                end = std::max(position + 1, messages[nextMessage].frame);
                break;
            }
            const TimedMessage& timed = messages[nextMessage++];
            blockEvents.push_back(timed.message);
            blockEvents.back().deltaFrames = static_cast<VstInt32>(std::max<int64_t>(0, timed.frame - position));
        }
        if (!blockEvents.empty())
            host.sendMidi(blockEvents);
        playBlock(static_cast<int>(end - position), result, sink);
        position = end;
        if (progress)
            progress(position, result.musicFrames);
    }

    const auto longestTail = toFrame(maxTailSeconds, rate);
    const auto silentRunNeeded = std::max<int64_t>(1, toFrame(kSilentSeconds, rate));
    int64_t tail = 0;
    int64_t silentRun = 0;
    while (tail < longestTail && silentRun < silentRunNeeded) {
        const int frames = static_cast<int>(std::min<int64_t>(host.blockSize(), longestTail - tail));
        playBlock(frames, result, sink);
        for (int i = 0; i < frames; ++i) {
            bool silent = true;
            for (int c = 0; c < channelCount; ++c)
                silent = silent && std::fabs(pointers[static_cast<size_t>(c)][i]) < kSilenceLevel;
            silentRun = silent ? silentRun + 1 : 0;
        }
        tail += frames;
    }
    result.tailCut = longestTail > 0 && silentRun < silentRunNeeded;
    return result;
}

void Renderer::playBlock(int frames, RenderResult& result, const Sink& sink)
{
    if (!host.process(pointers.data(), frames))
        throw std::runtime_error("the plug-in refused to process a block of " + std::to_string(frames) + " frames");
    advanceTransport(frames);
    for (int c = 0; c < channelCount; ++c)
        for (int i = 0; i < frames; ++i)
            result.peak = std::max(result.peak, std::fabs(pointers[static_cast<size_t>(c)][i]));
    sink(pointers.data(), frames);
    result.frames += frames;
}

void Renderer::advanceTransport(int frames)
{
    // The host library moves the sample position; the musical position
    // follows from the tempo these frames were played at.
    VstTimeInfo& time = host.timeInfo();
    time.ppqPos += frames / static_cast<double>(host.sampleRate()) * time.tempo / kSecondsPerMinute;
}
