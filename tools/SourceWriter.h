// Writes generated tables as C++ initialisers. Shared by the generators so
// that every generated file has the same shape and the same failure handling.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace vesk::gen {

class SourceWriter {
 public:
  // Opens the output; a generator that cannot write must fail the build.
  explicit SourceWriter(const std::string& path);
  ~SourceWriter();
  SourceWriter(const SourceWriter&) = delete;
  SourceWriter& operator=(const SourceWriter&) = delete;

  void line(const std::string& text);
  // One flat run of values, sixteen per line, each followed by a comma.
  void values(const std::vector<int16_t>& data);
  void values(const std::vector<float>& data);
  void values(const std::vector<int32_t>& data);
  // Flushes and reports write errors (a full disk must not leave a silently
  // truncated table behind); returns false on failure.
  bool close();

 private:
  template <typename T, typename Format>
  void writeValues(const std::vector<T>& data, Format format);

  std::FILE* file;
  std::string path;
};

}  // namespace vesk::gen
