#include "RenderOptions.h"

#include "NoteName.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

constexpr int kLowestRate = 8000;
constexpr int kHighestRate = 384000;
// The plug-in sizes per-frame buffers for at most this many frames a call.
constexpr int kLargestBlock = 8192;
constexpr int kLargestParameterIndex = 65535;

double parseNumber(const std::string& text, const std::string& what)
{
    errno = 0;
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != 0 || errno == ERANGE || !std::isfinite(value))
        throw UsageError(what + ": '" + text + "' is not a number");
    return value;
}

int parseInteger(const std::string& text, const std::string& what, long lowest, long highest)
{
    errno = 0;
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != 0 || errno == ERANGE)
        throw UsageError(what + ": '" + text + "' is not a whole number");
    if (value < lowest || value > highest)
        throw UsageError(what + ": " + text + " is outside " + std::to_string(lowest) + ".." + std::to_string(highest));
    return static_cast<int>(value);
}

ParameterSetting parseSetting(const std::string& text, const std::string& where)
{
    const size_t equals = text.find('=');
    if (equals == std::string::npos)
        throw UsageError(where + ": '" + text + "' is not INDEX=VALUE");
    ParameterSetting setting;
    setting.index = parseInteger(text.substr(0, equals), where + ": parameter index", 0, kLargestParameterIndex);
    setting.value = static_cast<float>(parseNumber(text.substr(equals + 1), where + ": parameter value"));
    return setting;
}

std::vector<ParameterSetting> readParameterFile(const std::string& path)
{
    std::ifstream file(path);
    if (!file)
        throw UsageError("--params: cannot read '" + path + "'");
    std::vector<ParameterSetting> settings;
    std::string line;
    for (int number = 1; std::getline(file, line); ++number) {
        line = line.substr(0, line.find('#'));
        std::istringstream words(line);
        std::string word;
        while (words >> word)
            settings.push_back(parseSetting(word, path + ":" + std::to_string(number)));
    }
    return settings;
}

// NOTE[:START[:LENGTH[:VELOCITY]]], times in seconds.
NoteSpec parseNote(const std::string& text)
{
    std::vector<std::string> fields;
    std::istringstream parts(text);
    for (std::string field; std::getline(parts, field, ':');)
        fields.push_back(field);
    if (fields.empty() || fields.size() > 4)
        throw UsageError("--note: '" + text + "' is not NOTE[:START[:LENGTH[:VELOCITY]]]");
    NoteSpec note;
    note.note = parseNoteName(fields[0]);
    if (note.note < 0)
        throw UsageError("--note: '" + fields[0] + "' is not a note (0..127 or a name like C4, F#3)");
    if (fields.size() > 1)
        note.start = parseNumber(fields[1], "--note start");
    if (fields.size() > 2)
        note.length = parseNumber(fields[2], "--note length");
    if (fields.size() > 3)
        note.velocity = parseInteger(fields[3], "--note velocity", 1, 127);
    if (note.start < 0.0 || note.length <= 0.0)
        throw UsageError("--note: '" + text + "' needs a start of 0 or more and a positive length");
    return note;
}

SampleFormat parseFormat(const std::string& text)
{
    if (text == "float")
        return SampleFormat::Float;
    if (text == "24")
        return SampleFormat::Pcm24;
    if (text == "16")
        return SampleFormat::Pcm16;
    throw UsageError("--format: '" + text + "' is not one of float, 24, 16");
}

std::string defaultOutputFor(const std::string& midiPath)
{
    if (midiPath.empty())
        return "vesk-render.wav";
    std::string name = midiPath.substr(midiPath.find_last_of('/') + 1);
    const size_t dot = name.find_last_of('.');
    if (dot != std::string::npos && dot > 0)
        name.erase(dot);
    return name + ".wav";
}

} // namespace

RenderOptions parseRenderOptions(const std::vector<std::string>& args, const std::string& defaultModule)
{
    RenderOptions options;
    options.modulePath = defaultModule;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        auto value = [&]() -> const std::string& {
            if (i + 1 >= args.size())
                throw UsageError("option " + arg + " needs a value");
            return args[++i];
        };
        if (arg == "-h" || arg == "--help")
            options.help = true;
        else if (arg == "-o" || arg == "--output") {
            // Two outputs are most likely a slip; writing one of them silently
            // would leave the user waiting for the other.
            if (!options.outputPath.empty())
                throw UsageError(arg + ": one output file only (already '" + options.outputPath + "')");
            options.outputPath = value();
        }
        else if (arg == "--module")
            options.modulePath = value();
        else if (arg == "--program")
            options.program = parseInteger(value(), "--program", 0, 0x7FFFFFFF);
        else if (arg == "--program-name")
            options.programName = value();
        else if (arg == "--set")
            options.parameters.push_back(parseSetting(value(), "--set"));
        else if (arg == "--params") {
            const std::vector<ParameterSetting> settings = readParameterFile(value());
            options.parameters.insert(options.parameters.end(), settings.begin(), settings.end());
        } else if (arg == "--chunk")
            options.chunkPath = value();
        else if (arg == "--preset")
            options.presetPath = value();
        else if (arg == "--note")
            options.notes.push_back(parseNote(value()));
        else if (arg == "--rate")
            options.sampleRate = parseInteger(value(), "--rate", kLowestRate, kHighestRate);
        else if (arg == "--block")
            options.blockSize = parseInteger(value(), "--block", 1, kLargestBlock);
        else if (arg == "--format")
            options.format = parseFormat(value());
        else if (arg == "--seconds") {
            options.maxSeconds = parseNumber(value(), "--seconds");
            if (options.maxSeconds <= 0.0)
                throw UsageError("--seconds: needs a positive length");
        } else if (arg == "--tail") {
            options.maxTailSeconds = parseNumber(value(), "--tail");
            if (options.maxTailSeconds < 0.0)
                throw UsageError("--tail: needs a length of 0 or more");
        } else if (arg == "-q" || arg == "--quiet")
            options.quiet = true;
        else if (arg.size() > 1 && arg[0] == '-')
            throw UsageError("unknown option '" + arg + "'");
        else if (options.midiPath.empty())
            options.midiPath = arg;
        else
            throw UsageError("unexpected argument '" + arg + "' (one MIDI file at most)");
    }
    if (options.help)
        return options;
    if (options.midiPath.empty() && options.notes.empty())
        throw UsageError("nothing to play: give a MIDI file or --note");
    if (!options.midiPath.empty() && !options.notes.empty())
        throw UsageError("give either a MIDI file or --note, not both");
    if (!options.chunkPath.empty() && !options.presetPath.empty())
        throw UsageError("give either --chunk or --preset, not both");
    if (options.outputPath.empty())
        options.outputPath = defaultOutputFor(options.midiPath);
    return options;
}

std::string renderUsage()
{
    return R"(usage: vesk-render [options] MIDI-FILE
       vesk-render [options] --note NOTE[:START[:LENGTH[:VELOCITY]]] ...

Plays a Standard MIDI File (type 0 or 1) or the given notes through a VST 2.4
instrument and writes the audio, with the release tail after the last note.

  -o, --output FILE     .wav or .flac (default: the MIDI file's name, .wav)
  --format F            float, 24 or 16 (default: float for WAV, 24 for FLAC)
  --module PATH         the VST 2.4 module to load (default: the Vesk.so built
                        with this tool)
  --program N           select program N before playing
  --program-name NAME   select the first program called NAME before playing
  --set INDEX=VALUE     set a parameter before playing (repeatable)
  --params FILE         INDEX=VALUE settings, several a line, '#' comments
  --chunk FILE          restore a state chunk first
  --preset FILE         load a .fxp or .fxb file first
  --note NOTE[:START[:LENGTH[:VELOCITY]]]
                        play a note instead of a file (repeatable): NOTE is
                        0..127 or a name (C4 = 60); START and LENGTH in seconds
                        (default 0 and 1), VELOCITY 1..127 (default 100)
  --rate HZ             sample rate (default 44100)
  --block FRAMES        block size (default 512, at most 8192)
  --seconds S           play only the first S seconds, then release
  --tail S              longest release tail (default 10)
  -q, --quiet           no progress bar and no summary
  -h, --help            this text
)";
}
