#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "app/app_state.h"
#include "app/command_ids.h"
#include "app/main_window.h"
#include "app/settings_file.h"
#include "fakes/fake_capture_device.h"
#include "fakes/fake_window_layer.h"

namespace keblor {
namespace {

// Answers reads from a table of section/key values (the default otherwise) and records every
// write, so that a test can see the file was never written.
class TableSettingsFile : public SettingsFile {
 public:
  std::map<std::pair<std::string, std::string>, std::int32_t> values;
  std::vector<std::string> writes;

  std::int32_t ReadInt(const std::string& section, const std::string& key, std::int32_t defaultValue) override {
    auto it = values.find({section, key});
    return it == values.end() ? defaultValue : it->second;
  }
  bool WriteString(const std::string& section, const std::string& key, const std::string& value) override {
    writes.push_back(section + "/" + key + "=" + value);
    return true;
  }
};

class StartUpTest : public ::testing::Test {
 protected:
  StartUpTest() : sink(app) {
    app.windows = &fake;
    app.settingsFile = &file;
    app.capture.device = &device;
    app.captureSink = &sink;
  }

  void Set(const std::string& section, const std::string& key, std::int32_t value) {
    file.values[{section, key}] = value;
  }

  bool Called(const std::string& call) const {
    return std::find(fake.calls.begin(), fake.calls.end(), call) != fake.calls.end();
  }
  int CountPrefix(const std::string& prefix) const {
    return static_cast<int>(std::count_if(fake.calls.begin(), fake.calls.end(),
                                          [&](const std::string& c) { return c.rfind(prefix, 0) == 0; }));
  }
  std::size_t IndexOf(const std::string& prefix) const {
    for (std::size_t i = 0; i < fake.calls.size(); ++i)
      if (fake.calls[i].rfind(prefix, 0) == 0) return i;
    return fake.calls.size();
  }
  // Checked in the core's menu and pushed to the layer alike.
  void ExpectChecked(int id, bool checked) {
    EXPECT_EQ(app.menu.IsChecked(id), checked) << id;
    EXPECT_EQ(fake.IsChecked(id), checked) << id;
  }
  void ExpectEnabled(int id, bool enabled) {
    EXPECT_EQ(app.menu.IsEnabled(id), enabled) << id;
    EXPECT_EQ(fake.IsEnabled(id), enabled) << id;
  }

  FakeWindowLayer fake;
  TableSettingsFile file;
  FakeCaptureDevice device;
  AppState app;
  MainWindowCaptureSink sink;
};

const std::vector<int> VFO_B_ITEMS = {301, 383, 354, 355, 376, 356, 358, 366, 365, 373};

TEST_F(StartUpTest, DefaultsGiveTheMonoMenuAndATopmostWindow) {
  ASSERT_EQ(StartUp(app), StartupResult::Running);

  EXPECT_EQ(fake.mainTitle, "CW Keblor");
  EXPECT_TRUE(Called("CreateMainWindow 0 0 214 231"));
  EXPECT_TRUE(fake.mainShown);
  EXPECT_TRUE(fake.topmost);
  EXPECT_TRUE(device.started);

  EXPECT_EQ(fake.menuTexts[379], "300 Hz");
  EXPECT_EQ(fake.menuTexts[380], "500 Hz");
  EXPECT_EQ(fake.menuTexts[381], "700 Hz");
  ExpectChecked(379, false);
  ExpectChecked(380, true);
  ExpectChecked(381, false);
  ExpectChecked(cmd::MainVfoA, true);
  for (int id : VFO_B_ITEMS) ExpectEnabled(id, false);
  ExpectEnabled(cmd::Ft1000mp, false);
  ExpectChecked(cmd::Ft1000mp, false);
  ExpectChecked(cmd::RangeA1, true);
  ExpectChecked(cmd::PitchOnOffA, true);
  ExpectChecked(cmd::PitchOnOffB, false);  // VFO-B's marker is on, but mono leaves it unchecked
  ExpectChecked(cmd::AlwaysOnTop, true);
  ExpectChecked(cmd::SignalLevel, false);
  ExpectChecked(cmd::Freeze, false);
  ExpectEnabled(cmd::Freeze, true);
  ExpectEnabled(cmd::Clear, true);

  EXPECT_TRUE(app.vfoA.windowOpen);
  EXPECT_FALSE(app.vfoB.windowOpen);
  ASSERT_NE(fake.WindowTitled("Main VFO-A"), nullptr);
  EXPECT_EQ(fake.WindowTitled("Main VFO-A")->x, 0);
  EXPECT_EQ(fake.WindowTitled("Main VFO-A")->y, 2);
  EXPECT_EQ(fake.WindowTitled("Sub VFO-B"), nullptr);

  // The window is there and shown before the spectrum window, and made topmost after it.
  EXPECT_LT(IndexOf("FindRunningCopy"), IndexOf("CreateMainWindow"));
  EXPECT_LT(IndexOf("ShowMainWindow"), IndexOf("CreateSignalWindow"));
  EXPECT_LT(IndexOf("CreateSignalWindow"), IndexOf("SetMainWindowTopmost 1"));
  EXPECT_TRUE(file.writes.empty());
}

TEST_F(StartUpTest, EqualPresetsCheckTheFirstMatch) {
  Set("Pitch", "Pitch1", 500);
  ASSERT_EQ(StartUp(app), StartupResult::Running);
  EXPECT_EQ(fake.menuTexts[379], "500 Hz");
  ExpectChecked(379, true);
  ExpectChecked(380, false);
}

TEST_F(StartUpTest, NoPresetCheckedWhenThePitchesDiffer) {
  Set("VFO-B", "PitchFreq", 700);
  ASSERT_EQ(StartUp(app), StartupResult::Running);
  for (int id : {379, 380, 381}) ExpectChecked(id, false);
}

TEST_F(StartUpTest, StereoVerticalLayoutEnablesTheVfoBItems) {
  Set("General", "Channels", 2);
  Set("General", "ArrangeVertically", 1);
  Set("General", "xPos", 40);
  Set("General", "yPos", 30);
  Set("VFO-B", "Range", 2);
  ASSERT_EQ(StartUp(app), StartupResult::Running);

  EXPECT_TRUE(Called("CreateMainWindow 40 30 213 416"));
  const FakeSignalWindow* b = fake.WindowTitled("Sub VFO-B");
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->x, 0);
  EXPECT_EQ(b->y, 186);
  EXPECT_TRUE(app.vfoB.windowOpen);
  ExpectChecked(cmd::ArrangeVertically, true);
  ExpectChecked(cmd::SubVfoB, true);
  ExpectChecked(cmd::PitchOnOffB, true);
  ExpectChecked(cmd::RangeB2, true);
  ExpectChecked(cmd::RangeB3, false);
  for (int id : VFO_B_ITEMS) ExpectEnabled(id, true);
  ExpectEnabled(cmd::Ft1000mp, true);
  EXPECT_EQ(app.capture.format.channels, 2);
}

TEST_F(StartUpTest, FlagsFromTheFileSetTheirMarks) {
  Set("General", "FT-1000MP", 1);
  Set("General", "Level", 1);
  Set("General", "AlwaysOnTop", 0);
  Set("VFO-A", "Pitch", 0);
  Set("VFO-A", "Range", 0);
  ASSERT_EQ(StartUp(app), StartupResult::Running);
  ExpectChecked(cmd::Ft1000mp, true);  // checked though grey in mono
  ExpectEnabled(cmd::Ft1000mp, false);
  ExpectChecked(cmd::SignalLevel, true);
  ExpectChecked(cmd::AlwaysOnTop, false);
  EXPECT_FALSE(fake.topmost);
  EXPECT_EQ(CountPrefix("SetMainWindowTopmost"), 0);
  ExpectChecked(cmd::PitchOnOffA, false);
  ExpectChecked(cmd::RangeA0, true);
  ExpectChecked(cmd::RangeA1, false);
}

TEST_F(StartUpTest, RunningCopyEndsBeforeAnyWindowOrDevice) {
  fake.runningCopy = true;
  EXPECT_EQ(StartUp(app), StartupResult::Exit);
  EXPECT_FALSE(fake.mainCreated);
  EXPECT_TRUE(device.calls.empty());
  EXPECT_TRUE(fake.messageBoxes.empty());
}

TEST_F(StartUpTest, NoAudioDevicesShowsTheMessageAndEnds) {
  device.inputDevices = 0;
  EXPECT_EQ(StartUp(app), StartupResult::Exit);
  EXPECT_TRUE(fake.mainShown);
  EXPECT_EQ(fake.beeps, 1);
  ASSERT_EQ(fake.messageBoxes.size(), 1u);
  EXPECT_EQ(fake.messageBoxes[0].first, "No audio devices, exiting");
  EXPECT_EQ(fake.messageBoxes[0].second, "Check audio devices");
  EXPECT_LT(IndexOf("ShowMainWindow"), IndexOf("MessageBeep"));
  EXPECT_LT(IndexOf("MessageBeep"), IndexOf("MessageBox"));
  EXPECT_EQ(device.CountCalls("Open"), 0);
  EXPECT_EQ(CountPrefix("CreateSignalWindow"), 0);
}

TEST_F(StartUpTest, OpenFailureReportsTheCodeAndOpensNoWindow) {
  device.openResult = 32;
  EXPECT_EQ(StartUp(app), StartupResult::Exit);
  ASSERT_EQ(fake.messageBoxes.size(), 1u);
  EXPECT_EQ(fake.messageBoxes[0].first, "MMedia error nr 32");
  EXPECT_EQ(fake.messageBoxes[0].second, "Check audio devices");
  EXPECT_EQ(fake.beeps, 1);
  EXPECT_EQ(CountPrefix("CreateSignalWindow"), 0);
  EXPECT_FALSE(device.started);
}

// A failure part-way through queuing leaves an open device: it must not stay open behind us.
TEST_F(StartUpTest, QueueFailureLeavesNoDeviceOpen) {
  device.addResult[1] = 11;
  EXPECT_EQ(StartUp(app), StartupResult::Exit);
  ASSERT_EQ(fake.messageBoxes.size(), 1u);
  EXPECT_EQ(fake.messageBoxes[0].first, "MMedia error nr 11");
  EXPECT_FALSE(device.open);
  EXPECT_FALSE(app.capture.deviceOpen);
}

// Start fails after the spectrum windows exist: reported, then nothing left open.
TEST_F(StartUpTest, StartFailureReportsAndClosesWhatWasOpened) {
  Set("General", "Channels", 2);
  device.startResult = 7;
  EXPECT_EQ(StartUp(app), StartupResult::Exit);
  ASSERT_EQ(fake.messageBoxes.size(), 1u);
  EXPECT_EQ(fake.messageBoxes[0].first, "MMedia error nr 7");
  EXPECT_EQ(CountPrefix("CreateSignalWindow"), 2);
  EXPECT_LT(IndexOf("CreateSignalWindow"), IndexOf("MessageBox"));
  EXPECT_FALSE(app.vfoA.windowOpen);
  EXPECT_FALSE(app.vfoB.windowOpen);
  EXPECT_EQ(CountPrefix("DestroySignalWindow"), 2);
  EXPECT_FALSE(device.open);
  EXPECT_TRUE(file.writes.empty());
}

class ShutdownTest : public StartUpTest {
 protected:
  void SetUp() override {
    Set("General", "Channels", 2);
    ASSERT_EQ(StartUp(app), StartupResult::Running);
    fake.calls.clear();
  }
};

TEST_F(ShutdownTest, ClosesCaptureWindowsThenMainAndQuitsWithZero) {
  OnMainClose(app);
  EXPECT_TRUE(app.frozen);
  EXPECT_FALSE(device.open);
  EXPECT_FALSE(app.capture.deviceOpen);
  EXPECT_EQ(CountPrefix("DestroySignalWindow"), 2);
  EXPECT_LT(IndexOf("DestroySignalWindow"), IndexOf("DestroyMainWindow"));
  EXPECT_LT(IndexOf("DestroyMainWindow"), IndexOf("PostQuit 0"));
  ASSERT_TRUE(fake.quitCode.has_value());
  EXPECT_EQ(*fake.quitCode, 0);
  EXPECT_TRUE(file.writes.empty());
}

TEST_F(ShutdownTest, OnlyOpenWindowsAreClosed) {
  const WindowHandle a = app.vfoA.signalWindow;
  CommandHandler(app, cmd::SubVfoB);  // the window command closes VFO-B
  ASSERT_FALSE(app.vfoB.windowOpen);
  fake.calls.clear();
  OnMainClose(app);
  EXPECT_EQ(fake.calls.front(), "DestroySignalWindow " + std::to_string(a));
  EXPECT_EQ(CountPrefix("DestroySignalWindow"), 1);
  EXPECT_TRUE(file.writes.empty());
}

TEST_F(ShutdownTest, NoWindowOpenClosesNone) {
  CommandHandler(app, cmd::SubVfoB);
  CommandHandler(app, cmd::MainVfoA);
  ASSERT_FALSE(app.vfoA.windowOpen);
  fake.calls.clear();
  OnMainClose(app);
  EXPECT_EQ(CountPrefix("DestroySignalWindow"), 0);
  EXPECT_TRUE(fake.mainDestroyed);
  EXPECT_TRUE(file.writes.empty());
}

// A delivered block is analysed, its buffer goes back to the device, and with one average
// the frame reaches the open window.
TEST_F(StartUpTest, CaptureBlockIsAnalysedRequeuedAndDrawn) {
  ASSERT_EQ(StartUp(app), StartupResult::Running);
  const int shownAtStart = fake.WindowTitled("Main VFO-A")->showTraceCount;  // the first paint
  const std::vector<std::uint8_t> silence(2048, 0);
  ASSERT_TRUE(device.DeliverBlock(silence));
  EXPECT_EQ(device.CountCalls("Add 0"), 2);
  EXPECT_EQ(device.queue.size(), 2u);
  EXPECT_EQ(fake.WindowTitled("Main VFO-A")->showTraceCount, shownAtStart + 1);

  // With two averages the first block only accumulates.
  CommandHandler(app, cmd::AveragesUp);
  ASSERT_TRUE(device.DeliverBlock(silence));
  EXPECT_EQ(app.averageCount, 1);
  EXPECT_EQ(fake.WindowTitled("Main VFO-A")->showTraceCount, shownAtStart + 1);
  ASSERT_TRUE(device.DeliverBlock(silence));
  EXPECT_EQ(fake.WindowTitled("Main VFO-A")->showTraceCount, shownAtStart + 2);
}

// A buffer is read in the format of the stream it came from, never in a format the settings
// might hold before the stream is reopened: a stereo 16-bit reading of a mono 8-bit buffer
// would run four times past its end.
TEST_F(StartUpTest, BlockIsReadInItsStreamsFormat) {
  Set("General", "BitsPerSample", 8);
  Set("General", "Level", 1);
  ASSERT_EQ(StartUp(app), StartupResult::Running);
  ASSERT_EQ(app.capture.format.channels, 1);
  ASSERT_EQ(app.capture.format.bitsPerSample, 8);
  app.settings.Channels = 2;
  app.settings.BitsPerSample = 16;
  ASSERT_TRUE(device.DeliverBlock(std::vector<std::uint8_t>(1024, 255)));
  EXPECT_FLOAT_EQ(app.vfoA.peakLevel, 127.5f);
  EXPECT_FLOAT_EQ(app.vfoB.peakLevel, 0.0f);
}

// Notifications that arrive after the stream closed name freed buffers: dropped untouched.
TEST_F(StartUpTest, StaleNotificationsAfterCloseAreDropped) {
  ASSERT_EQ(StartUp(app), StartupResult::Running);
  OnMainClose(app);
  ASSERT_GT(device.PendingResetNotifications(), 0u);
  const std::size_t addsBefore = device.calls.size();
  device.DeliverPendingResetNotifications();
  EXPECT_EQ(app.averageCount, 0);
  EXPECT_EQ(device.calls.size(), addsBefore);
}

}  // namespace
}  // namespace keblor
