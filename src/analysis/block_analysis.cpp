#include "analysis/block_analysis.h"

#include <cmath>
#include <cstddef>
#include <cstdint>

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

float PeakOf(const float* x) {
  float peak = 0.0f;
  for (std::size_t i = 0; i < BLOCK; ++i) {
    const float m = std::fabs(x[i]);
    if (m > peak) peak = m;
  }
  return peak;
}

void ApplyWindow(const float* window, float* x) {
  for (std::size_t i = 0; i < BLOCK; ++i) x[i] = x[i] * window[i];
}

// Magnitudes are taken in double from the float parts and added straight into the float sums.
void Accumulate(const float* re, const float* im, double factor, SpectrumAccumulator& acc) {
  for (std::size_t k = 0; k < BINS; ++k) {
    const double r = re[k];
    const double i = im[k];
    acc[k] = static_cast<float>(acc[k] + factor * std::sqrt(r * r + i * i));
  }
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
