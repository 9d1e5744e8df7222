#include "analysis/spectrum_analyzer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace keblor {
namespace {

constexpr std::size_t N = static_cast<std::size_t>(FFT_SIZE);
constexpr double PI = 3.14159265358979323846;
constexpr int FLOOR = 127;
// A sine that fills the 16-bit (8-bit) reference in mono; on one side of a stereo stream it
// stands 6 dB lower, which the rows show as 15 steps.
constexpr double FULL16 = 16384.0;
constexpr double FULL8 = 64.0;
constexpr int SIX_DB = 15;

// 1024 silent frames in the capture layout. Values are signed: 8-bit bytes hold value + 128.
struct Block {
  int channels;
  int bits;
  std::vector<std::uint8_t> bytes;

  Block(int ch, int b) : channels(ch), bits(b), bytes(N * static_cast<std::size_t>(ch * b / 8), b == 8 ? 128 : 0) {}
  void Set(std::size_t frame, int channel, int value) {
    const std::size_t at = frame * static_cast<std::size_t>(channels) + static_cast<std::size_t>(channel);
    if (bits == 8) {
      bytes[at] = static_cast<std::uint8_t>(value + 128);
    } else {
      const auto u = static_cast<std::uint16_t>(static_cast<std::int16_t>(value));
      bytes[2 * at] = static_cast<std::uint8_t>(u & 0xFF);
      bytes[2 * at + 1] = static_cast<std::uint8_t>(u >> 8);
    }
  }
  // A sine exactly on a bin (bin * 10 Hz).
  Block& Sine(int channel, int bin, double amplitude) {
    for (std::size_t m = 0; m < N; ++m) {
      const double x = amplitude * std::sin(2.0 * PI * static_cast<double>(static_cast<std::size_t>(bin) * m) / 1024.0);
      Set(m, channel, static_cast<int>(std::lround(x)));
    }
    return *this;
  }
};

class SpectrumAnalyzerTest : public ::testing::Test {
 protected:
  // Range 2 puts bin n in column n.
  void Configure(int averages, bool level) { analyzer.Configure({averages, level, 2, 2, false}); }
  std::optional<SpectrumFrame> Push(const Block& block) {
    return analyzer.Push(block.bytes.data(), {block.channels, block.bits});
  }
  SpectrumFrame Frame(const Block& block) {
    const auto frame = Push(block);
    if (!frame) ADD_FAILURE() << "no frame";
    return frame.value_or(SpectrumFrame{});
  }

  SpectrumAnalyzer analyzer;
};

TEST_F(SpectrumAnalyzerTest, StereoSplitsLeftAndRightAndMonoStandsSixDbHigher) {
  Configure(1, false);
  for (const int bits : {8, 16}) {
    const double full = bits == 8 ? FULL8 : FULL16;
    const SpectrumFrame stereo = Frame(Block(2, bits).Sine(0, 100, full).Sine(1, 70, full));
    EXPECT_EQ(stereo.rowA[100], SIX_DB) << bits;
    EXPECT_EQ(stereo.rowB[70], SIX_DB) << bits;
    EXPECT_EQ(stereo.rowA[70], FLOOR) << bits;
    EXPECT_EQ(stereo.rowB[100], FLOOR) << bits;
    EXPECT_EQ(Frame(Block(1, bits).Sine(0, 100, full)).rowA[100], 0) << bits;
  }
}

TEST_F(SpectrumAnalyzerTest, EightBitSamplesAreCentredBetween127And128) {
  // Bytes of 128 are +0.5 of DC: the window spreads it into bins 0 and 1 only, and bin 1 at
  // 4 * 0.5 * 256 lies 42.1 dB below the 8-bit reference.
  Configure(1, true);
  const SpectrumFrame frame = Frame(Block(1, 8));
  EXPECT_EQ(frame.peakA, 0.5f);
  EXPECT_EQ(frame.rowA[1], 107);
  for (std::size_t c = 2; c < frame.rowA.size(); ++c) ASSERT_EQ(frame.rowA[c], FLOOR) << c;
}

TEST_F(SpectrumAnalyzerTest, PeaksAreTheLastBlocksLargestSampleWhileLevelIsOn) {
  Configure(1, true);
  Block sixteen(2, 16);
  sixteen.Set(700, 0, -32768);
  sixteen.Set(3, 1, 32767);
  SpectrumFrame frame = Frame(sixteen);
  EXPECT_EQ(frame.peakA, 32768.0f);
  EXPECT_EQ(frame.peakB, 32767.0f);

  Block eight(2, 8);
  eight.Set(10, 0, -128);
  eight.Set(11, 1, 127);
  frame = Frame(eight);
  EXPECT_EQ(frame.peakA, 127.5f);
  EXPECT_EQ(frame.peakB, 127.5f);

  Block order(1, 16);  // little-endian: bytes 0x02 0x01 are 258, not 513
  order.Set(0, 0, 258);
  EXPECT_EQ(Frame(order).peakA, 258.0f);

  // Over a cycle the frame carries the last block's peak, not the largest.
  Configure(2, true);
  Block quiet(2, 16);
  quiet.Set(5, 0, 10);
  EXPECT_FALSE(Push(sixteen));
  frame = Frame(quiet);
  EXPECT_EQ(frame.peakA, 10.0f);
  EXPECT_EQ(frame.peakB, 0.0f);

  Configure(1, false);
  frame = Frame(sixteen);
  EXPECT_EQ(frame.peakA, 0.0f);
  EXPECT_EQ(frame.peakB, 0.0f);
}

TEST_F(SpectrumAnalyzerTest, CycleEndsOnTheNthBlockWithTheMeanOfExactlyThoseBlocks) {
  // Two loud blocks and two silent ones: the mean is half the loud magnitude, 6 dB down.
  Configure(4, false);
  const Block loud = Block(1, 16).Sine(0, 100, FULL16);
  const Block silent(1, 16);
  EXPECT_FALSE(Push(loud));
  EXPECT_FALSE(Push(loud));
  EXPECT_FALSE(Push(silent));
  EXPECT_EQ(Frame(silent).rowA[100], SIX_DB);
  // The next cycle starts from nothing.
  for (int i = 0; i < 3; ++i) EXPECT_FALSE(Push(silent));
  EXPECT_EQ(Frame(silent).rowA[100], FLOOR);

  // Shortened in mid-cycle without a restart, the cycle ends with the next block.
  EXPECT_FALSE(Push(silent));
  Configure(1, false);
  EXPECT_EQ(analyzer.Options().numberOfAverages, 1);
  EXPECT_TRUE(Push(silent));
  EXPECT_TRUE(Push(silent));
}

TEST_F(SpectrumAnalyzerTest, RestartDropsThePartialCycle) {
  Configure(2, false);
  const Block loud = Block(1, 16).Sine(0, 100, FULL16);
  const Block silent(1, 16);
  EXPECT_FALSE(Push(loud));
  analyzer.Restart();
  EXPECT_FALSE(Push(silent));  // counted from the restart
  EXPECT_EQ(Frame(silent).rowA[100], FLOOR);
}

TEST_F(SpectrumAnalyzerTest, MonoLeavesVfoBAsTheLastStereoFrameLeftIt) {
  Configure(1, true);
  Block stereo(2, 16);
  stereo.Sine(1, 70, FULL16);
  stereo.Set(0, 1, -20000);
  const SpectrumFrame before = Frame(stereo);
  ASSERT_EQ(before.rowB[70], SIX_DB);
  const SpectrumFrame mono = Frame(Block(1, 16).Sine(0, 30, FULL16));
  EXPECT_EQ(mono.rowB, before.rowB);
  EXPECT_EQ(mono.peakB, 20000.0f);
}

TEST_F(SpectrumAnalyzerTest, OptionsInForceAtTheEndOfTheCycleChooseTheMapping) {
  Configure(2, false);
  const Block tone = Block(2, 16).Sine(0, 100, 32767.0);  // full scale on one side: 0 dB
  EXPECT_FALSE(Push(tone));
  analyzer.Configure({2, false, 4, 2, false});
  const SpectrumFrame frame = Frame(tone);
  EXPECT_LE(frame.rowA[50], 1);  // column 50 of the 4000 Hz span is bin 100
  EXPECT_EQ(frame.rowA[100], FLOOR);
  EXPECT_EQ(analyzer.Options().rangeA, 4);
}

}  // namespace
}  // namespace keblor
