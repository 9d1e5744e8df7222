#pragma once
// The fixed numerical kernel: a 1024-point in-place radix-2 FFT on split complex arrays,
// its tables, the two ways of turning its output into half spectra, and the one rounding
// rule the display uses. No state besides the tables; nothing allocates.

#include <array>

namespace keblor {

inline constexpr int FFT_LOG2_SIZE = 10;
inline constexpr int FFT_SIZE = 1 << FFT_LOG2_SIZE;  // 1024
inline constexpr int HALF_SPECTRUM_SIZE = FFT_SIZE / 2 + 1;  // bins 0..512

// The 2*pi the window and the stage tables are built from (twelve decimals, on purpose).
inline constexpr double TWO_PI_12 = 6.283185307178;

struct FftTables {
  std::array<float, FFT_SIZE> hannWindow{};
  std::array<float, FFT_LOG2_SIZE> stageCos{};
  std::array<float, FFT_LOG2_SIZE> stageSin{};
};

// Fills the periodic Hann window and one twiddle step per stage (entry 0: span 1024).
void BuildFftTables(FftTables& tables);

// In-place unscaled transform of n (= FFT_SIZE) complex values; sign < 0 is the forward
// (negative exponent) transform. Twiddles run by recurrence from the stage tables.
void FftTransform(int sign, int n, float* re, float* im, const float* cosTable, const float* sinTable);

// Copies bins 0..n/2 of one channel's transform, unscaled.
void CopyHalfSpectrum(int n, const float* re, const float* im, float* outRe, float* outIm);

// Splits the transform of a + i*b into bins 0..n/2 of 2*DFT(a) and 2*DFT(b).
void SplitTwoRealSpectra(int n, const float* re, const float* im, float* aRe, float* aIm, float* bRe,
                         float* bIm);

}  // namespace keblor
