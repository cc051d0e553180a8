// Generates the wave set (70 waves x 6 octave bands) from the readable
// recipes in resources/waves; the recipe file documents its own format.
//   usage: vesk_gen_wave_set <recipes.txt> <output.cpp>
#include <algorithm>
#include <complex>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "Fourier.h"
#include "OscillatorTables.h"
#include "SourceWriter.h"

namespace vesk::gen {
namespace {

constexpr int kTopBin = kCycleLength / 2 - 1;
constexpr double kLowestTableHz = 1.021974609375;
constexpr double kAudibleLimitHz = 20000.0;
constexpr int kTimeOversampling = 8;

// Band b is read up to the table rate of pitch step 96 + 12b (MIDI note 60 +
// 12b); its partials must stay below 20 kHz there.
int bandTopBin(int band) {
  const double topHz = kLowestTableHz * std::pow(2.0, (96 + 12 * band) / 12.0);
  return std::min(kTopBin, int(kAudibleLimitHz / topHz));
}

struct RecipeError : std::runtime_error {
  RecipeError(int line, const std::string& what) : std::runtime_error("line " + std::to_string(line) + ": " + what) {}
};

// One operation line: a keyword, positional words (p:a pairs, drawbar
// digits, flags such as "alternate") and key=value options.
struct Operation {
  int line = 0;
  std::string keyword;
  std::vector<std::string> positional;
  std::map<std::string, std::string> options;

  double number(const std::string& key, double fallback) const {
    auto it = options.find(key);
    if (it == options.end()) return fallback;
    char* end = nullptr;
    const double v = std::strtod(it->second.c_str(), &end);
    if (end == it->second.c_str() || *end != '\0') throw RecipeError(line, "bad number for " + key);
    return v;
  }
  // Rejects options and flags the operation does not know, so that a typo in
  // a recipe fails the build instead of quietly changing the sound.
  void allow(std::initializer_list<std::string> keys, std::initializer_list<std::string> flags = {},
             bool positionalData = false) const {
    for (const auto& [key, value] : options)
      if (std::find(keys.begin(), keys.end(), key) == keys.end()) throw RecipeError(line, keyword + ": unknown option " + key);
    if (positionalData) return;
    for (const auto& word : positional)
      if (std::find(flags.begin(), flags.end(), word) == flags.end()) throw RecipeError(line, keyword + ": unknown word " + word);
  }
  bool flag(const std::string& word) const {
    return std::find(positional.begin(), positional.end(), word) != positional.end();
  }
};

struct Wave {
  int line = 0;
  int index = -1;
  std::string name;
  int cycles = 1;
  std::vector<Operation> operations;
};

// Complex amplitude per table bin: the cycle is sum of Re(c_k e^{2 pi i k t}).
using Partials = std::vector<std::complex<double>>;

class WaveBuilder {
 public:
  explicit WaveBuilder(const Wave& wave) : wave(wave), partials(kTopBin + 1, 0.0) {}

  Partials build() {
    for (const auto& op : wave.operations) apply(op);
    return partials;
  }

 private:
  // Partial number p (in note harmonics) to table bin; -1 above the table's reach.
  int binOf(double p, int line) const {
    const double bin = p * wave.cycles;
    if (bin < 0.5 || std::fabs(bin - std::round(bin)) > 1e-6)
      throw RecipeError(line, "partial " + std::to_string(p) + " does not fall on a table bin");
    return bin > kTopBin ? -1 : int(std::lround(bin));
  }

  void add(double p, double amplitude, double phaseCycles, bool cosine, int line) {
    const int bin = binOf(p, line);
    if (bin < 0) return;
    // A sine starts its cycle at zero: sin x = Re(-i e^{ix}).
    const std::complex<double> start = cosine ? 1.0 : std::complex<double>(0.0, -1.0);
    partials[bin] += amplitude * start * std::polar(1.0, 2.0 * M_PI * phaseCycles);
  }

  void apply(const Operation& op) {
    const double gain = op.number("gain", 1.0);
    const double maxP = double(kTopBin) / wave.cycles;
    if (op.keyword == "series") {
      op.allow({"first", "step", "slope", "gain"}, {"alternate", "cosine"});
      const double first = op.number("first", 1.0), step = op.number("step", 1.0);
      const double slope = op.number("slope", 1.0);
      if (first <= 0.0 || step <= 0.0) throw RecipeError(op.line, "series needs positive first and step");
      int k = 0;
      for (double p = first; p <= maxP + 1e-9; p += step, ++k) {
        const double sign = op.flag("alternate") && (k % 2) ? -1.0 : 1.0;
        add(p, sign * gain / std::pow(p, slope), 0.0, op.flag("cosine"), op.line);
      }
    } else if (op.keyword == "pulse") {
      op.allow({"width", "gain"});
      const double width = op.number("width", 0.5);
      for (int h = 1; h <= maxP; ++h) add(h, gain * std::sin(M_PI * h * width) / h, -width * h / 2.0, true, op.line);
    } else if (op.keyword == "partials") {
      op.allow({"gain"}, {}, true);
      for (const auto& item : op.positional) {
        double p = 0.0, a = 0.0, phase = 0.0;
        if (std::sscanf(item.c_str(), "%lf:%lf:%lf", &p, &a, &phase) < 2) throw RecipeError(op.line, "expected p:a[:phase], got " + item);
        add(p, gain * a, phase, false, op.line);
      }
    } else if (op.keyword == "drawbars") {
      op.allow({"gain"}, {}, true);
      static const double footage[9] = {0.5, 1.5, 1, 2, 3, 4, 5, 6, 8};
      if (op.positional.size() != 9) throw RecipeError(op.line, "drawbars needs nine settings");
      for (int i = 0; i < 9; ++i) {
        const int level = std::atoi(op.positional[i].c_str());
        if (level < 0 || level > 8) throw RecipeError(op.line, "drawbar settings run 0..8");
        if (level > 0) add(footage[i], gain * std::pow(10.0, -3.0 * (8 - level) / 20.0), 0.0, false, op.line);
      }
    } else if (op.keyword == "noise") {
      op.allow({"seed", "step", "slope", "gain"});
      // A fixed LCG so the content never depends on the build machine's library.
      uint32_t state = uint32_t(op.number("seed", 1.0));
      auto next = [&state] { return (state = state * 1664525u + 1013904223u) / 4294967296.0; };
      const double step = op.number("step", 1.0), slope = op.number("slope", 1.0);
      for (double p = step; p <= maxP + 1e-9; p += step) {
        const double a = next(), phase = next();
        add(p, gain * a / std::pow(p, slope), phase, false, op.line);
      }
    } else if (op.keyword == "shape") {
      op.allow({"amount", "gain"}, {}, true);
      addShape(op, gain);
    } else if (op.keyword == "formants") {
      op.allow({"width", "floor"}, {}, true);
      const double width = op.number("width", 1.0), floor = op.number("floor", 0.05);
      std::vector<std::pair<double, double>> peaks;
      for (const auto& item : op.positional) {
        double p = 0.0, a = 0.0;
        if (std::sscanf(item.c_str(), "%lf:%lf", &p, &a) != 2) throw RecipeError(op.line, "expected p:a, got " + item);
        peaks.emplace_back(p, a);
      }
      scale([&](double p) {
        double g = floor;
        for (auto [centre, a] : peaks) g += a / (1.0 + std::pow((p - centre) / width, 2.0));
        return g;
      });
    } else if (op.keyword == "tilt") {
      op.allow({"db"});
      const double db = op.number("db", 0.0);
      scale([db](double p) { return std::pow(10.0, db * std::log2(p) / 20.0); });
    } else if (op.keyword == "lowpass") {
      op.allow({"corner", "order"});
      const double corner = op.number("corner", 8.0), order = op.number("order", 2.0);
      scale([=](double p) { return 1.0 / std::sqrt(1.0 + std::pow(p / corner, 2.0 * order)); });
    } else {
      throw RecipeError(op.line, "unknown operation '" + op.keyword + "'");
    }
  }

  template <typename Gain>
  void scale(Gain gainAt) {
    for (int bin = 1; bin <= kTopBin; ++bin) partials[bin] *= gainAt(double(bin) / wave.cycles);
  }

  // Shapes are drawn over one note cycle (x in 0..1), oversampled so that
  // their own harmonics barely fold back before the band limit cuts them.
  void addShape(const Operation& op, double gain) {
    if (op.positional.size() != 1) throw RecipeError(op.line, "shape needs one kind");
    const std::string& kind = op.positional[0];
    const double amount = op.number("amount", 1.0);
    auto sine = [](double x) { return std::sin(2.0 * M_PI * x); };
    std::function<double(double)> curve;
    if (kind == "stairs") curve = [=](double x) { return std::floor(x * amount) / (amount - 1.0) * 2.0 - 1.0; };
    else if (kind == "bits") curve = [=](double x) { const double q = std::pow(2.0, amount - 1.0); return std::round(sine(x) * q) / q; };
    else if (kind == "fold") curve = [=](double x) { return std::sin(amount * sine(x)); };
    else if (kind == "clip") curve = [=](double x) { return std::tanh(amount * sine(x)) / std::tanh(amount); };
    else if (kind == "sync") curve = [=](double x) { const double y = x * amount; return 2.0 * (y - std::floor(y)) - 1.0; };
    else if (kind == "halfsine") curve = [=](double x) { return std::max(0.0, sine(x)); };
    else if (kind == "abssine") curve = [=](double x) { return std::fabs(sine(x)); };
    else throw RecipeError(op.line, "unknown shape '" + kind + "'");

    const size_t size = size_t(kCycleLength) * kTimeOversampling;
    Spectrum samples(size);
    for (size_t i = 0; i < size; ++i) {
      const double x = double(i) * wave.cycles / double(size);
      samples[i] = curve(x - std::floor(x));
    }
    fft(samples, false);
    for (int bin = 1; bin <= kTopBin; ++bin) partials[bin] += gain * 2.0 * samples[bin] / double(size);
  }

  const Wave& wave;
  Partials partials;
};

std::vector<Wave> readRecipes(const std::string& path) {
  std::ifstream in(path);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::vector<Wave> waves;
  std::string text;
  for (int line = 1; std::getline(in, text); ++line) {
    text = text.substr(0, text.find('#'));
    std::istringstream words(text);
    std::string keyword;
    if (!(words >> keyword)) continue;
    if (keyword == "wave") {
      Wave wave;
      wave.line = line;
      if (!(words >> wave.index)) throw RecipeError(line, "wave needs an index");
      std::string rest, word;
      std::getline(words, rest);
      const auto open = rest.find('"'), close = rest.rfind('"');
      if (open == std::string::npos || close == open) throw RecipeError(line, "wave needs a quoted name");
      wave.name = rest.substr(open + 1, close - open - 1);
      std::istringstream options(rest.substr(close + 1));
      while (options >> word) {
        if (word.rfind("cycles=", 0) != 0) throw RecipeError(line, "unknown wave option " + word);
        wave.cycles = std::atoi(word.c_str() + 7);
      }
      if (wave.cycles < 1 || wave.cycles > 64) throw RecipeError(line, "cycles must be 1..64");
      waves.push_back(wave);
      continue;
    }
    if (waves.empty()) throw RecipeError(line, "operation before the first wave");
    Operation op;
    op.line = line;
    op.keyword = keyword;
    for (std::string word; words >> word;) {
      const auto eq = word.find('=');
      if (eq == std::string::npos) op.positional.push_back(word);
      else op.options[word.substr(0, eq)] = word.substr(eq + 1);
    }
    waves.back().operations.push_back(op);
  }
  std::vector<Wave> ordered(kWaveCount);
  for (auto& wave : waves) {
    if (wave.index < 0 || wave.index >= kWaveCount) throw RecipeError(wave.line, "wave index out of range");
    if (ordered[wave.index].index >= 0) throw RecipeError(wave.line, "wave defined twice");
    ordered[wave.index] = wave;
  }
  for (int w = 0; w < kWaveCount; ++w)
    if (ordered[w].index < 0) throw std::runtime_error("wave " + std::to_string(w) + " has no recipe");
  return ordered;
}

std::vector<double> synthesise(const Partials& partials, int topBin) {
  Spectrum spectrum(kCycleLength, 0.0);
  for (int bin = 1; bin <= topBin; ++bin) {
    spectrum[bin] = partials[bin] * (kCycleLength / 2.0);
    spectrum[kCycleLength - bin] = std::conj(spectrum[bin]);
  }
  fft(spectrum, true);
  std::vector<double> cycle(kCycleLength);
  for (int i = 0; i < kCycleLength; ++i) cycle[i] = spectrum[i].real();
  return cycle;
}

// All bands of a wave share one scale so that a note keeps its loudness
// when it crosses into the next band.
std::vector<std::vector<int16_t>> bandsOf(const Wave& wave) {
  const Partials partials = WaveBuilder(wave).build();
  std::vector<std::vector<double>> bands;
  double peak = 0.0;
  for (int b = 0; b < kWaveBandCount; ++b) {
    bands.push_back(synthesise(partials, bandTopBin(b)));
    peak = std::max(peak, peakOf(bands.back()));
  }
  if (peak < 1e-9) throw RecipeError(wave.line, "wave '" + wave.name + "' is silent in every band");
  std::vector<std::vector<int16_t>> tables;
  for (const auto& band : bands) {
    std::vector<int16_t> table(kGuardedCycleLength);
    for (int i = 0; i < kCycleLength; ++i) table[i] = int16_t(std::lround(band[i] * 32767.0 / peak));
    table[kCycleLength] = table[0];
    tables.push_back(table);
  }
  return tables;
}

}  // namespace
}  // namespace vesk::gen

int main(int argc, char** argv) {
  using namespace vesk::gen;
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s <recipes.txt> <output.cpp>\n", argv[0]);
    return 2;
  }
  try {
    const auto waves = readRecipes(argv[1]);
    // Everything is built before the output is opened: a recipe error must
    // not leave a half-written file that a later build would take as current.
    std::vector<std::vector<std::vector<int16_t>>> bands;
    for (const auto& wave : waves) bands.push_back(bandsOf(wave));
    SourceWriter out(argv[2]);
    out.line("#include \"OscillatorTables.h\"");
    out.line("namespace vesk {");
    out.line("const int16_t waveSet[kWaveCount][kWaveBandCount][kGuardedCycleLength] = {");
    std::vector<int32_t> corrections;
    for (const auto& wave : waves) {
      out.line("{  // " + std::to_string(wave.index) + " " + wave.name);
      for (const auto& table : bands[wave.index]) {
        out.line("{");
        out.values(table);
        out.line("},");
      }
      out.line("},");
      // Reading n cycles per table at the note's rate would play n times too
      // high; the correction lowers the pitch by log2(n) octaves.
      corrections.push_back(-int32_t(std::lround(1536.0 * std::log2(double(wave.cycles)))));
    }
    out.line("};");
    out.line("const int32_t wavePitchCorrection[kWaveCount] = {");
    out.values(corrections);
    out.line("};");
    out.line("const char* const waveNames[kWaveCount] = {");
    for (const auto& wave : waves) out.line("\"" + wave.name + "\",");
    out.line("};");
    out.line("}  // namespace vesk");
    return out.close() ? 0 : 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s: %s\n", argv[1], e.what());
    return 1;
  }
}
