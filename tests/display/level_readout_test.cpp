#include "display/level_readout.h"

#include <gtest/gtest.h>

#include "display/display_fixture.h"
#include "display/display_frame.h"

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

TEST(LevelText, SilenceIsReadable) {
  EXPECT_EQ(FormatLevelText(0.0f, 16), "Level: silence");
  EXPECT_FALSE(IsFullScale(0.0f, 16));
}

TEST(LevelText, FullScaleIsExactlyTheLargestPeakOfTheFormat) {
  EXPECT_TRUE(IsFullScale(32768.0f, 16));
  EXPECT_FALSE(IsFullScale(32767.0f, 16));
  EXPECT_TRUE(IsFullScale(127.5f, 8));
  EXPECT_FALSE(IsFullScale(127.0f, 8));
  // An 8-bit full scale is far from full scale in 16 bits, and the other way round.
  EXPECT_FALSE(IsFullScale(127.5f, 16));
  EXPECT_FALSE(IsFullScale(32768.0f, 8));
}

using LevelReadout = DisplayFixture;

TEST_F(LevelReadout, DrawsInItsBoxRedAtFullScaleAndBlackAgainAfter) {
  const WindowHandle a = Open(Vfo::A);
  app.vfoA.peakLevel = 32768.0f;
  ShowLevel(app, Vfo::A);
  const DrawnText* t = fake.TextAt(a, 40, 145);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->text, "Level: 0.0dB");
  EXPECT_EQ(t->color, TEXT_RED);
  EXPECT_EQ(t->align, TextAlign::Left);
  EXPECT_EQ(t->anchor.x, 40);
  EXPECT_EQ(t->anchor.y, 145);
  EXPECT_EQ(t->box.right, 140);
  EXPECT_EQ(t->box.bottom, 159);

  app.vfoA.peakLevel = 16384.0f;
  ShowLevel(app, Vfo::A);
  t = fake.TextAt(a, 40, 145);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->text, "Level: -6.0dB");
  EXPECT_EQ(t->color, TEXT_BLACK);
}

TEST_F(LevelReadout, EachWindowShowsItsOwnChannelInTheCurrentFormat) {
  const WindowHandle a = Open(Vfo::A);
  const WindowHandle b = Open(Vfo::B);
  app.settings.BitsPerSample = 8;
  app.vfoA.peakLevel = 0.5f;
  app.vfoB.peakLevel = 127.5f;
  ShowLevel(app, Vfo::A);
  ShowLevel(app, Vfo::B);
  EXPECT_EQ(fake.TextAt(a, 40, 145)->text, "Level: -48.1dB");
  EXPECT_EQ(fake.TextAt(a, 40, 145)->color, TEXT_BLACK);
  EXPECT_EQ(fake.TextAt(b, 40, 145)->text, "Level: 0.0dB");
  EXPECT_EQ(fake.TextAt(b, 40, 145)->color, TEXT_RED);
}

TEST_F(LevelReadout, SilentBlockDrawsTheReadout) {
  const WindowHandle a = Open(Vfo::A);
  app.vfoA.peakLevel = 0.0f;
  ShowLevel(app, Vfo::A);
  ASSERT_NE(fake.TextAt(a, 40, 145), nullptr);
  EXPECT_EQ(fake.TextAt(a, 40, 145)->text, "Level: silence");
}

TEST_F(LevelReadout, ClosedWindowGetsNothing) {
  ShowLevel(app, Vfo::B);  // the fake refuses text drawn into a closed window
  EXPECT_TRUE(fake.signalWindows.empty());
}

TEST_F(LevelReadout, DisplayFrameShowsReadoutsOnlyWithLevelOn) {
  const WindowHandle a = Open(Vfo::A);
  const WindowHandle b = Open(Vfo::B);
  app.settings.Channels = 1;  // VFO-B's window still gets its readout
  app.vfoA.peakLevel = 16384.0f;
  app.vfoB.peakLevel = 1.0f;

  DrawDisplayFrame(app);
  EXPECT_EQ(fake.TextAt(a, 40, 145), nullptr);
  EXPECT_EQ(fake.TextAt(b, 40, 145), nullptr);

  app.settings.Level = 1;
  DrawDisplayFrame(app);
  ASSERT_NE(fake.TextAt(a, 40, 145), nullptr);
  ASSERT_NE(fake.TextAt(b, 40, 145), nullptr);
  EXPECT_EQ(fake.TextAt(a, 40, 145)->text, "Level: -6.0dB");
  EXPECT_EQ(fake.TextAt(b, 40, 145)->text, "Level: -90.3dB");
}

// Frozen, the readout keeps its last text; a repaint erases it and only the first frame after
// unfreezing brings it back.
TEST_F(LevelReadout, FrozenReadoutStaysUntilARepaintAndReturnsAfterUnfreezing) {
  const WindowHandle a = Open(Vfo::A);
  app.settings.Level = 1;
  app.vfoA.peakLevel = 16384.0f;
  DrawDisplayFrame(app);
  app.frozen = true;
  app.vfoA.peakLevel = 1.0f;
  DrawDisplayFrame(app);
  EXPECT_EQ(fake.TextAt(a, 40, 145)->text, "Level: -6.0dB");

  fake.InvalidateSignalWindow(a);
  PaintAll();
  EXPECT_EQ(fake.TextAt(a, 40, 145), nullptr);

  app.frozen = false;
  DrawDisplayFrame(app);
  ASSERT_NE(fake.TextAt(a, 40, 145), nullptr);
  EXPECT_EQ(fake.TextAt(a, 40, 145)->text, "Level: -90.3dB");
}

TEST_F(LevelReadout, EraseBlanksTheBoxWithAnEmptyText) {
  const WindowHandle a = Open(Vfo::A);
  app.vfoA.peakLevel = 16384.0f;
  ShowLevel(app, Vfo::A);
  EraseLevelReadout(app, Vfo::A);
  const DrawnText* t = fake.TextAt(a, 40, 145);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->text, "");
  EXPECT_EQ(t->box.right, 140);
  EXPECT_EQ(t->align, TextAlign::Left);
}

}  // namespace
}  // namespace keblor::test
