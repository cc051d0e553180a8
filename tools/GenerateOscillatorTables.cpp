// Generates the rule-defined oscillator tables: the saw set, the 16-bit sine,
// the sub-oscillator pulse set and the band-limited-step residual.
//   usage: vesk_gen_oscillator_tables <output.cpp>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "Fourier.h"
#include "OscillatorTables.h"
#include "SourceWriter.h"

namespace vesk::gen {
namespace {

constexpr double kLowestSawHz = 1.021974609375;
// A saw table keeps harmonic h only while harmonic h + 1 would still be below
// this ceiling: the top partial stays one harmonic spacing clear of ~20 kHz,
// a margin that grows with pitch where a table's partials are sparse.
constexpr double kSawCeilingHz = 20200.0;
constexpr int kMaxHarmonic = kCycleLength / 2 - 1;

constexpr double kSubPulsePlateau = 13000.0;
// Odd harmonics up to this one: clean for bass notes, where the sub sits;
// higher subs keep fewer, by the saws' ceiling.
constexpr int kSubPulseTopHarmonic = 127;

constexpr int kBlepZeroCrossings = 16;
// Slightly above Nyquist: sharpens the step so it settles within the row.
constexpr double kBlepCutoff = 1.0025;
constexpr int kBlepCepstrumPadding = 4;

using Table = std::vector<int16_t>;

std::vector<double> unitSine() {
  std::vector<double> sine(kCycleLength);
  for (int i = 0; i < kCycleLength; ++i) sine[i] = std::sin(2.0 * M_PI * i / kCycleLength);
  return sine;
}

double nominalHz(int n) { return kLowestSawHz * std::pow(2.0, n / 12.0); }

int sawHarmonicCount(int n) {
  int count = 0;
  while (count < kMaxHarmonic && (count + 2) * nominalHz(n) < kSawCeilingHz) ++count;
  return count;
}

// The highest odd harmonic of sub-pulse table n: the next one up (two
// harmonics on) must stay under the saws' ceiling.
int subPulseTopHarmonic(int n) {
  int top = 1;
  while (top + 2 <= kSubPulseTopHarmonic && (top + 4) * nominalHz(n) < kSawCeilingHz) top += 2;
  return top;
}

Table quantise(const std::vector<double>& cycle, double scale) {
  Table table(kGuardedCycleLength);
  for (int i = 0; i < kCycleLength; ++i) table[i] = int16_t(std::lround(cycle[i] * scale));
  table[kCycleLength] = table[0];
  return table;
}

// The harmonic counts only fall as n rises, so walking from the top table
// down and adding the missing harmonics to one running sum builds all 156
// tables with each harmonic summed once.
std::vector<Table> sawTables() {
  const auto sine = unitSine();
  std::vector<Table> tables(kSawTableCount);
  std::vector<double> sum(kCycleLength, 0.0);
  int summed = 0;
  for (int n = kSawTableCount - 1; n >= 0; --n) {
    for (; summed < sawHarmonicCount(n); ++summed) {
      const int h = summed + 1;
      for (int i = 0; i < kCycleLength; ++i) sum[i] -= sine[(h * i) % kCycleLength] / h;
    }
    tables[n] = quantise(sum, 32767.0 / peakOf(sum));
  }
  return tables;
}

Table sineTable() {
  Table table(kGuardedCycleLength);
  for (int i = 0; i < kGuardedCycleLength; ++i)
    table[i] = int16_t(std::trunc(32767.0 * 0.999 * std::sin(2.0 * M_PI * i / kCycleLength)));
  return table;
}

// Like the saws: from the top table down, each odd harmonic added once.
std::vector<Table> subPulseTables() {
  const auto sine = unitSine();
  std::vector<Table> tables(kSawTableCount);
  std::vector<double> sum(kCycleLength, 0.0);
  int summed = -1;  // highest harmonic in the sum
  for (int n = kSawTableCount - 1; n >= 0; --n) {
    for (; summed < subPulseTopHarmonic(n); summed += 2) {
      const int h = summed + 2;
      for (int i = 0; i < kCycleLength; ++i) sum[i] -= sine[(h * i) % kCycleLength] / h;
    }
    tables[n] = quantise(sum, kSubPulsePlateau * 4.0 / M_PI);
  }
  return tables;
}

// Minimum-phase band-limited step (Blackman-windowed sinc made minimum phase
// through its real cepstrum), sampled at 128 steps per frame. Minimum phase
// keeps the correction causal: the sync reset must not be anticipated.
std::vector<std::vector<float>> blepResidual() {
  constexpr int kSteps = kBlepPhaseSteps;
  constexpr int kLength = 2 * kBlepZeroCrossings * kSteps + 1;
  size_t size = 1;
  while (size < size_t(kLength) * kBlepCepstrumPadding) size <<= 1;

  Spectrum x(size, 0.0);
  for (int i = 0; i < kLength; ++i) {
    const double t = kBlepCutoff * (i - (kLength - 1) / 2.0) / kSteps;
    const double sinc = t == 0.0 ? 1.0 : std::sin(M_PI * t) / (M_PI * t);
    const double u = double(i) / (kLength - 1);
    x[i] = sinc * (0.42 - 0.5 * std::cos(2 * M_PI * u) + 0.08 * std::cos(4 * M_PI * u));
  }
  fft(x, false);
  for (auto& v : x) v = std::log(std::max(std::abs(v), 1e-300));
  fft(x, true);
  for (size_t i = 1; i < size / 2; ++i) x[i] *= 2.0;
  for (size_t i = size / 2 + 1; i < size; ++i) x[i] = 0.0;
  fft(x, false);
  for (auto& v : x) v = std::exp(v);
  fft(x, true);

  std::vector<double> step(kLength);
  double total = 0.0;
  for (int i = 0; i < kLength; ++i) step[i] = total += x[i].real();

  std::vector<std::vector<float>> rows(kSteps + 1, std::vector<float>(kBlepLength, 0.0f));
  for (int r = 0; r <= kSteps; ++r)
    for (int j = 0; j < kBlepLength - 1; ++j) {
      const int k = j * kSteps + r;
      if (k < kLength) rows[r][j] = float(1.0 - step[k] / total);
    }
  return rows;
}

template <typename Row>
void writeRows(SourceWriter& out, const std::string& declaration, const std::vector<Row>& rows) {
  out.line(declaration + " = {");
  for (const auto& row : rows) {
    out.line("{");
    out.values(row);
    out.line("},");
  }
  out.line("};");
}

template <typename Row>
void writeRow(SourceWriter& out, const std::string& declaration, const Row& row) {
  out.line(declaration + " = {");
  out.values(row);
  out.line("};");
}

}  // namespace
}  // namespace vesk::gen

int main(int argc, char** argv) {
  using namespace vesk::gen;
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <output.cpp>\n", argv[0]);
    return 2;
  }
  try {
    const auto saws = sawTables();
    const auto residual = blepResidual();
    SourceWriter out(argv[1]);
    out.line("#include \"OscillatorTables.h\"");
    out.line("namespace vesk {");
    writeRows(out, "const int16_t sawTables[kSawTableCount][kGuardedCycleLength]", saws);
    writeRow(out, "const int16_t sineTable[kGuardedCycleLength]", sineTable());
    writeRows(out, "const int16_t subPulseTables[kSawTableCount][kGuardedCycleLength]", subPulseTables());
    writeRows(out, "const float blepResidual[kBlepPhaseSteps + 1][kBlepLength]", residual);
    out.line("}  // namespace vesk");
    return out.close() ? 0 : 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s: %s\n", argv[0], e.what());
    return 1;
  }
}
