#include "analysis/fft_engine.h"
#include "analysis/fft_kernels.h"

#include <cmath>
#include <cstddef>
#include <cstring>
#include <utility>

#if defined(__SSE2__) && (defined(__x86_64__) || defined(__i386__))
#define KEBLOR_FFT_X86 1
#include <immintrin.h>
#endif

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
  // Aligned for whole-register loads: each stage's run starts at a multiple of 8 entries.
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

// Butterflies of one stage. Reads floats, computes in double, stores floats.
inline void Stage(int span, float* re, float* im, const double* wr, const double* wi) {
  const int half = span / 2;
  for (int group = 0; group < FFT_SIZE; group += span) {
    float* aRe = re + group;
    float* aIm = im + group;
    float* bRe = aRe + half;
    float* bIm = aIm + half;
    for (int j = 0; j < half; ++j) {
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
}

// Plain C++ for any machine: every stage in place, then the bit-reversal walk.
void TransformPortable(float* re, float* im, const TwiddleSet& tw) {
  for (int s = 0; s < FFT_LOG2_SIZE; ++s) {
    const int span = FFT_SIZE >> s;
    const int offset = TwiddleOffset(span / 2);
    Stage(span, re, im, tw.wr + offset, tw.wi + offset);
  }
  for (int i = 0; i < BIT_REVERSAL.count; ++i) {
    const int j = BIT_REVERSAL.swaps[i].first;
    const int r = BIT_REVERSAL.swaps[i].second;
    std::swap(re[j], re[r]);
    std::swap(im[j], im[r]);
  }
}

#if defined(KEBLOR_FFT_X86)

// The vector kernels give exactly the results of the portable one, bit for bit:
// - the same double operations on the same operands, lane by lane (IEEE arithmetic is exact
//   per operation, and no multiply-add is fused: neither SSE2 nor plain AVX has one);
// - the sum a + b is formed in float: rounding the double sum of two floats to float gives
//   the float sum, since double carries more than twice float's precision;
// - where the twiddle is exactly 1 + 0i (column 0 of the span-4 stage, all of the span-2
//   stage), (a - b) * w is p - q*0 and q + p*0 in float, which keeps even the sign of a zero.

// m0 = 0..63 with its six bits reversed.
struct Reverse6Table {
  unsigned char value[64] = {};
};

constexpr Reverse6Table BuildReverse6() {
  Reverse6Table table;
  for (int m = 0; m < 64; ++m) {
    int r = 0;
    for (int bit = 0; bit < 6; ++bit) r |= ((m >> bit) & 1) << (5 - bit);
    table.value[m] = static_cast<unsigned char>(r);
  }
  return table;
}

constexpr Reverse6Table REVERSE6 = BuildReverse6();

// The last two stages (spans 4 and 2) fused with the bit reversal, from src into re/im.
// Element e = 4m + i (m = m0 + 64q) of the stage input ends at
//   256*rev2(i) + 4*rev6(m0) + rev2(q)
// so loading rows q = 0..3 at 4*m0 + 256q and transposing gives one vector per i whose
// lanes q, after swapping the middle two, are four consecutive outputs.
__attribute__((always_inline)) inline void LastStagesReordered(const float* srcRe, const float* srcIm,
                                                               const TwiddleSet& tw, float* re, float* im) {
  const __m128 zero = _mm_setzero_ps();
  // Column 1 of the span-4 stage is the only twiddle left that is not 1 + 0i.
  const __m128d wr = _mm_set1_pd(tw.wr[TwiddleOffset(2) + 1]);
  const __m128d wi = _mm_set1_pd(tw.wi[TwiddleOffset(2) + 1]);
  for (int m0 = 0; m0 < 64; ++m0) {
    const float* r = srcRe + 4 * m0;
    const float* s = srcIm + 4 * m0;
    __m128 r0 = _mm_loadu_ps(r);
    __m128 r1 = _mm_loadu_ps(r + 256);
    __m128 r2 = _mm_loadu_ps(r + 512);
    __m128 r3 = _mm_loadu_ps(r + 768);
    __m128 i0 = _mm_loadu_ps(s);
    __m128 i1 = _mm_loadu_ps(s + 256);
    __m128 i2 = _mm_loadu_ps(s + 512);
    __m128 i3 = _mm_loadu_ps(s + 768);
    _MM_TRANSPOSE4_PS(r0, r1, r2, r3);
    _MM_TRANSPOSE4_PS(i0, i1, i2, i3);

    // Span 4, column 0 (twiddle 1 + 0i): elements 0 and 2.
    const __m128 x0r = _mm_add_ps(r0, r2);
    const __m128 x0i = _mm_add_ps(i0, i2);
    const __m128 p0 = _mm_sub_ps(r0, r2);
    const __m128 q0 = _mm_sub_ps(i0, i2);
    const __m128 x2r = _mm_sub_ps(p0, _mm_mul_ps(q0, zero));
    const __m128 x2i = _mm_add_ps(q0, _mm_mul_ps(p0, zero));

    // Span 4, column 1: elements 1 and 3, difference times the twiddle in double.
    const __m128 x1r = _mm_add_ps(r1, r3);
    const __m128 x1i = _mm_add_ps(i1, i3);
    const __m128d pLo = _mm_sub_pd(_mm_cvtps_pd(r1), _mm_cvtps_pd(r3));
    const __m128d pHi = _mm_sub_pd(_mm_cvtps_pd(_mm_movehl_ps(r1, r1)), _mm_cvtps_pd(_mm_movehl_ps(r3, r3)));
    const __m128d qLo = _mm_sub_pd(_mm_cvtps_pd(i1), _mm_cvtps_pd(i3));
    const __m128d qHi = _mm_sub_pd(_mm_cvtps_pd(_mm_movehl_ps(i1, i1)), _mm_cvtps_pd(_mm_movehl_ps(i3, i3)));
    const __m128 x3r = _mm_movelh_ps(_mm_cvtpd_ps(_mm_sub_pd(_mm_mul_pd(pLo, wr), _mm_mul_pd(qLo, wi))),
                                     _mm_cvtpd_ps(_mm_sub_pd(_mm_mul_pd(pHi, wr), _mm_mul_pd(qHi, wi))));
    const __m128 x3i = _mm_movelh_ps(_mm_cvtpd_ps(_mm_add_pd(_mm_mul_pd(qLo, wr), _mm_mul_pd(pLo, wi))),
                                     _mm_cvtpd_ps(_mm_add_pd(_mm_mul_pd(qHi, wr), _mm_mul_pd(pHi, wi))));

    // Span 2 (twiddle 1 + 0i): pairs 0/1 and 2/3.
    const __m128 d01r = _mm_sub_ps(x0r, x1r);
    const __m128 d01i = _mm_sub_ps(x0i, x1i);
    const __m128 d23r = _mm_sub_ps(x2r, x3r);
    const __m128 d23i = _mm_sub_ps(x2i, x3i);
    const __m128 y0r = _mm_add_ps(x0r, x1r);
    const __m128 y0i = _mm_add_ps(x0i, x1i);
    const __m128 y1r = _mm_sub_ps(d01r, _mm_mul_ps(d01i, zero));
    const __m128 y1i = _mm_add_ps(d01i, _mm_mul_ps(d01r, zero));
    const __m128 y2r = _mm_add_ps(x2r, x3r);
    const __m128 y2i = _mm_add_ps(x2i, x3i);
    const __m128 y3r = _mm_sub_ps(d23r, _mm_mul_ps(d23i, zero));
    const __m128 y3i = _mm_add_ps(d23i, _mm_mul_ps(d23r, zero));

    constexpr int LANES_0213 = _MM_SHUFFLE(3, 1, 2, 0);
    const int at = 4 * REVERSE6.value[m0];
    _mm_storeu_ps(re + at, _mm_shuffle_ps(y0r, y0r, LANES_0213));
    _mm_storeu_ps(im + at, _mm_shuffle_ps(y0i, y0i, LANES_0213));
    _mm_storeu_ps(re + at + 512, _mm_shuffle_ps(y1r, y1r, LANES_0213));
    _mm_storeu_ps(im + at + 512, _mm_shuffle_ps(y1i, y1i, LANES_0213));
    _mm_storeu_ps(re + at + 256, _mm_shuffle_ps(y2r, y2r, LANES_0213));
    _mm_storeu_ps(im + at + 256, _mm_shuffle_ps(y2i, y2i, LANES_0213));
    _mm_storeu_ps(re + at + 768, _mm_shuffle_ps(y3r, y3r, LANES_0213));
    _mm_storeu_ps(im + at + 768, _mm_shuffle_ps(y3i, y3i, LANES_0213));
  }
}

// Stages of span 1024 down to 8, four butterflies per step, then the fused last two.
// SSE2, the x86-64 baseline: two doubles per register.
void TransformSse2(float* re, float* im, const TwiddleSet& tw) {
  alignas(16) float outRe[FFT_SIZE];
  alignas(16) float outIm[FFT_SIZE];
  for (int s = 0; s < FFT_LOG2_SIZE - 2; ++s) {
    const int half = (FFT_SIZE >> s) / 2;
    const double* wr = tw.wr + TwiddleOffset(half);
    const double* wi = tw.wi + TwiddleOffset(half);
    // The last of these stages writes to the scratch arrays, which the fused last stages read.
    float* dstRe = s == FFT_LOG2_SIZE - 3 ? outRe : re;
    float* dstIm = s == FFT_LOG2_SIZE - 3 ? outIm : im;
    for (int a = 0; a < FFT_SIZE; a += 2 * half) {
      const int b = a + half;
      for (int j = 0; j < half; j += 4) {
        const __m128 ar = _mm_loadu_ps(re + a + j);
        const __m128 ai = _mm_loadu_ps(im + a + j);
        const __m128 br = _mm_loadu_ps(re + b + j);
        const __m128 bi = _mm_loadu_ps(im + b + j);
        _mm_storeu_ps(dstRe + a + j, _mm_add_ps(ar, br));
        _mm_storeu_ps(dstIm + a + j, _mm_add_ps(ai, bi));
        const __m128d pLo = _mm_sub_pd(_mm_cvtps_pd(ar), _mm_cvtps_pd(br));
        const __m128d pHi = _mm_sub_pd(_mm_cvtps_pd(_mm_movehl_ps(ar, ar)), _mm_cvtps_pd(_mm_movehl_ps(br, br)));
        const __m128d qLo = _mm_sub_pd(_mm_cvtps_pd(ai), _mm_cvtps_pd(bi));
        const __m128d qHi = _mm_sub_pd(_mm_cvtps_pd(_mm_movehl_ps(ai, ai)), _mm_cvtps_pd(_mm_movehl_ps(bi, bi)));
        const __m128d wrLo = _mm_load_pd(wr + j);
        const __m128d wrHi = _mm_load_pd(wr + j + 2);
        const __m128d wiLo = _mm_load_pd(wi + j);
        const __m128d wiHi = _mm_load_pd(wi + j + 2);
        const __m128 xr = _mm_movelh_ps(_mm_cvtpd_ps(_mm_sub_pd(_mm_mul_pd(pLo, wrLo), _mm_mul_pd(qLo, wiLo))),
                                        _mm_cvtpd_ps(_mm_sub_pd(_mm_mul_pd(pHi, wrHi), _mm_mul_pd(qHi, wiHi))));
        const __m128 xi = _mm_movelh_ps(_mm_cvtpd_ps(_mm_add_pd(_mm_mul_pd(qLo, wrLo), _mm_mul_pd(pLo, wiLo))),
                                        _mm_cvtpd_ps(_mm_add_pd(_mm_mul_pd(qHi, wrHi), _mm_mul_pd(pHi, wiHi))));
        _mm_storeu_ps(dstRe + b + j, xr);
        _mm_storeu_ps(dstIm + b + j, xi);
      }
    }
  }
  LastStagesReordered(outRe, outIm, tw, re, im);
}

// AVX: four doubles per register. Chosen at run time, so the program still runs on any
// x86-64. Only "avx", never "fma": a fused multiply-add would round differently.
__attribute__((target("avx"))) void TransformAvx(float* re, float* im, const TwiddleSet& tw) {
  alignas(32) float outRe[FFT_SIZE];
  alignas(32) float outIm[FFT_SIZE];
  for (int s = 0; s < FFT_LOG2_SIZE - 2; ++s) {
    const int half = (FFT_SIZE >> s) / 2;
    const double* wr = tw.wr + TwiddleOffset(half);
    const double* wi = tw.wi + TwiddleOffset(half);
    // The last of these stages writes to the scratch arrays, which the fused last stages read.
    float* dstRe = s == FFT_LOG2_SIZE - 3 ? outRe : re;
    float* dstIm = s == FFT_LOG2_SIZE - 3 ? outIm : im;
    for (int a = 0; a < FFT_SIZE; a += 2 * half) {
      const int b = a + half;
      for (int j = 0; j < half; j += 4) {
        const __m128 ar = _mm_loadu_ps(re + a + j);
        const __m128 ai = _mm_loadu_ps(im + a + j);
        const __m128 br = _mm_loadu_ps(re + b + j);
        const __m128 bi = _mm_loadu_ps(im + b + j);
        _mm_storeu_ps(dstRe + a + j, _mm_add_ps(ar, br));
        _mm_storeu_ps(dstIm + a + j, _mm_add_ps(ai, bi));
        const __m256d p = _mm256_sub_pd(_mm256_cvtps_pd(ar), _mm256_cvtps_pd(br));
        const __m256d q = _mm256_sub_pd(_mm256_cvtps_pd(ai), _mm256_cvtps_pd(bi));
        const __m256d wrj = _mm256_load_pd(wr + j);
        const __m256d wij = _mm256_load_pd(wi + j);
        _mm_storeu_ps(dstRe + b + j, _mm256_cvtpd_ps(_mm256_sub_pd(_mm256_mul_pd(p, wrj), _mm256_mul_pd(q, wij))));
        _mm_storeu_ps(dstIm + b + j, _mm256_cvtpd_ps(_mm256_add_pd(_mm256_mul_pd(q, wrj), _mm256_mul_pd(p, wij))));
      }
    }
  }
  LastStagesReordered(outRe, outIm, tw, re, im);
}

// GCC 12's own conversion intrinsics start from an "undefined" register, which its
// uninitialised-use warning mistakes for a fault.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#pragma GCC diagnostic ignored "-Wuninitialized"
#endif
// Eight butterflies of one stage, the AVX-512F way: the difference and its product with the
// twiddle in double, eight lanes per register.
__attribute__((target("avx512f"), always_inline)) inline void Butterfly8(__m256 ar, __m256 ai, __m256 br, __m256 bi,
                                                                         __m512d wr, __m512d wi, __m256& sumR,
                                                                         __m256& sumI, __m256& prodR, __m256& prodI) {
  sumR = _mm256_add_ps(ar, br);
  sumI = _mm256_add_ps(ai, bi);
  const __m512d p = _mm512_sub_pd(_mm512_cvtps_pd(ar), _mm512_cvtps_pd(br));
  const __m512d q = _mm512_sub_pd(_mm512_cvtps_pd(ai), _mm512_cvtps_pd(bi));
  prodR = _mm512_cvtpd_ps(_mm512_sub_pd(_mm512_mul_pd(p, wr), _mm512_mul_pd(q, wi)));
  prodI = _mm512_cvtpd_ps(_mm512_add_pd(_mm512_mul_pd(q, wr), _mm512_mul_pd(p, wi)));
}

// Two 4-by-4 transposes at once, one in each 128-bit half.
__attribute__((target("avx512f"), always_inline)) inline void Transpose4x4Pairs(__m256& r0, __m256& r1, __m256& r2,
                                                                                __m256& r3) {
  const __m256d t0 = _mm256_castps_pd(_mm256_unpacklo_ps(r0, r1));
  const __m256d t1 = _mm256_castps_pd(_mm256_unpacklo_ps(r2, r3));
  const __m256d t2 = _mm256_castps_pd(_mm256_unpackhi_ps(r0, r1));
  const __m256d t3 = _mm256_castps_pd(_mm256_unpackhi_ps(r2, r3));
  r0 = _mm256_castpd_ps(_mm256_unpacklo_pd(t0, t1));
  r1 = _mm256_castpd_ps(_mm256_unpackhi_pd(t0, t1));
  r2 = _mm256_castpd_ps(_mm256_unpacklo_pd(t2, t3));
  r3 = _mm256_castpd_ps(_mm256_unpackhi_pd(t2, t3));
}

// Stores the low half at lo and the high half at hi.
__attribute__((target("avx512f"), always_inline)) inline void StoreHalves(float* lo, float* hi, __m256 v) {
  _mm_storeu_ps(lo, _mm256_castps256_ps128(v));
  _mm_storeu_ps(hi, _mm256_extractf128_ps(v, 1));
}

// The span-4 and span-2 stages for two values of m0 at once (one per 128-bit half), the same
// operations as LastStagesReordered lane by lane. Rows q = 0..3 come in r[q]/i[q].
__attribute__((target("avx512f"), always_inline)) inline void LastTwoStagesPair(__m256 r0, __m256 r1, __m256 r2,
                                                                                __m256 r3, __m256 i0, __m256 i1,
                                                                                __m256 i2, __m256 i3, __m512d wr,
                                                                                __m512d wi, int m0Lo, int m0Hi,
                                                                                float* re, float* im) {
  const __m256 zero = _mm256_setzero_ps();
  Transpose4x4Pairs(r0, r1, r2, r3);
  Transpose4x4Pairs(i0, i1, i2, i3);

  // Span 4, column 0 (twiddle 1 + 0i): elements 0 and 2.
  const __m256 x0r = _mm256_add_ps(r0, r2);
  const __m256 x0i = _mm256_add_ps(i0, i2);
  const __m256 p0 = _mm256_sub_ps(r0, r2);
  const __m256 q0 = _mm256_sub_ps(i0, i2);
  const __m256 x2r = _mm256_sub_ps(p0, _mm256_mul_ps(q0, zero));
  const __m256 x2i = _mm256_add_ps(q0, _mm256_mul_ps(p0, zero));

  // Span 4, column 1: elements 1 and 3, difference times the twiddle in double.
  __m256 x1r;
  __m256 x1i;
  __m256 x3r;
  __m256 x3i;
  Butterfly8(r1, i1, r3, i3, wr, wi, x1r, x1i, x3r, x3i);

  // Span 2 (twiddle 1 + 0i): pairs 0/1 and 2/3.
  const __m256 d01r = _mm256_sub_ps(x0r, x1r);
  const __m256 d01i = _mm256_sub_ps(x0i, x1i);
  const __m256 d23r = _mm256_sub_ps(x2r, x3r);
  const __m256 d23i = _mm256_sub_ps(x2i, x3i);
  const __m256 y0r = _mm256_add_ps(x0r, x1r);
  const __m256 y0i = _mm256_add_ps(x0i, x1i);
  const __m256 y1r = _mm256_sub_ps(d01r, _mm256_mul_ps(d01i, zero));
  const __m256 y1i = _mm256_add_ps(d01i, _mm256_mul_ps(d01r, zero));
  const __m256 y2r = _mm256_add_ps(x2r, x3r);
  const __m256 y2i = _mm256_add_ps(x2i, x3i);
  const __m256 y3r = _mm256_sub_ps(d23r, _mm256_mul_ps(d23i, zero));
  const __m256 y3i = _mm256_add_ps(d23i, _mm256_mul_ps(d23r, zero));

  constexpr int LANES_0213 = _MM_SHUFFLE(3, 1, 2, 0);
  const int lo = 4 * REVERSE6.value[m0Lo];
  const int hi = 4 * REVERSE6.value[m0Hi];
  StoreHalves(re + lo, re + hi, _mm256_shuffle_ps(y0r, y0r, LANES_0213));
  StoreHalves(im + lo, im + hi, _mm256_shuffle_ps(y0i, y0i, LANES_0213));
  StoreHalves(re + lo + 512, re + hi + 512, _mm256_shuffle_ps(y1r, y1r, LANES_0213));
  StoreHalves(im + lo + 512, im + hi + 512, _mm256_shuffle_ps(y1i, y1i, LANES_0213));
  StoreHalves(re + lo + 256, re + hi + 256, _mm256_shuffle_ps(y2r, y2r, LANES_0213));
  StoreHalves(im + lo + 256, im + hi + 256, _mm256_shuffle_ps(y2i, y2i, LANES_0213));
  StoreHalves(re + lo + 768, re + hi + 768, _mm256_shuffle_ps(y3r, y3r, LANES_0213));
  StoreHalves(im + lo + 768, im + hi + 768, _mm256_shuffle_ps(y3i, y3i, LANES_0213));
}

// The last three stages (spans 8, 4 and 2) fused with the bit reversal, from src into re/im.
// In the terms of LastStagesReordered, the span-8 stage pairs the row of m0 = 2k with the
// row of 2k + 1 (same q, same column), so each step loads the rows of m0 = 2k and 2k + 32
// as the a side and of 2k + 1 and 2k + 33 as the b side, one m0 per 128-bit half, and runs
// the span-8 butterflies eight at a time; the sums then go on as m0 = 2k and 2k + 32, the
// products as 2k + 1 and 2k + 33.
__attribute__((target("avx512f"))) void LastThreeStagesReordered(const float* srcRe, const float* srcIm,
                                                                 const TwiddleSet& tw, float* re, float* im) {
  alignas(64) double w8r[8];
  alignas(64) double w8i[8];
  for (int j = 0; j < 8; ++j) {
    w8r[j] = tw.wr[TwiddleOffset(4) + j % 4];
    w8i[j] = tw.wi[TwiddleOffset(4) + j % 4];
  }
  const __m512d span8r = _mm512_load_pd(w8r);
  const __m512d span8i = _mm512_load_pd(w8i);
  const __m512d span4r = _mm512_set1_pd(tw.wr[TwiddleOffset(2) + 1]);
  const __m512d span4i = _mm512_set1_pd(tw.wi[TwiddleOffset(2) + 1]);
  for (int k = 0; k < 16; ++k) {
    const int evenLo = 2 * k;
    const int evenHi = 2 * k + 32;
    __m256 sr[4];
    __m256 si[4];
    __m256 dr[4];
    __m256 di[4];
    for (int q = 0; q < 4; ++q) {
      const float* r = srcRe + 256 * q;
      const float* s = srcIm + 256 * q;
      const __m256 ar = _mm256_loadu2_m128(r + 4 * evenHi, r + 4 * evenLo);
      const __m256 ai = _mm256_loadu2_m128(s + 4 * evenHi, s + 4 * evenLo);
      const __m256 br = _mm256_loadu2_m128(r + 4 * evenHi + 4, r + 4 * evenLo + 4);
      const __m256 bi = _mm256_loadu2_m128(s + 4 * evenHi + 4, s + 4 * evenLo + 4);
      Butterfly8(ar, ai, br, bi, span8r, span8i, sr[q], si[q], dr[q], di[q]);
    }
    LastTwoStagesPair(sr[0], sr[1], sr[2], sr[3], si[0], si[1], si[2], si[3], span4r, span4i, evenLo, evenHi, re, im);
    LastTwoStagesPair(dr[0], dr[1], dr[2], dr[3], di[0], di[1], di[2], di[3], span4r, span4i, evenLo + 1, evenHi + 1,
                      re, im);
  }
}

// AVX-512F: eight doubles per register for the stages of span 1024 down to 16 (each with at
// least eight columns), then the last three stages fused with the bit reversal. Chosen at
// run time like AVX, and likewise without "fma".
__attribute__((target("avx512f"))) void TransformAvx512(float* re, float* im, const TwiddleSet& tw) {
  alignas(64) float outRe[FFT_SIZE];
  alignas(64) float outIm[FFT_SIZE];
  for (int s = 0; s < FFT_LOG2_SIZE - 3; ++s) {
    const int half = (FFT_SIZE >> s) / 2;
    const double* wr = tw.wr + TwiddleOffset(half);
    const double* wi = tw.wi + TwiddleOffset(half);
    float* dstRe = s == FFT_LOG2_SIZE - 4 ? outRe : re;
    float* dstIm = s == FFT_LOG2_SIZE - 4 ? outIm : im;
    for (int a = 0; a < FFT_SIZE; a += 2 * half) {
      const int b = a + half;
      for (int j = 0; j < half; j += 8) {
        __m256 sumR;
        __m256 sumI;
        __m256 prodR;
        __m256 prodI;
        Butterfly8(_mm256_loadu_ps(re + a + j), _mm256_loadu_ps(im + a + j), _mm256_loadu_ps(re + b + j),
                   _mm256_loadu_ps(im + b + j), _mm512_load_pd(wr + j), _mm512_load_pd(wi + j), sumR, sumI, prodR,
                   prodI);
        _mm256_storeu_ps(dstRe + a + j, sumR);
        _mm256_storeu_ps(dstIm + a + j, sumI);
        _mm256_storeu_ps(dstRe + b + j, prodR);
        _mm256_storeu_ps(dstIm + b + j, prodI);
      }
    }
  }
  LastThreeStagesReordered(outRe, outIm, tw, re, im);
}
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

bool CpuRuns(FftKernel kernel) {
  __builtin_cpu_init();
  switch (kernel) {
    case FftKernel::Portable:
    case FftKernel::Sse2:
      return true;
    case FftKernel::Avx:
      return __builtin_cpu_supports("avx");
    case FftKernel::Avx512:
      return __builtin_cpu_supports("avx512f");
  }
  return false;
}

#endif  // KEBLOR_FFT_X86

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

bool FftKernelAvailable(FftKernel kernel) {
#if defined(KEBLOR_FFT_X86)
  return CpuRuns(kernel);
#else
  return kernel == FftKernel::Portable;
#endif
}

FftKernel ChosenFftKernel() {
  for (FftKernel kernel : {FftKernel::Avx512, FftKernel::Avx, FftKernel::Sse2}) {
    if (FftKernelAvailable(kernel)) return kernel;
  }
  return FftKernel::Portable;
}

namespace {

void RunKernel(FftKernel kernel, float* re, float* im, const TwiddleSet& tw) {
  switch (kernel) {
#if defined(KEBLOR_FFT_X86)
    case FftKernel::Sse2:
      TransformSse2(re, im, tw);
      return;
    case FftKernel::Avx:
      TransformAvx(re, im, tw);
      return;
    case FftKernel::Avx512:
      TransformAvx512(re, im, tw);
      return;
#else
    case FftKernel::Sse2:
    case FftKernel::Avx:
    case FftKernel::Avx512:
#endif
    case FftKernel::Portable:
      TransformPortable(re, im, tw);
      return;
  }
}

}  // namespace

void FftTransformWith(FftKernel kernel, int sign, int n, float* re, float* im, const float* cosTable,
                      const float* sinTable) {
  // The kernels exist for one size only; anything else is left untouched rather than overrun.
  if (n != FFT_SIZE || !FftKernelAvailable(kernel)) return;
  RunKernel(kernel, re, im, TwiddlesFor(sign < 0, cosTable, sinTable));
}

void FftTransform(int sign, int n, float* re, float* im, const float* cosTable, const float* sinTable) {
  if (n != FFT_SIZE) return;
  static const FftKernel kernel = ChosenFftKernel();
  RunKernel(kernel, re, im, TwiddlesFor(sign < 0, cosTable, sinTable));
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

int RoundNearest(double x) {
  const int t = static_cast<int>(x);  // toward zero
  if (x - t >= 0.5) return t + 1;
  if (t - x >= 0.5) return t - 1;
  return t;
}

}  // namespace keblor
