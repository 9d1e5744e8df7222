// The pitch readout's estimate against tones whose frequency is known, and the running average.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <numbers>
#include <random>
#include <vector>

#include "analysis/pitch_estimate.h"
#include "analysis/spectrum_analyzer.h"

namespace keblor {
namespace {

// 16-bit mono blocks of tones in white noise; the phase runs on from block to block.
class Signal {
 public:
  struct Tone {
    double hz;
    double amplitude;
  };
  Signal(std::vector<Tone> tones, double noiseRms, unsigned seed = 7) : tones_(std::move(tones)), noise_(0.0, noiseRms), random_(seed) {}
  std::vector<std::uint8_t> NextBlock() {
    std::vector<std::uint8_t> bytes(2 * FFT_SIZE);
    for (int i = 0; i < FFT_SIZE; ++i, ++n_) {
      double x = noise_(random_);
      for (const Tone& t : tones_) x += t.amplitude * std::sin(2.0 * std::numbers::pi * t.hz * static_cast<double>(n_) / 10240.0 + 0.4);
      const auto v = static_cast<std::uint16_t>(static_cast<std::int16_t>(std::lround(std::clamp(x, -32768.0, 32767.0))));
      bytes[static_cast<std::size_t>(2 * i)] = static_cast<std::uint8_t>(v & 0xFF);
      bytes[static_cast<std::size_t>(2 * i + 1)] = static_cast<std::uint8_t>(v >> 8);
    }
    return bytes;
  }

 private:
  std::vector<Tone> tones_;
  std::normal_distribution<double> noise_;
  std::mt19937 random_;
  long n_ = 0;
};

// The readout of the 4000 Hz span after `blocks` blocks averaged, or 0 for none.
double Readout(Signal& signal, int blocks) {
  SpectrumAnalyzer analyzer;
  analyzer.Configure({blocks, false, 4, 4, false, false, true});
  std::optional<SpectrumFrame> frame;
  for (int i = 0; i < blocks; ++i) frame = analyzer.Push(signal.NextBlock().data(), {1, 16});
  return frame ? frame->pitchHzA : -1.0;
}

// A tone's amplitude for an SNR in dB against white noise of this RMS over the whole band.
double AmplitudeFor(double snrDb, double noiseRms) { return noiseRms * std::sqrt(2.0) * std::pow(10.0, snrDb / 20.0); }

TEST(PitchEstimate, CleanTonesAcrossTheSpanBetweenBins) {
  for (double hz = 33.0; hz < 3980.0; hz += 37.3) {
    Signal clean({{hz, 8000.0}}, 0.0);
    EXPECT_NEAR(Readout(clean, 1), hz, 0.2) << hz;
  }
}

// Within 1 Hz at 20 dB and 3 Hz at 6 dB SNR; noise alone gives no number.
TEST(PitchEstimate, NoisyTonesAndNoiseAlone) {
  constexpr double NOISE = 800.0;
  for (double hz : {212.5, 498.0, 703.3, 1507.7, 2999.1, 3870.4}) {
    Signal at20({{hz, AmplitudeFor(20.0, NOISE)}}, NOISE, 11);
    EXPECT_NEAR(Readout(at20, 1), hz, 1.0) << hz << " Hz at 20 dB";
    Signal at6({{hz, AmplitudeFor(6.0, NOISE)}}, NOISE, 13);
    EXPECT_NEAR(Readout(at6, 1), hz, 3.0) << hz << " Hz at 6 dB";
  }
  for (unsigned seed = 1; seed <= 20; ++seed) {
    Signal noise({}, NOISE, seed);
    EXPECT_EQ(Readout(noise, 1), 0.0) << "seed " << seed;
  }
}

// Of two tones 30 Hz apart the stronger one is read, undisturbed by its neighbour.
TEST(PitchEstimate, TwoTonesThirtyHertzApart) {
  for (double hz : {600.0, 704.0, 1203.5}) {
    Signal pair({{hz, 8000.0}, {hz + 30.0, 4000.0}}, 100.0);
    EXPECT_NEAR(Readout(pair, 1), hz, 1.0) << hz;
    Signal other({{hz, 4000.0}, {hz - 30.0, 8000.0}}, 100.0);
    EXPECT_NEAR(Readout(other, 1), hz - 30.0, 1.0) << hz;
  }
}

// With the running average a frame follows every block and shows the mean of the last N blocks:
// the same rows as one cycle over those N blocks.
TEST(RunningAverage, EveryBlockShowsTheMeanOfTheLastBlocks) {
  constexpr int N = 4;
  Signal signal({{700.0, 3000.0}}, 2000.0, 5);
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
