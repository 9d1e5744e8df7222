// The skimmer's listed signals: the pitch it shows for each.

#include "analysis/skimmer.h"

#include <gtest/gtest.h>

#include <set>

#include "keyed_cw.h"
#include "skimmed_channel.h"

namespace keblor {
namespace {

// A station beside a stronger one 45 Hz away, whose keying's sidebands pull the spectrum's centre
// of the weaker: the pitch shown is its carrier's, to a few tenths of a hertz, and steady.
TEST(Skimmer, ASignalsPitchIsItsCarriersBesideAStrongerNeighbour) {
  constexpr double PITCH = 702.37;
  SkimmedChannel c{CwBand({{PITCH, 10, 28, "CQ TEST DL1ABC DL1ABC"}, {PITCH + 45.0, 22, 24, "CQ DE K1XYZ K"}}, 0.01, 9)};
  std::set<double> shown;
  while (c.skimmer->Seconds() < 24.0) {
    c.Next();
    if (c.skimmer->Seconds() < 10.0) continue;
    ASSERT_EQ(c.skimmer->Count(), 2);
    shown.insert(c.skimmer->Signal(0).hz);  // the weaker, lower one
  }
  ASSERT_EQ(shown.size(), 1u) << *shown.begin() << " .. " << *shown.rbegin();
  EXPECT_NEAR(*shown.begin(), PITCH, 0.3);
}

// A tone drifting 1 Hz a second is followed within 1 Hz while it sends; once it stops, the pitch
// shown stays where it was last heard instead of drifting on through the silence.
TEST(Skimmer, ADriftingSignalIsFollowedAndStaysWhereItStopped) {
  constexpr double STOP = 20.0;
  SkimmedChannel c{CwBand({{600.0, 10, 25, "CQ DE W1AW K", 0.0, 1.0, STOP}}, 0.01, 11)};
  double stoppedHz = 0.0;
  while (c.skimmer->Seconds() < STOP + 10.0) {
    c.Next();
    const double t = c.skimmer->Seconds();
    if (t < 10.0) continue;
    ASSERT_EQ(c.skimmer->Count(), 1);
    const double hz = c.skimmer->Signal(0).hz;
    if (t < STOP) EXPECT_NEAR(hz, 600.0 + t, 1.0) << t;
    else if (stoppedHz == 0.0) stoppedHz = hz;
    else EXPECT_EQ(hz, stoppedHz) << t;
  }
  EXPECT_NEAR(stoppedHz, 600.0 + STOP, 1.0);
}

// A weak station heard first, then one 20 dB stronger 40 Hz away: the weak one's decoder starts
// again over the blocks kept, with the newcomer's carrier nulled and taken out from the first
// block, and reads on (CER 0.18; 0.76 without the new start, which loses its speed).
TEST(Skimmer, AStrongerNeighbourListedLaterIsTakenOutFromTheStart) {
  const std::string sent = "CQ CQ DE DL1ABC DL1ABC K THE QUICK BROWN FOX JUMPS OVER THE LAZY DOG";
  SkimmedChannel c{CwBand({{700.0, 10, 38, sent}, {740.0, 30, 37, "TEST K1XYZ K1XYZ TEST K1XYZ K1XYZ TEST K1XYZ", 5.0}}, 0.01, 3)};
  while (c.skimmer->Seconds() < 30.0) c.Next();
  ASSERT_EQ(c.skimmer->Count(), 2);
  const std::string_view heard = c.skimmer->Signal(0).text;  // the first over, then the next begun
  EXPECT_LE(CharacterErrorRate(sent, heard.substr(0, sent.size())), 0.25) << heard;
}

}  // namespace
}  // namespace keblor
