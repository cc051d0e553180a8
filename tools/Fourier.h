// Spectral helpers shared by the table generators. They run on the build
// machine only, so they favour plain double arithmetic over speed.
#pragma once

#include <complex>
#include <vector>

namespace vesk::gen {

using Spectrum = std::vector<std::complex<double>>;

// In-place radix-2 transform; the size must be a power of two. The inverse
// is scaled by 1/size so that a forward and an inverse pass round-trip.
void fft(Spectrum& data, bool inverse);

// Peak of |x| over the samples.
double peakOf(const std::vector<double>& samples);

}  // namespace vesk::gen
