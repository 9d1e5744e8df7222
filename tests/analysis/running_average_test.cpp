// The running average: a frame after every block.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "analysis/spectrum_analyzer.h"
#include "tone_signal.h"

namespace keblor {
namespace {

// With the running average a frame follows every block and shows the mean of the last N blocks:
// the same rows as one cycle over those N blocks.
TEST(RunningAverage, EveryBlockShowsTheMeanOfTheLastBlocks) {
  constexpr int N = 4;
  ToneSignal signal({{700.0, 3000.0}}, 2000.0, 5);
  std::vector<std::vector<std::uint8_t>> blocks;
  for (int i = 0; i < 12; ++i) blocks.push_back(signal.NextBlock());

  SpectrumAnalyzer running;
  running.Configure({N, false, 2, 2, false, true, false});
  for (int i = 0; i < 12; ++i) {
    const std::optional<SpectrumFrame> frame = running.Push(blocks[static_cast<std::size_t>(i)].data(), {1, 16});
    ASSERT_TRUE(frame.has_value()) << "block " << i;
    const int held = std::min(i + 1, N);
    SpectrumAnalyzer cycle;
    cycle.Configure({held, false, 2, 2, false, false, false});
    std::optional<SpectrumFrame> expected;
    for (int j = i + 1 - held; j <= i; ++j) expected = cycle.Push(blocks[static_cast<std::size_t>(j)].data(), {1, 16});
    ASSERT_TRUE(expected.has_value());
    int off = 0;
    for (int c = 0; c < DISPLAY_ROW_LENGTH; ++c) {
      const auto at = static_cast<std::size_t>(c);
      EXPECT_LE(std::abs(frame->rowA[at] - expected->rowA[at]), 1) << "block " << i << " column " << c;
      off += frame->rowA[at] != expected->rowA[at];
    }
    EXPECT_LE(off, 2) << "block " << i;  // rounding of the sums' order, if ever
  }
}

}  // namespace
}  // namespace keblor
