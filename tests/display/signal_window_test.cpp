#include "display/signal_window.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "display/display_fixture.h"
#include "display/trace_rendering.h"

namespace keblor::test {
namespace {

bool Contains(const std::vector<std::string>& calls, const std::string& call) {
  return std::find(calls.begin(), calls.end(), call) != calls.end();
}

// --- opening and painting ---

using SignalWindowOpen = DisplayFixture;

TEST_F(SignalWindowOpen, VfoAOpensAtItsPlaceShownAndPaintedAtOnce) {
  const WindowHandle a = Open(Vfo::A);
  ASSERT_NE(a, NO_WINDOW);
  EXPECT_TRUE(Contains(fake.calls, "CreateSignalWindow Main VFO-A 0 2"));
  EXPECT_TRUE(Window(a).shown);
  EXPECT_TRUE(Window(a).surface);
  EXPECT_TRUE(app.vfoA.surfaceCreated);
  EXPECT_EQ(Window(a).eraseCount, 1);
  EXPECT_EQ(Window(a).showTraceCount, 1);
}

TEST_F(SignalWindowOpen, VfoBOpensAtTheLayoutsPlace) {
  app.layout.vfoBLeft = 0;
  app.layout.vfoBTop = 186;
  const WindowHandle b = Open(Vfo::B);
  EXPECT_TRUE(Contains(fake.calls, "CreateSignalWindow Sub VFO-B 0 186"));
  EXPECT_EQ(Window(b).title, "Sub VFO-B");
}

TEST_F(SignalWindowOpen, PaintDrawsTheFourLabelsInOrderWithBoxesAndAnchors) {
  app.settings.VFO_A = {730, 1, 4};
  app.settings.NumberOfAverages = 12;
  const WindowHandle a = Open(Vfo::A);
  const std::vector<DrawnText>& log = Window(a).textLog;
  ASSERT_EQ(log.size(), 4u);

  struct Expected { std::string text; Rect box; TextAlign align; Point anchor; };
  const Expected expected[] = {
      {"PITCH: 730 Hz", {0, 0, 150, 14}, TextAlign::Left, {0, 0}},
      {"AVGS: 12", {110, 0, 200, 14}, TextAlign::Right, {200, 0}},
      {"0 Hz", {0, 145, 30, 159}, TextAlign::Left, {0, 145}},
      {"4000 Hz", {140, 145, 200, 159}, TextAlign::Right, {200, 145}},
  };
  for (std::size_t i = 0; i < 4; ++i) {
    SCOPED_TRACE(expected[i].text);
    EXPECT_EQ(log[i].text, expected[i].text);
    EXPECT_EQ(log[i].box.left, expected[i].box.left);
    EXPECT_EQ(log[i].box.top, expected[i].box.top);
    EXPECT_EQ(log[i].box.right, expected[i].box.right);
    EXPECT_EQ(log[i].box.bottom, expected[i].box.bottom);
    EXPECT_EQ(log[i].align, expected[i].align);
    EXPECT_EQ(log[i].anchor.x, expected[i].anchor.x);
    EXPECT_EQ(log[i].anchor.y, expected[i].anchor.y);
    EXPECT_EQ(log[i].color, TEXT_BLACK);
  }
}

TEST_F(SignalWindowOpen, RangeLabelsFollowTheVfosRange) {
  const char* labels[] = {"500 Hz", "1000 Hz", "2000 Hz", "3000 Hz", "4000 Hz"};
  const WindowHandle b = Open(Vfo::B);
  for (int r = 0; r < 5; ++r) {
    app.settings.VFO_B.Range = r;
    fake.InvalidateSignalWindow(b);
    PaintAll();
    ASSERT_NE(fake.TextAt(b, 140, 145), nullptr);
    EXPECT_EQ(fake.TextAt(b, 140, 145)->text, labels[r]);
  }
}

TEST_F(SignalWindowOpen, FirstPaintShowsTheRasterAsItWasNotABlankOne) {
  app.vfoA.raster.fill(0x0F);
  const WindowHandle a = Open(Vfo::A);
  ASSERT_TRUE(Window(a).trace.has_value());
  EXPECT_EQ(*Window(a).trace, app.vfoA.raster);
  EXPECT_EQ(app.vfoA.raster[100], 0x0F);
}

TEST_F(SignalWindowOpen, PaintOfAnUnknownWindowDoesNothing) {
  Open(Vfo::A);
  app.clearRequested = true;
  OnSignalPaint(app, NO_WINDOW);
  OnSignalPaint(app, 99);
  EXPECT_TRUE(app.clearRequested);
}

// --- the clear request ---

class ClearRequest : public DisplayFixture {
 protected:
  void SetUp() override {
    a = Open(Vfo::A);
    b = Open(Vfo::B);
    app.vfoA.raster.fill(0x01);
    app.vfoB.raster.fill(0x02);
    app.clearRequested = true;
    fake.InvalidateSignalWindow(a);
    fake.InvalidateSignalWindow(b);
  }
  static bool Blank(const TraceRaster& r) { return std::all_of(r.begin(), r.end(), [](auto v) { return v == 0; }); }
  WindowHandle a = NO_WINDOW, b = NO_WINDOW;
};

TEST_F(ClearRequest, RunningDisplayBlanksOnlyTheFirstWindowPainted) {
  PaintAll();
  EXPECT_FALSE(app.clearRequested);
  EXPECT_TRUE(Blank(*Window(a).trace));
  ASSERT_TRUE(Window(b).trace.has_value());
  EXPECT_EQ((*Window(b).trace)[0], 0x02);
}

TEST_F(ClearRequest, FrozenDisplayBlanksEveryPaintUntilUnfrozen) {
  app.frozen = true;
  PaintAll();
  EXPECT_TRUE(app.clearRequested);
  EXPECT_TRUE(Blank(*Window(a).trace));
  EXPECT_TRUE(Blank(*Window(b).trace));

  app.vfoB.raster.fill(0x04);  // nothing redraws it while frozen, but a paint must not show it
  fake.InvalidateSignalWindow(b);
  PaintAll();
  EXPECT_TRUE(app.clearRequested);
  EXPECT_TRUE(Blank(*Window(b).trace));
}

// --- reopening ---

using SignalWindowReopen = DisplayFixture;

TEST_F(SignalWindowReopen, ReopenedWindowShowsTheLastFrameDrawnBeforeClosing) {
  const WindowHandle first = Open(Vfo::A);
  app.vfoA.displayRow = FlatRow(127);
  app.vfoA.displayRow[60] = 10;
  RenderTrace(app, Vfo::A);
  const TraceRaster drawn = app.vfoA.raster;
  OnSignalClose(app, first);

  app.frozen = true;
  const WindowHandle again = Open(Vfo::A);
  EXPECT_NE(again, first);
  ASSERT_TRUE(Window(again).trace.has_value());
  EXPECT_EQ(*Window(again).trace, drawn);
}

// --- mouse ---

class SignalMouse : public DisplayFixture {
 protected:
  void SetUp() override {
    a = Open(Vfo::A);
    fake.cursorLog.clear();
  }
  void Click(int x, int y = 80, unsigned keys = MK_LBUTTON, MouseMessage m = MouseMessage::LeftDown) {
    OnSignalMouse(app, a, m, keys, x, y);
  }
  int& PitchA() { return app.settings.VFO_A.PitchFreq; }
  WindowHandle a = NO_WINDOW;
};

TEST_F(SignalMouse, HitZoneIsStrictlyWithinElevenColumnsOfTheCentre) {
  app.settings.VFO_A = {500, 1, 2};  // centre column 50
  Click(38);
  EXPECT_EQ(PitchA(), 500);
  Click(62);
  EXPECT_EQ(PitchA(), 500);
  Click(39);
  EXPECT_EQ(PitchA(), 390);
  PitchA() = 500;
  Click(61);
  EXPECT_EQ(PitchA(), 610);
}

TEST_F(SignalMouse, PitchLabelIsRedrawnAtOnce) {
  app.settings.VFO_A = {500, 1, 2};
  const std::size_t drawn = Window(a).textLog.size();
  Click(45);
  ASSERT_EQ(Window(a).textLog.size(), drawn + 1);
  EXPECT_EQ(Window(a).textLog.back().text, "PITCH: 450 Hz");
  EXPECT_EQ(Window(a).textLog.back().box.right, 150);
}

// 503 Hz in the 1000 Hz span: the marker is drawn at column 101 but grabbed around column 100.
TEST_F(SignalMouse, HitTestCentreTruncatesWhileTheMarkerRounds) {
  app.settings.VFO_A = {503, 1, 1};
  EXPECT_EQ(MarkerColumn(503, 1), 101);
  Click(112);
  EXPECT_EQ(PitchA(), 503);
  Click(89);
  EXPECT_EQ(PitchA(), 445);
}

TEST_F(SignalMouse, NarrowestSpanUsesTheUnroundedCentreAndRoundsThePitch) {
  app.settings.VFO_A = {1, 1, 0};  // centre 0.4: column 12 is still inside
  Click(12);
  EXPECT_EQ(PitchA(), 30);

  PitchA() = 495;  // centre 198
  Click(199);
  EXPECT_EQ(PitchA(), 498);
  PitchA() = 5;  // centre 2
  Click(1);
  EXPECT_EQ(PitchA(), 3);
  Click(0);
  EXPECT_EQ(PitchA(), 0);
}

TEST_F(SignalMouse, OnlyTheLeftButtonAloneSetsThePitch) {
  app.settings.VFO_A = {500, 1, 2};
  const unsigned others[] = {MK_LBUTTON | MK_SHIFT, MK_LBUTTON | MK_CONTROL, MK_LBUTTON | MK_RBUTTON,
                             MK_LBUTTON | MK_MBUTTON, 0u, MK_RBUTTON};
  for (unsigned keys : others) {
    Click(45, 80, keys);
    Click(45, 80, keys, MouseMessage::Move);
    EXPECT_EQ(PitchA(), 500) << "keys " << keys;
  }
  Click(45, 80, 0, MouseMessage::LeftUp);
  EXPECT_EQ(PitchA(), 500);
  EXPECT_EQ(fake.cursor, CURSOR_SIZE_WE);  // the hovering still shows the marker cursor
}

TEST_F(SignalMouse, DragCarriesTheMarkerWhileStepsStayBelowTwelveColumns) {
  app.settings.VFO_A = {500, 1, 2};
  Click(50);
  Click(55, 80, MK_LBUTTON, MouseMessage::Move);
  EXPECT_EQ(PitchA(), 550);
  Click(66, 80, MK_LBUTTON, MouseMessage::Move);
  EXPECT_EQ(PitchA(), 660);
  Click(78, 80, MK_LBUTTON, MouseMessage::Move);  // 12 columns ahead: the drag is lost
  EXPECT_EQ(PitchA(), 660);
}

TEST_F(SignalMouse, OnlyRowsSixteenToHundredFortyOneReact) {
  app.settings.VFO_A = {500, 1, 2};
  Click(45, 15);
  Click(45, 142);
  EXPECT_EQ(PitchA(), 500);
  EXPECT_TRUE(fake.cursorLog.empty());
  Click(45, 16);
  EXPECT_EQ(PitchA(), 450);
  Click(40, 141);
  EXPECT_EQ(PitchA(), 400);
}

// Coordinates are two unsigned 16-bit halves: left of or above the window is far away.
TEST_F(SignalMouse, NegativeCoordinatesReadAsLargeUnsignedValues) {
  app.settings.VFO_A = {0, 1, 1};  // centre column 0: x = -1 would be inside if signed
  Click(-1);
  EXPECT_EQ(PitchA(), 0);
  EXPECT_EQ(fake.cursor, CURSOR_ARROW);
  app.settings.VFO_A = {500, 1, 2};
  Click(45, -1);
  EXPECT_EQ(PitchA(), 500);
  EXPECT_TRUE(std::count(fake.cursorLog.begin(), fake.cursorLog.end(), CURSOR_SIZE_WE) == 0);
}

TEST_F(SignalMouse, MarkerCursorOverTheZoneAndTheSavedCursorOutside) {
  app.settings.VFO_A = {500, 1, 2};
  fake.cursor = 7;  // whatever was showing before
  Click(50, 80, 0, MouseMessage::Move);
  EXPECT_EQ(fake.cursor, CURSOR_SIZE_WE);
  EXPECT_EQ(app.savedCursor, 7);
  Click(52, 80, 0, MouseMessage::Move);  // still over the marker
  Click(100, 80, 0, MouseMessage::Move);
  EXPECT_EQ(fake.cursor, 7);
}

TEST_F(SignalMouse, MarkerSwitchedOffNeverChangesCursorOrPitch) {
  app.settings.VFO_A = {500, 0, 2};
  Click(45);
  Click(50, 80, MK_LBUTTON, MouseMessage::Move);
  EXPECT_EQ(PitchA(), 500);
  EXPECT_EQ(std::count(fake.cursorLog.begin(), fake.cursorLog.end(), CURSOR_SIZE_WE), 0);
  Click(120, 80, 0, MouseMessage::Move);  // outside the zone the saved cursor is shown
  EXPECT_EQ(fake.cursorLog.back(), CURSOR_ARROW);
}

TEST_F(SignalMouse, FrozenShowsTheMarkerCursorButKeepsThePitch) {
  app.settings.VFO_A = {500, 1, 2};
  app.frozen = true;
  Click(45);
  EXPECT_EQ(fake.cursor, CURSOR_SIZE_WE);
  EXPECT_EQ(PitchA(), 500);
}

TEST_F(SignalMouse, PresetMarksFollowEveryMouseMessage) {
  app.settings.VFO_A = {500, 1, 2};
  app.settings.VFO_B.PitchFreq = 500;  // both on preset 2, also with one channel
  Click(45, 10, 0, MouseMessage::Move);  // above the trace area: marks refreshed all the same
  EXPECT_TRUE(fake.IsChecked(cmd::Preset2));
  EXPECT_FALSE(fake.IsChecked(cmd::Preset1));
  EXPECT_FALSE(fake.IsChecked(cmd::Preset3));

  Click(55);
  EXPECT_EQ(PitchA(), 550);
  EXPECT_FALSE(fake.IsChecked(cmd::Preset1));
  EXPECT_FALSE(fake.IsChecked(cmd::Preset2));
  EXPECT_FALSE(fake.IsChecked(cmd::Preset3));

  Click(50);
  EXPECT_TRUE(fake.IsChecked(cmd::Preset2));
  EXPECT_TRUE(app.menu.IsChecked(cmd::Preset2));
}

// --- right button ---

using SignalRightButton = DisplayFixture;

TEST_F(SignalRightButton, PopupCarriesThePitchAndRangeMarksAtTheScreenPoint) {
  const WindowHandle a = Open(Vfo::A);
  const WindowHandle b = Open(Vfo::B);
  app.settings.VFO_A = {500, 1, 0};
  app.settings.VFO_B = {500, 0, 3};

  OnSignalRightButton(app, a, 30, 40);
  ASSERT_EQ(fake.popups.size(), 1u);
  EXPECT_EQ(fake.popups[0].resourceId, 126);
  const Point expected = fake.ClientToScreen(a, {30, 40});
  EXPECT_EQ(fake.popups[0].screen.x, expected.x);
  EXPECT_EQ(fake.popups[0].screen.y, expected.y);
  std::vector<int> marks = fake.popups[0].checkedIds;
  std::sort(marks.begin(), marks.end());
  EXPECT_EQ(marks, (std::vector<int>{cmd::PitchOnOffA, cmd::RangeA0}));

  OnSignalRightButton(app, b, 5, 5);
  ASSERT_EQ(fake.popups.size(), 2u);
  EXPECT_EQ(fake.popups[1].resourceId, 127);
  EXPECT_EQ(fake.popups[1].checkedIds, std::vector<int>{cmd::RangeB3});
}

TEST_F(SignalRightButton, NoPopupWhileFrozen) {
  const WindowHandle a = Open(Vfo::A);
  app.frozen = true;
  OnSignalRightButton(app, a, 30, 40);
  EXPECT_TRUE(fake.popups.empty());
}

// --- close ---

using SignalClose = DisplayFixture;

TEST_F(SignalClose, ClosingReleasesTheSurfaceAndUnchecksTheWindowItem) {
  const WindowHandle a = Open(Vfo::A);
  Open(Vfo::B);
  OnSignalClose(app, a);  // the fake refuses a window destroyed with its surface held
  EXPECT_FALSE(app.vfoA.windowOpen);
  EXPECT_EQ(app.vfoA.signalWindow, NO_WINDOW);
  EXPECT_FALSE(app.vfoA.surfaceCreated);
  EXPECT_TRUE(Window(a).destroyed);
  EXPECT_FALSE(fake.IsChecked(cmd::MainVfoA));
  EXPECT_TRUE(fake.IsChecked(cmd::SubVfoB));
  // One window is still open: Clear and Freez stay as they were.
  EXPECT_TRUE(fake.IsEnabled(cmd::Clear));
  EXPECT_TRUE(fake.IsEnabled(cmd::Freeze));
}

TEST_F(SignalClose, ClosingTheLastWindowGreysClearAndFreezEvenWhileFrozen) {
  const WindowHandle a = Open(Vfo::A);
  const WindowHandle b = Open(Vfo::B);
  app.frozen = true;
  CheckMenuItem(app, cmd::Freeze, true);
  OnSignalClose(app, b);
  EXPECT_TRUE(fake.IsChecked(cmd::Freeze));
  OnSignalClose(app, a);
  EXPECT_FALSE(fake.IsChecked(cmd::Freeze));
  EXPECT_FALSE(fake.IsEnabled(cmd::Clear));
  EXPECT_FALSE(fake.IsEnabled(cmd::Freeze));
  EXPECT_FALSE(app.menu.IsEnabled(cmd::Clear));
  EXPECT_TRUE(app.frozen);
}

TEST_F(SignalClose, ClosedWindowIgnoresLateMessages) {
  const WindowHandle a = Open(Vfo::A);
  OnSignalClose(app, a);
  OnSignalPaint(app, a);
  OnSignalRightButton(app, a, 10, 10);
  OnSignalMouse(app, a, MouseMessage::LeftDown, MK_LBUTTON, 100, 80);
  OnSignalClose(app, a);
  EXPECT_EQ(app.settings.VFO_A.PitchFreq, 500);
  EXPECT_TRUE(fake.popups.empty());
  EXPECT_EQ(std::count(fake.calls.begin(), fake.calls.end(), "DestroySignalWindow " + std::to_string(a)), 1);
}

}  // namespace
}  // namespace keblor::test
