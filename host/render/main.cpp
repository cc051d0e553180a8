// vesk-render: plays a MIDI file or notes through a VST 2.4 instrument
// module, loaded through its entry point like any host does, into a WAV or
// FLAC file.
#include "AudioFileWriter.h"
#include "MidiFileReader.h"
#include "PluginHost.h"
#include "PresetLoader.h"
#include "ProgressBar.h"
#include "RenderOptions.h"
#include "Renderer.h"
#include "Score.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <exception>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr int kUsageExit = 2;
constexpr int kFailureExit = 1;
// Shorter renders finish before a bar would tell anyone anything.
constexpr double kProgressMinSeconds = 3.0;

int programNamed(PluginHost& host, const std::string& name)
{
    for (int p = 0; p < host.effect()->numPrograms; ++p) {
        char text[64] = {}; // room for a plug-in that writes past the documented length
        host.dispatch(effGetProgramNameIndexed, p, 0, text);
        if (name == text)
            return p;
    }
    throw std::runtime_error("no program is called \"" + name + "\"");
}

std::unique_ptr<PluginHost> startPlugin(const RenderOptions& options)
{
    HostSettings settings;
    settings.vendor = "Vesk";
    settings.product = "vesk-render";
    std::string error;
    std::unique_ptr<PluginHost> host = PluginHost::load(options.modulePath, error, settings);
    if (!host)
        throw std::runtime_error("cannot load the plug-in: " + error);
    host->start(static_cast<float>(options.sampleRate), options.blockSize);

    if (!options.chunkPath.empty())
        PresetLoader::loadChunk(*host, options.chunkPath);
    if (!options.presetPath.empty())
        PresetLoader::loadPresetFile(*host, options.presetPath);
    if (options.program >= 0) {
        if (options.program >= host->effect()->numPrograms)
            throw std::runtime_error("program " + std::to_string(options.program) + " does not exist; the plug-in has " +
                                     std::to_string(host->effect()->numPrograms));
        host->dispatch(effSetProgram, 0, options.program);
    }
    if (!options.programName.empty())
        host->dispatch(effSetProgram, 0, programNamed(*host, options.programName));
    for (const ParameterSetting& setting : options.parameters)
        host->setParameter(setting.index, setting.value);
    return host;
}

Score readScore(const RenderOptions& options)
{
    if (options.midiPath.empty()) {
        Score score = Score::fromNotes(options.notes);
        if (options.maxSeconds > 0.0)
            score.truncate(options.maxSeconds);
        return score;
    }
    std::vector<std::string> warnings;
    Score score = MidiFileReader::read(options.midiPath, warnings);
    for (const std::string& warning : warnings)
        std::fprintf(stderr, "vesk-render: warning: %s\n", warning.c_str());
    if (score.events.empty())
        throw std::runtime_error("'" + options.midiPath + "' holds no notes or controller messages to play");
    if (options.maxSeconds > 0.0)
        score.truncate(options.maxSeconds);
    return score;
}

void printSummary(const RenderOptions& options, const AudioFileWriter& writer, const RenderResult& result,
                  double wallSeconds)
{
    const double seconds = static_cast<double>(result.frames) / options.sampleRate;
    const double peakDb = result.peak > 0.0f ? 20.0 * std::log10(result.peak) : -INFINITY;
    std::printf("wrote %s (%s, %d Hz): %.2f s, peak %.1f dBFS, %.1fx real time\n", options.outputPath.c_str(),
                writer.description().c_str(), options.sampleRate, seconds, peakDb,
                wallSeconds > 0.0 ? seconds / wallSeconds : 0.0);
}

int run(const RenderOptions& options)
{
    const Score score = readScore(options);
    std::unique_ptr<PluginHost> host = startPlugin(options);
    Renderer renderer(*host);
    AudioFileWriter writer(options.outputPath, options.format, options.sampleRate, host->effect()->numOutputs);

    const auto musicFrames = static_cast<int64_t>(score.lengthSeconds * options.sampleRate);
    ProgressBar bar(stderr, options.quiet ? 0 : musicFrames,
                    static_cast<int64_t>(kProgressMinSeconds * options.sampleRate));
    const auto started = std::chrono::steady_clock::now();
    RenderResult result;
    try {
        result = renderer.render(
            score, options.maxTailSeconds, [&](const float* const* channels, int frames) { writer.write(channels, frames); },
            [&](int64_t done, int64_t) { bar.update(done); });
        writer.close();
    } catch (...) {
        bar.finish();
        std::remove(options.outputPath.c_str()); // a cut-off render is no result
        throw;
    }
    const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - started;
    bar.finish();

    if (result.tailCut)
        std::fprintf(stderr, "vesk-render: warning: still sounding after a %.1f s tail; cut there\n",
                     options.maxTailSeconds);
    if (result.peak > 1.0f && writer.description().rfind("float", 0) != 0)
        std::fprintf(stderr, "vesk-render: warning: peak above full scale; the integer samples are clipped\n");
    if (!options.quiet)
        printSummary(options, writer, result, wall.count());
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    RenderOptions options;
    try {
        options = parseRenderOptions(std::vector<std::string>(argv + 1, argv + argc), VESK_DEFAULT_MODULE);
    } catch (const UsageError& error) {
        std::fprintf(stderr, "vesk-render: %s\nTry 'vesk-render --help'.\n", error.what());
        return kUsageExit;
    }
    if (options.help) {
        std::fputs(renderUsage().c_str(), stdout);
        return 0;
    }
    try {
        return run(options);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "vesk-render: error: %s\n", error.what());
        return kFailureExit;
    }
}
