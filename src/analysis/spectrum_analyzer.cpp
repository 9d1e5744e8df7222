#include "analysis/spectrum_analyzer.h"

#include <cmath>
#include <cstddef>
#include <cstdint>

#include "analysis/spectrum_steps.h"

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

void ConvertBlock(const std::uint8_t* frames, BlockFormat format, float* re, float* im) {
  const bool stereo = format.channels == 2;
  if (format.bitsPerSample == 8) {
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
// that the compiler can keep in vector registers (samples are finite, never NaN).
float PeakOf(const float* x) {
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
}

void ApplyWindow(const float* window, float* x) {
  for (std::size_t i = 0; i < BLOCK; ++i) x[i] = x[i] * window[i];
}

// Magnitudes are taken in double from the float parts and added straight into the float sums.
void Accumulate(const float* re, const float* im, double factor, SpectrumAccumulator& sum) {
  for (std::size_t k = 0; k < BINS; ++k) {
    const double r = re[k];
    const double i = im[k];
    sum[k] = static_cast<float>(sum[k] + factor * std::sqrt(r * r + i * i));
  }
}

void Average(SpectrumAccumulator& sum, int count) {
  const double n = count;
  for (float& v : sum) v = static_cast<float>(v / n);
}

}  // namespace

void LoadBlock(const std::uint8_t* block, BlockFormat format, bool level, const FftTables& tables,
               BlockArrays& work, const AnalysisState& state) {
  const bool stereo = format.channels == 2;
  float* re = work.blockRe.data();
  float* im = work.blockIm.data();
  ConvertBlock(block, format, re, im);
  state.peakA = level ? PeakOf(re) : 0.0f;
  if (stereo) state.peakB = level ? PeakOf(im) : 0.0f;
  ApplyWindow(tables.hannWindow.data(), re);
  if (stereo) ApplyWindow(tables.hannWindow.data(), im);
}

bool FinishBlock(BlockFormat format, const AnalyzerOptions& options, const FftTables& tables, BlockArrays& work,
                 const AnalysisState& state) {
  const bool stereo = format.channels == 2;
  float* re = work.blockRe.data();
  float* im = work.blockIm.data();
  FftTransform(-1, FFT_SIZE, re, im, tables.stageCos.data(), tables.stageSin.data());

  if (stereo) {
    SplitTwoRealSpectra(FFT_SIZE, re, im, work.spectrumARe.data(), work.spectrumAIm.data(),
                        work.spectrumBRe.data(), work.spectrumBIm.data());
    Accumulate(work.spectrumARe.data(), work.spectrumAIm.data(), 1.0, state.sumA);
    Accumulate(work.spectrumBRe.data(), work.spectrumBIm.data(), 1.0, state.sumB);
  } else {
    CopyHalfSpectrum(FFT_SIZE, re, im, work.spectrumARe.data(), work.spectrumAIm.data());
    // Twice the factor of a split channel: a mono signal shows 6 dB above the same signal
    // on one side of a stereo stream.
    Accumulate(work.spectrumARe.data(), work.spectrumAIm.data(), 4.0, state.sumA);
  }

  ++state.blocks;
  // A count beyond the target arises when the cycle is shortened without a restart; the
  // cycle then ends at once instead of stalling the display.
  if (state.blocks < options.numberOfAverages) return false;

  const int divisor = options.numberOfAverages > 0 ? options.numberOfAverages : 1;
  Average(state.sumA, divisor);
  if (stereo) Average(state.sumB, divisor);
  const DisplayMappingInput mapping{format.bitsPerSample, format.channels, options.rangeA, options.rangeB,
                                    options.ft1000mp};
  MapDisplayRows(state.sumA, state.sumB, mapping, state.rowA, state.rowB);
  return true;
}

SpectrumAnalyzer::SpectrumAnalyzer() { BuildFftTables(tables_); }

void SpectrumAnalyzer::configure(const AnalyzerOptions& options) { options_ = options; }

std::optional<SpectrumFrame> SpectrumAnalyzer::push(const std::uint8_t* block, BlockFormat format) {
  const AnalysisState state{sumA_, sumB_, frame_.rowA, frame_.rowB, frame_.peakA, frame_.peakB, blocks_};
  LoadBlock(block, format, options_.level, tables_, work_, state);
  if (!FinishBlock(format, options_, tables_, work_, state)) return std::nullopt;
  restart();
  return frame_;
}

void SpectrumAnalyzer::restart() {
  sumA_.fill(0.0f);
  sumB_.fill(0.0f);
  blocks_ = 0;
}

}  // namespace keblor
