#include "SourceWriter.h"

#include <cstring>
#include <stdexcept>

namespace vesk::gen {

SourceWriter::SourceWriter(const std::string& path) : file(std::fopen(path.c_str(), "w")), path(path) {
  if (!file) throw std::runtime_error("cannot write " + path + ": " + std::strerror(errno));
  line("// Generated at build time by a tools/ generator; do not edit.");
}

SourceWriter::~SourceWriter() {
  if (file) std::fclose(file);
}

void SourceWriter::line(const std::string& text) {
  std::fputs(text.c_str(), file);
  std::fputc('\n', file);
}

template <typename T, typename Format>
void SourceWriter::writeValues(const std::vector<T>& data, Format format) {
  for (size_t i = 0; i < data.size(); ++i) {
    format(data[i]);
    std::fputc((i % 16 == 15 || i + 1 == data.size()) ? '\n' : ' ', file);
  }
}

void SourceWriter::values(const std::vector<int16_t>& data) {
  writeValues(data, [this](int16_t v) { std::fprintf(file, "%d,", int(v)); });
}

void SourceWriter::values(const std::vector<int32_t>& data) {
  writeValues(data, [this](int32_t v) { std::fprintf(file, "%d,", int(v)); });
}

void SourceWriter::values(const std::vector<float>& data) {
  // Nine significant digits round-trip every float; the exponent form always
  // carries a decimal point, so the f suffix stays a valid literal.
  writeValues(data, [this](float v) { std::fprintf(file, "%.8ef,", double(v)); });
}

bool SourceWriter::close() {
  const bool ok = std::ferror(file) == 0 && std::fclose(file) == 0;
  file = nullptr;
  if (!ok) std::fprintf(stderr, "error writing %s\n", path.c_str());
  return ok;
}

}  // namespace vesk::gen
