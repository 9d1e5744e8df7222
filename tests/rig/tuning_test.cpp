#include "rig/tuning.h"

#include <gtest/gtest.h>

namespace keblor::test {
namespace {

// The tone 12 Hz above the marker: in upper sideband the dial goes up 12 Hz (which lowers the
// tone by 12), in lower sideband down 12 Hz; a tone below the marker the other way.
TEST(DialStep, UpperSidebandMovesByToneLessMarkerLowerTheOtherWay) {
  EXPECT_EQ(DialStep(712.0, 700, Sideband::Upper), 12);
  EXPECT_EQ(DialStep(712.0, 700, Sideband::Lower), -12);
  EXPECT_EQ(DialStep(480.0, 500, Sideband::Upper), -20);
  EXPECT_EQ(DialStep(480.0, 500, Sideband::Lower), 20);
  EXPECT_EQ(DialStep(700.0, 700, Sideband::Upper), 0);
}

// Whole hertz, halves away from zero as everywhere in the program.
TEST(DialStep, RoundsToWholeHertz) {
  EXPECT_EQ(DialStep(712.5, 700, Sideband::Upper), 13);
  EXPECT_EQ(DialStep(712.49, 700, Sideband::Upper), 12);
  EXPECT_EQ(DialStep(687.5, 700, Sideband::Upper), -13);
  EXPECT_EQ(DialStep(687.5, 700, Sideband::Lower), 13);
}

// No tone, or a mode without a sideband: nothing moves.
TEST(DialStep, NothingWithoutAToneOrASideband) {
  EXPECT_EQ(DialStep(0.0, 700, Sideband::Upper), std::nullopt);
  EXPECT_EQ(DialStep(-5.0, 700, Sideband::Lower), std::nullopt);
  EXPECT_EQ(DialStep(712.0, 700, Sideband::Unknown), std::nullopt);
  EXPECT_EQ(DialStep(0.01, 0, Sideband::Upper), 0);
}

TEST(Sideband, ModesGiveTheirSidesAndTheSettingOverridesThem) {
  for (const char* mode : {"CW", "USB", "PKTUSB", "RTTYR"}) EXPECT_EQ(SidebandOfMode(mode), Sideband::Upper) << mode;
  for (const char* mode : {"CWR", "LSB", "PKTLSB", "RTTY"}) EXPECT_EQ(SidebandOfMode(mode), Sideband::Lower) << mode;
  for (const char* mode : {"AM", "FM", "", "cw", "PKTFM"}) EXPECT_EQ(SidebandOfMode(mode), Sideband::Unknown) << mode;

  EXPECT_EQ(ChooseSideband(0, "CWR"), Sideband::Lower);
  EXPECT_EQ(ChooseSideband(1, "CWR"), Sideband::Upper);
  EXPECT_EQ(ChooseSideband(2, "CW"), Sideband::Lower);
  EXPECT_EQ(ChooseSideband(1, "FM"), Sideband::Upper);
  EXPECT_EQ(ChooseSideband(3, "CW"), Sideband::Upper);
  EXPECT_EQ(ChooseSideband(-1, "AM"), Sideband::Unknown);
}

TEST(DialText, MegahertzThenKilohertzAndHertzInGroups) {
  EXPECT_EQ(DialText({7'030'012, "CW"}), "7.030 012 MHz CW");
  EXPECT_EQ(DialText({145'000'000, "FM"}), "145.000 000 MHz FM");
  EXPECT_EQ(DialText({1'830'500, ""}), "1.830 500 MHz");
  EXPECT_EQ(DialText({475'009, "CWR"}), "0.475 009 MHz CWR");
}

}  // namespace
}  // namespace keblor::test
