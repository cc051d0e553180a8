// Pieces shared by the compilers of readable program sources (arpeggiator
// patterns, the factory bank): line-numbered errors, whole numbers, the value
// that lands in the middle of a truncated step, and C++ string literals.
#pragma once

#include <algorithm>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "SourceWriter.h"
#include "WholeNumber.h"

namespace vesk::gen {

struct SourceError : std::runtime_error {
  SourceError(int line, const std::string& what) : std::runtime_error("line " + std::to_string(line) + ": " + what) {}
};

inline std::string trim(const std::string& s) {
  const size_t first = s.find_first_not_of(" \t\r");
  if (first == std::string::npos) return "";
  return s.substr(first, s.find_last_not_of(" \t\r") - first + 1);
}

inline int integer(int line, const std::string& text, int lo, int hi) {
  if (const std::optional<int> value = wholeNumber(text, lo, hi)) return *value;
  throw SourceError(line, "'" + text + "' is not a whole number in " + std::to_string(lo) + ".." + std::to_string(hi));
}

// Each value is the middle of the interval that the engine's truncation maps
// to the wanted whole number, kept within 0..1.
inline float centred(double index, double scale) { return float(std::min(1.0, (index + 0.5) / scale)); }

inline std::string quoted(const std::string& s) {
  std::string out = "\"";
  for (char c : s) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

// One program record as a C++ initialiser: name, description, parameter values.
inline void writeRecord(SourceWriter& out, const std::string& name, const std::string& description,
                        const std::vector<float>& params) {
  out.line("{" + quoted(name) + ", " + quoted(description) + ", {");
  out.values(params);
  out.line("}, {0, 0, 0}},");
}

}  // namespace vesk::gen
