// Compiles the arpeggiator patterns from their readable source in
// resources/arp into complete program records; the source documents its own
// format. Parameters are named as the host sees them.
//   usage: vesk_compile_arp_patterns <patterns.txt> <output.cpp>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <exception>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "NoteLengths.h"
#include "ParamIndex.h"
#include "SourceWriter.h"
#include "WholeNumber.h"

namespace vesk::gen {
namespace {

using namespace ParamIndex;

constexpr int kSteps = 32;
constexpr size_t kNameBytes = 32;
constexpr size_t kDescriptionBytes = 480;

struct PatternError : std::runtime_error {
  PatternError(int line, const std::string& what) : std::runtime_error("line " + std::to_string(line) + ": " + what) {}
};

// Mode names as the editor's menu shows them after "Mode: ", with their codes.
const std::map<std::string, int> kModes = {{"Simple", 0}, {"Voice 2/4/6/8", 1}, {"One Shot", 2}, {"Chord", 3},
                                           {"Modulation", 4}, {"Dynamic", 5}, {"Duophonic", 6}};

struct Pattern {
  std::string name;
  std::string description;
  std::vector<float> params = std::vector<float>(kNumProgramParams, 0.0f);
  std::string fingers; // read once the mode is known
  int fingersLine = 0;
  int mode = 0;
  int stepCount = 0;   // steps written in Arp
  bool stepsGiven = false;
  std::string rate = "1/16";
  int rateLine = 0;
};

std::string trim(const std::string& s) {
  const size_t first = s.find_first_not_of(" \t\r");
  if (first == std::string::npos) return "";
  return s.substr(first, s.find_last_not_of(" \t\r") - first + 1);
}

int integer(int line, const std::string& text, int lo, int hi) {
  if (const std::optional<int> value = wholeNumber(text, lo, hi)) return *value;
  throw PatternError(line, "'" + text + "' is not a whole number in " + std::to_string(lo) + ".." + std::to_string(hi));
}

// Each value is the middle of the interval that the engine's truncation maps
// to the wanted whole number, kept within 0..1.
float centred(double index, double scale) { return float(std::min(1.0, (index + 0.5) / scale)); }

// Step syntax: semitones above the key (0 plays the key), "-" rest, "~" tie.
float stepValue(int line, const std::string& token) {
  if (token == "-") return 0.0f;
  if (token == "~") return 1.0f;
  return float(integer(line, token, 0, 126) + 1) / 128.0f;
}

float fingerValue(int line, int mode, const std::string& token) {
  if (mode == kModes.at("Duophonic")) return stepValue(line, token);
  if (mode == kModes.at("Dynamic")) return float(16 * integer(line, token, 0, 8) + 8) / 128.0f;
  const int velocity = integer(line, token, 0, 127);
  return velocity == 0 ? 0.0f : centred(velocity, 127.0);
}

std::vector<std::string> tokens(const std::string& text) {
  std::istringstream in(text);
  std::vector<std::string> words;
  for (std::string w; in >> w;) words.push_back(w);
  return words;
}

int fillSteps(int line, const std::string& text, int first, Pattern& p,
              float (*convert)(int, int, const std::string&)) {
  const std::vector<std::string> words = tokens(text);
  if (words.size() > size_t(kSteps)) throw PatternError(line, "more than 32 steps");
  for (size_t k = 0; k < words.size(); ++k) p.params[first + k] = convert(line, p.mode, words[k]);
  return int(words.size());
}

float synchronisedRate(int line, const std::string& text) {
  for (int r = 0; r < kNumArpNoteLengths; ++r)
    if (text == kNoteLengths[kFirstArpNoteLength + r].arpName) return centred(r, 20.01);
  throw PatternError(line, "no synced arpeggiator rate is called '" + text + "'");
}

// Free rates are steps per second on expMap(v, 0.1, 100).
float freeRate(int line, const std::string& text) {
  char* end = nullptr;
  const double hz = std::strtod(text.c_str(), &end);
  if (*end != '\0' || !(hz >= 0.1 && hz <= 100.0)) throw PatternError(line, "free rate must be 0.1..100 steps per second");
  return float(std::log(hz / 0.1) / std::log(1000.0));
}

void set(Pattern& p, int line, const std::string& key, const std::string& value) {
  if (key == "Description") {
    if (value.size() >= kDescriptionBytes) throw PatternError(line, "description too long");
    p.description = value;
  } else if (key == "Arp Mode") {
    const auto it = kModes.find(value);
    if (it == kModes.end()) throw PatternError(line, "unknown mode '" + value + "'");
    p.mode = it->second;
    p.params[kArpMode] = float(p.mode);
  } else if (key == "Arp Steps") {
    p.params[kArpSteps] = centred(integer(line, value, 1, kSteps) - 1, 31.0);
    p.stepsGiven = true;
  } else if (key == "Arp Sync") {
    if (value != "on" && value != "off") throw PatternError(line, "Arp Sync is on or off");
    p.params[kArpSync] = value == "on" ? 1.0f : 0.0f;
  } else if (key == "Arp Rate") {
    p.rate = value;
    p.rateLine = line;
  } else if (key == "Arp Length") {
    p.params[kArpLength] = centred(integer(line, value, -31, 31) + 31, 62.0);
  } else if (key == "Arp Swing") {
    // Ticks the third step of every four moves; the engine truncates toward 0.
    const int ticks = integer(line, value, -24, 24);
    p.params[kArpSwing] = float(std::clamp(0.5 + (ticks + (ticks < 0 ? -0.5 : ticks > 0 ? 0.5 : 0.0)) / 48.0, 0.0, 1.0));
  } else if (key == "Arp") {
    p.stepCount = fillSteps(line, value, kArpStep, p, [](int l, int, const std::string& t) { return stepValue(l, t); });
  } else if (key == "ArpFinger") {
    p.fingers = value;
    p.fingersLine = line;
  } else {
    throw PatternError(line, "no pattern parameter is called '" + key + "'");
  }
}

std::vector<Pattern> read(std::istream& in) {
  std::vector<Pattern> patterns;
  const auto finish = [&] {
    if (patterns.empty()) return;
    Pattern& p = patterns.back();
    fillSteps(p.fingersLine, p.fingers, kArpFinger, p, fingerValue);
    p.params[kArpRate] =
        p.params[kArpSync] > 0.0f ? synchronisedRate(p.rateLine, p.rate) : freeRate(p.rateLine, p.rate);
    // Without Arp Steps the pattern is as long as its Arp line.
    if (!p.stepsGiven) p.params[kArpSteps] = centred(std::max(p.stepCount, 1) - 1, 31.0);
  };
  int number = 0;
  for (std::string raw; std::getline(in, raw);) {
    ++number;
    const std::string line = trim(raw.substr(0, raw.find('#')));
    if (line.empty()) continue;
    if (line.front() == '[') {
      if (line.back() != ']' || line.size() - 2 >= kNameBytes) throw PatternError(number, "bad pattern name");
      finish();
      patterns.emplace_back();
      patterns.back().name = line.substr(1, line.size() - 2);
      // Unless a pattern says otherwise: synced sixteenths, no gate offset, no swing.
      Pattern& p = patterns.back();
      p.params[kArpSync] = 1.0f;
      p.params[kArpLength] = centred(31, 62.0);
      p.params[kArpSwing] = 0.5f;
      continue;
    }
    const size_t equals = line.find('=');
    if (equals == std::string::npos || patterns.empty()) throw PatternError(number, "expected 'Parameter = value'");
    set(patterns.back(), number, trim(line.substr(0, equals)), trim(line.substr(equals + 1)));
  }
  finish();
  return patterns;
}

std::string quoted(const std::string& s) {
  std::string out = "\"";
  for (char c : s) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

void write(const std::vector<Pattern>& patterns, const std::string& path) {
  SourceWriter out(path);
  out.line("#include \"ArpPatterns.h\"");
  out.line("");
  out.line("const ProgramRecord kArpPatterns[] = {");
  for (const Pattern& p : patterns) {
    out.line("{" + quoted(p.name) + ", " + quoted(p.description) + ", {");
    out.values(p.params);
    out.line("}, {0, 0, 0}},");
  }
  out.line("};");
  out.line("static_assert(sizeof(kArpPatterns) / sizeof(kArpPatterns[0]) == kNumArpPatterns, "
           "\"the pattern menu has one entry per pattern\");");
  if (!out.close()) throw std::runtime_error("cannot finish " + path);
}

}  // namespace
}  // namespace vesk::gen

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s <patterns.txt> <output.cpp>\n", argv[0]);
    return 2;
  }
  try {
    std::ifstream in(argv[1]);
    if (!in) throw std::runtime_error(std::string("cannot read ") + argv[1]);
    vesk::gen::write(vesk::gen::read(in), argv[2]);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s: %s\n", argv[1], e.what());
    return 1;
  }
  return 0;
}
