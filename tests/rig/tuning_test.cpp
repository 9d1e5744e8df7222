#include "rig/tuning.h"

#include <gtest/gtest.h>

namespace keblor::test {
namespace {

// The tone 12 Hz above the marker: in upper sideband the dial goes up 12 Hz (which lowers the
// tone by 12), in lower sideband down 12 Hz; a tone below the marker the other way. Whole hertz,
// halves away from zero. No tone, or a mode without a sideband: nothing moves.
TEST(DialStep, UpperSidebandMovesByToneLessMarkerLowerTheOtherWay) {
  EXPECT_EQ(DialStep(712.0, 700, Sideband::Upper), 12);
  EXPECT_EQ(DialStep(712.0, 700, Sideband::Lower), -12);
  EXPECT_EQ(DialStep(480.0, 500, Sideband::Upper), -20);
  EXPECT_EQ(DialStep(480.0, 500, Sideband::Lower), 20);
  EXPECT_EQ(DialStep(687.5, 700, Sideband::Upper), -13);
  EXPECT_EQ(DialStep(712.49, 700, Sideband::Upper), 12);
  EXPECT_EQ(DialStep(0.0, 700, Sideband::Upper), std::nullopt);
  EXPECT_EQ(DialStep(0.01, 0, Sideband::Upper), 0);
  EXPECT_EQ(DialStep(712.0, 700, Sideband::Unknown), std::nullopt);
}

// Modes name their side as Hamlib spells them; the Sideband setting (1 upper, 2 lower) wins over
// the mode, any other value leaves it to the mode.
TEST(Sideband, ModesGiveTheirSidesAndTheSettingOverridesThem) {
  EXPECT_EQ(SidebandOfMode("CW"), Sideband::Upper);
  EXPECT_EQ(SidebandOfMode("CWR"), Sideband::Lower);
  EXPECT_EQ(SidebandOfMode("RTTY"), Sideband::Lower);
  EXPECT_EQ(SidebandOfMode("RTTYR"), Sideband::Upper);
  EXPECT_EQ(SidebandOfMode("cw"), Sideband::Unknown);
  EXPECT_EQ(SidebandOfMode("AM"), Sideband::Unknown);

  EXPECT_EQ(ChooseSideband(1, "CWR"), Sideband::Upper);
  EXPECT_EQ(ChooseSideband(2, "CW"), Sideband::Lower);
  EXPECT_EQ(ChooseSideband(3, "CWR"), Sideband::Lower);
  EXPECT_EQ(ChooseSideband(0, "AM"), Sideband::Unknown);
}

TEST(DialText, MegahertzThenKilohertzAndHertzInGroups) {
  EXPECT_EQ(DialText({7'030'012, "CW"}), "7.030 012 MHz CW");
  EXPECT_EQ(DialText({145'000'000, "FM"}), "145.000 000 MHz FM");
  EXPECT_EQ(DialText({475'009, ""}), "0.475 009 MHz");
}

}  // namespace
}  // namespace keblor::test
