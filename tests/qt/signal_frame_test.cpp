// The spectrum windows as the user sees them: pixels of the trace area and the text boxes, the
// level readout's colours, the close box, dragging by the caption, the pop-up menu, and the
// main window's geometry.

#include <QAction>
#include <QMenu>
#include <QTimer>
#include <cstring>
#include <vector>

#include "app/command_ids.h"
#include "display/trace_rendering.h"
#include "qt_test_support.h"

namespace keblor {
namespace {

const QRgb BLACK = qRgb(0, 0, 0);
const QRgb LIT = qRgb(194, 194, 194);        // text boxes and lit trace pixels
const QRgb BACKGROUND = qRgb(192, 192, 192);  // the window's own background
const QRgb RED = qRgb(255, 0, 0);

constexpr int TRACE_TOP = 16;

struct Census {
  int black = 0, lit = 0, background = 0, red = 0, other = 0;
};

// Counts the colours inside a box given as (left, top)-(right, bottom), right and bottom exclusive.
Census Count(const QImage& image, int left, int top, int right, int bottom) {
  Census census;
  for (int y = top; y < bottom; ++y) {
    for (int x = left; x < right; ++x) {
      const QRgb pixel = image.pixel(x, y) | 0xff000000u;
      if (pixel == BLACK) ++census.black;
      else if (pixel == LIT) ++census.lit;
      else if (pixel == BACKGROUND) ++census.background;
      else if (pixel == RED) ++census.red;
      else ++census.other;
    }
  }
  return census;
}

QRgb Pixel(const QImage& image, int x, int y) { return image.pixel(x, y) | 0xff000000u; }

// Compares the trace area of a grabbed client with what should be lit there; reports the first
// few wrong pixels.
void ExpectTraceArea(const QImage& client, const std::function<bool(int column, int row)>& lit) {
  ASSERT_EQ(client.size(), QSize(200, 160));
  int wrong = 0;
  for (int row = 0; row < RASTER_HEIGHT; ++row) {
    for (int column = 0; column < TRACE_COLUMNS; ++column) {
      const QRgb expected = lit(column, row) ? LIT : BLACK;
      if (Pixel(client, column, TRACE_TOP + row) != expected && ++wrong <= 5) {
        ADD_FAILURE() << "trace pixel column " << column << " row " << row << " is " << std::hex
                      << Pixel(client, column, TRACE_TOP + row) << ", expected " << expected;
      }
    }
  }
  EXPECT_EQ(wrong, 0);
}

// 16-bit mono little-endian block of silence with one sample of the given value.
std::vector<std::uint8_t> BlockWithPeak(int sample) {
  std::vector<std::uint8_t> bytes(2048, 0);
  const auto value = static_cast<std::uint16_t>(static_cast<std::int16_t>(sample));
  bytes[200] = static_cast<std::uint8_t>(value & 0xff);
  bytes[201] = static_cast<std::uint8_t>(value >> 8);
  return bytes;
}

TEST(QtSignalWindow, TextBoxesAreFilledAndTheGapsShowTheWindowBackground) {
  RunningProgram program;
  program.Start();
  const QImage client = program.GrabClient(Vfo::A);
  ASSERT_FALSE(client.isNull());

  // Top line: pitch and averages boxes, black text on the box colour, nothing else.
  const Census top = Count(client, 0, 0, 200, 14);
  EXPECT_EQ(top.other + top.background + top.red, 0);
  EXPECT_GT(top.black, 0);
  EXPECT_GT(top.lit, top.black);
  EXPECT_GT(Count(client, 0, 0, 4, 14).black, 0);      // "PITCH: ..." starts at the left edge
  EXPECT_GT(Count(client, 190, 0, 200, 14).black, 0);  // "AVGS: 1" ends at the right edge

  // Never drawn over: rows 14-15, 144, 159 and the gap of the bottom line.
  EXPECT_EQ(Count(client, 0, 14, 200, 16).background, 400);
  EXPECT_EQ(Count(client, 0, 144, 200, 145).background, 200);
  EXPECT_EQ(Count(client, 0, 159, 200, 160).background, 200);
  EXPECT_EQ(Count(client, 30, 145, 40, 159).background, 140);
  // The level readout is off and not part of a paint.
  EXPECT_EQ(Count(client, 40, 145, 140, 159).background, 1400);

  const Census start = Count(client, 0, 145, 30, 159);  // "0 Hz"
  EXPECT_EQ(start.black + start.lit, 30 * 14);
  EXPECT_GT(start.black, 0);
  const Census end = Count(client, 140, 145, 200, 159);  // "1000 Hz"
  EXPECT_EQ(end.black + end.lit, 60 * 14);
  EXPECT_GT(end.black, 0);
  EXPECT_GT(Count(client, 190, 145, 200, 159).black, 0);

  // A raster of zeros at start: the whole trace area is black.
  ExpectTraceArea(client, [](int, int) { return false; });
}

TEST(QtSignalWindow, AKnownRowLightsExactlyItsPixels) {
  RunningProgram program;
  program.Start();
  AppState& app = *program.app;

  // No signal: the floor row 127 everywhere, and the marker at 500 Hz of the 1000 Hz range,
  // column 100, rows 0..126.
  app.vfoA.displayRow.fill(127);
  RenderTrace(app, Vfo::A);
  ExpectTraceArea(program.GrabClient(Vfo::A),
                  [](int column, int row) { return row == 127 || (column == 100 && row < 127); });

  // A single full-scale spike at column 50, marker off: column 49 runs up from the floor
  // (rows 1..127), column 50 runs down from the top (rows 0..126).
  app.settings.VFO_A.Pitch = 0;
  app.vfoA.displayRow.fill(127);
  app.vfoA.displayRow[50] = 0;
  RenderTrace(app, Vfo::A);
  const QImage client = program.GrabClient(Vfo::A);
  ExpectTraceArea(client, [](int column, int row) {
    if (column == 49) return row >= 1;
    if (column == 50) return row <= 126;
    return row == 127;
  });
  // Nothing of the trace spills over the rows around the area.
  EXPECT_EQ(Count(client, 0, 14, 200, 16).background, 400);
  EXPECT_EQ(Count(client, 0, 144, 200, 145).background, 200);
}

TEST(QtSignalWindow, EveryRasterBitLandsOnItsPixel) {
  RunningProgram program;
  program.Start();
  AppState& app = *program.app;
  // A pattern that tells bit order, byte order and row length apart, with the hidden
  // columns 200..207 lit to show they stay off screen.
  for (int row = 0; row < RASTER_HEIGHT; ++row) {
    for (int byte = 0; byte < RASTER_ROW_BYTES; ++byte) {
      app.vfoA.raster[static_cast<std::size_t>(row * RASTER_ROW_BYTES + byte)] =
          static_cast<std::uint8_t>((row * 37 + byte * 11 + 0x5a) & 0xff);
    }
  }
  const TraceRaster expected = app.vfoA.raster;
  ShowTrace(app, Vfo::A);
  ExpectTraceArea(program.GrabClient(Vfo::A),
                  [&expected](int column, int row) { return RasterPixel(expected, column, row); });
}

TEST(QtSignalWindow, ClearBlanksTheTraceAtTheNextPaint) {
  RunningProgram program;
  program.Start();
  AppState& app = *program.app;
  app.vfoA.displayRow.fill(60);
  RenderTrace(app, Vfo::A);
  ASSERT_GT(Count(program.GrabClient(Vfo::A), 0, TRACE_TOP, 200, TRACE_TOP + 128).lit, 0);

  CommandHandler(app, cmd::Clear);
  RunningProgram::Settle();
  EXPECT_FALSE(app.clearRequested);
  ExpectTraceArea(program.GrabClient(Vfo::A), [](int, int) { return false; });
}

TEST(QtSignalWindow, LevelReadoutIsRedAtFullScaleAndBlackAfter) {
  RunningProgram program;
  program.settings.values["General/Level"] = 1;
  program.Start();

  ASSERT_TRUE(program.device.DeliverBlock(BlockWithPeak(-32768)));
  RunningProgram::Settle();
  Census level = Count(program.GrabClient(Vfo::A), 40, 145, 140, 159);
  EXPECT_GT(level.red, 0);
  EXPECT_EQ(level.black, 0);
  EXPECT_EQ(level.red + level.lit, 100 * 14);  // the whole box filled

  ASSERT_TRUE(program.device.DeliverBlock(BlockWithPeak(16384)));
  RunningProgram::Settle();
  level = Count(program.GrabClient(Vfo::A), 40, 145, 140, 159);
  EXPECT_EQ(level.red, 0);
  EXPECT_GT(level.black, 0);
  EXPECT_EQ(level.black + level.lit, 100 * 14);

  // The readout's red must not leak into the trace drawn right after it.
  const Census trace = Count(program.GrabClient(Vfo::A), 0, TRACE_TOP, 200, TRACE_TOP + 128);
  EXPECT_EQ(trace.red + trace.other + trace.background, 0);

  // Switching the readout off blanks its box.
  CommandHandler(*program.app, cmd::SignalLevel);
  RunningProgram::Settle();
  level = Count(program.GrabClient(Vfo::A), 40, 145, 140, 159);
  EXPECT_EQ(level.lit, 100 * 14);
}

TEST(QtSignalWindow, SilenceStillShowsAReadout) {
  RunningProgram program;
  program.settings.values["General/Level"] = 1;
  program.Start();
  ASSERT_TRUE(program.device.DeliverBlock(std::vector<std::uint8_t>(2048, 0)));
  RunningProgram::Settle();
  const Census level = Count(program.GrabClient(Vfo::A), 40, 145, 140, 159);
  EXPECT_GT(level.black, 0);
  EXPECT_EQ(level.black + level.lit, 100 * 14);
}

TEST(QtSignalWindow, CloseBoxClosesTheWindow) {
  RunningProgram program;
  program.Start();
  SignalFrame* frame = program.FrameOf(Vfo::A);
  ASSERT_NE(frame, nullptr);
  const QPoint box = frame->CloseBoxRect().center();

  // Pressed on the box but released elsewhere: nothing happens.
  QTest::mousePress(frame, Qt::LeftButton, {}, box);
  QTest::mouseRelease(frame, Qt::LeftButton, {}, QPoint(20, 100));
  RunningProgram::Settle();
  EXPECT_TRUE(program.app->vfoA.windowOpen);

  QTest::mouseClick(frame, Qt::LeftButton, {}, box);
  RunningProgram::Settle();
  EXPECT_FALSE(program.app->vfoA.windowOpen);
  EXPECT_EQ(program.FrameOf(Vfo::A), nullptr);
  EXPECT_FALSE(program.layer.MenuActions(cmd::MainVfoA).front()->isChecked());
  EXPECT_FALSE(program.layer.MenuActions(cmd::Clear).front()->isEnabled());
}

TEST(QtSignalWindow, DraggingTheCaptionMovesTheWindowAndReopeningForgetsIt) {
  RunningProgram program;
  program.settings.values["General/Channels"] = 2;
  program.Start();
  SignalFrame* frame = program.FrameOf(Vfo::B);
  ASSERT_NE(frame, nullptr);
  ASSERT_EQ(frame->pos(), QPoint(205, 2));

  const QPoint grip(40, 10);
  ASSERT_TRUE(frame->CaptionRect().contains(grip));
  QTest::mousePress(frame, Qt::LeftButton, {}, grip);
  QTest::mouseMove(frame, grip + QPoint(-30, 15));
  QTest::mouseRelease(frame, Qt::LeftButton, {}, grip + QPoint(-30, 15));
  EXPECT_EQ(frame->pos(), QPoint(175, 17));

  // A drag in the client area is not a move of the window.
  QTest::mousePress(frame->Client(), Qt::LeftButton, {}, QPoint(10, 150));
  QTest::mouseMove(frame->Client(), QPoint(60, 150));
  QTest::mouseRelease(frame->Client(), Qt::LeftButton, {}, QPoint(60, 150));
  EXPECT_EQ(frame->pos(), QPoint(175, 17));

  CommandHandler(*program.app, cmd::SubVfoB);
  CommandHandler(*program.app, cmd::SubVfoB);
  RunningProgram::Settle();
  ASSERT_NE(program.FrameOf(Vfo::B), nullptr);
  EXPECT_EQ(program.FrameOf(Vfo::B)->pos(), QPoint(205, 2));
}

TEST(QtSignalWindow, MarkerDragSetsThePitch) {
  RunningProgram program;
  program.Start();
  SignalClient* client = program.FrameOf(Vfo::A)->Client();
  // Marker at column 100 (500 Hz in the 1000 Hz range); drag it to column 108.
  QTest::mousePress(client, Qt::LeftButton, {}, QPoint(100, 60));
  QTest::mouseMove(client, QPoint(104, 60));
  QTest::mouseMove(client, QPoint(108, 60));
  QTest::mouseRelease(client, Qt::LeftButton, {}, QPoint(108, 60));
  RunningProgram::Settle();
  EXPECT_EQ(program.app->settings.VFO_A.PitchFreq, 540);
  EXPECT_FALSE(program.layer.MenuActions(cmd::Preset2).front()->isChecked());

  // With Shift held the click does not move it.
  QTest::mouseClick(client, Qt::LeftButton, Qt::ShiftModifier, QPoint(110, 60));
  EXPECT_EQ(program.app->settings.VFO_A.PitchFreq, 540);
}

// The windows do not capture the mouse: a drag begun in the other spectrum window or on the
// main window's empty client area moves the marker of the window it slides into.
TEST(QtSignalWindow, ADragStartedElsewhereReachesTheWindowUnderThePointer) {
  RunningProgram program;
  program.settings.values["General/Channels"] = 2;
  program.Start();
  SignalClient* a = program.FrameOf(Vfo::A)->Client();
  SignalClient* b = program.FrameOf(Vfo::B)->Client();
  QWidget* empty = program.layer.MainWindow()->centralWidget();
  const auto dragOnto = [](QWidget* pressed, SignalClient* target, QPoint at, Qt::MouseButtons held,
                           Qt::KeyboardModifiers modifiers) {
    const QPoint global = target->mapToGlobal(at);
    QMouseEvent move(QEvent::MouseMove, QPointF(pressed->mapFromGlobal(global)), QPointF(global), Qt::NoButton,
                     held, modifiers);
    QApplication::sendEvent(pressed, &move);
    RunningProgram::Settle();
  };

  // Pressed in VFO-B far from its marker (column 33), then over VFO-A's marker (column 100).
  QTest::mousePress(b, Qt::LeftButton, {}, QPoint(5, 60));
  dragOnto(b, a, QPoint(100, 60), Qt::LeftButton, Qt::NoModifier);
  dragOnto(b, a, QPoint(108, 60), Qt::LeftButton, Qt::NoModifier);
  EXPECT_EQ(program.app->settings.VFO_A.PitchFreq, 540);
  EXPECT_EQ(program.app->settings.VFO_B.PitchFreq, 500);
  QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(5, 60));

  // From the grey client area below the windows; with Shift held nothing moves.
  dragOnto(empty, a, QPoint(110, 60), Qt::LeftButton, Qt::ShiftModifier);
  EXPECT_EQ(program.app->settings.VFO_A.PitchFreq, 540);
  dragOnto(empty, a, QPoint(110, 60), Qt::LeftButton, Qt::NoModifier);
  EXPECT_EQ(program.app->settings.VFO_A.PitchFreq, 550);
  // Plain pointer moves never set the pitch.
  dragOnto(empty, a, QPoint(104, 60), Qt::NoButton, Qt::NoModifier);
  EXPECT_EQ(program.app->settings.VFO_A.PitchFreq, 550);
}

TEST(QtSignalWindow, RightClickMenuShowsTheStateAndItsPickActs) {
  RunningProgram program;
  program.Start();
  SignalClient* client = program.FrameOf(Vfo::A)->Client();

  std::map<int, bool> checkedWhenShown;
  bool popupSeen = false;
  QTimer::singleShot(0, [&] {
    QWidget* popup = QApplication::activePopupWidget();
    if (popup == nullptr) return;
    popupSeen = true;
    QAction* pick = nullptr;
    for (QAction* action : popup->findChildren<QAction*>()) {
      bool ok = false;
      const int id = action->data().toInt(&ok);
      if (!ok || id == 0) continue;
      checkedWhenShown[id] = action->isChecked();
      if (id == cmd::RangeA3) pick = action;
    }
    if (pick != nullptr) pick->trigger();
    popup->close();
  });
  QTest::mouseClick(client, Qt::RightButton, {}, QPoint(50, 50));
  RunningProgram::Settle();

  ASSERT_TRUE(popupSeen);
  EXPECT_EQ(checkedWhenShown.size(), 6u);
  EXPECT_TRUE(checkedWhenShown[cmd::RangeA1]);
  EXPECT_TRUE(checkedWhenShown[cmd::PitchOnOffA]);
  EXPECT_FALSE(checkedWhenShown[cmd::RangeA3]);
  EXPECT_EQ(program.app->settings.VFO_A.Range, 3);
  EXPECT_TRUE(program.layer.MenuActions(cmd::RangeA3).front()->isChecked());
}

TEST(QtSignalWindow, NoPopupWhileFrozen) {
  RunningProgram program;
  program.Start();
  CommandHandler(*program.app, cmd::Freeze);
  bool popupSeen = false;
  QTimer::singleShot(0, [&] {
    if (QWidget* popup = QApplication::activePopupWidget()) {
      popupSeen = true;
      popup->close();
    }
  });
  QTest::mouseClick(program.FrameOf(Vfo::A)->Client(), Qt::RightButton, {}, QPoint(50, 50));
  RunningProgram::Settle();
  EXPECT_FALSE(popupSeen);
}

struct LayoutCase {
  int channels, arrange, clientWidth, clientHeight;
  QPoint vfoB;
};

TEST(QtMainWindow, GeometryHoldsTheWindowsSideBySideOrStacked) {
  for (const LayoutCase& c : {LayoutCase{1, 0, 208, 187, {}}, LayoutCase{2, 0, 411, 187, {205, 2}},
                              LayoutCase{1, 1, 207, 190, {}}, LayoutCase{2, 1, 207, 372, {0, 186}}}) {
    SCOPED_TRACE(testing::Message() << "channels " << c.channels << " arrange " << c.arrange);
    RunningProgram program;
    program.settings.values["General/Channels"] = c.channels;
    program.settings.values["General/ArrangeVertically"] = c.arrange;
    program.settings.values["General/xPos"] = 30;
    program.settings.values["General/yPos"] = 40;
    program.Start();
    QMainWindow* window = program.layer.MainWindow();
    EXPECT_EQ(window->pos(), QPoint(30, 40));
    EXPECT_EQ(window->minimumSize(), window->maximumSize());  // no resizing
    const QWidget* area = program.layer.ClientArea();
    EXPECT_EQ(area->size(), QSize(c.clientWidth, c.clientHeight));
    const Rect outer = program.layer.GetMainWindowRect();
    EXPECT_EQ(outer.right - outer.left, c.clientWidth + 6);
    EXPECT_EQ(outer.bottom - outer.top, c.clientHeight + 44);

    SignalFrame* a = program.FrameOf(Vfo::A);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->geometry(), QRect(0, 2, 206, 184));
    EXPECT_EQ(a->Client()->geometry(), QRect(3, 21, 200, 160));
    EXPECT_TRUE(area->rect().contains(a->geometry()));
    SignalFrame* b = program.FrameOf(Vfo::B);
    if (c.channels == 1) {
      EXPECT_EQ(b, nullptr);
      continue;
    }
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->pos(), c.vfoB);
    EXPECT_TRUE(area->rect().contains(b->geometry()));
    // The tables let the frames share one border column side by side; the client areas are apart.
    const QRect clientA(a->Client()->mapTo(area, QPoint(0, 0)), a->Client()->size());
    const QRect clientB(b->Client()->mapTo(area, QPoint(0, 0)), b->Client()->size());
    EXPECT_FALSE(clientA.intersects(clientB));
    EXPECT_LE(a->geometry().intersected(b->geometry()).width(), 1);
    EXPECT_LE(a->geometry().intersected(b->geometry()).height(), c.arrange == 1 ? 0 : 184);
  }
}

}  // namespace
}  // namespace keblor
