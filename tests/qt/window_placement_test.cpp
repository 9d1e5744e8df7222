// A window saved off the screens comes back onto the nearest one; one that can be seen stays.

#include <QScreen>

#include "desktop/window_placement.h"
#include "qt_test_support.h"

namespace keblor::test {
namespace {

const QRect LEFT_SCREEN(0, 0, 1920, 1080);
const QRect RIGHT_SCREEN(1920, 0, 1280, 1024);

TEST(WindowPlacement, AWindowMostlyOnTheScreensStaysWhereItIs) {
  const QList<QRect> two{LEFT_SCREEN, RIGHT_SCREEN};
  for (const QRect& window : {QRect(30, 40, 214, 231), QRect(1800, 900, 214, 231),  // across both, over the edge
                              QRect(-100, 500, 214, 231),                            // 47 % off the left
                              QRect(1850, 100, 214, 231)}) {                         // half on each screen
    EXPECT_EQ(PlaceOnScreens(window, two), window) << window.x() << "," << window.y();
  }
  EXPECT_EQ(PlaceOnScreens(QRect(9000, 9000, 214, 231), {}), QRect(9000, 9000, 214, 231));
}

TEST(WindowPlacement, AWindowMostlyOffComesOntoTheNearestScreenMovedAsLittleAsItTakes) {
  const QList<QRect> two{LEFT_SCREEN, RIGHT_SCREEN};
  struct Case {
    QRect window;
    QPoint placed;
  };
  for (const Case& c : {
           Case{QRect(1910, 1070, 214, 231), {1706, 849}},   // 99 % off, nearest the left screen's corner
           Case{QRect(600, 1070, 214, 231), {600, 849}},     // 96 % below the left screen: up only
           Case{QRect(3190, 300, 214, 231), {2986, 300}},    // past the right screen's edge: left only
           Case{QRect(-5000, -3000, 214, 231), {0, 0}},      // far to the top left
           Case{QRect(2500, 1500, 214, 231), {2500, 793}},   // below the smaller right screen
           Case{QRect(100, -225, 214, 231), {100, 0}},       // only the bottom rows showing
       }) {
    SCOPED_TRACE(testing::Message() << c.window.x() << "," << c.window.y());
    const QRect placed = PlaceOnScreens(c.window, two);
    EXPECT_EQ(placed.topLeft(), c.placed);
    EXPECT_EQ(placed.size(), c.window.size());
  }
  // Larger than the screen: its top-left corner, where the caption and menus are, is kept on it.
  EXPECT_EQ(PlaceOnScreens(QRect(5000, 5000, 3000, 2000), {LEFT_SCREEN}).topLeft(), QPoint(0, 0));
}

// Through the main window: placed on the offscreen platform's screen, the settings untouched.
TEST(WindowPlacement, TheMainWindowComesOnScreenAndTheSettingsKeepTheSavedPlace) {
  RunningProgram p;
  p.settings.values["General/xPos"] = 5000;
  p.settings.values["General/yPos"] = -3000;
  p.Start();
  const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  const QRect frame = p.view.Window()->frameGeometry();
  EXPECT_TRUE(screen.contains(frame)) << frame.x() << "," << frame.y();
  // Moved no further than it takes: to the top, and to the right edge less at most the
  // allowance for a frame the platform does not draw.
  EXPECT_EQ(frame.top(), screen.top());
  EXPECT_GE(frame.right(), screen.right() - 6);
  EXPECT_EQ(p.program->CurrentSettings().xPos, 5000);
  EXPECT_EQ(p.program->CurrentSettings().yPos, -3000);
}

}  // namespace
}  // namespace keblor::test
