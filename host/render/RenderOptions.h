// What one vesk-render run is asked to do, read from its command line.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

// A command line that cannot be run as given; main prints the usage hint.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class SampleFormat { Default, Float, Pcm24, Pcm16 };

struct ParameterSetting {
    int index = 0;
    float value = 0.0f;
};

// A note given on the command line; times in seconds.
struct NoteSpec {
    int note = 60;
    double start = 0.0;
    double length = 1.0;
    int velocity = 100;
};

struct RenderOptions {
    std::string midiPath;
    std::vector<NoteSpec> notes;
    std::string outputPath;
    std::string modulePath;
    int program = -1; // -1: leave the module's current program
    std::string programName; // empty: select by number, if at all
    std::vector<ParameterSetting> parameters; // applied in command-line order
    std::string chunkPath;
    std::string presetPath;
    int sampleRate = 44100;
    int blockSize = 512;
    SampleFormat format = SampleFormat::Default;
    double maxSeconds = 0.0; // 0: the whole piece
    double maxTailSeconds = 10.0;
    bool quiet = false;
    bool help = false;
};

// Throws UsageError naming the offending argument. Files named by options are
// not read here, except a --params list, whose settings join `parameters`.
RenderOptions parseRenderOptions(const std::vector<std::string>& args, const std::string& defaultModule);
std::string renderUsage();
