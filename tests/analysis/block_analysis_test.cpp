#include "analysis/block_analysis.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace keblor {
namespace {

constexpr std::size_t N = static_cast<std::size_t>(FFT_SIZE);
constexpr double PI = 3.14159265358979323846;

// Records the order of the outward calls and what the analysis had produced at each.
class RecordingHooks : public BlockAnalysisHooks {
 public:
  RecordingHooks(const BlockWork& work, const ChannelSpectrum& a) : work_(work), a_(a) {}

  void RequeueBuffer() override {
    events.push_back('R');
    requeuedRe = work_.blockRe;
    requeuedIm = work_.blockIm;
  }
  void DisplayFrame() override {
    events.push_back('D');
    frameAccumulator = a_.accumulator;
    frameRow = a_.displayRow;
  }

  std::string events;
  std::array<float, FFT_SIZE> requeuedRe{};
  std::array<float, FFT_SIZE> requeuedIm{};
  SpectrumAccumulator frameAccumulator{};
  DisplayRow frameRow{};

 private:
  const BlockWork& work_;
  const ChannelSpectrum& a_;
};

// Builds blocks of 1024 frames in the capture layout.
struct BlockBuilder {
  int channels = 1;
  int bits = 16;
  std::vector<std::uint8_t> bytes;

  BlockBuilder(int ch, int b) : channels(ch), bits(b), bytes(N * static_cast<std::size_t>(ch * b / 8)) {
    if (bits == 8) std::fill(bytes.begin(), bytes.end(), std::uint8_t{128});
  }
  void Set(std::size_t frame, int channel, int value) {
    const std::size_t at = frame * static_cast<std::size_t>(channels) + static_cast<std::size_t>(channel);
    if (bits == 8) {
      bytes[at] = static_cast<std::uint8_t>(value);
    } else {
      const auto u = static_cast<std::uint16_t>(static_cast<std::int16_t>(value));
      bytes[2 * at] = static_cast<std::uint8_t>(u & 0xFF);
      bytes[2 * at + 1] = static_cast<std::uint8_t>(u >> 8);
    }
  }
  // A sine exactly on a bin (k * 10 Hz at 10240 frames per second).
  void Sine(int channel, int bin, double amplitude) {
    for (std::size_t m = 0; m < N; ++m) {
      const double x = amplitude * std::sin(2.0 * PI * static_cast<double>(static_cast<std::size_t>(bin) * m) / 1024.0);
      Set(m, channel, static_cast<int>(std::lround(x)));
    }
  }
};

class BlockAnalysisTest : public ::testing::Test {
 protected:
  void SetUp() override { BuildFftTables(tables); }

  void Analyse(const BlockBuilder& block) {
    input.channels = block.channels;
    input.bitsPerSample = block.bits;
    AnalyseBlock(block.bytes.data(), input, tables, work, a, b, averageCount, hooks);
  }

  FftTables tables;
  BlockWork work;
  ChannelSpectrum a;
  ChannelSpectrum b;
  int averageCount = 0;
  BlockAnalysisInput input;
  RecordingHooks hooks{work, a};
};

// The accumulators are only visible in their averaged form at the display frame, or as
// running sums before it; a long cycle keeps the sums in place for inspection.
TEST_F(BlockAnalysisTest, SilentSixteenBitBlockAddsNothing) {
  input.numberOfAverages = 5;
  input.level = true;
  Analyse(BlockBuilder(2, 16));
  for (std::size_t k = 0; k < ACCUMULATED_BINS; ++k) {
    ASSERT_EQ(a.accumulator[k], 0.0f) << k;
    ASSERT_EQ(b.accumulator[k], 0.0f) << k;
  }
  EXPECT_EQ(a.peakLevel, 0.0f);
  EXPECT_EQ(averageCount, 1);
}

TEST_F(BlockAnalysisTest, SilentEightBitBlockIsCentredAt127AndAHalf) {
  // Bytes of 128 are +0.5: the windowed constant lands in bins 0 and 1 only.
  input.numberOfAverages = 5;
  input.level = true;
  Analyse(BlockBuilder(1, 8));
  EXPECT_EQ(a.peakLevel, 0.5f);
  EXPECT_NEAR(a.accumulator[0], 4.0 * 0.5 * 512.0, 1e-2);  // mono factor 4 times DC of the window
  EXPECT_NEAR(a.accumulator[1], 4.0 * 0.5 * 256.0, 1e-2);
  for (std::size_t k = 2; k < ACCUMULATED_BINS; ++k) ASSERT_LT(a.accumulator[k], 1e-2) << k;
}

TEST_F(BlockAnalysisTest, MonoSineAddsFourTimesItsWindowedMagnitude) {
  // Amplitude 16384 on bin 100: |X| = u * n / 4 under the Hann window, times 4 in mono.
  input.numberOfAverages = 3;
  BlockBuilder block(1, 16);
  block.Sine(0, 100, 16384.0);
  Analyse(block);
  EXPECT_NEAR(a.accumulator[100], 16777216.0, 16777216.0 * 1e-4);
  EXPECT_NEAR(a.accumulator[99], 16777216.0 / 2.0, 16777216.0 * 1e-4);  // the window's side bins
  EXPECT_LT(a.accumulator[50], 16777216.0 * 1e-5);
}

// A 16-bit stereo sine on bin 100, left only: the split must not leak into the right channel.
TEST_F(BlockAnalysisTest, StereoSplitKeepsChannelsApart) {
  input.numberOfAverages = 3;
  BlockBuilder block(2, 16);
  block.Sine(0, 100, 16384.0);
  block.Sine(1, 250, 8192.0);
  Analyse(block);
  EXPECT_NEAR(a.accumulator[100], 8388608.0, 8388608.0 * 1e-4);
  EXPECT_NEAR(b.accumulator[250], 4194304.0, 4194304.0 * 1e-4);
  EXPECT_LT(b.accumulator[100], 8388608.0 * 1e-5);
  EXPECT_LT(a.accumulator[250], 8388608.0 * 1e-5);
}

TEST_F(BlockAnalysisTest, EightBitStereoTakesLeftThenRightFromEachFrame) {
  input.numberOfAverages = 3;
  BlockBuilder block(2, 8);
  for (std::size_t m = 0; m < N; ++m) {
    block.Set(m, 0, 128 + static_cast<int>(std::lround(100.0 * std::sin(2.0 * PI * static_cast<double>(40 * m) / 1024.0))));
  }
  Analyse(block);
  // Centred bytes minus 127.5 leave +0.5 of DC on both channels; the tone is on the left only.
  EXPECT_NEAR(a.accumulator[40], 100.0 * 256.0 * 2.0, 100.0 * 256.0 * 2.0 * 2e-3);
  EXPECT_LT(b.accumulator[40], 1.0);
  EXPECT_NEAR(b.accumulator[0], 2.0 * 0.5 * 512.0, 1e-2);
}

TEST_F(BlockAnalysisTest, PeaksAreFullScaleForTheExtremeSamples) {
  input.level = true;
  input.numberOfAverages = 100;
  BlockBuilder sixteen(2, 16);
  sixteen.Set(700, 0, -32768);
  sixteen.Set(3, 1, 32767);
  Analyse(sixteen);
  EXPECT_EQ(a.peakLevel, 32768.0f);
  EXPECT_EQ(b.peakLevel, 32767.0f);

  BlockBuilder low(2, 8);
  low.Set(10, 0, 0);
  low.Set(11, 1, 255);
  Analyse(low);
  EXPECT_EQ(a.peakLevel, 127.5f);
  EXPECT_EQ(b.peakLevel, 127.5f);

  // Little-endian order: bytes 0x02 0x01 are 258, not 513.
  BlockBuilder order(1, 16);
  order.Set(0, 0, 258);
  Analyse(order);
  EXPECT_EQ(a.peakLevel, 258.0f);
}

TEST_F(BlockAnalysisTest, PeaksResetEveryBlockAndAreTrackedOnlyWithLevelOn) {
  input.numberOfAverages = 100;
  input.level = true;
  BlockBuilder loud(2, 16);
  loud.Set(0, 0, 1000);
  loud.Set(0, 1, -2000);
  Analyse(loud);
  ASSERT_EQ(a.peakLevel, 1000.0f);
  ASSERT_EQ(b.peakLevel, 2000.0f);

  // The peak is the latest block's, not the largest so far.
  BlockBuilder quieter(2, 16);
  quieter.Set(5, 0, 10);
  Analyse(quieter);
  EXPECT_EQ(a.peakLevel, 10.0f);
  EXPECT_EQ(b.peakLevel, 0.0f);

  input.level = false;
  Analyse(loud);
  EXPECT_EQ(a.peakLevel, 0.0f);
  EXPECT_EQ(b.peakLevel, 0.0f);
}

TEST_F(BlockAnalysisTest, MonoNeverWritesVfoBExceptToClearItsAccumulator) {
  input.numberOfAverages = 2;
  input.level = true;
  b.accumulator.fill(5.0f);
  b.peakLevel = 77.0f;
  b.displayRow.fill(9);
  BlockBuilder block(1, 16);
  block.Sine(0, 60, 3000.0);

  Analyse(block);
  EXPECT_EQ(b.accumulator[60], 5.0f);
  EXPECT_EQ(b.accumulator[0], 5.0f);
  EXPECT_EQ(b.peakLevel, 77.0f);

  Analyse(block);  // completes the cycle
  ASSERT_EQ(hooks.events, "RRD");
  for (float v : b.accumulator) ASSERT_EQ(v, 0.0f);
  EXPECT_EQ(b.peakLevel, 77.0f);
  for (std::uint8_t v : b.displayRow) ASSERT_EQ(v, 9);
}

TEST_F(BlockAnalysisTest, RequeueComesOnceAfterWindowingAndBeforeTheFrame) {
  input.numberOfAverages = 1;
  BlockBuilder block(2, 16);
  for (std::size_t m = 0; m < N; ++m) {
    block.Set(m, 0, static_cast<int>(m) * 31 - 16000);
    block.Set(m, 1, 12000 - static_cast<int>(m) * 17);
  }
  Analyse(block);
  EXPECT_EQ(hooks.events, "RD");
  // At the requeue the block arrays hold the windowed samples, not yet the transform.
  for (std::size_t m = 0; m < N; ++m) {
    const float left = static_cast<float>(static_cast<int>(m) * 31 - 16000);
    const float right = static_cast<float>(12000 - static_cast<int>(m) * 17);
    ASSERT_EQ(hooks.requeuedRe[m], left * tables.hannWindow[m]) << m;
    ASSERT_EQ(hooks.requeuedIm[m], right * tables.hannWindow[m]) << m;
  }

  // Mono leaves the imaginary half at zero.
  BlockBuilder mono(1, 16);
  mono.Set(512, 0, 300);
  Analyse(mono);
  EXPECT_EQ(hooks.events, "RDRD");
  EXPECT_EQ(hooks.requeuedRe[512], 300.0f);
  for (float v : hooks.requeuedIm) ASSERT_EQ(v, 0.0f);
}

TEST_F(BlockAnalysisTest, CycleCompletesOnTheNthBlockWithTheMeanOfExactlyThoseBlocks) {
  input.numberOfAverages = 10;
  double expectedSum = 0.0;
  for (int i = 1; i <= 10; ++i) {
    BlockBuilder block(1, 16);
    const double amplitude = 1000.0 * i;
    block.Sine(0, 100, amplitude);
    expectedSum += amplitude * 256.0 * 4.0;
    Analyse(block);
    if (i < 10) {
      ASSERT_EQ(averageCount, i);
      ASSERT_EQ(hooks.events.find('D'), std::string::npos) << "frame after block " << i;
    }
  }
  EXPECT_EQ(hooks.events, "RRRRRRRRRRD");
  EXPECT_NEAR(hooks.frameAccumulator[100], expectedSum / 10.0, expectedSum / 10.0 * 1e-4);
  // The rows are fresh when the frame is drawn: the mean is at 1000 Hz on the 1000 Hz span.
  EXPECT_EQ(hooks.frameRow[0], 127);
  EXPECT_LT(hooks.frameRow[200], 30);
  EXPECT_EQ(hooks.frameRow[20], 127);
  // And the cycle restarts from nothing.
  EXPECT_EQ(averageCount, 0);
  for (float v : a.accumulator) ASSERT_EQ(v, 0.0f);

  // One average: every block is a cycle.
  input.numberOfAverages = 1;
  hooks.events.clear();
  BlockBuilder silent(1, 16);
  Analyse(silent);
  Analyse(silent);
  EXPECT_EQ(hooks.events, "RDRD");
}

TEST_F(BlockAnalysisTest, MappingUsesTheFormatAndRangesInForceAtTheEndOfTheCycle) {
  // A stereo full-scale sine at 1000 Hz comes out near 0 dB on the 16-bit reference.
  input.numberOfAverages = 2;
  input.rangeA = 2;
  input.rangeB = 2;
  BlockBuilder block(2, 16);
  block.Sine(0, 100, 32767.0);
  Analyse(block);
  input.rangeA = 4;  // changed between blocks: applies to this cycle
  Analyse(block);
  EXPECT_LE(a.displayRow[50], 1);  // column 50 of 4000 Hz is bin 100
  EXPECT_EQ(a.displayRow[100], 127);
  EXPECT_EQ(b.displayRow[100], 127);  // silence on the right
  EXPECT_EQ(b.displayRow[0], 127);
}

TEST(ClearAccumulators, ZeroesBothAccumulatorsAndTheCount) {
  ChannelSpectrum a, b;
  a.accumulator.fill(3.0f);
  b.accumulator.fill(4.0f);
  a.peakLevel = 8.0f;
  a.displayRow.fill(12);
  int count = 7;
  ClearAccumulators(a, b, count);
  EXPECT_EQ(count, 0);
  for (std::size_t k = 0; k < ACCUMULATED_BINS; ++k) {
    ASSERT_EQ(a.accumulator[k], 0.0f);
    ASSERT_EQ(b.accumulator[k], 0.0f);
  }
  EXPECT_EQ(a.peakLevel, 8.0f);
  EXPECT_EQ(a.displayRow[5], 12);
}

}  // namespace
}  // namespace keblor
