#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/command_ids.h"
#include "app/main_layout.h"
#include "app/main_window.h"
#include "app/menu_state.h"
#include "app/settings_file.h"
#include "display/signal_window.h"
#include "fakes/fake_window_layer.h"

namespace keblor {
namespace {

// A settings file that answers every read with its default and records each write in the
// window layer's call log, so that writes can be ordered against the close.
class RecordingSettingsFile : public SettingsFile {
 public:
  explicit RecordingSettingsFile(std::vector<std::string>& log) : log_(log) {}
  std::int32_t ReadInt(const std::string&, const std::string&, std::int32_t defaultValue) override {
    return defaultValue;
  }
  bool WriteString(const std::string& section, const std::string& key, const std::string& value) override {
    log_.push_back("WriteString " + section + " " + key + " " + value);
    ++writes;
    return true;
  }
  int writes = 0;

 private:
  std::vector<std::string>& log_;
};

// Keeps the menu's Clear and Freez state as it was while the main window was being moved.
class SnapshotWindowLayer : public FakeWindowLayer {
 public:
  void MoveMainWindow(int x, int y, int width, int height) override {
    clearEnabledDuringMove.push_back(IsEnabled(cmd::Clear));
    freezeEnabledDuringMove.push_back(IsEnabled(cmd::Freeze));
    FakeWindowLayer::MoveMainWindow(x, y, width, height);
  }
  std::vector<bool> clearEnabledDuringMove;
  std::vector<bool> freezeEnabledDuringMove;
};

constexpr int MAIN_LEFT = 120;
constexpr int MAIN_TOP = 80;

// A running two-channel program side by side, both windows open, without the capture stream.
class WindowCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    app.windows = &windows;
    app.settingsFile = &file;
    app.settings.Channels = 2;
    app.settings.ArrangeVertically = 0;
    app.layout = ChooseMainLayout(0, 2, app.layout);
    windows.CreateMainWindow("CW Keblor", MAIN_LEFT, MAIN_TOP, app.layout.width, app.layout.height);
    Open(Vfo::A);
    Open(Vfo::B);
    windows.calls.clear();
  }

  void Open(Vfo vfo) {
    OpenSignalWindow(app, vfo);
    ViewOf(app, vfo).windowOpen = true;
    CheckMenuItem(app, vfo == Vfo::A ? cmd::MainVfoA : cmd::SubVfoB, true);
  }

  const FakeSignalWindow& WindowOf(Vfo vfo) { return windows.signalWindows.at(ViewOf(app, vfo).signalWindow); }

  int CountCalls(const std::string& prefix) const {
    int n = 0;
    for (const auto& c : windows.calls)
      if (c.rfind(prefix, 0) == 0) ++n;
    return n;
  }

  AppState app;
  SnapshotWindowLayer windows;
  RecordingSettingsFile file{windows.calls};
};

// Toggling VFO-A off and on brings the window back at (0, 2), with the check mark following.
TEST_F(WindowCommands, MainVfoAToggleClosesAndReopensAtItsPlace) {
  const WindowHandle first = app.vfoA.signalWindow;
  CommandHandler(app, cmd::MainVfoA);
  EXPECT_FALSE(app.vfoA.windowOpen);
  EXPECT_TRUE(windows.signalWindows.at(first).destroyed);
  EXPECT_FALSE(windows.IsChecked(cmd::MainVfoA));
  EXPECT_FALSE(app.menu.IsChecked(cmd::MainVfoA));

  CommandHandler(app, cmd::MainVfoA);
  ASSERT_TRUE(app.vfoA.windowOpen);
  const FakeSignalWindow& w = WindowOf(Vfo::A);
  EXPECT_NE(app.vfoA.signalWindow, first);
  EXPECT_EQ(w.title, "Main VFO-A");
  EXPECT_EQ(w.x, 0);
  EXPECT_EQ(w.y, 2);
  EXPECT_TRUE(w.shown);
  EXPECT_TRUE(windows.IsChecked(cmd::MainVfoA));
  // VFO-B was left alone throughout.
  EXPECT_TRUE(app.vfoB.windowOpen);
  EXPECT_TRUE(windows.IsChecked(cmd::SubVfoB));
}

// The window commands are not blocked by a frozen display.
TEST_F(WindowCommands, SubVfoBToggleWorksWhileFrozen) {
  CommandHandler(app, cmd::Freeze);
  ASSERT_TRUE(app.frozen);
  CommandHandler(app, cmd::SubVfoB);
  EXPECT_FALSE(app.vfoB.windowOpen);
  EXPECT_FALSE(windows.IsChecked(cmd::SubVfoB));
  CommandHandler(app, cmd::SubVfoB);
  ASSERT_TRUE(app.vfoB.windowOpen);
  EXPECT_EQ(WindowOf(Vfo::B).x, 205);
  EXPECT_EQ(WindowOf(Vfo::B).y, 2);
  EXPECT_TRUE(windows.IsChecked(cmd::SubVfoB));
}

// Both open: the main window changes size at the same corner, VFO-B is re-created at its new
// place, VFO-A is neither moved nor re-created, and Clear/Freez end up enabled.
TEST_F(WindowCommands, ArrangeWithBothWindowsOpen) {
  const WindowHandle a = app.vfoA.signalWindow;
  const WindowHandle oldB = app.vfoB.signalWindow;
  CommandHandler(app, cmd::ArrangeVertically);

  EXPECT_EQ(app.settings.ArrangeVertically, 1);
  EXPECT_TRUE(windows.IsChecked(cmd::ArrangeVertically));
  EXPECT_EQ(windows.mainRect.left, MAIN_LEFT);
  EXPECT_EQ(windows.mainRect.top, MAIN_TOP);
  EXPECT_EQ(windows.mainRect.right - windows.mainRect.left, 213);
  EXPECT_EQ(windows.mainRect.bottom - windows.mainRect.top, 416);
  EXPECT_EQ(app.layout.vfoBLeft, 0);
  EXPECT_EQ(app.layout.vfoBTop, 186);

  EXPECT_TRUE(windows.signalWindows.at(oldB).destroyed);
  ASSERT_TRUE(app.vfoB.windowOpen);
  EXPECT_EQ(WindowOf(Vfo::B).x, 0);
  EXPECT_EQ(WindowOf(Vfo::B).y, 186);
  EXPECT_TRUE(windows.IsChecked(cmd::SubVfoB));

  EXPECT_EQ(app.vfoA.signalWindow, a);
  EXPECT_FALSE(windows.signalWindows.at(a).destroyed);
  EXPECT_EQ(CountCalls("CreateSignalWindow Main VFO-A"), 0);

  EXPECT_TRUE(windows.IsEnabled(cmd::Clear));
  EXPECT_TRUE(windows.IsEnabled(cmd::Freeze));
  // The main window grows only after VFO-B has been closed, and VFO-B returns after it.
  const auto& c = windows.calls;
  auto pos = [&](const std::string& prefix) {
    for (size_t i = 0; i < c.size(); ++i)
      if (c[i].rfind(prefix, 0) == 0) return static_cast<int>(i);
    return -1;
  };
  EXPECT_LT(pos("DestroySignalWindow"), pos("MoveMainWindow"));
  EXPECT_LT(pos("MoveMainWindow"), pos("CreateSignalWindow Sub VFO-B"));
}

// VFO-B closed by the user: only the main window changes; VFO-B stays closed and unchecked.
TEST_F(WindowCommands, ArrangeWithVfoBClosedOnlyResizes) {
  CommandHandler(app, cmd::SubVfoB);
  windows.calls.clear();
  CommandHandler(app, cmd::ArrangeVertically);
  EXPECT_FALSE(app.vfoB.windowOpen);
  EXPECT_FALSE(windows.IsChecked(cmd::SubVfoB));
  EXPECT_EQ(CountCalls("CreateSignalWindow"), 0);
  EXPECT_EQ(CountCalls("DestroySignalWindow"), 0);
  EXPECT_EQ(windows.calls, std::vector<std::string>{"MoveMainWindow 120 80 213 416"});
  EXPECT_TRUE(app.vfoA.windowOpen);
}

// VFO-B as the only window: while it is closed for the move no window is open, so Clear and
// Freez are grey; once it is back the refresh enables them again.
TEST_F(WindowCommands, ArrangeWithOnlyVfoBOpenGreysClearAndFreezMomentarily) {
  CommandHandler(app, cmd::MainVfoA);
  ASSERT_FALSE(app.vfoA.windowOpen);
  CommandHandler(app, cmd::ArrangeVertically);
  ASSERT_EQ(windows.clearEnabledDuringMove.size(), 1u);
  EXPECT_FALSE(windows.clearEnabledDuringMove[0]);
  EXPECT_FALSE(windows.freezeEnabledDuringMove[0]);
  EXPECT_TRUE(app.vfoB.windowOpen);
  EXPECT_FALSE(app.vfoA.windowOpen);
  EXPECT_EQ(WindowOf(Vfo::B).y, 186);
  EXPECT_TRUE(windows.IsEnabled(cmd::Clear));
  EXPECT_TRUE(windows.IsEnabled(cmd::Freeze));
}

// Twice returns to the start: same rectangle, same layout, flag and check mark cleared.
TEST_F(WindowCommands, ArrangeTwiceReturnsToTheStart) {
  const Rect before = windows.mainRect;
  const MainLayout layoutBefore = app.layout;
  CommandHandler(app, cmd::ArrangeVertically);
  CommandHandler(app, cmd::ArrangeVertically);
  EXPECT_EQ(windows.mainRect.left, before.left);
  EXPECT_EQ(windows.mainRect.top, before.top);
  EXPECT_EQ(windows.mainRect.right, before.right);
  EXPECT_EQ(windows.mainRect.bottom, before.bottom);
  EXPECT_EQ(app.layout.width, layoutBefore.width);
  EXPECT_EQ(app.layout.height, layoutBefore.height);
  EXPECT_EQ(app.layout.vfoBLeft, 205);
  EXPECT_EQ(app.layout.vfoBTop, 2);
  EXPECT_EQ(app.settings.ArrangeVertically, 0);
  EXPECT_FALSE(windows.IsChecked(cmd::ArrangeVertically));
  EXPECT_EQ(WindowOf(Vfo::B).x, 205);
  EXPECT_EQ(WindowOf(Vfo::B).y, 2);
}

// Always on top flips in place: no move or resize, the check mark follows the flag.
TEST_F(WindowCommands, AlwaysOnTopFlipsInPlace) {
  app.settings.AlwaysOnTop = 1;
  CommandHandler(app, cmd::AlwaysOnTop);
  EXPECT_EQ(app.settings.AlwaysOnTop, 0);
  EXPECT_FALSE(windows.topmost);
  EXPECT_FALSE(windows.IsChecked(cmd::AlwaysOnTop));
  CommandHandler(app, cmd::AlwaysOnTop);
  EXPECT_EQ(app.settings.AlwaysOnTop, 1);
  EXPECT_TRUE(windows.topmost);
  EXPECT_TRUE(windows.IsChecked(cmd::AlwaysOnTop));
  EXPECT_EQ(CountCalls("SetMainWindowTopmost"), 2);
  EXPECT_EQ(CountCalls("MoveMainWindow"), 0);
  EXPECT_EQ(CountCalls("CreateMainWindow"), 0);
}

// Only a dialog result of 2 closes the program.
TEST_F(WindowCommands, SoundCardResultTwoClosesTheProgram) {
  for (int result : {0, 1}) {
    windows.onRunDialog = [result](DialogId) { return result; };
    CommandHandler(app, cmd::SoundCard);
    EXPECT_FALSE(windows.mainDestroyed) << result;
    EXPECT_FALSE(windows.quitCode.has_value()) << result;
  }
  windows.onRunDialog = [](DialogId) { return 2; };
  CommandHandler(app, cmd::SoundCard);
  EXPECT_TRUE(windows.mainDestroyed);
  EXPECT_EQ(windows.quitCode, 0);
  EXPECT_FALSE(app.vfoA.windowOpen);
  EXPECT_FALSE(app.vfoB.windowOpen);
  EXPECT_EQ(file.writes, 0);
  ASSERT_EQ(windows.dialogs.size(), 3u);
  for (DialogId d : windows.dialogs) EXPECT_EQ(d, DialogId::SoundCard);
}

// A mixer already open is not started a second time; each command starts its own kind.
TEST_F(WindowCommands, MixersStartOnce) {
  CommandHandler(app, cmd::InputControls);
  CommandHandler(app, cmd::InputControls);
  EXPECT_EQ(windows.mixerStarts[MixerKind::Recording], 1);
  EXPECT_EQ(windows.mixerStarts[MixerKind::Playback], 0);

  windows.mixerOpen[MixerKind::Playback] = true;  // started from elsewhere
  CommandHandler(app, cmd::OutputControls);
  EXPECT_EQ(windows.mixerStarts[MixerKind::Playback], 0);
  windows.mixerOpen[MixerKind::Playback] = false;  // the user closed it
  CommandHandler(app, cmd::OutputControls);
  CommandHandler(app, cmd::OutputControls);
  EXPECT_EQ(windows.mixerStarts[MixerKind::Playback], 1);
  EXPECT_EQ(windows.mixerStarts[MixerKind::Recording], 1);
}

// Exit writes nothing and closes.
TEST_F(WindowCommands, ExitClosesWithoutWriting) {
  CommandHandler(app, cmd::Exit);
  EXPECT_EQ(file.writes, 0);
  EXPECT_TRUE(windows.mainDestroyed);
  EXPECT_EQ(windows.quitCode, 0);
}

// Save and exit writes every key before the main window goes.
TEST_F(WindowCommands, SaveAndExitWritesBeforeClosing) {
  app.settings.Channels = 2;
  app.settings.ArrangeVertically = 1;
  CommandHandler(app, cmd::SaveAndExit);
  ASSERT_GT(file.writes, 0);
  EXPECT_TRUE(windows.mainDestroyed);
  int lastWrite = -1, destroy = -1;
  for (size_t i = 0; i < windows.calls.size(); ++i) {
    if (windows.calls[i].rfind("WriteString", 0) == 0) lastWrite = static_cast<int>(i);
    if (windows.calls[i] == "DestroyMainWindow") destroy = static_cast<int>(i);
  }
  EXPECT_LT(lastWrite, destroy);
  bool channelsWritten = false;
  for (const auto& c : windows.calls)
    if (c == "WriteString General Channels 2") channelsWritten = true;
  EXPECT_TRUE(channelsWritten);
}

// Save writes and the program goes on.
TEST_F(WindowCommands, SaveKeepsRunning) {
  CommandHandler(app, cmd::Save);
  EXPECT_GT(file.writes, 0);
  EXPECT_FALSE(windows.mainDestroyed);
  EXPECT_TRUE(app.vfoA.windowOpen);
}

// Help opens at the contents; About runs its dialog and ignores what it returns.
TEST_F(WindowCommands, HelpAndAbout) {
  CommandHandler(app, cmd::HelpContents);
  EXPECT_EQ(windows.helpKeywords, std::vector<std::string>{"CONTENTS"});

  for (int result : {0, 1, 2}) {
    windows.onRunDialog = [result](DialogId) { return result; };
    CommandHandler(app, cmd::About);
  }
  EXPECT_EQ(windows.dialogs, (std::vector<DialogId>{DialogId::About, DialogId::About, DialogId::About}));
  EXPECT_FALSE(windows.mainDestroyed);
}

}  // namespace
}  // namespace keblor
