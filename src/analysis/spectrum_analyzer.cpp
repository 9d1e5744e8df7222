#include "analysis/spectrum_analyzer.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "analysis/pitch_tracker.h"

namespace keblor {

namespace {

constexpr std::size_t BLOCK = static_cast<std::size_t>(FFT_SIZE);
constexpr std::size_t BINS = static_cast<std::size_t>(ACCUMULATED_BINS);

// Where one analysis keeps its running results.
struct AnalysisState {
  SpectrumAccumulator& sumA;
  SpectrumAccumulator& sumB;
  DisplayRow& rowA;
  DisplayRow& rowB;
  float& peakA;
  float& peakB;
  int& blocks;  // blocks in the running cycle
};

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

// Transforms the loaded block and adds its magnitudes to sumA (and sumB in stereo).
void AddBlock(BlockFormat format, const FftTables& tables, BlockArrays& work, SpectrumAccumulator& sumA,
              SpectrumAccumulator& sumB) {
  const bool stereo = format.channels == 2;
  float* re = work.blockRe.data();
  float* im = work.blockIm.data();
  FftTransform(-1, FFT_SIZE, re, im, tables.stageCos.data(), tables.stageSin.data());

  if (stereo) {
    SplitTwoRealSpectra(FFT_SIZE, re, im, work.spectrumARe.data(), work.spectrumAIm.data(),
                        work.spectrumBRe.data(), work.spectrumBIm.data());
    Accumulate(work.spectrumARe.data(), work.spectrumAIm.data(), 1.0, sumA);
    Accumulate(work.spectrumBRe.data(), work.spectrumBIm.data(), 1.0, sumB);
  } else {
    CopyHalfSpectrum(FFT_SIZE, re, im, work.spectrumARe.data(), work.spectrumAIm.data());
    // Twice the factor of a split channel: a mono signal shows 6 dB above the same signal
    // on one side of a stereo stream.
    Accumulate(work.spectrumARe.data(), work.spectrumAIm.data(), 4.0, sumA);
  }
}

// `x` scaled to full scale +-1 into `out`.
void CopyScaled(const float* x, BlockFormat format, float* out) {
  const float scale = format.bitsPerSample == 8 ? 1.0f / 128.0f : 1.0f / 32768.0f;
  for (std::size_t i = 0; i < BLOCK; ++i) out[i] = x[i] * scale;
}

// Copies the block into work.blockRe/blockIm (blockIm zero in mono) and applies the window.
// peakA, and in stereo peakB, become the block's largest |sample| with level on, else 0.
// rawA and rawB, when not null, receive the samples before the window at full scale +-1 (rawB
// in stereo only).
void LoadBlock(const std::uint8_t* block, BlockFormat format, bool level, const FftTables& tables,
               BlockArrays& work, const AnalysisState& state, float* rawA, float* rawB) {
  const bool stereo = format.channels == 2;
  float* re = work.blockRe.data();
  float* im = work.blockIm.data();
  ConvertBlock(block, format, re, im);
  if (rawA != nullptr) CopyScaled(re, format, rawA);
  if (rawB != nullptr && stereo) CopyScaled(im, format, rawB);
  state.peakA = level ? PeakOf(re) : 0.0f;
  if (stereo) state.peakB = level ? PeakOf(im) : 0.0f;
  ApplyWindow(tables.hannWindow.data(), re);
  if (stereo) ApplyWindow(tables.hannWindow.data(), im);
}

// Transforms the loaded block into one magnitude spectrum per channel (magB in stereo only), on
// the scale the sums use.
void TransformBlock(BlockFormat format, const FftTables& tables, BlockArrays& work, SpectrumAccumulator& magA,
                    SpectrumAccumulator& magB) {
  magA.fill(0.0f);
  if (format.channels == 2) magB.fill(0.0f);
  AddBlock(format, tables, work, magA, magB);
}

// Counts the block added to the sums. When that completes the cycle the sums become means, the
// rows are mapped from them (rowB in stereo only) and the result is true; the caller then zeroes
// the sums and the count.
bool FinishBlock(BlockFormat format, const AnalyzerOptions& options, const AnalysisState& state) {
  const bool stereo = format.channels == 2;
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

}  // namespace

SpectrumAnalyzer::SpectrumAnalyzer() { BuildFftTables(tables_); }

void SpectrumAnalyzer::Configure(const AnalyzerOptions& options) {
  options_ = options;
  if (options_.decode && !skimming_) skimming_ = std::make_unique_for_overwrite<Skimming>();
}

std::optional<SpectrumFrame> SpectrumAnalyzer::Push(const std::uint8_t* block, BlockFormat format) {
  const AnalysisState state{sumA_, sumB_, frame_.rowA, frame_.rowB, frame_.peakA, frame_.peakB, blocks_};
  const bool decode = options_.decode && skimming_;
  LoadBlock(block, format, options_.level, tables_, work_, state, decode ? skimming_->samplesA.data() : nullptr,
            decode ? skimming_->samplesB.data() : nullptr);
  if (options_.runningAverage) return PushRunning(format);
  AddBlock(format, tables_, work_, sumA_, sumB_);
  TrackPitches(format);
  Skim(format);
  if (!FinishBlock(format, options_, state)) return std::nullopt;
  ReadPitches(format);
  Restart();
  return frame_;
}

std::optional<SpectrumFrame> SpectrumAnalyzer::PushRunning(BlockFormat format) {
  const bool stereo = format.channels == 2;
  const auto slot = static_cast<std::size_t>(historyNext_);
  TransformBlock(format, tables_, work_, historyA_[slot], historyB_[slot]);
  const int span = std::clamp(options_.numberOfAverages, 1, MAX_RUNNING_BLOCKS);
  historyNext_ = (historyNext_ + 1) % span;
  historyCount_ = std::min(historyCount_ + 1, span);

  // The mean of the blocks held, summed afresh each time so that nothing drifts.
  for (std::size_t k = 0; k < BINS; ++k) {
    double a = 0.0;
    double b = 0.0;
    for (std::size_t i = 0; i < static_cast<std::size_t>(historyCount_); ++i) {
      a += historyA_[i][k];
      if (stereo) b += historyB_[i][k];
    }
    meanA_[k] = static_cast<float>(a / historyCount_);
    if (stereo) meanB_[k] = static_cast<float>(b / historyCount_);
  }
  const DisplayMappingInput mapping{format.bitsPerSample, format.channels, options_.rangeA, options_.rangeB,
                                    options_.ft1000mp};
  TrackPitches(format);
  ReadPitches(format);
  Skim(format);
  MapDisplayRows(meanA_, meanB_, mapping, frame_.rowA, frame_.rowB);
  return frame_;
}

// Each block's half spectra reach the readouts, whatever the averaging, on the scale of the
// sums. A readout switched on, a channel that appears and a new span start from nothing.
void SpectrumAnalyzer::TrackPitches(BlockFormat format) {
  const bool stereo = format.channels == 2;
  if (!options_.pitchReadout) {
    tracking_ = false;
    return;
  }
  if (!tracking_ || (stereo && !trackingB_)) {
    trackerA_.Restart();
    trackerB_.Restart();
  }
  tracking_ = true;
  trackingB_ = stereo;
  // A mono block counts twice a split channel's magnitudes, as in AddBlock.
  trackerA_.Push(work_.spectrumARe.data(), work_.spectrumAIm.data(), stereo ? 1.0f : 4.0f, TopBin(options_.rangeA));
  if (stereo) trackerB_.Push(work_.spectrumBRe.data(), work_.spectrumBIm.data(), 1.0f, TopBin(options_.rangeB));
}

void SpectrumAnalyzer::ReadPitches(BlockFormat format) {
  if (!options_.pitchReadout) return;
  frame_.pitchHzA = trackerA_.ReadHz();
  if (format.channels == 2) frame_.pitchHzB = trackerB_.ReadHz();
}

// Each block reaches the skimmers with its half spectra as magnitudes up to 4000 Hz. Switched
// on again, or with a channel that appears, they start from nothing.
void SpectrumAnalyzer::Skim(BlockFormat format) {
  if (!skimming_) return;
  Skimming& s = *skimming_;
  const bool stereo = format.channels == 2;
  if (!options_.decode) {
    s.active = false;
    return;
  }
  if (!s.active || (stereo && !s.stereo)) {
    for (Skimmer& skimmer : s.channels) skimmer.Reset();
  }
  s.active = true;
  s.stereo = stereo;
  auto skim = [&s](const float* samples, const float* re, const float* im, Skimmer& skimmer) {
    for (std::size_t k = 0; k < BINS; ++k) s.magnitudes[k] = std::sqrt(re[k] * re[k] + im[k] * im[k]);
    skimmer.Push(samples, s.magnitudes.data(), ACCUMULATED_BINS - 1);
  };
  skim(s.samplesA.data(), work_.spectrumARe.data(), work_.spectrumAIm.data(), s.channels[0]);
  if (stereo) skim(s.samplesB.data(), work_.spectrumBRe.data(), work_.spectrumBIm.data(), s.channels[1]);
}

const Skimmer* SpectrumAnalyzer::ChannelSkimmer(int channel) const {
  return skimming_ ? &skimming_->channels[channel == 0 ? 0 : 1] : nullptr;
}

void SpectrumAnalyzer::ForgetPitch(int channel) { (channel == 0 ? trackerA_ : trackerB_).Restart(); }

void SpectrumAnalyzer::Restart() {
  sumA_.fill(0.0f);
  sumB_.fill(0.0f);
  blocks_ = 0;
  historyCount_ = 0;
  historyNext_ = 0;
}

}  // namespace keblor
