#include "core/main_layout.h"

#include <gtest/gtest.h>

namespace keblor {
namespace {

// The four rows of the layout table; the mono rows must keep the VFO-B place they were given.
TEST(MainLayout, RowsFollowArrangementAndChannels) {
  const MainLayout previous{1, 1, 77, 88};
  const MainLayout sideMono = ChooseMainLayout(0, 1, previous);
  EXPECT_EQ(sideMono.width, 214);
  EXPECT_EQ(sideMono.height, 231);
  EXPECT_EQ(sideMono.vfoBLeft, 77);
  EXPECT_EQ(sideMono.vfoBTop, 88);

  const MainLayout sideStereo = ChooseMainLayout(0, 2, previous);
  EXPECT_EQ(sideStereo.width, 417);
  EXPECT_EQ(sideStereo.height, 231);
  EXPECT_EQ(sideStereo.vfoBLeft, 205);
  EXPECT_EQ(sideStereo.vfoBTop, 2);

  const MainLayout belowMono = ChooseMainLayout(1, 1, previous);
  EXPECT_EQ(belowMono.width, 213);
  EXPECT_EQ(belowMono.height, 234);
  EXPECT_EQ(belowMono.vfoBLeft, 77);

  // Any non-zero ArrangeVertically counts as "below".
  const MainLayout belowStereo = ChooseMainLayout(-3, 2, previous);
  EXPECT_EQ(belowStereo.width, 213);
  EXPECT_EQ(belowStereo.height, 416);
  EXPECT_EQ(belowStereo.vfoBLeft, 0);
  EXPECT_EQ(belowStereo.vfoBTop, 186);
}

// Taller spectrum windows: one more height per window in a column, and VFO-B pushed below VFO-A's
// by as much; beside each other, VFO-B keeps its place.
TEST(MainLayout, TallerWindowsGrowTheMainWindowByTheirColumn) {
  const MainLayout previous{1, 1, 77, 88};
  const MainLayout sideStereo = ChooseMainLayout(0, 2, previous, 64);
  EXPECT_EQ(sideStereo.width, 417);
  EXPECT_EQ(sideStereo.height, 231 + 64);
  EXPECT_EQ(sideStereo.vfoBTop, 2);
  EXPECT_EQ(ChooseMainLayout(0, 1, previous, 64).height, 231 + 64);

  const MainLayout belowMono = ChooseMainLayout(1, 1, previous, 64);
  EXPECT_EQ(belowMono.height, 234 + 64);
  EXPECT_EQ(belowMono.vfoBTop, 88);
  const MainLayout belowStereo = ChooseMainLayout(1, 2, previous, 64);
  EXPECT_EQ(belowStereo.width, 213);
  EXPECT_EQ(belowStereo.height, 416 + 2 * 64);
  EXPECT_EQ(belowStereo.vfoBLeft, 0);
  EXPECT_EQ(belowStereo.vfoBTop, 186 + 64);
}

}  // namespace
}  // namespace keblor
