// The arpeggiator patterns' readable source (resources/arp documents the
// format), read into pattern records. Both the pattern compiler and the
// factory bank compiler, whose programs name a pattern, read it.
#pragma once

#include <istream>
#include <map>
#include <string>
#include <vector>

#include "ParamIndex.h"

namespace vesk::gen {

// Mode names as the editor's menu shows them after "Mode: ", with their codes.
extern const std::map<std::string, int> kArpModes;

struct ArpPattern {
  std::string name;
  std::string description;
  std::vector<float> params = std::vector<float>(ParamIndex::kNumProgramParams, 0.0f);
  std::string fingers; // read once the mode is known
  int fingersLine = 0;
  int mode = 0;
  int stepCount = 0;   // steps written in Arp
  bool stepsGiven = false;
  std::string rate = "1/16";
  int rateLine = 0;
};

// Every pattern of the source, in source order; throws SourceError.
std::vector<ArpPattern> readArpPatterns(std::istream& in);

}  // namespace vesk::gen
