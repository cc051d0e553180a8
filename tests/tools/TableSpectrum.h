// Spectrum of one 2048-sample table cycle, for checking generated tables.
// Written independently of the generators so the tests do not trust their
// arithmetic.
#pragma once

#include <cmath>
#include <complex>
#include <cstdint>
#include <vector>

namespace vesk::test {

// Amplitude of each harmonic 0..1024 in table units (a full-scale sine
// reads 32767 at its bin).
inline std::vector<double> harmonicAmplitudes(const int16_t* cycle, int length = 2048) {
  std::vector<std::complex<double>> x(cycle, cycle + length);
  for (int i = 1, j = 0; i < length; ++i) {
    int bit = length >> 1;
    for (; j & bit; bit >>= 1) j ^= bit;
    j |= bit;
    if (i < j) std::swap(x[i], x[j]);
  }
  for (int len = 2; len <= length; len <<= 1)
    for (int start = 0; start < length; start += len)
      for (int k = 0; k < len / 2; ++k) {
        const auto w = std::polar(1.0, -2.0 * M_PI * k / len);
        const auto u = x[start + k], v = x[start + k + len / 2] * w;
        x[start + k] = u + v;
        x[start + k + len / 2] = u - v;
      }
  std::vector<double> amplitudes(length / 2 + 1);
  for (int k = 0; k <= length / 2; ++k) amplitudes[k] = std::abs(x[k]) * (k == 0 ? 1.0 : 2.0) / length;
  return amplitudes;
}

// Highest harmonic whose amplitude exceeds the floor (0 if none does).
inline int highestHarmonicAbove(const std::vector<double>& amplitudes, double floor) {
  for (int k = int(amplitudes.size()) - 1; k > 0; --k)
    if (amplitudes[k] > floor) return k;
  return 0;
}

}  // namespace vesk::test
