#include "analysis/block_analysis.h"

#include <cmath>
#include <cstddef>
#include <cstdint>

#if defined(__SSE2__) && (defined(__x86_64__) || defined(__i386__))
#define KEBLOR_BLOCK_SSE2 1
#include <emmintrin.h>
#endif

namespace keblor {

namespace {

constexpr std::size_t BLOCK = static_cast<std::size_t>(FFT_SIZE);
constexpr std::size_t BINS = static_cast<std::size_t>(ACCUMULATED_BINS);

// 8-bit samples are unsigned with their centre between 127 and 128.
inline float Sample8(std::uint8_t byte) { return static_cast<float>(byte) - 127.5f; }

// 16-bit samples are signed little-endian, whatever the host's byte order.
inline float Sample16(const std::uint8_t* p) {
  const auto bits = static_cast<std::uint16_t>(p[0] | (p[1] << 8));
  return static_cast<float>(static_cast<std::int16_t>(bits));
}

void ConvertBlock(const std::uint8_t* frames, int channels, int bitsPerSample, float* re, float* im) {
  const bool stereo = channels == 2;
  if (bitsPerSample == 8) {
    if (stereo) {
      for (std::size_t i = 0; i < BLOCK; ++i) {
        re[i] = Sample8(frames[2 * i]);
        im[i] = Sample8(frames[2 * i + 1]);
      }
    } else {
      for (std::size_t i = 0; i < BLOCK; ++i) {
        re[i] = Sample8(frames[i]);
        im[i] = 0.0f;
      }
    }
  } else {
    if (stereo) {
      for (std::size_t i = 0; i < BLOCK; ++i) {
        re[i] = Sample16(frames + 4 * i);
        im[i] = Sample16(frames + 4 * i + 2);
      }
    } else {
      for (std::size_t i = 0; i < BLOCK; ++i) {
        re[i] = Sample16(frames + 2 * i);
        im[i] = 0.0f;
      }
    }
  }
}

// Largest |x|. The maximum is exact whatever the order, so it is taken over independent lanes
// instead of one serial chain (samples are finite, never NaN).
float PeakOf(const float* x) {
#if defined(KEBLOR_BLOCK_SSE2)
  const __m128 magnitude = _mm_castsi128_ps(_mm_set1_epi32(0x7FFFFFFF));
  __m128 lane0 = _mm_setzero_ps();
  __m128 lane1 = _mm_setzero_ps();
  for (std::size_t i = 0; i < BLOCK; i += 8) {
    lane0 = _mm_max_ps(lane0, _mm_and_ps(_mm_loadu_ps(x + i), magnitude));
    lane1 = _mm_max_ps(lane1, _mm_and_ps(_mm_loadu_ps(x + i + 4), magnitude));
  }
  alignas(16) float lanes[4];
  _mm_store_ps(lanes, _mm_max_ps(lane0, lane1));
  float peak = lanes[0];
  for (int l = 1; l < 4; ++l) peak = lanes[l] > peak ? lanes[l] : peak;
  return peak;
#else
  float lanes[8] = {};
  for (std::size_t i = 0; i < BLOCK; i += 8) {
    for (std::size_t l = 0; l < 8; ++l) {
      const float m = std::fabs(x[i + l]);
      lanes[l] = m > lanes[l] ? m : lanes[l];
    }
  }
  float peak = 0.0f;
  for (const float m : lanes) peak = m > peak ? m : peak;
  return peak;
#endif
}

void ApplyWindow(const float* window, float* x) {
  for (std::size_t i = 0; i < BLOCK; ++i) x[i] = x[i] * window[i];
}

// Magnitudes are taken in double from the float parts and added straight into the float sums.
inline float AccumulateOne(float sum, float re, float im, double factor) {
  const double r = re;
  const double i = im;
  return static_cast<float>(sum + factor * std::sqrt(r * r + i * i));
}

void Accumulate(const float* re, const float* im, double factor, SpectrumAccumulator& acc) {
  std::size_t k = 0;
#if defined(KEBLOR_BLOCK_SSE2)
  // The same double operations two bins at a time; the square root is the costly part and
  // the vector one rounds exactly like the scalar one.
  const __m128d f = _mm_set1_pd(factor);
  for (; k + 4 <= BINS; k += 4) {
    const __m128 r4 = _mm_loadu_ps(re + k);
    const __m128 i4 = _mm_loadu_ps(im + k);
    const __m128 s4 = _mm_loadu_ps(acc.data() + k);
    const __m128d rLo = _mm_cvtps_pd(r4);
    const __m128d rHi = _mm_cvtps_pd(_mm_movehl_ps(r4, r4));
    const __m128d iLo = _mm_cvtps_pd(i4);
    const __m128d iHi = _mm_cvtps_pd(_mm_movehl_ps(i4, i4));
    const __m128d mLo = _mm_sqrt_pd(_mm_add_pd(_mm_mul_pd(rLo, rLo), _mm_mul_pd(iLo, iLo)));
    const __m128d mHi = _mm_sqrt_pd(_mm_add_pd(_mm_mul_pd(rHi, rHi), _mm_mul_pd(iHi, iHi)));
    const __m128d sLo = _mm_add_pd(_mm_cvtps_pd(s4), _mm_mul_pd(f, mLo));
    const __m128d sHi = _mm_add_pd(_mm_cvtps_pd(_mm_movehl_ps(s4, s4)), _mm_mul_pd(f, mHi));
    _mm_storeu_ps(acc.data() + k, _mm_movelh_ps(_mm_cvtpd_ps(sLo), _mm_cvtpd_ps(sHi)));
  }
#endif
  for (; k < BINS; ++k) acc[k] = AccumulateOne(acc[k], re[k], im[k], factor);
}

void Average(SpectrumAccumulator& acc, int count) {
  const double n = count;
  for (float& v : acc) v = static_cast<float>(v / n);
}

}  // namespace

void ClearAccumulators(ChannelSpectrum& a, ChannelSpectrum& b, int& averageCount) {
  a.accumulator.fill(0.0f);
  b.accumulator.fill(0.0f);
  averageCount = 0;
}

void AnalyseBlock(const std::uint8_t* frames, const BlockAnalysisInput& input, const FftTables& tables,
                  BlockWork& work, ChannelSpectrum& a, ChannelSpectrum& b, int& averageCount,
                  BlockAnalysisHooks& hooks) {
  const bool stereo = input.channels == 2;
  float* re = work.blockRe.data();
  float* im = work.blockIm.data();

  a.peakLevel = 0.0f;
  if (stereo) b.peakLevel = 0.0f;

  ConvertBlock(frames, input.channels, input.bitsPerSample, re, im);

  if (input.level) {
    a.peakLevel = PeakOf(re);
    if (stereo) b.peakLevel = PeakOf(im);
  }

  ApplyWindow(tables.hannWindow.data(), re);
  if (stereo) ApplyWindow(tables.hannWindow.data(), im);

  // The samples are out of the capture buffer: the device gets it back before the transform
  // so that it holds both buffers while the rest of the block is worked on.
  hooks.RequeueBuffer();

  FftTransform(-1, FFT_SIZE, re, im, tables.stageCos.data(), tables.stageSin.data());

  if (stereo) {
    SplitTwoRealSpectra(FFT_SIZE, re, im, work.spectrumARe.data(), work.spectrumAIm.data(),
                        work.spectrumBRe.data(), work.spectrumBIm.data());
    Accumulate(work.spectrumARe.data(), work.spectrumAIm.data(), 1.0, a.accumulator);
    Accumulate(work.spectrumBRe.data(), work.spectrumBIm.data(), 1.0, b.accumulator);
  } else {
    CopyHalfSpectrum(FFT_SIZE, re, im, work.spectrumARe.data(), work.spectrumAIm.data());
    // Twice the factor of a split channel: a mono signal shows 6 dB above the same signal
    // on one side of a stereo stream.
    Accumulate(work.spectrumARe.data(), work.spectrumAIm.data(), 4.0, a.accumulator);
  }

  ++averageCount;
  // A count beyond the target cannot arise through the commands (they clear together with
  // the change); should it ever, the cycle still ends instead of stalling the display.
  if (averageCount < input.numberOfAverages) return;

  const int divisor = input.numberOfAverages > 0 ? input.numberOfAverages : 1;
  Average(a.accumulator, divisor);
  if (stereo) Average(b.accumulator, divisor);

  const DisplayMappingInput mapping{input.bitsPerSample, input.channels, input.rangeA, input.rangeB,
                                    input.ft1000mp};
  MapDisplayRows(a.accumulator, b.accumulator, mapping, a.displayRow, b.displayRow);
  hooks.DisplayFrame();
  ClearAccumulators(a, b, averageCount);
}

}  // namespace keblor
