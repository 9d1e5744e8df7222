// The tracker of every signal, on keyed stations in white noise whose pitches are known.

#include "analysis/signal_tracker.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <random>
#include <vector>

#include "cw_band.h"

namespace keblor {
namespace {

class Tracking {
 public:
  Tracking(std::vector<CwStation> stations, unsigned seed) : band_(std::move(stations), 0.01, seed) {}
  const SignalTracker& RunTo(double seconds) {
    while (tracker_->Seconds() < seconds - 1e-9) {
      band_.Next(samples_, magnitudes_);
      tracker_->Push(magnitudes_.data(), ACCUMULATED_BINS - 1);
    }
    return *tracker_;
  }
  // Digital silence (exact zeros) before the band begins.
  void Silence(double seconds) {
    const SpectrumAccumulator zeros{};
    while (tracker_->Seconds() < seconds - 1e-9) tracker_->Push(zeros.data(), ACCUMULATED_BINS - 1);
  }

 private:
  CwBand band_;
  std::unique_ptr<SignalTracker> tracker_ = std::make_unique<SignalTracker>();
  std::array<float, FFT_SIZE> samples_{};
  SpectrumAccumulator magnitudes_{};
};

const TrackedSignal& ListedAt(const SignalTracker& t, int i) { return t.Slot(t.Listed(i)); }

// Catches signals lost, merged or reshuffled when they are close, and slow or wrong readings.
TEST(SignalTracker, ThreeStationsFortyHertzApartListedWithinThreeSecondsAndKeepTheirIds) {
  Tracking run({{600.0, 10.0, 20.0, "CQ CQ DE DL1ABC K"}, {640.0, 10.0, 25.0, "TEST DE G4XYZ"},
                {680.0, 10.0, 18.0, "QRZ DE K1AB"}},
               1);
  const SignalTracker& t = run.RunTo(3.0);
  ASSERT_EQ(t.ListedCount(), 3);
  std::array<int, 3> ids{};
  for (int i = 0; i < 3; ++i) {
    EXPECT_NEAR(ListedAt(t, i).hz, 600.0 + 40.0 * i, 2.0);
    EXPECT_LE(ListedAt(t, i).firstSeconds, 3.0);
    ids[static_cast<std::size_t>(i)] = ListedAt(t, i).id;
  }
  for (double s = 4.0; s <= 20.0; s += 4.0) {
    run.RunTo(s);
    ASSERT_EQ(t.ListedCount(), 3) << s;
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(ListedAt(t, i).id, ids[static_cast<std::size_t>(i)]) << s;
      EXPECT_NEAR(ListedAt(t, i).hz, 600.0 + 40.0 * i, 2.0) << s;
    }
  }
}

TEST(SignalTracker, FollowsATonDriftingOneHertzASecondWithinOneHertz) {
  Tracking run({{700.0, 10.0, 22.0, "CQ CQ DE F5AA", 0.0, 1.0}}, 2);
  run.RunTo(8.0);
  for (double s = 8.0; s < 30.0; s += 0.1) {
    const SignalTracker& t = run.RunTo(s);
    ASSERT_EQ(t.ListedCount(), 1);
    // The newest block's centre is 50 ms before the stream time.
    EXPECT_NEAR(ListedAt(t, 0).hz, 700.0 + (s - 0.05), 1.0) << s;
  }
}

// A signal fading 20 dB (to 0 dB) is still keyed in its troughs: were it taken for silent
// there, its decoder would stop hearing it and lose the text.
TEST(SignalTracker, ASignalIsFollowedDownIntoItsFades) {
  Tracking run({{700.0, 20.0, 25.0, "CQ CQ DE DL1ABC K", 0.0, 0.0, 1e9, 20.0, 0.1}}, 8);
  for (double s = 3.0; s <= 40.0; s += 0.5) {
    const SignalTracker& t = run.RunTo(s);
    ASSERT_EQ(t.ListedCount(), 1) << s;
    EXPECT_GT(ListedAt(t, 0).lastSeconds, s - 1.0) << s;
  }
  // But a signal that has gone is not keyed by the clicks of a stronger neighbour 40 Hz away.
  Tracking gone({{700.0, 10.0, 25.0, "TEST DE G4XYZ", 0.0, 0.0, 10.0}, {740.0, 18.0, 30.0, "CQ CQ DE DL1ABC K"}}, 9);
  const double last = ListedAt(gone.RunTo(11.0), 0).lastSeconds;
  EXPECT_LE(last, 10.1);
  EXPECT_EQ(ListedAt(gone.RunTo(40.0), 0).lastSeconds, last);
}

// A strong neighbour keyed while a weak signal is silent: its sidebands must not pull the weak
// one's pitch over to it (its decoder would follow and read the neighbour), and its clicks fall
// off with distance, so that 80 Hz from one 14 dB stronger keyed all the while a station is
// listed within 3 s of its first key-down.
TEST(SignalTracker, AWeakSignalBesideAStrongOneKeepsItsPitchAndIsListedAsItsDistanceAllows) {
  Tracking run({{600.0, 30.0, 20.0, "CQ CQ DE DL1ABC CQ CQ DE DL1ABC CQ CQ DE DL1ABC K"},
                {650.0, 14.0, 25.0, "TEST DE G4XYZ", 0.0, 0.0, 8.0}},
               6);
  for (double s = 10.0; s <= 40.0; s += 2.0) {
    const SignalTracker& t = run.RunTo(s);
    ASSERT_EQ(t.ListedCount(), 2) << s;
    EXPECT_NEAR(ListedAt(t, 1).hz, 650.0, 5.0) << s;
  }
  Tracking far({{600.0, 25.0, 40.0, "CQ TEST DE DL1ABC DL1ABC TEST"}, {520.0, 11.0, 20.0, "CQ DE OK1RR K", 4.0}}, 7);
  ASSERT_EQ(far.RunTo(7.0).ListedCount(), 2);
  EXPECT_NEAR(ListedAt(far.RunTo(7.0), 0).hz, 520.0, 2.0);
  // 20 dB under a station 80 Hz away: not taken for its key clicks.
  Tracking under({{700.0, 25.0, 25.0, "CQ TEST DE DL1ABC DL1ABC TEST"}, {780.0, 5.0, 20.0, "CQ DE OK1RR K", 4.0}}, 1);
  ASSERT_EQ(under.RunTo(10.0).ListedCount(), 2);
  EXPECT_NEAR(ListedAt(under.RunTo(10.0), 1).hz, 780.0, 2.0);
  // A station's first key-down at 620 Hz, not yet held as a signal, its clicks in the lobe of one at 580.
  std::mt19937 random(3);
  std::normal_distribution<float> gauss;
  auto t = std::make_unique<SignalTracker>();
  SpectrumAccumulator m{};
  for (int b = 0; b < 71; ++b) {
    for (float& v : m) v = std::hypot(gauss(random), gauss(random));
    const auto add = [&](int k, float v) { m[static_cast<std::size_t>(k)] += v; };
    if (b % 3 != 2) for (int k = 57; k <= 59; ++k) add(k, k == 58 ? 20.0f : 8.0f);
    if (b == 60) for (int k = 60; k <= 64; ++k) add(k, 6000.0f / static_cast<float>(1 + 4 * std::abs(k - 62)));
    t->Push(m.data(), ACCUMULATED_BINS - 1);
  }
  ASSERT_EQ(t->ListedCount(), 1);
  EXPECT_NEAR(ListedAt(*t, 0).hz, 580.0, 1.0);
}

// A false signal is worse than a late one: ten minutes of noise, and a strong signal's key
// clicks beside it, list nothing else.
TEST(SignalTracker, NoiseAndKeyClicksListNothing) {
  Tracking noise({}, 3);
  for (double s = 10.0; s <= 600.0; s += 10.0) ASSERT_EQ(noise.RunTo(s).ListedCount(), 0) << s;
  Tracking strong({{800.0, 30.0, 30.0, "CQ CQ DE F5AA"}}, 4);
  for (double s = 5.0; s <= 60.0; s += 5.0) ASSERT_EQ(strong.RunTo(s).ListedCount(), 1) << s;
}

// The floor must catch up with noise that starts after digital silence, or the noise lists
// false signals that fill the list.
TEST(SignalTracker, NoiseAfterDigitalSilenceListsOnlyTheStation) {
  Tracking run({{700.0, 0.0, 20.0, "CQ CQ DE DL1ABC", 5.0}}, 6);
  run.Silence(1.0);
  for (double s = 2.0; s <= 30.0; s += 0.5) ASSERT_LE(run.RunTo(s).ListedCount(), 1) << s;
  const SignalTracker& t = run.RunTo(30.0);
  ASSERT_EQ(t.ListedCount(), 1);
  EXPECT_NEAR(ListedAt(t, 0).hz, 700.0, 2.0);
}

TEST(SignalTracker, ASignalLeavesAfterAMinuteOfSilenceAndItsIdIsNotReused) {
  Tracking run({{900.0, 10.0, 20.0, "TEST DE G4XYZ", 0.0, 0.0, 10.0}, {1200.0, 10.0, 20.0, "CQ DE W1AW", 80.0}}, 5);
  const SignalTracker& t = run.RunTo(5.0);
  ASSERT_EQ(t.ListedCount(), 1);
  const int first = ListedAt(t, 0).id;
  run.RunTo(11.0);
  const double last = ListedAt(t, 0).lastSeconds;
  EXPECT_GT(last, 8.5);
  EXPECT_LE(last, 10.1);
  run.RunTo(last + 59.9);
  ASSERT_EQ(t.ListedCount(), 1);
  EXPECT_EQ(ListedAt(t, 0).lastSeconds, last);
  run.RunTo(last + 60.1);
  EXPECT_EQ(t.ListedCount(), 0);
  run.RunTo(85.0);
  ASSERT_EQ(t.ListedCount(), 1);
  EXPECT_NEAR(ListedAt(t, 0).hz, 1200.0, 2.0);
  EXPECT_GT(ListedAt(t, 0).id, first);
}

}  // namespace
}  // namespace keblor
