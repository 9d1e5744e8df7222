// The skimmer's listed signals: the pitch it shows for each.

#include "analysis/skimmer.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>

#include "cw_band.h"

namespace keblor {
namespace {

// A station beside a stronger one 45 Hz away, whose keying's sidebands pull the spectrum's centre
// of the weaker: the pitch shown is its carrier's, to a few tenths of a hertz, steady while it
// sends, and where it was last heard once it stops.
TEST(Skimmer, ASignalsPitchIsItsCarriersBesideAStrongerNeighbourAndStaysWhenItStops) {
  constexpr double PITCH = 702.37;
  CwBand band({{PITCH, 10, 28, "CQ TEST DL1ABC DL1ABC", 0.0, 0.0, 24.0}, {PITCH + 45.0, 22, 24, "CQ DE K1XYZ K"}}, 0.01, 9);
  auto skimmer = std::make_unique<Skimmer>();
  std::array<float, FFT_SIZE> samples{};
  SpectrumAccumulator magnitudes{};
  std::set<double> shown;
  double last = 0.0;
  while (skimmer->Seconds() < 40.0) {
    band.Next(samples, magnitudes);
    skimmer->Push(samples.data(), magnitudes.data(), ACCUMULATED_BINS - 1);
    if (skimmer->Seconds() < 10.0) continue;
    ASSERT_EQ(skimmer->Count(), 2);
    const double hz = skimmer->Signal(0).hz;  // the weaker, lower one
    if (skimmer->Seconds() < 24.0) shown.insert(hz);
    last = hz;
  }
  ASSERT_EQ(shown.size(), 1u) << *shown.begin() << " .. " << *shown.rbegin();
  EXPECT_NEAR(*shown.begin(), PITCH, 0.3);
  EXPECT_NEAR(last, PITCH, 0.3);
}

}  // namespace
}  // namespace keblor
