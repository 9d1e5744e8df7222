#include "analysis/block_analysis.h"

#include "analysis/spectrum_steps.h"

namespace keblor {

void ClearAccumulators(ChannelSpectrum& a, ChannelSpectrum& b, int& averageCount) {
  a.accumulator.fill(0.0f);
  b.accumulator.fill(0.0f);
  averageCount = 0;
}

void AnalyseBlock(const std::uint8_t* frames, const BlockAnalysisInput& input, const FftTables& tables,
                  BlockWork& work, ChannelSpectrum& a, ChannelSpectrum& b, int& averageCount,
                  BlockAnalysisHooks& hooks) {
  const BlockFormat format{input.channels, input.bitsPerSample};
  const AnalyzerOptions options{input.numberOfAverages, input.level, input.rangeA, input.rangeB, input.ft1000mp};
  const AnalysisState state{a.accumulator, b.accumulator, a.displayRow, b.displayRow,
                            a.peakLevel,   b.peakLevel,   averageCount};
  LoadBlock(frames, format, input.level, tables, work, state);
  // The samples are out of the capture buffer: the device gets it back before the transform
  // so that it holds both buffers while the rest of the block is worked on.
  hooks.RequeueBuffer();
  if (!FinishBlock(format, options, tables, work, state)) return;
  hooks.DisplayFrame();
  ClearAccumulators(a, b, averageCount);
}

}  // namespace keblor
