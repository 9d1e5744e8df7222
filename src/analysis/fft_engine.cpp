#include "analysis/fft_engine.h"

#include <cmath>
#include <cstddef>
#include <cstring>
#include <utility>

namespace keblor {

namespace {

// One running twiddle per butterfly column of every stage: stage s (half h = 512 >> s) keeps
// its h values at offset FFT_SIZE - 2h, so the ten stages fill 1023 entries.
constexpr int TWIDDLE_COUNT = FFT_SIZE - 1;

constexpr int TwiddleOffset(int half) { return FFT_SIZE - 2 * half; }

// The twiddles are the very values the group-to-group recurrence produces (in double), only
// computed once per set of step tables and direction instead of once per transform. The
// recurrence is a serial chain of 1023 steps, which would otherwise cost more than the
// butterflies themselves.
struct TwiddleSet {
  bool valid = false;
  bool forward = false;
  float stepCos[FFT_LOG2_SIZE] = {};
  float stepSin[FFT_LOG2_SIZE] = {};
  // Aligned for vector loads.
  alignas(64) double wr[TWIDDLE_COUNT] = {};
  alignas(64) double wi[TWIDDLE_COUNT] = {};
};

void BuildTwiddles(TwiddleSet& set, bool forward, const float* cosTable, const float* sinTable) {
  set.forward = forward;
  std::memcpy(set.stepCos, cosTable, sizeof set.stepCos);
  std::memcpy(set.stepSin, sinTable, sizeof set.stepSin);
  for (int s = 0; s < FFT_LOG2_SIZE; ++s) {
    const int half = (FFT_SIZE >> s) / 2;
    const double c = cosTable[s];
    const double t = forward ? -static_cast<double>(sinTable[s]) : static_cast<double>(sinTable[s]);
    double wr = 1.0;
    double wi = 0.0;
    double* outR = set.wr + TwiddleOffset(half);
    double* outI = set.wi + TwiddleOffset(half);
    for (int j = 0; j < half; ++j) {
      outR[j] = wr;
      outI[j] = wi;
      const double nextR = c * wr - t * wi;
      wi = c * wi + t * wr;
      wr = nextR;
    }
  }
  set.valid = true;
}

bool Matches(const TwiddleSet& set, bool forward, const float* cosTable, const float* sinTable) {
  return set.valid && set.forward == forward &&
         std::memcmp(set.stepCos, cosTable, sizeof set.stepCos) == 0 &&
         std::memcmp(set.stepSin, sinTable, sizeof set.stepSin) == 0;
}

// One cached set per direction; per thread, so that concurrent callers never share a cache.
const TwiddleSet& TwiddlesFor(bool forward, const float* cosTable, const float* sinTable) {
  thread_local TwiddleSet cache[2];
  TwiddleSet& set = cache[forward ? 0 : 1];
  if (!Matches(set, forward, cosTable, sinTable)) BuildTwiddles(set, forward, cosTable, sinTable);
  return set;
}

// The exchanges of the bit-reversal walk, found once at compile time by the same walk.
struct SwapTable {
  int count = 0;
  std::pair<short, short> swaps[FFT_SIZE / 2] = {};
};

constexpr SwapTable BuildSwapTable() {
  SwapTable table;
  const int n = FFT_SIZE;
  int r = 0;
  for (int j = 0; j <= n - 2; ++j) {
    if (j < r) {
      table.swaps[table.count] = {static_cast<short>(j), static_cast<short>(r)};
      ++table.count;
    }
    int k = n / 2;
    while (k <= r) {
      r -= k;
      k /= 2;
    }
    r += k;
  }
  return table;
}

constexpr SwapTable BIT_REVERSAL = BuildSwapTable();

// Butterflies of one stage: HALF columns in each group of 2 * HALF. Reads floats, computes in
// double, stores floats. The column count is a constant and the four rows cannot overlap, so
// the compiler can vectorise the column loop as it is (at -O2, without run-time alias checks).
template <int HALF>
void Butterflies(float* __restrict aRe, float* __restrict aIm, float* __restrict bRe, float* __restrict bIm,
                 const double* __restrict wr, const double* __restrict wi) {
  for (int j = 0; j < HALF; ++j) {
    const double ar = aRe[j];
    const double ai = aIm[j];
    const double br = bRe[j];
    const double bi = bIm[j];
    const double p = ar - br;
    const double q = ai - bi;
    aRe[j] = static_cast<float>(ar + br);
    aIm[j] = static_cast<float>(ai + bi);
    bRe[j] = static_cast<float>(p * wr[j] - q * wi[j]);
    bIm[j] = static_cast<float>(q * wr[j] + p * wi[j]);
  }
}

template <int STAGE>
void Stage(float* re, float* im, const TwiddleSet& tw) {
  constexpr int HALF = (FFT_SIZE >> STAGE) / 2;
  const double* wr = tw.wr + TwiddleOffset(HALF);
  const double* wi = tw.wi + TwiddleOffset(HALF);
  for (int group = 0; group < FFT_SIZE; group += 2 * HALF) {
    Butterflies<HALF>(re + group, im + group, re + group + HALF, im + group + HALF, wr, wi);
  }
}

template <int... STAGES>
void AllStages(float* re, float* im, const TwiddleSet& tw, std::integer_sequence<int, STAGES...>) {
  (Stage<STAGES>(re, im, tw), ...);
}

// Every stage in place, spans 1024 down to 2, then the bit-reversal walk.
void Transform(float* re, float* im, const TwiddleSet& tw) {
  AllStages(re, im, tw, std::make_integer_sequence<int, FFT_LOG2_SIZE>{});
  for (int i = 0; i < BIT_REVERSAL.count; ++i) {
    const int j = BIT_REVERSAL.swaps[i].first;
    const int r = BIT_REVERSAL.swaps[i].second;
    std::swap(re[j], re[r]);
    std::swap(im[j], im[r]);
  }
}

}  // namespace

void BuildFftTables(FftTables& tables) {
  for (int n = 0; n < FFT_SIZE; ++n) {
    tables.hannWindow[static_cast<std::size_t>(n)] =
        static_cast<float>(0.5 - 0.5 * std::cos(n * 0.006135923151541016));
  }
  for (int s = 0; s < FFT_LOG2_SIZE; ++s) {
    const double theta = TWO_PI_12 / std::pow(2.0, FFT_LOG2_SIZE - s);
    tables.stageCos[static_cast<std::size_t>(s)] = static_cast<float>(std::cos(theta));
    tables.stageSin[static_cast<std::size_t>(s)] = static_cast<float>(std::sin(theta));
  }
}

void FftTransform(int sign, int n, float* re, float* im, const float* cosTable, const float* sinTable) {
  // The kernel exists for one size only; anything else is left untouched rather than overrun.
  if (n != FFT_SIZE) return;
  Transform(re, im, TwiddlesFor(sign < 0, cosTable, sinTable));
}

void CopyHalfSpectrum(int n, const float* re, const float* im, float* outRe, float* outIm) {
  for (int k = 0; k <= n / 2; ++k) {
    outRe[k] = re[k];
    outIm[k] = im[k];
  }
}

void SplitTwoRealSpectra(int n, const float* re, const float* im, float* aRe, float* aIm, float* bRe,
                         float* bIm) {
  aRe[0] = 2.0f * re[0];
  aIm[0] = 0.0f;
  bRe[0] = 2.0f * im[0];
  bIm[0] = 0.0f;
  for (int k = 1; k <= n / 2; ++k) {
    const int m = n - k;
    aRe[k] = re[k] + re[m];
    aIm[k] = im[k] - im[m];
    bRe[k] = im[k] + im[m];
    bIm[k] = re[m] - re[k];
  }
}

}  // namespace keblor
