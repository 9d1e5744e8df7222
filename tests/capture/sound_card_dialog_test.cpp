#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/command_ids.h"
#include "app/main_layout.h"
#include "app/main_window.h"
#include "app/menu_state.h"
#include "capture/capture_stream.h"
#include "capture/sound_card_dialog.h"
#include "capture/sound_card_dialog_fake_host.h"
#include "display/signal_window.h"
#include "fakes/fake_capture_device.h"
#include "fakes/fake_window_layer.h"

namespace keblor {
namespace {

constexpr int MAIN_LEFT = 40;
constexpr int MAIN_TOP = 60;

// The VFO-B items that follow the channel count, besides "&FT-1000MP CW".
const std::vector<int> VFO_B_ITEMS = {cmd::SubVfoB,     cmd::RangeB0,  cmd::RangeB1,  cmd::RangeB2,
                                      cmd::RangeB3,     cmd::RangeB4,  cmd::PitchOnOffB, cmd::PitchUpB,
                                      cmd::PitchDownB,  cmd::ArrangeVertically};

class SoundCardDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    app.windows = &windows;
    app.capture.device = &device;
    app.captureSink = &sink;
  }

  // A running program in this format and arrangement: the main window at its size, the
  // spectrum windows of the channel count open, the menu as start-up leaves it, capture running.
  void Start(int channels, int bits, int arrange) {
    Settings& s = app.settings;
    s.Channels = channels;
    s.BitsPerSample = bits;
    s.ArrangeVertically = arrange;
    app.layout = ChooseMainLayout(arrange, channels, app.layout);
    windows.CreateMainWindow("CW Keblor", MAIN_LEFT, MAIN_TOP, app.layout.width, app.layout.height);
    OpenSignalWindow(app, Vfo::A);
    app.vfoA.windowOpen = true;
    CheckMenuItem(app, cmd::MainVfoA, true);
    CheckMenuItem(app, cmd::ArrangeVertically, arrange != 0);
    if (channels == 2) {
      OpenSignalWindow(app, Vfo::B);
      app.vfoB.windowOpen = true;
      CheckMenuItem(app, cmd::SubVfoB, true);
    } else {
      for (int id : VFO_B_ITEMS) EnableMenuItem(app, id, false);
      EnableMenuItem(app, cmd::Ft1000mp, false);
    }
    ComputeWaveFormat(app.capture, channels, bits);
    ASSERT_EQ(OpenCapture(app.capture, sink), 0);
    ASSERT_EQ(StartCapture(app.capture), 0);
    device.calls.clear();
    device.queriedFormats.clear();
    windows.calls.clear();
  }

  // Opens the dialog, lets the user click, and presses `button` (1 OK, 2 Cancel, 0 the close box).
  int Run(const std::vector<int>& clicks, int button = 1) {
    host = FakeDialogHost{};
    SoundCardDialogState state;
    EXPECT_TRUE(SoundCardDialog(app, state, host, DialogMessage::InitDialog, 0));
    for (int id : clicks) host.Click(id);
    if (button == 0)
      EXPECT_TRUE(SoundCardDialog(app, state, host, DialogMessage::Close, 0));
    else
      EXPECT_TRUE(SoundCardDialog(app, state, host, DialogMessage::Command, button));
    EXPECT_EQ(host.endCount, 1);
    return host.result.value_or(-1);
  }

  int CallIndex(const std::string& prefix) const {
    for (size_t i = 0; i < windows.calls.size(); ++i)
      if (windows.calls[i].rfind(prefix, 0) == 0) return static_cast<int>(i);
    return -1;
  }

  void ExpectMainSize(int width, int height) {
    EXPECT_EQ(windows.mainRect.left, MAIN_LEFT);
    EXPECT_EQ(windows.mainRect.top, MAIN_TOP);
    EXPECT_EQ(windows.mainRect.right - windows.mainRect.left, width);
    EXPECT_EQ(windows.mainRect.bottom - windows.mainRect.top, height);
  }

  void ExpectVfoBItems(bool enabled) {
    for (int id : VFO_B_ITEMS) {
      EXPECT_EQ(windows.IsEnabled(id), enabled) << id;
      EXPECT_EQ(app.menu.IsEnabled(id), enabled) << id;
    }
    EXPECT_EQ(windows.IsEnabled(cmd::Ft1000mp), enabled);
  }

  const FakeSignalWindow* VfoBWindow() { return windows.WindowTitled("Sub VFO-B"); }

  AppState app;
  FakeWindowLayer windows;
  FakeCaptureDevice device;
  MainWindowCaptureSink sink{app};
  FakeDialogHost host;
};

// The radio buttons open on the running format, each pair as its own group.
TEST_F(SoundCardDialogTest, InitSelectsTheRunningFormat) {
  struct Case {
    int channels, bits, channelButton, bitsButton;
  };
  for (Case c : {Case{1, 8, 1078, 1080}, Case{1, 16, 1078, 1081}, Case{2, 8, 1079, 1080}, Case{2, 16, 1079, 1081}}) {
    app.settings.Channels = c.channels;
    app.settings.BitsPerSample = c.bits;
    FakeDialogHost h;
    SoundCardDialogState state;
    EXPECT_TRUE(SoundCardDialog(app, state, h, DialogMessage::InitDialog, 0));
    EXPECT_EQ(h.calls, (std::vector<std::string>{"CheckRadioButton 1078 1079 " + std::to_string(c.channelButton),
                                                 "CheckRadioButton 1080 1081 " + std::to_string(c.bitsButton)}));
    EXPECT_EQ(state.entryChannels, c.channels);
    EXPECT_EQ(state.entryBits, c.bits);
    EXPECT_FALSE(h.result.has_value());
  }
}

// OK without a change (or after changing and changing back) ends with 1 and leaves the
// device and the windows alone.
TEST_F(SoundCardDialogTest, OkWithoutChangeTouchesNoDevice) {
  Start(1, 16, 0);
  EXPECT_EQ(Run({}), 1);
  EXPECT_EQ(Run({1079, 1080, 1078, 1081}), 1);
  EXPECT_TRUE(device.calls.empty());
  EXPECT_TRUE(windows.calls.empty());
  EXPECT_TRUE(device.started);
  EXPECT_EQ(app.settings.Channels, 1);
  EXPECT_EQ(app.settings.BitsPerSample, 16);
}

// Cancel and the close box end with 0 and keep the entry values whatever was clicked.
TEST_F(SoundCardDialogTest, CancelAndCloseKeepTheEntryValues) {
  Start(1, 16, 0);
  EXPECT_EQ(Run({1079, 1080}, 2), 0);
  EXPECT_EQ(Run({1079, 1080}, 0), 0);
  EXPECT_EQ(app.settings.Channels, 1);
  EXPECT_EQ(app.settings.BitsPerSample, 16);
  EXPECT_TRUE(device.calls.empty());
  EXPECT_TRUE(windows.calls.empty());
}

// Notifications of the buttons themselves and other commands go to the default handling.
TEST_F(SoundCardDialogTest, OtherCommandsAreNotHandled) {
  Start(2, 16, 0);
  SoundCardDialogState state;
  SoundCardDialog(app, state, host, DialogMessage::InitDialog, 0);
  for (int wParam : {0, 3, 1078, 1079, 1081, 0x10001})
    EXPECT_FALSE(SoundCardDialog(app, state, host, DialogMessage::Command, wParam)) << wParam;
  EXPECT_FALSE(host.result.has_value());
  EXPECT_TRUE(device.calls.empty());
}

// Mono to stereo side by side: the main window grows at its corner before VFO-B opens at
// (205, 2); the VFO-B items and the FT-1000MP item are enabled; the stream runs in stereo.
TEST_F(SoundCardDialogTest, MonoToStereoSideBySide) {
  Start(1, 16, 0);
  EXPECT_EQ(Run({1079}), 1);
  EXPECT_EQ(app.settings.Channels, 2);
  EXPECT_EQ(app.settings.BitsPerSample, 16);
  ExpectMainSize(417, 231);
  const FakeSignalWindow* b = VfoBWindow();
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->x, 205);
  EXPECT_EQ(b->y, 2);
  EXPECT_TRUE(b->shown);
  EXPECT_TRUE(app.vfoB.windowOpen);
  EXPECT_TRUE(windows.IsChecked(cmd::SubVfoB));
  EXPECT_FALSE(windows.IsChecked(cmd::ArrangeVertically));
  ExpectVfoBItems(true);
  EXPECT_LT(CallIndex("MoveMainWindow"), CallIndex("CreateSignalWindow Sub VFO-B"));

  EXPECT_EQ(device.calls.front(), "Stop");  // the old stream is closed first
  EXPECT_EQ(device.CountCalls("Close"), 1);
  ASSERT_EQ(device.queriedFormats.size(), 1u);
  EXPECT_EQ(device.queriedFormats[0].channels, 2);
  EXPECT_EQ(device.openFormat.channels, 2);
  EXPECT_EQ(device.openFormat.blockAlign, 4);
  EXPECT_EQ(device.calls.back(), "Start");
  EXPECT_TRUE(device.started);
  EXPECT_EQ(app.capture.bufferBytes, 4096u);
  EXPECT_TRUE(app.vfoA.windowOpen);
}

// Mono to stereo below each other: 213 x 416, VFO-B at (0, 186), "Arrange vertically" checked.
TEST_F(SoundCardDialogTest, MonoToStereoBelow) {
  Start(1, 8, 1);
  ExpectMainSize(213, 234);
  EXPECT_EQ(Run({1079}), 1);
  ExpectMainSize(213, 416);
  const FakeSignalWindow* b = VfoBWindow();
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->x, 0);
  EXPECT_EQ(b->y, 186);
  EXPECT_TRUE(windows.IsChecked(cmd::ArrangeVertically));
  EXPECT_TRUE(windows.IsChecked(cmd::SubVfoB));
  ExpectVfoBItems(true);
  EXPECT_EQ(device.openFormat.bitsPerSample, 8);
}

// Stereo to mono below each other: VFO-B closes before the main window shrinks to 213 x 234,
// and the VFO-B items, "Arrange vertically" and the FT-1000MP item turn grey.
TEST_F(SoundCardDialogTest, StereoToMonoBelow) {
  Start(2, 16, 1);
  const WindowHandle b = app.vfoB.signalWindow;
  EXPECT_EQ(Run({1078}), 1);
  EXPECT_EQ(app.settings.Channels, 1);
  EXPECT_TRUE(windows.signalWindows.at(b).destroyed);
  EXPECT_FALSE(app.vfoB.windowOpen);
  EXPECT_EQ(VfoBWindow(), nullptr);
  ExpectMainSize(213, 234);
  EXPECT_FALSE(windows.IsChecked(cmd::SubVfoB));
  ExpectVfoBItems(false);
  EXPECT_LT(CallIndex("DestroySignalWindow"), CallIndex("MoveMainWindow"));
  EXPECT_EQ(device.openFormat.channels, 1);
  EXPECT_TRUE(device.started);
  EXPECT_TRUE(app.vfoA.windowOpen);
}

TEST_F(SoundCardDialogTest, StereoToMonoSideBySide) {
  Start(2, 8, 0);
  EXPECT_EQ(Run({1078}), 1);
  ExpectMainSize(214, 231);
  EXPECT_EQ(VfoBWindow(), nullptr);
  ExpectVfoBItems(false);
}

// The user had closed VFO-B already: nothing is sent to it, the rest happens as usual.
TEST_F(SoundCardDialogTest, StereoToMonoWithVfoBAlreadyClosed) {
  Start(2, 16, 1);
  OnSignalClose(app, app.vfoB.signalWindow);
  ASSERT_FALSE(app.vfoB.windowOpen);
  windows.calls.clear();
  EXPECT_EQ(Run({1078}), 1);
  EXPECT_EQ(CallIndex("DestroySignalWindow"), -1);
  ExpectMainSize(213, 234);
  ExpectVfoBItems(false);
  EXPECT_TRUE(app.vfoA.windowOpen);
}

// Going stereo marks VFO-B's range and marker from its settings.
TEST_F(SoundCardDialogTest, MonoToStereoMarksVfoBRangeAndMarker) {
  app.settings.VFO_B.Range = 3;
  app.settings.VFO_B.Pitch = 0;
  Start(1, 16, 0);
  CheckMenuItem(app, cmd::RangeB1, true);  // stale marks must be cleared
  CheckMenuItem(app, cmd::PitchOnOffB, true);
  EXPECT_EQ(Run({1079}), 1);
  EXPECT_TRUE(windows.IsChecked(cmd::RangeB3));
  for (int id : {cmd::RangeB0, cmd::RangeB1, cmd::RangeB2, cmd::RangeB4}) EXPECT_FALSE(windows.IsChecked(id)) << id;
  EXPECT_FALSE(windows.IsChecked(cmd::PitchOnOffB));

  app.settings.VFO_B.Pitch = 1;
  app.settings.VFO_B.Range = 0;
  EXPECT_EQ(Run({1080}), 1);
  EXPECT_TRUE(windows.IsChecked(cmd::PitchOnOffB));
  EXPECT_TRUE(windows.IsChecked(cmd::RangeB0));
  EXPECT_FALSE(windows.IsChecked(cmd::RangeB3));
}

// Bits only, in stereo: the stream is re-opened in 8 bits, the open VFO-B window is kept
// (not re-created) and the main window is set to the size it already has.
TEST_F(SoundCardDialogTest, BitsOnlyChangeKeepsVfoBWindow) {
  Start(2, 16, 0);
  const WindowHandle b = app.vfoB.signalWindow;
  EXPECT_EQ(Run({1080}), 1);
  EXPECT_EQ(app.settings.BitsPerSample, 8);
  EXPECT_EQ(app.vfoB.signalWindow, b);
  EXPECT_FALSE(windows.signalWindows.at(b).destroyed);
  EXPECT_EQ(CallIndex("CreateSignalWindow"), -1);
  EXPECT_EQ(CallIndex("DestroySignalWindow"), -1);
  EXPECT_EQ(windows.calls[static_cast<size_t>(CallIndex("MoveMainWindow"))], "MoveMainWindow 40 60 417 231");
  EXPECT_EQ(device.openFormat.bitsPerSample, 8);
  EXPECT_EQ(device.openFormat.channels, 2);
  EXPECT_EQ(device.openFormat.avgBytesPerSec, 20480u);
}

// Any change in stereo re-opens a VFO-B window the user had closed, and checks its item.
TEST_F(SoundCardDialogTest, StereoChangeReopensClosedVfoB) {
  Start(2, 8, 1);
  OnSignalClose(app, app.vfoB.signalWindow);
  ASSERT_FALSE(windows.IsChecked(cmd::SubVfoB));
  EXPECT_EQ(Run({1081}), 1);
  ASSERT_TRUE(app.vfoB.windowOpen);
  const FakeSignalWindow* b = VfoBWindow();
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->y, 186);
  EXPECT_TRUE(windows.IsChecked(cmd::SubVfoB));
}

// The enabled states are set whether or not the display is frozen: the freeze had greyed the
// VFO-B items and the FT-1000MP item, a change in stereo enables them.
TEST_F(SoundCardDialogTest, StereoChangeEnablesItemsEvenWhenFrozen) {
  Start(2, 16, 0);
  CommandHandler(app, cmd::Freeze);
  ASSERT_TRUE(app.frozen);
  ASSERT_FALSE(windows.IsEnabled(cmd::Ft1000mp));
  ASSERT_FALSE(windows.IsEnabled(cmd::RangeB1));
  EXPECT_EQ(Run({1080}), 1);
  ExpectVfoBItems(true);
  EXPECT_TRUE(app.frozen);
}

// A refused format: the error box with the code, the entry values back, the old format opened
// without a second query, result 1 and the windows as they were.
TEST_F(SoundCardDialogTest, RefusedFormatFallsBackToTheEntryValues) {
  Start(1, 8, 0);
  device.queryResult = 32;
  EXPECT_EQ(Run({1079, 1081}), 1);
  EXPECT_EQ(app.settings.Channels, 1);
  EXPECT_EQ(app.settings.BitsPerSample, 8);
  ASSERT_EQ(windows.messageBoxes.size(), 1u);
  EXPECT_EQ(windows.messageBoxes[0].first, "MMedia error nr 32");
  EXPECT_EQ(windows.messageBoxes[0].second, "Check audio devices");
  EXPECT_EQ(windows.beeps, 1);
  ASSERT_EQ(device.queriedFormats.size(), 1u);
  EXPECT_EQ(device.queriedFormats[0].channels, 2);
  EXPECT_EQ(device.queriedFormats[0].bitsPerSample, 16);
  EXPECT_EQ(device.openFormat.channels, 1);
  EXPECT_EQ(device.openFormat.bitsPerSample, 8);
  EXPECT_EQ(app.capture.bufferBytes, 1024u);
  EXPECT_TRUE(device.started);
  ExpectMainSize(214, 231);
  EXPECT_EQ(VfoBWindow(), nullptr);
  ExpectVfoBItems(false);
}

// Each failure after the query ends with 2 after the error box with that step's code.
TEST_F(SoundCardDialogTest, FailedOpenEndsWithTwo) {
  Start(1, 16, 0);
  device.openResult = 4;
  EXPECT_EQ(Run({1079}), 2);
  ASSERT_EQ(windows.messageBoxes.size(), 1u);
  EXPECT_EQ(windows.messageBoxes[0].first, "MMedia error nr 4");
  EXPECT_EQ(device.CountCalls("Prepare 0"), 0);
  EXPECT_EQ(device.CountCalls("Start"), 0);
  EXPECT_EQ(CallIndex("MoveMainWindow"), -1);  // no re-layout for a stream that is not there
}

TEST_F(SoundCardDialogTest, FailedPrepareOrQueueEndsWithTwo) {
  Start(1, 16, 0);
  device.prepareResult[1] = 11;
  EXPECT_EQ(Run({1079}), 2);
  device.prepareResult.clear();
  device.addResult[0] = 5;
  EXPECT_EQ(Run({1080}), 2);  // the settings already hold stereo from the failed attempt
  ASSERT_EQ(windows.messageBoxes.size(), 2u);
  EXPECT_EQ(windows.messageBoxes[0].first, "MMedia error nr 11");
  EXPECT_EQ(windows.messageBoxes[1].first, "MMedia error nr 5");
  EXPECT_EQ(device.CountCalls("Start"), 0);
  EXPECT_FALSE(device.started);
}

TEST_F(SoundCardDialogTest, FailedStartEndsWithTwoAfterTheRelayout) {
  Start(1, 16, 0);
  device.startResult = -9996;
  EXPECT_EQ(Run({1079}), 2);
  ASSERT_EQ(windows.messageBoxes.size(), 1u);
  EXPECT_EQ(windows.messageBoxes[0].first, "MMedia error nr -9996");
  EXPECT_EQ(windows.messageBoxes[0].second, "Check audio devices");
  EXPECT_EQ(device.CountCalls("Start"), 1);
  EXPECT_FALSE(device.started);
  ExpectMainSize(417, 231);
}

// Through the command: a failed open closes the program, releasing what the half-open stream
// holds, without writing the settings.
TEST_F(SoundCardDialogTest, FailedOpenClosesTheProgram) {
  Start(1, 16, 0);
  device.prepareResult[1] = 7;
  windows.onRunDialog = [this](DialogId id) {
    EXPECT_EQ(id, DialogId::SoundCard);
    return Run({1079});
  };
  CommandHandler(app, cmd::SoundCard);
  EXPECT_EQ(host.result, 2);
  EXPECT_TRUE(windows.mainDestroyed);
  EXPECT_EQ(windows.quitCode, 0);
  EXPECT_FALSE(device.open);
  EXPECT_FALSE(app.capture.deviceOpen);
  // After the failing prepare of buffer 1 the shutdown releases buffer 0 and the device.
  const auto failed = std::find(device.calls.begin(), device.calls.end(), "Prepare 1");
  ASSERT_NE(failed, device.calls.end());
  const std::vector<std::string> after(failed + 1, device.calls.end());
  EXPECT_NE(std::find(after.begin(), after.end(), "Unprepare 0"), after.end());
  EXPECT_NE(std::find(after.begin(), after.end(), "Close"), after.end());
  EXPECT_FALSE(app.vfoA.windowOpen);
}

// Through the command with the real dialog: mono to stereo keeps the program running, and a
// block in the new format reaches the new window.
TEST_F(SoundCardDialogTest, CommandSwitchesToStereoAndKeepsRunning) {
  Start(1, 16, 0);
  windows.onRunDialog = [this](DialogId) { return Run({1079, 1080}); };
  CommandHandler(app, cmd::SoundCard);
  EXPECT_EQ(host.result, 1);
  EXPECT_FALSE(windows.mainDestroyed);
  ASSERT_TRUE(app.vfoB.windowOpen);
  EXPECT_TRUE(windows.IsChecked(cmd::SubVfoB));
  // Notifications the old stream left behind are dropped, the new stream's blocks are taken.
  device.DeliverPendingResetNotifications();
  ASSERT_TRUE(device.DeliverBlock(std::vector<std::uint8_t>(2048, 128)));
  EXPECT_EQ(device.CountCalls("Add 0"), 2);  // queued at the open, then given back after analysis
  windows.RunPendingPaints([this](WindowHandle w) { OnSignalPaint(app, w); });
  const FakeSignalWindow* b = VfoBWindow();
  ASSERT_NE(b, nullptr);
  EXPECT_GT(b->showTraceCount, 0);
}

}  // namespace
}  // namespace keblor
