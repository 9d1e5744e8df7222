// A spectrum window as the user sees it: every pixel of the client area from a picture, the close
// box, dragging by the caption, and the pointer reported in client pixels.

#include <QTest>
#include <gtest/gtest.h>

#include "core/marker_pointer.h"
#include "qt/spectrum_window.h"

namespace keblor::test {
namespace {

const QRgb BLACK = qRgb(0, 0, 0);
const QRgb LIT = qRgb(194, 194, 194);
const QRgb BACKGROUND = qRgb(192, 192, 192);
const QRgb RED = qRgb(255, 0, 0);

QRgb Pixel(const QImage& image, int x, int y) { return image.pixel(x, y) | 0xff000000u; }

// How many pixels of each colour lie in [left, right) x [top, bottom).
std::map<QRgb, int> Count(const QImage& image, int left, int top, int right, int bottom) {
  std::map<QRgb, int> census;
  for (int y = top; y < bottom; ++y)
    for (int x = left; x < right; ++x) ++census[Pixel(image, x, y)];
  return census;
}

// A raster whose bits tell bit order, byte order and row length apart: pixel (c, r) lit when
// (c * 7 + r * 3) % 5 == 0; the hidden columns 200..207 all lit.
TraceRaster Pattern() {
  TraceRaster raster{};
  for (int r = 0; r < RASTER_HEIGHT; ++r)
    for (int c = 0; c < RASTER_WIDTH; ++c)
      if (c >= TRACE_COLUMNS || (c * 7 + r * 3) % 5 == 0)
        raster[static_cast<std::size_t>(r * RASTER_ROW_BYTES + c / 8)] |= static_cast<std::uint8_t>(0x80u >> (c % 8));
  return raster;
}

TEST(QtSpectrumWindow, ThePictureLandsOnItsPixels) {
  SpectrumWindow window(nullptr, QStringLiteral("Main VFO-A"));
  WindowTrace trace;
  trace.raster = Pattern();
  window.Show(ComposePicture(trace, {500, 1, 1}, {1}));
  QImage client = window.Client()->grab().toImage().convertToFormat(QImage::Format_RGB32);
  ASSERT_EQ(client.size(), QSize(200, 160));

  const TraceRaster expected = Pattern();
  int wrong = 0;
  for (int row = 0; row < RASTER_HEIGHT; ++row)
    for (int column = 0; column < TRACE_COLUMNS; ++column)
      wrong += Pixel(client, column, TRACE_TOP + row) != (RasterPixel(expected, column, row) ? LIT : BLACK);
  EXPECT_EQ(wrong, 0);

  // Text boxes: black on the box colour, starting at the left and ending at the right edge.
  auto top = Count(client, 0, 0, 200, 14);
  EXPECT_EQ(top[BLACK] + top[LIT], 200 * 14);
  EXPECT_GT(Count(client, 0, 0, 4, 14)[BLACK], 0);
  EXPECT_GT(Count(client, 190, 145, 200, 159)[BLACK], 0);
  // Never drawn over: the rows around the trace, the bottom row, the gap and the level box
  // that no frame has shown yet.
  EXPECT_EQ(Count(client, 0, 14, 200, 16)[BACKGROUND], 400);
  EXPECT_EQ(Count(client, 0, 144, 200, 145)[BACKGROUND], 200);
  EXPECT_EQ(Count(client, 0, 159, 200, 160)[BACKGROUND], 200);
  EXPECT_EQ(Count(client, 30, 145, 140, 159)[BACKGROUND], 110 * 14);

  DrawFrame(trace, DisplayRow{}, 32768.0f, {500, 1, 1}, true, 16);
  window.Show(ComposePicture(trace, {500, 1, 1}, {1}));
  client = window.Client()->grab().toImage().convertToFormat(QImage::Format_RGB32);
  auto level = Count(client, 40, 145, 140, 159);
  EXPECT_GT(level[RED], 0);
  EXPECT_EQ(level[RED] + level[LIT], 100 * 14);

  // A stopped input: the trace area black but for the notice in its middle.
  window.Show(ComposePicture(trace, {500, 1, 1}, {1, false, InputNotice::Stalled}));
  client = window.Client()->grab().toImage().convertToFormat(QImage::Format_RGB32);
  auto middle = Count(client, 50, 70, 150, 90);
  EXPECT_GT(middle[LIT], 20);
  EXPECT_EQ(middle[LIT] + middle[BLACK], 100 * 20);
  EXPECT_EQ(Count(client, 0, TRACE_TOP, 200, 60)[LIT], 0);
}

// A window keeps what stays the same from one picture to the next; whatever came before, it
// shows each picture exactly as a window that shows only that one.
TEST(QtSpectrumWindow, EachPictureLooksAsItDoesAlone) {
  auto grab = [](SpectrumWindow& window) {
    return window.Client()->grab().toImage().convertToFormat(QImage::Format_RGB32);
  };
  WindowTrace trace;
  trace.raster = Pattern();
  std::vector<SpectrumPicture> pictures;
  pictures.push_back(ComposePicture(trace, {500, 1, 1}, {1}));
  pictures.push_back(ComposePicture(trace, {500, 1, 1}, {1, false, InputNotice::Stalled}));  // over the trace
  pictures.push_back(ComposePicture(trace, {500, 1, 1}, {1, false, InputNotice::None, "7.030 012 MHz CW"}));
  DisplayRow under{};
  under.fill(90);
  under[8] = 2;  // a peak through the dial
  DrawFrame(trace, under, 1000.0f, {500, 1, 1}, false, 16);
  pictures.push_back(ComposePicture(trace, {500, 1, 1}, {1, false, InputNotice::None, "7.030 012 MHz CW"}));
  under[8] = 90;
  under[12] = 2;  // the same dial over a trace that changed under it
  DrawFrame(trace, under, 1000.0f, {500, 1, 1}, false, 16);
  pictures.push_back(ComposePicture(trace, {500, 1, 1}, {1, false, InputNotice::None, "7.030 012 MHz CW"}));
  pictures.push_back(ComposePicture(trace, {500, 1, 1}, {1, false, InputNotice::None, "7.030 212 MHz CW"}));
  DisplayRow row{};
  row.fill(90);
  row[40] = 3;
  DrawFrame(trace, row, 1000.0f, {500, 1, 1}, false, 16, 712.0);
  pictures.push_back(ComposePicture(trace, {500, 1, 1}, {1, true}));  // a new trace, the readout on it
  row[40] = 90;
  row[120] = 10;
  DrawFrame(trace, row, 1000.0f, {500, 1, 1}, false, 16);
  pictures.push_back(ComposePicture(trace, {500, 1, 1}, {1}));  // part of the trace changes
  pictures.push_back(pictures.back());                          // nothing changes
  pictures.push_back(ComposePicture(trace, {650, 1, 1}, {1}));  // a label and the marker change
  for (int zoom : {1, 2}) {
    SpectrumWindow running(nullptr, QStringLiteral("Main VFO-A"));
    running.SetZoom(zoom);
    for (std::size_t i = 0; i < pictures.size(); ++i) {
      SCOPED_TRACE(testing::Message() << "zoom " << zoom << ", picture " << i);
      running.Show(pictures[i]);
      SpectrumWindow alone(nullptr, QStringLiteral("Main VFO-A"));
      alone.SetZoom(zoom);
      alone.Show(pictures[i]);
      EXPECT_TRUE(grab(running) == grab(alone));
    }
  }
  // A new zoom draws everything again.
  SpectrumWindow zoomed(nullptr, QStringLiteral("Main VFO-A"));
  for (const SpectrumPicture& picture : pictures) zoomed.Show(picture);
  zoomed.SetZoom(3);
  SpectrumWindow alone(nullptr, QStringLiteral("Main VFO-A"));
  alone.SetZoom(3);
  alone.Show(pictures.back());
  EXPECT_TRUE(grab(zoomed) == grab(alone));
}

// The rig's dial lies over the trace area's top left, in the lit colour, clear of the labels and
// of the readout at the top right; it goes with the next picture that has none.
TEST(QtSpectrumWindow, TheRigsDialAtTheTopLeftOfTheTrace) {
  SpectrumWindow window(nullptr, QStringLiteral("Main VFO-A"));
  WindowTrace trace;
  const auto grab = [&window] { return window.Client()->grab().toImage().convertToFormat(QImage::Format_RGB32); };
  window.Show(ComposePicture(trace, {500, 1, 1}, {1, false, InputNotice::None, "7.030 012 MHz CW"}));
  QImage client = grab();
  EXPECT_GT(Count(client, 0, TRACE_TOP, 100, TRACE_TOP + 14)[LIT], 30);
  EXPECT_EQ(Count(client, 0, TRACE_TOP + 14, 200, TRACE_TOP + RASTER_HEIGHT)[LIT], 0);
  EXPECT_EQ(Count(client, 140, TRACE_TOP, 200, TRACE_TOP + RASTER_HEIGHT)[LIT], 0);
  EXPECT_EQ(Count(client, 0, 14, 200, 16)[BACKGROUND], 400);
  window.Show(ComposePicture(trace, {500, 1, 1}, {1}));
  client = grab();
  EXPECT_EQ(Count(client, 0, TRACE_TOP, 200, TRACE_TOP + RASTER_HEIGHT)[LIT], 0);
}

// At 2x..4x every trace pixel is a zoom x zoom square: the marker and a spike land on the scaled
// columns, the frame grows, the text is drawn larger (its box holds more dark pixels, not just
// magnified ones), and pointer positions still arrive in 1x pixels.
TEST(QtSpectrumWindow, ZoomScalesTheTraceWithoutBlur) {
  for (int zoom = 2; zoom <= 4; ++zoom) {
    SCOPED_TRACE(zoom);
    SpectrumWindow window(nullptr, QStringLiteral("Main VFO-A"));
    window.SetZoom(zoom);
    EXPECT_EQ(window.size(), QSize(206 * zoom, 184 * zoom));
    WindowTrace trace;
    DisplayRow row{};
    row.fill(127);
    row[31] = 0;  // a spike: column 30 runs up from the floor, column 31 down from the top
    DrawFrame(trace, row, 0.0f, {500, 1, 1}, false, 16);  // marker at column 100
    window.Show(ComposePicture(trace, {500, 1, 1}, {1}));
    const QImage client = window.Client()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(client.size(), QSize(200 * zoom, 160 * zoom));
    int wrong = 0;
    for (int y = TRACE_TOP * zoom; y < (TRACE_TOP + RASTER_HEIGHT) * zoom; ++y)
      for (int x = 0; x < TRACE_COLUMNS * zoom; ++x)
        wrong += Pixel(client, x, y) != (RasterPixel(trace.raster, x / zoom, y / zoom - TRACE_TOP) ? LIT : BLACK);
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(Pixel(client, 100 * zoom, (TRACE_TOP + 5) * zoom), LIT);
    EXPECT_EQ(Pixel(client, 100 * zoom + zoom - 1, (TRACE_TOP + 5) * zoom), LIT);
    EXPECT_EQ(Pixel(client, 100 * zoom + zoom, (TRACE_TOP + 5) * zoom), BLACK);
    EXPECT_GT(Count(client, 0, 0, 150 * zoom, 14 * zoom)[BLACK], 40 * zoom);

    std::vector<QPoint> at;
    window.Events().pointer = [&](unsigned, int x, int y) { at.emplace_back(x, y); };
    QTest::mouseClick(window.Client(), Qt::LeftButton, {}, QPoint(100 * zoom + zoom - 1, 60 * zoom));
    ASSERT_FALSE(at.empty());
    EXPECT_EQ(at.front(), QPoint(100, 60));
  }
}

TEST(QtSpectrumWindow, CloseBoxCaptionAndPointer) {
  QWidget parent;
  parent.resize(420, 240);
  auto* window = new SpectrumWindow(&parent, QStringLiteral("Sub VFO-B"));
  window->move(205, 2);
  int closes = 0;
  std::vector<std::array<int, 3>> pointer;
  std::vector<QPoint> right;
  std::vector<QPoint> tunes;
  window->Events().close = [&] { ++closes; };
  window->Events().tune = [&](int x, int y) { tunes.emplace_back(x, y); };
  window->Events().pointer = [&](unsigned keys, int x, int y) { pointer.push_back({static_cast<int>(keys), x, y}); };
  window->Events().rightButton = [&](int x, int y) { right.emplace_back(x, y); };

  // Pressed on the close box but released elsewhere: nothing.
  const QPoint box = window->CloseBoxRect().center();
  QTest::mousePress(window, Qt::LeftButton, {}, box);
  QTest::mouseRelease(window, Qt::LeftButton, {}, QPoint(20, 100));
  EXPECT_EQ(closes, 0);
  QTest::mouseClick(window, Qt::LeftButton, {}, box);
  EXPECT_EQ(closes, 1);

  const QPoint grip(40, 10);
  QTest::mousePress(window, Qt::LeftButton, {}, grip);
  QTest::mouseMove(window, grip + QPoint(-30, 15));
  QTest::mouseRelease(window, Qt::LeftButton, {}, grip + QPoint(-30, 15));
  EXPECT_EQ(window->pos(), QPoint(175, 17));

  QTest::mousePress(window->Client(), Qt::LeftButton, Qt::ShiftModifier, QPoint(10, 150));
  QTest::mouseClick(window->Client(), Qt::RightButton, {}, QPoint(30, 40));
  ASSERT_FALSE(pointer.empty());
  EXPECT_EQ(pointer.front(), (std::array<int, 3>{POINTER_LEFT | POINTER_SHIFT, 10, 150}));
  EXPECT_EQ(right, std::vector<QPoint>{QPoint(30, 40)});
  // The middle button and Shift + left tune; the left button alone does not.
  QTest::mouseClick(window->Client(), Qt::LeftButton, {}, QPoint(50, 60));
  QTest::mouseClick(window->Client(), Qt::MiddleButton, {}, QPoint(70, 60));
  EXPECT_EQ(tunes, (std::vector<QPoint>{QPoint(10, 150), QPoint(70, 60)}));
  EXPECT_EQ(window->pos(), QPoint(175, 17));  // a drag in the client area is no move
}

}  // namespace
}  // namespace keblor::test
