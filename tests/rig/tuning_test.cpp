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

// The dial at 7.030 000 MHz: a signal 600 Hz above it is heard at 600 Hz in upper sideband and
// one 600 Hz below it in lower; the dial that puts either on a 700 Hz marker is 100 Hz away the
// other way, and the pitch there is the marker's.
TEST(SignalPlacement, PitchAndDialForBothSidebands) {
  EXPECT_EQ(PitchOfSignal(7'030'000, Sideband::Upper, 7'030'600), 600);
  EXPECT_EQ(PitchOfSignal(7'030'000, Sideband::Lower, 7'029'400), 600);
  EXPECT_EQ(PitchOfSignal(7'030'000, Sideband::Lower, 7'030'600), -600);
  EXPECT_EQ(PitchOfSignal(7'030'000, Sideband::Unknown, 7'030'600), std::nullopt);
  EXPECT_EQ(DialForSignal(7'030'600, 700, Sideband::Upper), 7'029'900);
  EXPECT_EQ(DialForSignal(7'029'400, 700, Sideband::Lower), 7'030'100);
  EXPECT_EQ(PitchOfSignal(7'030'100, Sideband::Lower, 7'029'400), 700);
  EXPECT_EQ(DialForSignal(7'030'600, 700, Sideband::Unknown), std::nullopt);
}

TEST(DialText, MegahertzThenKilohertzAndHertzInGroups) {
  EXPECT_EQ(DialText({7'030'012, "CW"}), "7.030 012 MHz CW");
  EXPECT_EQ(DialText({145'000'000, "FM"}), "145.000 000 MHz FM");
  EXPECT_EQ(DialText({475'009, ""}), "0.475 009 MHz");
}

}  // namespace
}  // namespace keblor::test
