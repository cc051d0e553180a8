// Compiles the arpeggiator patterns from their readable source in
// resources/arp into complete program records; the source documents its own
// format. Parameters are named as the host sees them.
//   usage: vesk_compile_arp_patterns <patterns.txt> <output.cpp>
#include <cstdio>
#include <exception>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "ArpPatternSource.h"
#include "ProgramSource.h"
#include "SourceWriter.h"

namespace vesk::gen {
namespace {

void write(const std::vector<ArpPattern>& patterns, const std::string& path) {
  SourceWriter out(path);
  out.line("#include \"ArpPatterns.h\"");
  out.line("");
  out.line("const ProgramRecord kArpPatterns[] = {");
  for (const ArpPattern& p : patterns) writeRecord(out, p.name, p.description, p.params);
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
    vesk::gen::write(vesk::gen::readArpPatterns(in), argv[2]);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s: %s\n", argv[1], e.what());
    return 1;
  }
  return 0;
}
