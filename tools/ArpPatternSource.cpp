#include "ArpPatternSource.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <sstream>

#include "NoteLengths.h"
#include "ProgramSource.h"

namespace vesk::gen {

using namespace ParamIndex;

const std::map<std::string, int> kArpModes = {{"Simple", 0}, {"Voice 2/4/6/8", 1}, {"One Shot", 2}, {"Chord", 3},
                                              {"Modulation", 4}, {"Dynamic", 5}, {"Duophonic", 6}};

namespace {

constexpr int kSteps = 32;
constexpr size_t kNameBytes = 32;
constexpr size_t kDescriptionBytes = 480;


// Step syntax: semitones above the key (0 plays the key), "-" rest, "~" tie.
float stepValue(int line, const std::string& token) {
  if (token == "-") return 0.0f;
  if (token == "~") return 1.0f;
  return float(integer(line, token, 0, 126) + 1) / 128.0f;
}

float fingerValue(int line, int mode, const std::string& token) {
  if (mode == kArpModes.at("Duophonic")) return stepValue(line, token);
  if (mode == kArpModes.at("Dynamic")) return float(16 * integer(line, token, 0, 8) + 8) / 128.0f;
  const int velocity = integer(line, token, 0, 127);
  return velocity == 0 ? 0.0f : centred(velocity, 127.0);
}

std::vector<std::string> tokens(const std::string& text) {
  std::istringstream in(text);
  std::vector<std::string> words;
  for (std::string w; in >> w;) words.push_back(w);
  return words;
}

int fillSteps(int line, const std::string& text, int first, ArpPattern& p,
              float (*convert)(int, int, const std::string&)) {
  const std::vector<std::string> words = tokens(text);
  if (words.size() > size_t(kSteps)) throw SourceError(line, "more than 32 steps");
  for (size_t k = 0; k < words.size(); ++k) p.params[first + k] = convert(line, p.mode, words[k]);
  return int(words.size());
}

float synchronisedRate(int line, const std::string& text) {
  for (int r = 0; r < kNumArpNoteLengths; ++r)
    if (text == kNoteLengths[kFirstArpNoteLength + r].arpName) return centred(r, 20.01);
  throw SourceError(line, "no synced arpeggiator rate is called '" + text + "'");
}

// Free rates are steps per second on expMap(v, 0.1, 100).
float freeRate(int line, const std::string& text) {
  char* end = nullptr;
  const double hz = std::strtod(text.c_str(), &end);
  if (*end != '\0' || !(hz >= 0.1 && hz <= 100.0)) throw SourceError(line, "free rate must be 0.1..100 steps per second");
  return float(std::log(hz / 0.1) / std::log(1000.0));
}

void set(ArpPattern& p, int line, const std::string& key, const std::string& value) {
  if (key == "Description") {
    if (value.size() >= kDescriptionBytes) throw SourceError(line, "description too long");
    p.description = value;
  } else if (key == "Arp Mode") {
    const auto it = kArpModes.find(value);
    if (it == kArpModes.end()) throw SourceError(line, "unknown mode '" + value + "'");
    p.mode = it->second;
    p.params[kArpMode] = float(p.mode);
  } else if (key == "Arp Steps") {
    p.params[kArpSteps] = centred(integer(line, value, 1, kSteps) - 1, 31.0);
    p.stepsGiven = true;
  } else if (key == "Arp Sync") {
    if (value != "on" && value != "off") throw SourceError(line, "Arp Sync is on or off");
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
    throw SourceError(line, "no pattern parameter is called '" + key + "'");
  }
}

}  // namespace

std::vector<ArpPattern> readArpPatterns(std::istream& in) {
  std::vector<ArpPattern> patterns;
  const auto finish = [&] {
    if (patterns.empty()) return;
    ArpPattern& p = patterns.back();
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
      if (line.back() != ']' || line.size() - 2 >= kNameBytes) throw SourceError(number, "bad pattern name");
      finish();
      patterns.emplace_back();
      patterns.back().name = line.substr(1, line.size() - 2);
      // Unless a pattern says otherwise: synced sixteenths, no gate offset, no swing.
      ArpPattern& p = patterns.back();
      p.params[kArpSync] = 1.0f;
      p.params[kArpLength] = centred(31, 62.0);
      p.params[kArpSwing] = 0.5f;
      continue;
    }
    const size_t equals = line.find('=');
    if (equals == std::string::npos || patterns.empty()) throw SourceError(number, "expected 'Parameter = value'");
    set(patterns.back(), number, trim(line.substr(0, equals)), trim(line.substr(equals + 1)));
  }
  finish();
  return patterns;
}

}  // namespace vesk::gen
