// A spectrum window as the user sees it: every pixel of the client area from a picture, the close
// box, dragging by the caption, and the pointer reported in client pixels.

#include <QAccessible>
#include <QApplication>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <cstring>
#include <gtest/gtest.h>

#include "core/command_ids.h"
#include "core/marker_pointer.h"
#include "display/raster_rows.h"
#include "display/waterfall.h"
#include "qt/spectrum_window.h"
#include "views/spectrum_view_checks.h"

namespace keblor::test {
namespace {

const QRgb BLACK = qRgb(0, 0, 0);
const QRgb LIT = qRgb(194, 194, 194);
const QRgb BACKGROUND = qRgb(192, 192, 192);
const QRgb RED = qRgb(255, 0, 0);
const QRgb WHITE = qRgb(255, 255, 255);

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

SpotMark Spot(int column, const char* call, int age = 0, bool heard = false) {
  SpotMark mark{column, {}, age, heard};
  std::strncpy(mark.call.data(), call, mark.call.size() - 1);
  return mark;
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

// The readout stands on a dark box of its own: over a trace lit everywhere (the marker or a
// strong signal under it) every lit figure pixel keeps the dark neighbours it has over a dark
// trace, so the figures read the same.
TEST(QtSpectrumWindow, TheReadoutStaysLegibleOverTheTrace) {
  auto readoutOver = [](std::uint8_t fill) {
    WindowTrace trace;
    DrawFrame(trace, DisplayRow{}, 0.0f, {700, 1, 1}, false, 16, 712.0);
    trace.raster.fill(fill);
    SpectrumWindow window(nullptr, QStringLiteral("Main VFO-A"));
    window.Show(ComposePicture(trace, {700, 1, 1}, {1, true}));
    return window.Client()->grab().toImage().convertToFormat(QImage::Format_RGB32);
  };
  const QImage overDark = readoutOver(0x00);
  const QImage overLit = readoutOver(0xFF);
  int figure = 0;
  int outline = 0;
  for (int y = TRACE_TOP + 1; y < TRACE_TOP + 20; ++y) {
    for (int x = 100; x < 199; ++x) {
      if (Pixel(overDark, x, y) != LIT) continue;
      ++figure;
      EXPECT_EQ(Pixel(overLit, x, y), LIT) << x << ", " << y;
      for (const QPoint& n : {QPoint(x - 1, y), QPoint(x + 1, y), QPoint(x, y - 1), QPoint(x, y + 1)}) {
        if (Pixel(overDark, n.x(), n.y()) != BLACK) continue;
        ++outline;
        EXPECT_EQ(Pixel(overLit, n.x(), n.y()), BLACK) << n.x() << ", " << n.y();
      }
    }
  }
  EXPECT_GT(figure, 40);  // "712 Hz  +12" was drawn
  EXPECT_GT(outline, 40);
  EXPECT_EQ(Pixel(overLit, 20, TRACE_TOP + 60), LIT);  // the trace away from the readout is not covered
}

// To a screen reader the window is its title, with the readout in words as its description,
// told at once, then no more than once a second; the text boxes are its client area's children.
TEST(QtSpectrumWindow, AssistiveTechnologiesReadTheTitleReadoutAndLabels) {
  SpectrumWindow window(nullptr, QStringLiteral("Sub VFO-B"));
  QAccessibleInterface* frame = QAccessible::queryAccessibleInterface(&window);
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(frame->text(QAccessible::Name), QStringLiteral("Sub VFO-B"));
  EXPECT_EQ(frame->role(), QAccessible::Window);

  WindowTrace trace;
  DrawFrame(trace, DisplayRow{}, 0.0f, {700, 1, 1}, false, 16, 712.0);
  window.Show(ComposePicture(trace, {700, 1, 1}, {3, true}));
  EXPECT_EQ(frame->text(QAccessible::Description), QStringLiteral("712 hertz, 12 above the pitch"));
  DrawFrame(trace, DisplayRow{}, 0.0f, {700, 1, 1}, false, 16, 695.0);
  window.Show(ComposePicture(trace, {700, 1, 1}, {3, true}));
  EXPECT_EQ(frame->text(QAccessible::Description), QStringLiteral("712 hertz, 12 above the pitch"));
  EXPECT_TRUE(QTest::qWaitFor(
      [&] { return frame->text(QAccessible::Description) == QStringLiteral("695 hertz, 5 below the pitch"); }, 30000))
      << frame->text(QAccessible::Description).toStdString();

  QAccessibleInterface* client = QAccessible::queryAccessibleInterface(window.Client());
  ASSERT_NE(client, nullptr);
  std::vector<std::string> labels;
  for (int i = 0; i < client->childCount(); ++i) {
    QAccessibleInterface* label = client->child(i);
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->role(), QAccessible::StaticText);
    EXPECT_EQ(client->indexOfChild(label), i);
    EXPECT_EQ(label->parent(), client);
    labels.push_back(label->text(QAccessible::Name).toStdString());
  }
  EXPECT_EQ(labels, (std::vector<std::string>{"PITCH: 700 Hz", "AVGS: 3", "0 Hz", "1000 Hz"}));
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
  pictures.push_back(ComposePicture(trace, {500, 1, 1}, {.numberOfAverages = 1, .rig = "7.030 012 MHz CW"}));
  DisplayRow under{};
  under.fill(90);
  under[8] = 2;  // a peak through the dial
  DrawFrame(trace, under, 1000.0f, {500, 1, 1}, false, 16);
  pictures.push_back(ComposePicture(trace, {500, 1, 1}, {.numberOfAverages = 1, .rig = "7.030 012 MHz CW"}));
  under[8] = 90;
  under[12] = 2;  // the same dial over a trace that changed under it
  DrawFrame(trace, under, 1000.0f, {500, 1, 1}, false, 16);
  pictures.push_back(ComposePicture(trace, {500, 1, 1}, {.numberOfAverages = 1, .rig = "7.030 012 MHz CW"}));
  pictures.push_back(ComposePicture(trace, {500, 1, 1}, {.numberOfAverages = 1, .rig = "7.030 212 MHz CW"}));
  DisplayRow row{};
  row.fill(90);
  row[40] = 3;
  DrawFrame(trace, row, 1000.0f, {500, 1, 1}, false, 16, 712.0);
  pictures.push_back(ComposePicture(trace, {500, 1, 1}, {1, true}));  // a new trace, the readout on it
  pictures.push_back(ComposePicture(trace, {500, 1, 1}, {.numberOfAverages = 1, .pitchReadout = true, .rig = "7.030 212 MHz CW"}));
  row[40] = 90;
  row[120] = 10;
  DrawFrame(trace, row, 1000.0f, {500, 1, 1}, false, 16);
  pictures.push_back(ComposePicture(trace, {500, 1, 1}, {1}));  // part of the trace changes
  pictures.push_back(pictures.back());                          // nothing changes
  pictures.push_back(ComposePicture(trace, {650, 1, 1}, {1}));  // a label and the marker change
  const SpotMark spots[] = {Spot(100, "DL1ABC"), Spot(104, "K1XX", 2, true), Spot(30, "OH2/G4ABC", 3)};
  pictures.push_back(ComposePicture(trace, {500, 1, 1}, {.numberOfAverages = 1, .spots = spots}));  // crowded
  row[102] = 2;  // a peak up through them
  DrawFrame(trace, row, 1000.0f, {500, 1, 1}, false, 16);
  pictures.push_back(ComposePicture(trace, {500, 1, 1}, {.numberOfAverages = 1, .spots = spots}));
  pictures.push_back(ComposePicture(trace, {500, 1, 1}, {.numberOfAverages = 1, .spots = {spots + 2, 1}}));
  pictures.push_back(ComposePicture(trace, {500, 1, 1}, {1}));  // the spots gone
  pictures.push_back(ComposePicture(trace, {500, 1, 1}, {.numberOfAverages = 1, .spots = spots}));
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

// Screen readers hear the spots drawn: each call, and whether it is heard.
TEST(QtSpectrumWindow, SpotsAreSpoken) {
  SpectrumWindow window(nullptr, QStringLiteral("Main VFO-A"));
  const SpotMark marks[] = {Spot(100, "DL1ABC", 0, true), Spot(150, "K1XX")};
  window.Show(ComposePicture({}, {500, 1, 1}, {.numberOfAverages = 1, .rig = "7.030 MHz", .spots = marks}));
  EXPECT_EQ(QAccessible::queryAccessibleInterface(window.Client())->text(QAccessible::Description),
            QStringLiteral("Spots: DL1ABC heard, K1XX"));
}

// A window as the checks every toolkit's window passes drive it.
class QtViewDriver : public SpectrumViewDriver {
 public:
  QtViewDriver() { window_.Events() = Recorder(); }
  void Show(const SpectrumPicture& picture) override {
    window_.Show(picture);
    image_ = window_.Client()->grab().toImage().convertToFormat(QImage::Format_RGB32);
  }
  Rgb Pixel(int x, int y) override {
    const QRgb c = image_.pixel(x, y);
    return {static_cast<std::uint8_t>(qRed(c)), static_cast<std::uint8_t>(qGreen(c)), static_cast<std::uint8_t>(qBlue(c))};
  }
  void Click(Button button, bool shift, int x, int y) override {
    QTest::mouseClick(window_.Client(), button == Button::Left ? Qt::LeftButton : Qt::MiddleButton,
                      shift ? Qt::ShiftModifier : Qt::NoModifier, QPoint(x, y));
  }

 private:
  SpectrumWindow window_{nullptr, QStringLiteral("Main VFO-A")};
  QImage image_;
};

TEST(QtSpectrumWindow, TheRigsDialAtTheTopLeftOfTheTrace) {
  QtViewDriver view;
  CheckTheRigsDialAtTheTopLeftOfTheTrace(view);
}

TEST(QtSpectrumWindow, TheDecodeLineAlongTheTracesBottom) {
  QtViewDriver view;
  CheckTheDecodeLineAlongTheTracesBottom(view);
}

TEST(QtSpectrumWindow, SpotsStandBelowTheTopTextsAtTheirColumns) {
  QtViewDriver view;
  CheckSpotsStandBelowTheTopTextsAtTheirColumns(view);
}

TEST(QtSpectrumWindow, TheTuningClick) {
  QtViewDriver view;
  CheckTheTuningClick(view);
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

// The waterfall: the window and its client grow by it, the newest row lies right under the labels
// with older ones below, the marker's column runs through it; rows scrolled from picture to
// picture look exactly as rows drawn whole; hidden, the window is as before.
TEST(QtSpectrumWindow, TheWaterfallScrollsUnderTheLabels) {
  auto grab = [](SpectrumWindow& window) {
    return window.Client()->grab().toImage().convertToFormat(QImage::Format_RGB32);
  };
  WindowTrace trace;
  Waterfall waterfall;
  auto picture = [&](const VfoSettings& vfo) {
    return ComposePicture(trace, vfo, {1, false, InputNotice::None, &waterfall});
  };
  for (int zoom : {1, 2}) {
    SCOPED_TRACE(zoom);
    SpectrumWindow running(nullptr, QStringLiteral("Main VFO-A"));
    running.SetZoom(zoom);
    running.SetWaterfall(true);
    EXPECT_EQ(running.size(), QSize(206 * zoom, (184 + WATERFALL_ROWS) * zoom));
    for (int age = 0; age < WATERFALL_ROWS; ++age) waterfall.Push(ToneRow(1 + age * 3), {500, 1, 1});
    running.Show(picture({500, 1, 1}));  // every row holds a tone of its own: the scrolls below move them all
    const VfoSettings vfos[] = {{500, 1, 1}, {500, 1, 1}, {700, 1, 1}, {700, 0, 1}, {700, 1, 2}, {700, 1, 2}};
    int column = 20;
    for (const VfoSettings& vfo : vfos) {
      column += 25;
      waterfall.Push(ToneRow(column), vfo);
      running.Show(picture(vfo));
      SpectrumWindow alone(nullptr, QStringLiteral("Main VFO-A"));
      alone.SetZoom(zoom);
      alone.SetWaterfall(true);
      alone.Show(picture(vfo));
      EXPECT_TRUE(grab(running) == grab(alone)) << "tone at column " << column;
    }
    waterfall.Push(ToneRow(140), {500, 1, 2});  // 2000 Hz: the marker at column 50
    waterfall.Push(ToneRow(60), {500, 1, 2});
    running.Show(picture({500, 1, 2}));
    const QImage client = grab(running);
    ASSERT_EQ(client.size(), QSize(200 * zoom, (160 + WATERFALL_ROWS) * zoom));
    auto at = [&](int x, int y) { return Pixel(client, x * zoom + zoom - 1, y * zoom + zoom - 1); };
    EXPECT_EQ(at(60, WATERFALL_TOP), WHITE);
    EXPECT_EQ(at(140, WATERFALL_TOP), BLACK);
    EXPECT_EQ(at(140, WATERFALL_TOP + 1), WHITE);
    EXPECT_EQ(at(60, WATERFALL_TOP + 1), BLACK);
    EXPECT_EQ(at(50, WATERFALL_TOP + WATERFALL_ROWS - 1), LIT);
    EXPECT_EQ(Count(client, 0, 159 * zoom, 200 * zoom, 160 * zoom)[BACKGROUND], 200 * zoom * zoom);

    running.SetWaterfall(false);
    EXPECT_EQ(running.size(), QSize(206 * zoom, 184 * zoom));
    EXPECT_EQ(grab(running).size(), QSize(200 * zoom, 160 * zoom));
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
  window->Events().close = [&] { ++closes; };
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
  EXPECT_EQ(window->pos(), QPoint(175, 17));  // a drag in the client area is no move
}

// The pop-up menu opens with its corner at the pointer at every zoom: at 2x a right click at
// (241, 181) of the client is (120, 90) in 1x pixels, and the menu must open at (241, 181), not at
// (120, 90) of the client, nor one pixel off at (240, 180).
TEST(QtSpectrumWindow, PopupMenuOpensAtThePointerWhenZoomed) {
  for (int zoom : {1, 2, 3}) {
    SCOPED_TRACE(zoom);
    SpectrumWindow window(nullptr, QStringLiteral("Main VFO-A"));
    window.SetZoom(zoom);
    window.move(30, 20);
    std::vector<QPoint> reported;
    window.Events().rightButton = [&](int x, int y) {
      reported.emplace_back(x, y);
      window.ShowPopupMenu(cmd::POPUP_MENU_A, {x, y}, {});
    };
    QPoint opened(-1, -1);
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
      if (QWidget* popup = QApplication::activePopupWidget()) {
        opened = popup->pos();
        popup->close();
      }
    });
    watch.start(5);
    const QPoint click(60 * zoom + zoom - 1, 45 * zoom + zoom / 2);
    QTest::mouseClick(window.Client(), Qt::RightButton, {}, click);
    watch.stop();
    EXPECT_EQ(reported, std::vector<QPoint>{QPoint(60, 45)});
    EXPECT_EQ(opened, window.Client()->mapToGlobal(click));
  }
}

}  // namespace
}  // namespace keblor::test
