#include "display/level_readout.h"

#include <gtest/gtest.h>

namespace keblor::test {
namespace {

TEST(LevelText, SixteenBitPeaks) {
  EXPECT_EQ(FormatLevelText(16384.0f, 16), "Level: -6.0dB");
  EXPECT_EQ(FormatLevelText(32768.0f, 16), "Level: 0.0dB");
  // Just below full scale the level is a small negative number and keeps its sign.
  EXPECT_EQ(FormatLevelText(32767.0f, 16), "Level: -0.0dB");
  EXPECT_EQ(FormatLevelText(1.0f, 16), "Level: -90.3dB");
}

TEST(LevelText, EightBitPeaks) {
  EXPECT_EQ(FormatLevelText(127.5f, 8), "Level: 0.0dB");
  EXPECT_EQ(FormatLevelText(0.5f, 8), "Level: -48.1dB");
  EXPECT_EQ(FormatLevelText(63.75f, 8), "Level: -6.0dB");
}

TEST(LevelText, SilenceIsReadable) { EXPECT_EQ(FormatLevelText(0.0f, 16), "Level: silence"); }

TEST(LevelText, FullScaleIsExactlyTheLargestPeakOfTheFormat) {
  EXPECT_TRUE(IsFullScale(32768.0f, 16));
  EXPECT_FALSE(IsFullScale(32767.0f, 16));
  EXPECT_TRUE(IsFullScale(127.5f, 8));
  EXPECT_FALSE(IsFullScale(127.0f, 8));
  // An 8-bit full scale is far from full scale in 16 bits, and the other way round.
  EXPECT_FALSE(IsFullScale(127.5f, 16));
  EXPECT_FALSE(IsFullScale(32768.0f, 8));
}

}  // namespace
}  // namespace keblor::test
