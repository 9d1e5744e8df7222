#pragma once
// Per-block analysis: 1024 PCM frames become magnitude spectra added to one sum per channel;
// every NumberOfAverages blocks the sums become means and are mapped to display rows.
// One object holds everything between blocks; fixed-size storage only, nothing is allocated
// after construction. Not for concurrent use.

#include <array>
#include <cstdint>
#include <memory>
#include <optional>

#include "analysis/display_row_mapping.h"
#include "analysis/fft_engine.h"
#include "analysis/pitch_tracker.h"
#include "analysis/skimmer.h"

namespace keblor {

// The layout of a block: interleaved frames at 10240 frames per second.
struct BlockFormat {
  int channels = 1;        // 1 or 2
  int bitsPerSample = 16;  // 8 (unsigned) or 16 (signed little-endian)
};

struct AnalyzerOptions {
  int numberOfAverages = 1;  // blocks per cycle; below 1 counts as 1
  bool level = false;        // track each block's peak
  int rangeA = 1;            // display spans, RangeIndex 0..4
  int rangeB = 3;
  bool ft1000mp = false;     // tilt VFO-B's trace
  // A frame after every block, from the mean of the last numberOfAverages blocks (at most
  // MAX_RUNNING_BLOCKS), instead of one frame per cycle.
  bool runningAverage = false;
  bool pitchReadout = false;  // estimate each window's strongest tone
  // Find and decode every CW signal of each channel up to 4000 Hz, whatever the spans.
  bool decode = false;
};

inline constexpr int MAX_RUNNING_BLOCKS = 100;

// What a completed cycle shows. In mono VFO-B's row and peak are not touched and keep
// whatever they held before.
struct SpectrumFrame {
  DisplayRow rowA{};
  DisplayRow rowB{};
  float peakA = 0.0f;  // largest |sample| of the cycle's last block in sample units; 0 with level off
  float peakB = 0.0f;
  // Each window's pitch readout (PitchTracker) after the frame's last block, with pitchReadout
  // on; 0 for none.
  double pitchHzA = 0.0;
  double pitchHzB = 0.0;
};

// Working arrays of one block, reused for every block.
struct BlockArrays {
  std::array<float, FFT_SIZE> blockRe{};
  std::array<float, FFT_SIZE> blockIm{};
  std::array<float, HALF_SPECTRUM_SIZE> spectrumARe{};
  std::array<float, HALF_SPECTRUM_SIZE> spectrumAIm{};
  std::array<float, HALF_SPECTRUM_SIZE> spectrumBRe{};
  std::array<float, HALF_SPECTRUM_SIZE> spectrumBIm{};
};

class SpectrumAnalyzer {
 public:
  SpectrumAnalyzer();  // builds the tables

  // Takes effect from the next push. Changing the cycle length mid-cycle does not restart it.
  void Configure(const AnalyzerOptions& options);

  // Analyses one block of exactly 1024 frames in `format`'s layout. Returns the frame when
  // this block completes an averaging cycle, nothing otherwise. Calls nobody; never allocates.
  std::optional<SpectrumFrame> Push(const std::uint8_t* block, BlockFormat format);

  // Both sums and the block count to zero; rows, peaks and the pitch readouts stay.
  void Restart();
  // One channel's pitch readout (0: left or mono, 1: right) forgets what it heard and reads
  // afresh from the next block: the tone has moved, as when the rig was tuned.
  void ForgetPitch(int channel);

  const AnalyzerOptions& Options() const { return options_; }

  // One channel's signals (0: left or mono, 1: right) after the blocks pushed with decode on;
  // none before decode was first switched on. A channel that appears or decode switched on
  // again starts from nothing.
  const Skimmer* ChannelSkimmer(int channel) const;

 private:
  FftTables tables_;
  BlockArrays work_;
  SpectrumAccumulator sumA_{};
  SpectrumAccumulator sumB_{};
  SpectrumFrame frame_;
  int blocks_ = 0;

  std::optional<SpectrumFrame> PushRunning(BlockFormat format);
  void TrackPitches(BlockFormat format);  // from the block's half spectra in work_
  void ReadPitches(BlockFormat format);   // into the frame
  PitchTracker trackerA_;
  PitchTracker trackerB_;
  bool tracking_ = false;   // the last block reached the readouts
  bool trackingB_ = false;  // and was stereo
  // The running average: the magnitudes of the last blocks, oldest overwritten first.
  std::array<SpectrumAccumulator, MAX_RUNNING_BLOCKS> historyA_{};
  std::array<SpectrumAccumulator, MAX_RUNNING_BLOCKS> historyB_{};
  int historyCount_ = 0;
  int historyNext_ = 0;
  // The skimmers and their inputs, made when decode is first switched on (they are large), and
  // made without value initialisation, so that decoders no signal has used stay untouched.
  struct Skimming {
    std::array<Skimmer, 2> channels;
    std::array<float, FFT_SIZE> samplesA{};  // the block's samples, full scale +-1
    std::array<float, FFT_SIZE> samplesB{};
    SpectrumAccumulator magnitudes{};
    bool active = false;  // the last block reached them
    bool stereo = false;  // and was stereo
  };
  std::unique_ptr<Skimming> skimming_;
  void Skim(BlockFormat format);  // from the block's samples and half spectra
  SpectrumAccumulator meanA_{};
  SpectrumAccumulator meanB_{};
  AnalyzerOptions options_;
};

}  // namespace keblor
