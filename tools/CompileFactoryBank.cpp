// Compiles the factory bank from its readable library in resources/factory
// into the 384 program records every new instance starts from. The library's
// README documents the format; parameters are named as the host sees them.
//   usage: vesk_compile_factory_bank <patterns.txt> <output.cpp> <library files...>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <deque>
#include <exception>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "ArpPatternSource.h"
#include "Categories.h"
#include "FilterTypes.h"
#include "InitProgram.h"
#include "ModulationVocabulary.h"
#include "ParamFamilies.h"
#include "ParamTable.h"
#include "ProgramSource.h"
#include "SourceWriter.h"

namespace vesk::gen {
namespace {

using namespace ParamIndex;

constexpr size_t kFactoryNameChars = 23;
constexpr size_t kDescriptionChars = 479;
constexpr int kModSlots = 24;
constexpr int kSortedInLastBank = 117; // the rest of the last bank keeps the library's order

struct Program {
  ProgramRecord record;
  bool atEnd = false; // one of the last bank's unsorted records
};

using Choices = std::vector<std::string>;

// Choice parameters whose value is int(steps * v): the names in step order
// and the step count of the engine's decoding.
struct ChoiceList {
  Choices names;
  double steps;
};

const std::map<std::string, ChoiceList>& choiceLists() {
  static const Choices oscShapes = {"Saw", "Pulse", "Sine", "Wavetbl"};
  static const Choices lfoShapes = {"Saw", "Pulse", "Sine", "S+H"};
  static const Choices eqTypes = {"Peaking", "Lo Shelf", "Hi Shelf"};
  static const std::map<std::string, ChoiceList> lists = {
      {"Osc 1 Shape", {oscShapes, 3}},
      {"Osc 2 Shape", {oscShapes, 3}},
      {"Osc 3 Shape", {{"Saw", "Pulse", "Triangle"}, 2}},
      {"LFO 1 Shape", {lfoShapes, 3}},
      {"LFO 2 Shape", {lfoShapes, 3}},
      {"LFO 3 Shape", {lfoShapes, 3}},
      {"FX Phaser Type",
       {{"4-Stage-Ph", "6-Stage-Ph", "8-Stage-Ph", "Flanger+", "Flanger-", "Chorus I", "Chorus II"}, 6.1}},
      {"FX Delay Type", {{"Simple", "Ping-Pong", "PP 75%", "PP 50%", "PP 25%", "PP 10%", "Multi-Tap", "Diffuse"}, 8}},
      {"FX Reverb Type", {{"Diffuse-1", "Diffuse-2", "Room", "Hall", "Cathedral"}, 4}},
      {"FX Dist Type",
       {{"LP+Crunch", "HP+Crunch", "LP+Toxic", "HP+Toxic", "LP+Valve", "HP+Valve", "LP Only", "HP Only", "LP+Clip"}, 8}},
      {"FX EQ-1 Type", {eqTypes, 2.01}},
      {"FX EQ-2 Type", {eqTypes, 2.01}},
  };
  return lists;
}

// Parameters written as whole numbers: {lowest, highest, the value of lowest, the span}.
struct WholeScale {
  int lo, hi;
  double offset, scale;
};
const std::map<std::string, WholeScale> kWholeScales = {
    {"Osc 1 Coarse", {-36, 36, 36, 72}},  {"Osc 2 Coarse", {-36, 36, 36, 72}}, // semitones
    {"Osc 1 Fine", {-64, 63, 64, 128}},   {"Osc 2 Fine", {-64, 63, 64, 128}},  // 1/128 semitone
    {"Osc 1 Wave", {0, 69, 0, 128}},      {"Osc 2 Wave", {0, 69, 0, 128}},
    {"Poly", {8, 72, -8, 64}},
};

// Delay times are step lengths of the delay's own list.
const Choices kDelayTimes = {"1/1*",  "1/1",  "1/1T",  "1/2*",  "1/2",  "1/2T",  "1/4*",
                             "1/4",   "1/4T", "1/8*",  "1/8",   "1/8T", "1/16*", "1/16",
                             "1/16T", "1/32*", "1/32", "1/32T", "1/64*", "1/64", "1/64T"};

int indexOf(const Choices& list, const std::string& name) {
  for (size_t k = 0; k < list.size(); ++k)
    if (list[k] == name) return int(k);
  return -1;
}

std::string joined(const Choices& list) {
  std::string out;
  for (const std::string& s : list) out += (out.empty() ? "" : " | ") + s;
  return out;
}

template <typename Entry, size_t kCount>
int codeOf(const Entry (&menu)[kCount], const std::string& text) {
  for (const Entry& e : menu)
    if (text == e.text) return e.code;
  return -1;
}

int filterCode(int line, const std::string& text) {
  for (const FilterMenuEntry& e : kFilterMenu)
    if (text == e.name && e.code != kFilterMenuSeparatorCode) return e.code;
  throw SourceError(line, "no filter type is called '" + text + "'");
}

double number(int line, const std::string& text, double lo, double hi) {
  char* end = nullptr;
  const double v = std::strtod(text.c_str(), &end);
  if (text.empty() || *end != '\0' || !(v >= lo && v <= hi))
    throw SourceError(line, "'" + text + "' is not a number in " + std::to_string(lo) + ".." + std::to_string(hi));
  return v;
}

// The first index whose host name is `name`; the modulation families, named
// twice, are written with "Mod" lines instead.
int paramIndex(int line, const std::string& name) {
  for (int i = 0; i < kNumProgramParams; ++i)
    if (name == kParamDescriptors[i].name && name != "Reserved" && i < kModSource) return i;
  for (int i = kArpStep; i < kNumProgramParams; ++i)
    if (name == kParamDescriptors[i].name) return i;
  throw SourceError(line, "no parameter is called '" + name + "'");
}

bool isSwitch(int index) {
  return index == kOscSync || index == kLfo1Shape + kLfoSyncOffset || index == kLfo1Shape + kLfoResetOffset ||
         index == kLfo2Shape + kLfoSyncOffset || index == kLfo2Shape + kLfoResetOffset ||
         index == kLfo3Shape + kLfoSyncOffset || index == kLfo3Shape + kLfoResetOffset ||
         (index >= kVoice1 && index < kVoice1 + 8) || index == kArpSync || index == kArpOn ||
         (index >= kPhaserOn && index < kPhaserOn + kFxOnCount) || index == kMonoMode;
}

float parameterValue(int line, int index, const std::string& name, const std::string& text) {
  if (const auto list = choiceLists().find(name); list != choiceLists().end()) {
    const int k = indexOf(list->second.names, text);
    if (k < 0) throw SourceError(line, name + " is one of " + joined(list->second.names));
    return centred(k, list->second.steps);
  }
  if (const auto whole = kWholeScales.find(name); whole != kWholeScales.end()) {
    const WholeScale& w = whole->second;
    return centred(integer(line, text, w.lo, w.hi) + w.offset, w.scale);
  }
  if (index == kDelayRateLeft || index == kDelayRateRight) {
    const int k = indexOf(kDelayTimes, text);
    if (k < 0) throw SourceError(line, name + " is a step length such as 1/8 or 1/4*");
    return centred(k, 20.001);
  }
  if (index == kVoices) return float(((integer(line, text, 1, 8) - 1) * 18 + 9) / 128.0);
  if (index == kFilterType) return float(filterCode(line, text));
  if (index == kFmMode) {
    const int k = indexOf({"1->2 fbk", "1->2 dual", "Filter FM"}, text);
    if (k < 0) throw SourceError(line, "FM Mode is 1->2 fbk | 1->2 dual | Filter FM");
    return float(k);
  }
  if (index == kArpMode) {
    const auto mode = kArpModes.find(text);
    if (mode == kArpModes.end()) throw SourceError(line, "no arpeggiator mode is called '" + text + "'");
    return float(mode->second);
  }
  if (isSwitch(index)) {
    if (text != "on" && text != "off") throw SourceError(line, name + " is on or off");
    return text == "on" ? 1.0f : 0.0f;
  }
  return float(number(line, text, 0.0, 1.0));
}

// "Source -> Destination amount [voices]" into the first free slot.
void addModulation(int line, ProgramRecord& r, const std::string& text) {
  const size_t arrow = text.find("->");
  if (arrow == std::string::npos) throw SourceError(line, "expected 'Source -> Destination amount [voices]'");
  const std::string source = trim(text.substr(0, arrow));
  std::istringstream rest(text.substr(arrow + 2));
  std::vector<std::string> words;
  for (std::string w; rest >> w;) words.push_back(w);
  // The amount is the first word that reads as a signed number; the voice
  // selection, if any, follows it.
  size_t amountAt = 0;
  while (amountAt < words.size() && words[amountAt].find_first_of("+-") != 0) ++amountAt;
  if (amountAt == words.size()) throw SourceError(line, "the amount needs a sign, as in +0.5");
  std::string destination;
  for (size_t k = 0; k < amountAt; ++k) destination += (k ? " " : "") + words[k];
  const int src = codeOf(kModSourceMenu, source);
  const int dst = codeOf(kModDestinationMenu, destination);
  const int voc = amountAt + 1 < words.size() ? codeOf(kModVoicesMenu, words[amountAt + 1]) : 0;
  if (src <= 0) throw SourceError(line, "no modulation source is called '" + source + "'");
  if (dst <= 0) throw SourceError(line, "no modulation destination is called '" + destination + "'");
  if (voc < 0) throw SourceError(line, "no voice selection is called '" + words[amountAt + 1] + "'");
  const double amount = number(line, words[amountAt], -1.0, 1.0);
  float* p = r.params;
  for (int slot = 0; slot < kModSlots; ++slot) {
    if (p[kModSource + slot] != 0.0f) continue;
    p[kModSource + slot] = float(src);
    p[kModDestination + slot] = float(dst);
    p[kModVoices + slot] = float(voc);
    p[kModAmount + slot] = float((amount + 1.0) / 2.0);
    return;
  }
  throw SourceError(line, "all 24 modulation slots are in use");
}

void takeArpPattern(int line, ProgramRecord& r, const std::vector<ArpPattern>& patterns, const std::string& name) {
  for (const ArpPattern& pattern : patterns) {
    if (pattern.name != name) continue;
    for (int i : {int(kArpRate), int(kArpLength), int(kArpSwing), int(kArpSync), int(kArpMode), int(kArpSteps)})
      r.params[i] = pattern.params[i];
    for (int step = 0; step < 32; ++step) {
      r.params[kArpStep + step] = pattern.params[kArpStep + step];
      r.params[kArpFinger + step] = pattern.params[kArpFinger + step];
    }
    return;
  }
  throw SourceError(line, "no arpeggiator pattern is called '" + name + "'");
}

class Library {
 public:
  explicit Library(std::vector<ArpPattern> arpPatterns) : patterns(std::move(arpPatterns)) {}

  void read(const std::string& path) {
    std::ifstream in(path);
    if (!in) throw std::runtime_error("cannot read " + path);
    int category = 0;
    Program* program = nullptr;
    int number = 0;
    for (std::string raw; std::getline(in, raw);) {
      ++number;
      // Only whole lines are comments: "Note #" and "Voice #" are source names.
      const std::string line = trim(raw);
      if (line.empty() || line.front() == '#') continue;
      try {
        if (line.front() == '[' || line.front() == '{') {
          program = &begin(number, line, category);
          continue;
        }
        const size_t equals = line.find('=');
        if (equals == std::string::npos) throw SourceError(number, "expected 'Parameter = value'");
        const std::string key = trim(line.substr(0, equals));
        const std::string value = trim(line.substr(equals + 1));
        if (key == "Category" && !program) {
          category = categoryCode(number, value);
          continue;
        }
        if (!program) throw SourceError(number, "a program or template starts with its name in brackets");
        set(number, *program, key, value);
      } catch (const SourceError& e) {
        throw std::runtime_error(path + ": " + e.what());
      }
    }
  }

  // Programs placed into the three banks: the library's order, dealt out to
  // the banks in turn so that each holds every category; the last bank's
  // unsorted records at its end; empty places filled with "-Empty n" (which
  // sorts after every real name).
  std::vector<ProgramRecord> bank() const {
    std::array<std::vector<const ProgramRecord*>, kNumBanks> banks;
    std::vector<const ProgramRecord*> atEnd;
    const std::array<size_t, kNumBanks> room = {kProgramsPerBank, kProgramsPerBank, kSortedInLastBank};
    size_t dealt = 0;
    for (const Program& p : programs) {
      if (p.atEnd) {
        atEnd.push_back(&p.record);
        continue;
      }
      size_t b = dealt++ % kNumBanks;
      while (banks[b].size() == room[b]) b = (b + 1) % kNumBanks;
      banks[b].push_back(&p.record);
    }
    if (dealt > kNumPrograms - (kProgramsPerBank - kSortedInLastBank) ||
        atEnd.size() > size_t(kProgramsPerBank - kSortedInLastBank))
      throw std::runtime_error("more programs than the bank holds");
    // Tests, benchmarks and scripts select the plain program by its place.
    if (atEnd.empty() || std::strcmp(atEnd.front()->name, "Init") != 0)
      throw std::runtime_error("the first program placed at the end must be \"Init\"");
    ProgramRecord empty;
    fillInitProgram(empty);
    std::vector<ProgramRecord> out;
    for (int b = 0; b < kNumBanks; ++b) {
      for (size_t k = 0; k < size_t(kProgramsPerBank); ++k) {
        const bool tail = b + 1 == kNumBanks && k >= kSortedInLastBank;
        const size_t t = k - kSortedInLastBank;
        if (!tail && k < banks[b].size())
          out.push_back(*banks[b][k]);
        else if (tail && t < atEnd.size())
          out.push_back(*atEnd[t]);
        else {
          out.push_back(empty);
          std::snprintf(out.back().name, sizeof(out.back().name), "-Empty %zu", k + 1);
          std::strcpy(out.back().description, "An empty place, holding the plain starting point.");
        }
      }
    }
    return out;
  }

 private:
  static int categoryCode(int line, const std::string& name) {
    for (int code = 1; code < kCategoryCount; ++code)
      if (name == kCategoryNames[code].text) return code;
    throw SourceError(line, "no category is called '" + name + "'");
  }

  // "[Name]" or "[Name] : Base" starts a program, "{Name}" or "{Name} : Base" a
  // template; without a base it starts from Init.
  Program& begin(int line, const std::string& text, int category) {
    const bool isTemplate = text.front() == '{';
    const char close = isTemplate ? '}' : ']';
    const size_t end = text.find(close);
    if (end == std::string::npos) throw SourceError(line, std::string("expected '") + close + "'");
    const std::string name = text.substr(1, end - 1);
    const std::string after = trim(text.substr(end + 1));
    if (name.empty() || name.size() > kFactoryNameChars)
      throw SourceError(line, "a name has 1.." + std::to_string(kFactoryNameChars) + " characters");
    if (!names.insert(name).second) throw SourceError(line, "'" + name + "' is defined twice");
    Program p;
    fillInitProgram(p.record);
    if (!after.empty()) {
      if (after.front() != ':') throw SourceError(line, "expected ': Base' after the name");
      const std::string base = trim(after.substr(1));
      const auto found = byName.find(base);
      if (found == byName.end()) throw SourceError(line, "no program or template '" + base + "' before this line");
      p.record = found->second;
      p.record.description[0] = '\0';
    }
    std::memset(p.record.name, 0, sizeof(p.record.name));
    std::memcpy(p.record.name, name.data(), name.size());
    p.record.params[kPatchCategory] = float(category);
    Program& stored = isTemplate ? scratch.emplace_back(p) : programs.emplace_back(p);
    current = name;
    byName[name] = stored.record;
    return stored;
  }

  void set(int line, Program& p, const std::string& key, const std::string& value) {
    ProgramRecord& r = p.record;
    if (key == "Description") {
      if (value.size() > kDescriptionChars) throw SourceError(line, "a description has at most 479 characters");
      std::memset(r.description, 0, sizeof(r.description));
      std::memcpy(r.description, value.data(), value.size());
    } else if (key == "Mod") {
      addModulation(line, r, value);
    } else if (key == "Arp Pattern") {
      takeArpPattern(line, r, patterns, value);
    } else if (key == "Place") {
      if (value != "end") throw SourceError(line, "Place is 'end'");
      p.atEnd = true;
    } else {
      const int index = paramIndex(line, key);
      if (index == kPatchCategory || (index >= kEffectOrder && index < kEffectOrder + kEffectOrderCount))
        throw SourceError(line, key + " is not written by hand");
      r.params[index] = parameterValue(line, index, key, value);
    }
    byName[current] = r;
  }

  std::vector<ArpPattern> patterns;
  // Deques: the program being read is held by reference while others are added.
  std::deque<Program> programs;
  std::deque<Program> scratch; // templates
  std::map<std::string, ProgramRecord> byName;
  std::set<std::string> names;
  std::string current; // the program or template being read
};

void write(const std::vector<ProgramRecord>& bank, const std::string& path) {
  SourceWriter out(path);
  out.line("#include \"FactoryBank.h\"");
  out.line("");
  out.line("const ProgramRecord kFactoryBank[kNumPrograms] = {");
  for (const ProgramRecord& r : bank)
    writeRecord(out, r.name, r.description, std::vector<float>(r.params, r.params + kNumProgramParams));
  out.line("};");
  if (!out.close()) throw std::runtime_error("cannot finish " + path);
}

}  // namespace
}  // namespace vesk::gen

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: %s <patterns.txt> <output.cpp> <library files...>\n", argv[0]);
    return 2;
  }
  try {
    std::ifstream in(argv[1]);
    if (!in) throw std::runtime_error(std::string("cannot read ") + argv[1]);
    vesk::gen::Library library(vesk::gen::readArpPatterns(in));
    for (int k = 3; k < argc; ++k) library.read(argv[k]);
    vesk::gen::write(library.bank(), argv[2]);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "vesk_compile_factory_bank: %s\n", e.what());
    return 1;
  }
  return 0;
}
