#include "Fourier.h"

#include <cmath>
#include <stdexcept>

namespace vesk::gen {

void fft(Spectrum& data, bool inverse) {
  const size_t n = data.size();
  if (n == 0 || (n & (n - 1)) != 0) throw std::invalid_argument("fft size must be a power of two");
  for (size_t i = 1, j = 0; i < n; ++i) {
    size_t bit = n >> 1;
    for (; j & bit; bit >>= 1) j ^= bit;
    j |= bit;
    if (i < j) std::swap(data[i], data[j]);
  }
  const double sign = inverse ? 1.0 : -1.0;
  for (size_t len = 2; len <= n; len <<= 1) {
    const double angle = sign * 2.0 * M_PI / double(len);
    for (size_t start = 0; start < n; start += len) {
      for (size_t k = 0; k < len / 2; ++k) {
        // Twiddles straight from sin/cos rather than a running product keep
        // the error flat across large sizes.
        const std::complex<double> w(std::cos(angle * double(k)), std::sin(angle * double(k)));
        const auto u = data[start + k];
        const auto v = data[start + k + len / 2] * w;
        data[start + k] = u + v;
        data[start + k + len / 2] = u - v;
      }
    }
  }
  if (inverse)
    for (auto& x : data) x /= double(n);
}

double peakOf(const std::vector<double>& samples) {
  double peak = 0.0;
  for (double s : samples) peak = std::max(peak, std::fabs(s));
  return peak;
}

}  // namespace vesk::gen
