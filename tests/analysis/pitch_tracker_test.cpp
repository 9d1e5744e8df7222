// The pitch readout against tones whose pitch is known: steady, keyed, held through the gaps,
// steady to the eye, and started afresh where old blocks would mislead it.

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <utility>
#include <vector>

#include "analysis/spectrum_analyzer.h"
#include "tone_signal.h"

namespace keblor {
namespace {

constexpr double NOISE = 800.0;

// The readout of VFO-A after each of `blocks` blocks, one average, in the span of `range`.
std::vector<double> Readings(ToneSignal& signal, int blocks, int range = 1) {
  SpectrumAnalyzer analyzer;
  analyzer.Configure({1, false, range, range, false, false, true});
  std::vector<double> shown;
  for (int i = 0; i < blocks; ++i) shown.push_back(analyzer.Push(signal.NextBlock().data(), {1, 16})->pitchHzA);
  return shown;
}

// The key down from `on` to `off` seconds, with 5 ms raised-cosine edges.
ToneSignal::Key KeyDown(double on, double off) {
  return [on, off](double t) {
    const double ramp = std::clamp(std::min(t - on, off - t) / 0.005, 0.0, 1.0);
    return 0.5 - 0.5 * std::cos(std::numbers::pi * ramp);
  };
}

// Dots and gaps of equal length, the first from `start` seconds on.
ToneSignal::Key Dots(double length, double start) {
  return [length, start](double t) {
    if (t < start) return 0.0;
    const double period = 2.0 * length;
    const double begin = start + period * std::floor((t - start) / period);
    return KeyDown(begin, begin + length)(t);
  };
}

// The power's centre is the tone's pitch wherever it lies between two bins: a clean tone is read
// to a few hundredths of a hertz across the widest span, in either channel of a stereo stream.
TEST(PitchReadout, SteadyTonesAreReadBetweenTheBins) {
  for (double hz = 33.0; hz < 3980.0; hz += 37.3) {
    ToneSignal clean({{hz, 8000.0}}, 0.0);
    EXPECT_NEAR(Readings(clean, 2, 4).back(), hz, 0.05) << hz;
  }
  ToneSignal left({{703.3, 8000.0}}, 100.0, 1);
  ToneSignal right({{1131.7, 8000.0}}, 100.0, 2);
  SpectrumAnalyzer analyzer;
  analyzer.Configure({1, false, 1, 3, false, false, true});
  std::optional<SpectrumFrame> frame;
  for (int i = 0; i < 3; ++i)
    frame = analyzer.Push(ToneSignal::Pcm16({left.NextSamples(), right.NextSamples()}).data(), {2, 16});
  EXPECT_NEAR(frame->pitchHzA, 703.3, 0.05);
  EXPECT_NEAR(frame->pitchHzB, 1131.7, 0.05);
}

// The noise's own power, which every bin holds, is taken off before the centre is found: a weak
// tone 4 Hz from a bin's centre is not drawn toward it.
TEST(PitchReadout, WeakTonesAreNotDrawnToTheBinCentre) {
  double sum = 0.0;
  int count = 0;
  for (unsigned seed = 1; seed <= 8; ++seed) {
    ToneSignal weak({{704.0, AmplitudeFor(-12.0, NOISE)}}, NOISE, seed);
    const std::vector<double> shown = Readings(weak, 40);
    for (std::size_t i = 10; i < shown.size(); ++i, ++count) sum += shown[i];
  }
  EXPECT_NEAR(sum / count, 704.0, 0.25);
}

// Dots at 25 wpm are shorter than a block, and most blocks hold one cut by the key: read as well
// as a steady tone, to a fraction of a hertz, in the gaps between the dots too.
TEST(PitchReadout, KeyedTonesAreReadFromTheBlocksTheKeyCut) {
  for (double hz : {351.2, 504.9, 777.7}) {
    ToneSignal dots({{hz, 8000.0, Dots(0.048, 0.023)}}, 0.0);
    const std::vector<double> shown = Readings(dots, 40);
    for (std::size_t i = 1; i < shown.size(); ++i) EXPECT_NEAR(shown[i], hz, 0.3) << hz << " Hz, block " << i;
  }
}

// The reading stays a second after the key went up, then blanks, whether a picture follows
// every block or every fifth (the key last down in block 20, or 24); what stood in the noise when the key was up is not read.
TEST(PitchReadout, HeldForASecondAfterTheKeyGoesUp) {
  ToneSignal signal({{703.3, AmplitudeFor(10.0, NOISE), KeyDown(0.3, 2.05)}}, NOISE, 3);
  const std::vector<double> shown = Readings(signal, 40);
  EXPECT_EQ(shown[1], 0.0);  // the key still up
  EXPECT_NEAR(shown[3], 703.3, 1.0);
  EXPECT_NEAR(shown[28], 703.3, 1.0);  // 0.85 s after the key went up in block 20
  EXPECT_NEAR(shown[29], 703.3, 1.0);
  EXPECT_EQ(shown[30], 0.0);  // block 20 a second old
  for (std::size_t i = 30; i < shown.size(); ++i) EXPECT_EQ(shown[i], 0.0) << "block " << i;

  ToneSignal again({{703.3, AmplitudeFor(10.0, NOISE), KeyDown(0.3, 2.45)}}, NOISE, 3);
  SpectrumAnalyzer analyzer;
  analyzer.Configure({5, false, 1, 1, false, false, true});
  std::vector<double> pictures;  // after blocks 4, 9, .. 39
  for (int i = 0; i < 40; ++i)
    if (const auto frame = analyzer.Push(again.NextBlock().data(), {1, 16})) pictures.push_back(frame->pitchHzA);
  ASSERT_EQ(pictures.size(), 8u);
  EXPECT_NEAR(pictures[5], 703.3, 1.0);  // block 29
  EXPECT_EQ(pictures[6], 0.0);           // block 34: block 24, the key's last, a second old
}

// Half-way between two whole hertz a strong tone's number settles on one of them and stays; a
// weak one's may change now and then, but never back to what it was within a second. A tone
// tuned 2 Hz away is followed within a second.
TEST(PitchReadout, TheNumberShownDoesNotFlicker) {
  for (double snr : {20.0, -10.0}) {
    for (unsigned seed = 4; seed < 7; ++seed) {
      ToneSignal steady({{700.5, AmplitudeFor(snr, NOISE)}}, NOISE, seed);
      const std::vector<double> shown = Readings(steady, 600);
      std::vector<std::pair<std::size_t, long>> changes;  // the block and the new number
      for (std::size_t i = 10; i < shown.size(); ++i) {
        const long number = std::lround(shown[i]);
        if (changes.empty() || changes.back().second != number) changes.emplace_back(i, number);
      }
      if (snr > 0.0) {
        EXPECT_EQ(changes.size(), 1u) << "seed " << seed;
      }
      for (std::size_t c = 2; c < changes.size(); ++c) {
        EXPECT_FALSE(changes[c].second == changes[c - 2].second && changes[c].first - changes[c - 2].first <= 10)
            << snr << " dB, seed " << seed << ": back to " << changes[c].second << " at block " << changes[c].first;
      }
    }
  }
  ToneSignal tuned({{700.5, AmplitudeFor(20.0, NOISE), KeyDown(-1.0, 2.0)}, {702.5, AmplitudeFor(20.0, NOISE), KeyDown(2.0, 9.0)}},
                   NOISE, 5);
  const std::vector<double> shown = Readings(tuned, 32);
  EXPECT_NEAR(shown[19], 700.5, 0.3);
  EXPECT_NEAR(shown[31], 702.5, 0.3);
}

// A tone rising 1 Hz a second is read within 1 Hz from its third second on, not a second
// behind; once it stops the number settles on its pitch and stays.
TEST(PitchReadout, ADriftingToneIsFollowedAndSettlesWhenItStops) {
  std::mt19937 random(11);
  std::normal_distribution<double> noise(0.0, NOISE);
  const double amplitude = AmplitudeFor(20.0, NOISE);
  SpectrumAnalyzer analyzer;
  analyzer.Configure({1, false, 1, 1, false, false, true});
  double phase = 0.0;
  long n = 0;
  auto pitchAt = [](double t) { return 700.3 + std::min(t, 4.0); };
  std::vector<double> shown;
  for (int block = 0; block < 120; ++block) {
    std::vector<double> x(static_cast<std::size_t>(FFT_SIZE));
    for (double& v : x) {
      phase += 2.0 * std::numbers::pi * pitchAt(static_cast<double>(n++) / TEST_RATE) / TEST_RATE;
      v = amplitude * std::sin(phase) + noise(random);
    }
    shown.push_back(analyzer.Push(ToneSignal::Pcm16({x}).data(), {1, 16})->pitchHzA);
  }
  for (std::size_t i = 20; i < 40; ++i) EXPECT_NEAR(shown[i], pitchAt(0.1 * static_cast<double>(i + 1)), 1.0) << "block " << i;
  for (std::size_t i = 60; i < shown.size(); ++i) {
    EXPECT_NEAR(shown[i], 704.3, 0.6) << "block " << i;
    EXPECT_EQ(std::lround(shown[i]), std::lround(shown[60])) << "block " << i;
  }
}

// Of two tones 30 Hz apart the stronger is read; a stronger one outside the span is not.
TEST(PitchReadout, TheStrongestToneInTheSpan) {
  for (double hz : {600.0, 704.0}) {
    ToneSignal pair({{hz, 8000.0}, {hz + 30.0, 4000.0}}, 100.0);
    EXPECT_NEAR(Readings(pair, 3).back(), hz, 1.0) << hz;
    ToneSignal other({{hz, 4000.0}, {hz - 30.0, 8000.0}}, 100.0);
    EXPECT_NEAR(Readings(other, 3).back(), hz - 30.0, 1.0) << hz;
  }
  ToneSignal beyond({{704.0, 4000.0}, {1210.0, 8000.0}}, 100.0);
  EXPECT_NEAR(Readings(beyond, 3, 1).back(), 704.0, 0.1);
  ToneSignal wide({{704.0, 4000.0}, {1210.0, 8000.0}}, 100.0);
  EXPECT_NEAR(Readings(wide, 3, 2).back(), 1210.0, 0.1);
}

// The readout follows every block whatever the averaging, and starts afresh when it is switched
// on or the span changes: blocks from before do not hold a tone that is gone.
TEST(PitchReadout, StartsAfreshWhenSwitchedOnOrTheSpanChanges) {
  ToneSignal first({{704.0, 8000.0}}, NOISE, 6);
  ToneSignal second({{830.0, 8000.0}}, NOISE, 7);
  SpectrumAnalyzer analyzer;
  std::optional<SpectrumFrame> frame;
  auto push = [&](ToneSignal& signal, const AnalyzerOptions& options) {
    analyzer.Configure(options);
    frame = analyzer.Push(signal.NextBlock().data(), {1, 16});
  };
  for (int i = 0; i < 6; ++i) push(first, {3, false, 1, 1, false, false, true});
  ASSERT_TRUE(frame.has_value());
  EXPECT_NEAR(frame->pitchHzA, 704.0, 0.1);
  push(second, {3, false, 1, 1, false, false, false});
  push(second, {3, false, 1, 1, false, false, false});
  push(second, {3, false, 1, 1, false, false, true});  // a cycle ends: one block since the readout came on
  ASSERT_TRUE(frame.has_value());
  EXPECT_NEAR(frame->pitchHzA, 830.0, 0.1);

  for (int i = 0; i < 3; ++i) push(first, {1, false, 1, 1, false, false, true});
  push(second, {1, false, 2, 2, false, false, true});  // 704 Hz would still be read from the second before
  EXPECT_NEAR(frame->pitchHzA, 830.0, 0.1);
}

}  // namespace
}  // namespace keblor
