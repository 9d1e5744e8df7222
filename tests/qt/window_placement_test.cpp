// The main window placed by the screen rule on the screens Qt reports.

#include <QScreen>

#include "qt_test_support.h"

namespace keblor::test {
namespace {

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
