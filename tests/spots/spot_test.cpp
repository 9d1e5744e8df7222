#include "spots/spot.h"

#include <gtest/gtest.h>

#include <string>

namespace keblor::test {
namespace {

// The Reverse Beacon Network's line as its telnet feed publishes it: skimmer, kHz, call, mode,
// SNR, speed, kind, time.
TEST(ParseSpotLine, ReverseBeaconLineGivesModeSnrAndSpeed) {
  const auto spot = ParseSpotLine("DX de KM3T-#:     7025.0  K1ABC          CW    12 dB  23 WPM  CQ      1959Z");
  ASSERT_TRUE(spot);
  EXPECT_EQ(*spot, (Spot{"KM3T-#", "K1ABC", 7'025'000, "CW 12 dB 23 WPM CQ", "CW", 12, 23, "1959Z"}));
}

// Cluster lines: any spacing (tabs, none after the colon, a bell in front), lower case, more
// decimals, a locator after the time; no mode, SNR or speed unless the comment says so.
TEST(ParseSpotLine, ClusterLinesWithOddSpacing) {
  auto spot = ParseSpotLine("\aDX de W3LPL:14025.10\tja1xyz/p   up  2   tnx QSO    0001z FN20");
  ASSERT_TRUE(spot);
  EXPECT_EQ(*spot, (Spot{"W3LPL", "JA1XYZ/P", 14'025'100, "up 2 tnx QSO", "", {}, {}, "0001Z"}));

  spot = ParseSpotLine("dx de  dl1xx-2 :  3512.5 OH2BH  cw 599 -3dB 30wpm 2359Z  ");
  ASSERT_TRUE(spot);
  EXPECT_EQ(*spot, (Spot{"DL1XX-2", "OH2BH", 3'512'500, "cw 599 -3dB 30wpm", "CW", -3, 30, "2359Z"}));
}

// A line cut after the call or in its comment still gives the spot, without a time (a time
// that cannot be one stays in the comment); one cut before its call gives none.
TEST(ParseSpotLine, TruncatedLinesKeepWhatTheyHave) {
  EXPECT_EQ(ParseSpotLine("DX de G4XYZ:     18080.0  VK9XX"), (Spot{"G4XYZ", "VK9XX", 18'080'000, "", "", {}, {}, ""}));
  EXPECT_EQ(ParseSpotLine("DX de G4XYZ: 18080.0 VK9XX loud 2460Z 1")->comment, "loud 2460Z 1");
  for (const char* line : {"DX de G4XYZ:     18080.0", "DX de G4XYZ:     1808", "DX de G4X"})
    EXPECT_FALSE(ParseSpotLine(line)) << line;
}

TEST(ParseSpotLine, RefusesWhatIsNoSpot) {
  for (const char* line : {"", "DX de", "Please enter your call:", "To ALL de W3LPL: good luck in the contest",
                           "WWV de VE7CC <18>:   SFI=70, A=5, K=1", "DX de : 14025.0 K1ABC CQ 1234Z",
                           "DX de W3LPL: 14.025.0 K1ABC 1234Z", "DX de W3LPL: 14025.0001 K1ABC 1234Z",
                           "DX de W3LPL: -14025.0 K1ABC 1234Z", "DX de W3LPL: 0.0 K1ABC 1234Z", "DX de W3LPL: 14025.0 ABCDE",
                           "DX de W3LPL: 14025.0 K1@BC", "DX de W3L%PL: 14025.0 K1ABC", "DX deW3LPL: 14025.0 K1ABC",
                           "DX de W3LPL: 999999999999.0 K1ABC 1234Z"})
    EXPECT_FALSE(ParseSpotLine(line)) << line;
  std::string line = "DX de W3LPL:  14025.0  K1ABC  ";
  line.resize(MAX_SPOT_LINE_BYTES, 'x');
  EXPECT_TRUE(ParseSpotLine(line));
  EXPECT_FALSE(ParseSpotLine(line + "x"));
}

// A named mode decides (RTTY in the CW segment is not CW; CW anywhere is); without one the CW
// segment does, both of its edges inside.
TEST(IsCwSpot, NamedModeFirstThenTheBandSegment) {
  const auto at = [](const char* line) { return IsCwSpot(*ParseSpotLine(line)); };
  EXPECT_TRUE(at("DX de KM3T-#: 14100.0 K1ABC CW 12 dB 23 WPM CQ 1959Z"));
  EXPECT_FALSE(at("DX de KM3T-#: 14035.0 K1ABC RTTY 12 dB 45 BPS CQ 1959Z"));
  EXPECT_TRUE(at("DX de W3LPL: 7000.0 K1ABC 1234Z"));
  EXPECT_TRUE(at("DX de W3LPL: 7040.0 K1ABC 1234Z"));
  EXPECT_FALSE(at("DX de W3LPL: 6999.9 K1ABC 1234Z"));
  EXPECT_FALSE(at("DX de W3LPL: 7040.1 K1ABC 1234Z"));
  EXPECT_FALSE(at("DX de W3LPL: 14074.0 K1ABC 1234Z"));
}

}  // namespace
}  // namespace keblor::test
