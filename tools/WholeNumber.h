// Whole numbers in the generators' readable sources.
#pragma once

#include <exception>
#include <optional>
#include <string>

namespace vesk::gen {

// The number that is the whole of `text` and lies in lowest..highest, if any.
inline std::optional<int> wholeNumber(const std::string& text, int lowest, int highest) {
  size_t used = 0;
  int value = 0;
  try {
    value = std::stoi(text, &used);
  } catch (const std::exception&) {
    return std::nullopt;
  }
  if (used != text.size() || value < lowest || value > highest) return std::nullopt;
  return value;
}

}  // namespace vesk::gen
