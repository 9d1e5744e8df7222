#pragma once
// The two halves of SpectrumAnalyzer::push, for a caller that keeps the results elsewhere or
// must act between them (the samples are out of the capture buffer once a block is loaded).

#include <cstdint>

#include "analysis/spectrum_analyzer.h"

namespace keblor {

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

// Copies the block into work.blockRe/blockIm (blockIm zero in mono) and applies the window.
// peakA, and in stereo peakB, become the block's largest |sample| with level on, else 0.
void LoadBlock(const std::uint8_t* block, BlockFormat format, bool level, const FftTables& tables,
               BlockArrays& work, const AnalysisState& state);

// Transforms the loaded block into one magnitude spectrum per channel (magB in stereo only), on
// the scale the sums use.
void TransformBlock(BlockFormat format, const FftTables& tables, BlockArrays& work, SpectrumAccumulator& magA,
                    SpectrumAccumulator& magB);

// Transforms the loaded block, adds it to the sums (sumB in stereo only) and counts it. When
// that completes the cycle the sums become means, the rows are mapped from them (rowB in
// stereo only) and the result is true; the caller then zeroes the sums and the count.
bool FinishBlock(BlockFormat format, const AnalyzerOptions& options, const FftTables& tables, BlockArrays& work,
                 const AnalysisState& state);

}  // namespace keblor
