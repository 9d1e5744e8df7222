// The hook-driven entry point: the same results as SpectrumAnalyzer, with the capture buffer
// handed back once per block after windowing and before any frame is drawn.

#include "analysis/block_analysis.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace keblor {
namespace {

constexpr std::size_t N = static_cast<std::size_t>(FFT_SIZE);

class Recorder : public BlockAnalysisHooks {
 public:
  Recorder(const BlockWork& work, const ChannelSpectrum& a) : work_(work), a_(a) {}
  void RequeueBuffer() override {
    events += 'R';
    requeuedRe = work_.blockRe;
  }
  void DisplayFrame() override {
    events += 'D';
    drawnRow = a_.displayRow;
  }
  std::string events;
  std::array<float, FFT_SIZE> requeuedRe{};
  DisplayRow drawnRow{};

 private:
  const BlockWork& work_;
  const ChannelSpectrum& a_;
};

int Left(std::size_t m) { return static_cast<int>(m) * 31 - 16000; }

TEST(AnalyseBlock, RequeuesWindowedBlocksAndDrawsWhatTheAnalyzerReturns) {
  std::vector<std::uint8_t> bytes;
  for (std::size_t m = 0; m < N; ++m) {
    for (const int v : {Left(m), 12000 - static_cast<int>(m) * 17}) {
      const auto u = static_cast<std::uint16_t>(static_cast<std::int16_t>(v));
      bytes.push_back(static_cast<std::uint8_t>(u & 0xFF));
      bytes.push_back(static_cast<std::uint8_t>(u >> 8));
    }
  }
  FftTables tables;
  BuildFftTables(tables);
  BlockWork work;
  ChannelSpectrum a, b;
  int count = 0;
  Recorder hooks(work, a);
  SpectrumAnalyzer analyzer;
  analyzer.configure({2, true, 1, 4, true});
  std::optional<SpectrumFrame> frame;
  for (int i = 0; i < 2; ++i) {
    AnalyseBlock(bytes.data(), {2, 16, 2, true, 1, 4, true}, tables, work, a, b, count, hooks);
    frame = analyzer.push(bytes.data(), {2, 16});
  }
  EXPECT_EQ(hooks.events, "RRD");
  for (std::size_t m = 0; m < N; ++m)
    ASSERT_EQ(hooks.requeuedRe[m], static_cast<float>(Left(m)) * tables.hannWindow[m]) << m;
  ASSERT_TRUE(frame);
  EXPECT_EQ(hooks.drawnRow, frame->rowA);
  EXPECT_EQ(b.displayRow, frame->rowB);
  EXPECT_EQ(a.peakLevel, frame->peakA);
  EXPECT_EQ(b.peakLevel, frame->peakB);
  // The next cycle starts from nothing.
  EXPECT_EQ(count, 0);
  EXPECT_EQ(a.accumulator, SpectrumAccumulator{});
  EXPECT_EQ(b.accumulator, SpectrumAccumulator{});
}

}  // namespace
}  // namespace keblor
