#pragma once
// The per-block analysis with the state kept by the caller and the outward calls made in the
// middle of a block. SpectrumAnalyzer does the same work and keeps its own state.

#include <cstdint>

#include "analysis/spectrum_analyzer.h"

namespace keblor {

// What the analysis of one channel leaves behind (a ChannelView holds one of these).
struct ChannelSpectrum {
  SpectrumAccumulator accumulator{};
  DisplayRow displayRow{};
  float peakLevel = 0.0f;  // largest |sample| of the last block, in sample units
};

using BlockWork = BlockArrays;

struct BlockAnalysisInput {
  int channels = 1;          // 1 or 2
  int bitsPerSample = 16;    // 8 (unsigned bytes) or 16 (signed little-endian)
  int numberOfAverages = 1;  // at least 1
  bool level = false;        // track peaks
  int rangeA = 1;
  int rangeB = 3;
  bool ft1000mp = false;
};

// The calls the analysis makes outward, in this order within a block:
class BlockAnalysisHooks {
 public:
  virtual ~BlockAnalysisHooks() = default;
  // The samples have been copied out and windowed: the capture buffer may go back to the device.
  virtual void RequeueBuffer() = 0;
  // An averaging cycle completed and the display rows are fresh; draw them unless frozen.
  virtual void DisplayFrame() = 0;
};

// Restarts the averaging period: both accumulators and averageCount to zero.
void ClearAccumulators(ChannelSpectrum& a, ChannelSpectrum& b, int& averageCount);

// Analyses one block of exactly 1024 frames in the layout of the input's format.
void AnalyseBlock(const std::uint8_t* frames, const BlockAnalysisInput& input, const FftTables& tables,
                  BlockWork& work, ChannelSpectrum& a, ChannelSpectrum& b, int& averageCount,
                  BlockAnalysisHooks& hooks);

}  // namespace keblor
