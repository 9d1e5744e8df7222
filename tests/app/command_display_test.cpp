#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/command_ids.h"
#include "app/commands.h"
#include "app/main_layout.h"
#include "app/main_window.h"
#include "app/menu_state.h"
#include "display/signal_window.h"
#include "fakes/fake_window_layer.h"
#include "resources/menus.h"

namespace keblor {
namespace {

constexpr int PITCH_LEFT = 0, PITCH_TOP = 0;
constexpr int AVGS_LEFT = 110, AVGS_TOP = 0;
constexpr int RANGE_LEFT = 140, RANGE_TOP = 145;
constexpr int LEVEL_LEFT = 40, LEVEL_TOP = 145;

// A running program without capture: the windows the test opens, the menu as start-up left it
// for the channel count (the VFO-B items grey in mono).
class DisplayCommands : public ::testing::Test {
 protected:
  void SetUp() override { app.windows = &fake; }

  void Configure(int channels) {
    app.settings.Channels = channels;
    app.layout = ChooseMainLayout(0, channels, app.layout);
    fake.CreateMainWindow("CW Keblor", 0, 0, app.layout.width, app.layout.height);
    if (channels == 1) {
      for (int id : {301, 374, 383, 354, 355, 376, 356, 358, 366, 365, 373}) EnableMenuItem(app, id, false);
    }
  }

  WindowHandle Open(Vfo vfo) {
    OpenSignalWindow(app, vfo);
    ViewOf(app, vfo).windowOpen = true;
    return ViewOf(app, vfo).signalWindow;
  }

  void Close(Vfo vfo) { OnSignalClose(app, ViewOf(app, vfo).signalWindow); }

  void Run(int id) { CommandHandler(app, static_cast<std::uint32_t>(id)); }

  int Invalidations(WindowHandle w) const {
    int n = 0;
    for (const std::string& c : fake.calls)
      if (c == "InvalidateSignalWindow " + std::to_string(w)) ++n;
    return n;
  }

  // Texts drawn into the box at (left, top) since the log was last cleared.
  std::vector<std::string> TextsAt(WindowHandle w, int left, int top) const {
    std::vector<std::string> texts;
    for (const DrawnText& t : fake.signalWindows.at(w).textLog)
      if (t.box.left == left && t.box.top == top) texts.push_back(t.text);
    return texts;
  }

  void ClearLogs() {
    fake.calls.clear();
    for (auto& [handle, w] : fake.signalWindows) w.textLog.clear();
  }

  std::set<int> GreyedItems() const {
    std::set<int> greyed;
    for (int id : MainMenuItemIds())
      if (!app.menu.IsEnabled(id)) greyed.insert(id);
    return greyed;
  }

  FakeWindowLayer fake;
  AppState app;
};

// Freezing greys exactly the freeze set of the channel count; unfreezing lifts exactly that.
TEST_F(DisplayCommands, FreezeGreysTheSetOfTheChannelCount) {
  Configure(1);
  Open(Vfo::A);
  Run(cmd::AveragesUp);  // settle the menu as a command would
  const std::set<int> before = GreyedItems();

  Run(cmd::Freeze);
  EXPECT_TRUE(app.frozen);
  EXPECT_TRUE(app.menu.IsChecked(cmd::Freeze));
  EXPECT_TRUE(fake.IsChecked(cmd::Freeze));
  std::set<int> newlyGreyed;
  for (int id : GreyedItems())
    if (!before.count(id)) newlyGreyed.insert(id);
  EXPECT_EQ(newlyGreyed, (std::set<int>{361, 362, 357, 363, 364, 382, 351, 352, 375, 353}));
  EXPECT_FALSE(fake.IsEnabled(362));

  Run(cmd::FreezeKey);
  EXPECT_FALSE(app.frozen);
  EXPECT_FALSE(app.menu.IsChecked(cmd::Freeze));
  EXPECT_EQ(GreyedItems(), before);
}

TEST_F(DisplayCommands, StereoFreezeAlsoGreysVfoBItemsAndFt1000mp) {
  Configure(2);
  Open(Vfo::A);
  Open(Vfo::B);
  Run(cmd::FreezeKey);
  EXPECT_EQ(GreyedItems(), (std::set<int>{362, 361, 357, 358, 363, 364, 366, 365, 382, 351, 352, 375, 353, 383,
                                          354, 355, 376, 356, 374}));
  Run(cmd::Freeze);
  EXPECT_TRUE(GreyedItems().empty());
}

// Unfreeze drops a pending clear request, so the next repaint shows the trace again.
TEST_F(DisplayCommands, UnfreezeDropsTheClearRequest) {
  Configure(1);
  const WindowHandle a = Open(Vfo::A);
  Run(cmd::Freeze);
  ClearLogs();
  Run(cmd::ClearKey);  // F11 works while frozen
  EXPECT_TRUE(app.clearRequested);
  EXPECT_EQ(Invalidations(a), 1);
  Run(cmd::Freeze);
  EXPECT_FALSE(app.clearRequested);
}

TEST_F(DisplayCommands, ClearRepaintsOnlyOpenWindows) {
  Configure(2);
  const WindowHandle a = Open(Vfo::A);
  const WindowHandle b = Open(Vfo::B);
  Close(Vfo::A);
  ClearLogs();
  Run(cmd::Clear);
  EXPECT_TRUE(app.clearRequested);
  EXPECT_EQ(Invalidations(a), 0);
  EXPECT_EQ(Invalidations(b), 1);
}

// F12 with no window open still toggles; Freez shows its mark only once a window is open.
TEST_F(DisplayCommands, FreezeWithNoWindowKeepsFreezUncheckedAndGreyed) {
  Configure(1);
  Run(cmd::FreezeKey);
  EXPECT_TRUE(app.frozen);
  EXPECT_FALSE(app.menu.IsChecked(cmd::Freeze));
  EXPECT_FALSE(app.menu.IsEnabled(cmd::Freeze));
  EXPECT_FALSE(app.menu.IsEnabled(cmd::Clear));
  EXPECT_FALSE(fake.IsChecked(cmd::Freeze));

  Open(Vfo::A);
  RefreshMenuState(app);
  EXPECT_TRUE(app.menu.IsChecked(cmd::Freeze));
  EXPECT_TRUE(app.menu.IsEnabled(cmd::Freeze));
  EXPECT_TRUE(app.menu.IsEnabled(cmd::Clear));
}

// While frozen the display commands that change what is shown do nothing at all.
TEST_F(DisplayCommands, FrozenBlocksDisplayChangesButNotClearLevelOrFt1000mp) {
  Configure(2);
  Open(Vfo::A);
  Open(Vfo::B);
  app.settings.VFO_A.PitchFreq = 700;
  Run(cmd::Freeze);
  const Settings before = app.settings;
  for (int id : {351, 352, 353, 354, 355, 356, 375, 376, 382, 383, 357, 358, 361, 362, 363, 364, 365, 366, 368,
                 369, 370, 371, 379, 380, 381})
    Run(id);
  EXPECT_EQ(app.settings.VFO_A.PitchFreq, before.VFO_A.PitchFreq);
  EXPECT_EQ(app.settings.VFO_B.PitchFreq, before.VFO_B.PitchFreq);
  EXPECT_EQ(app.settings.VFO_A.Range, before.VFO_A.Range);
  EXPECT_EQ(app.settings.VFO_B.Range, before.VFO_B.Range);
  EXPECT_EQ(app.settings.VFO_A.Pitch, before.VFO_A.Pitch);
  EXPECT_EQ(app.settings.VFO_B.Pitch, before.VFO_B.Pitch);
  EXPECT_EQ(app.settings.NumberOfAverages, before.NumberOfAverages);

  Run(cmd::SignalLevel);
  EXPECT_EQ(app.settings.Level, 1);
  Run(cmd::Ft1000mp);
  EXPECT_EQ(app.settings.FT1000MP, 1);
  EXPECT_TRUE(app.menu.IsChecked(cmd::Ft1000mp));
}

TEST_F(DisplayCommands, AveragesStayWithinOneToHundred) {
  Configure(1);
  const WindowHandle a = Open(Vfo::A);
  app.averageCount = 3;
  ClearLogs();
  Run(cmd::AveragesDown);
  EXPECT_EQ(app.settings.NumberOfAverages, 1);
  EXPECT_EQ(app.averageCount, 3) << "a step that does not act must not restart the period";
  EXPECT_TRUE(TextsAt(a, AVGS_LEFT, AVGS_TOP).empty());

  app.settings.NumberOfAverages = 100;
  Run(cmd::AveragesUp);
  EXPECT_EQ(app.settings.NumberOfAverages, 100);
  EXPECT_TRUE(TextsAt(a, AVGS_LEFT, AVGS_TOP).empty());

  Run(cmd::AveragesDown);
  EXPECT_EQ(app.settings.NumberOfAverages, 99);
  EXPECT_EQ(TextsAt(a, AVGS_LEFT, AVGS_TOP), (std::vector<std::string>{"AVGS: 99"}));
}

// A step between two display updates restarts the averaging period of both channels.
TEST_F(DisplayCommands, AveragesStepRestartsTheCycleAndRedrawsEveryOpenLabel) {
  Configure(2);
  const WindowHandle a = Open(Vfo::A);
  const WindowHandle b = Open(Vfo::B);
  app.averageCount = 2;
  app.vfoA.accumulator.fill(1.5f);
  app.vfoB.accumulator[400] = 2.0f;
  ClearLogs();
  Run(cmd::AveragesUp);
  EXPECT_EQ(app.settings.NumberOfAverages, 2);
  EXPECT_EQ(app.averageCount, 0);
  for (float v : app.vfoA.accumulator) ASSERT_EQ(v, 0.0f);
  EXPECT_EQ(app.vfoB.accumulator[400], 0.0f);
  EXPECT_EQ(TextsAt(a, AVGS_LEFT, AVGS_TOP), (std::vector<std::string>{"AVGS: 2"}));
  EXPECT_EQ(TextsAt(b, AVGS_LEFT, AVGS_TOP), (std::vector<std::string>{"AVGS: 2"}));

  Close(Vfo::B);
  ClearLogs();
  Run(cmd::AveragesDown);  // drawing into the closed window would be a fault of its own
  EXPECT_EQ(app.settings.NumberOfAverages, 1);
  EXPECT_EQ(TextsAt(a, AVGS_LEFT, AVGS_TOP), (std::vector<std::string>{"AVGS: 1"}));
}

// A count above 100 from the settings file cannot rise but steps down by one.
TEST_F(DisplayCommands, AveragesAboveHundredFromTheFileOnlyStepDown) {
  Configure(1);
  Open(Vfo::A);
  app.settings.NumberOfAverages = 150;
  Run(cmd::AveragesUp);
  EXPECT_EQ(app.settings.NumberOfAverages, 150);
  Run(cmd::AveragesDown);
  EXPECT_EQ(app.settings.NumberOfAverages, 149);
}

// 495 Hz in the 500 Hz range: the remainder is kept, 505 Hz, then no further; the label is
// redrawn both times.
TEST_F(DisplayCommands, PitchUpKeepsItsRemainderPastTheCeiling) {
  Configure(1);
  const WindowHandle a = Open(Vfo::A);
  app.settings.VFO_A.Range = 0;
  app.settings.VFO_A.PitchFreq = 495;
  ClearLogs();
  Run(cmd::PitchUpA);
  EXPECT_EQ(app.settings.VFO_A.PitchFreq, 505);
  Run(cmd::PitchUpA);
  EXPECT_EQ(app.settings.VFO_A.PitchFreq, 505);
  EXPECT_EQ(TextsAt(a, PITCH_LEFT, PITCH_TOP), (std::vector<std::string>{"PITCH: 505 Hz", "PITCH: 505 Hz"}));

  app.settings.VFO_A.Range = 4;
  app.settings.VFO_A.PitchFreq = 4500;
  Run(cmd::PitchUpA);
  EXPECT_EQ(app.settings.VFO_A.PitchFreq, 4500);
  app.settings.VFO_A.PitchFreq = 3990;
  Run(cmd::PitchUpA);
  EXPECT_EQ(app.settings.VFO_A.PitchFreq, 4000);
}

TEST_F(DisplayCommands, PitchDownStopsAtZero) {
  Configure(2);
  Open(Vfo::A);
  const WindowHandle b = Open(Vfo::B);
  app.settings.VFO_B.PitchFreq = 5;
  ClearLogs();
  Run(cmd::PitchDownB);
  EXPECT_EQ(app.settings.VFO_B.PitchFreq, 0);
  Run(cmd::PitchDownB);
  EXPECT_EQ(app.settings.VFO_B.PitchFreq, 0);
  EXPECT_EQ(TextsAt(b, PITCH_LEFT, PITCH_TOP), (std::vector<std::string>{"PITCH: 0 Hz", "PITCH: 0 Hz"}));
  Run(cmd::PitchUpB);
  EXPECT_EQ(app.settings.VFO_B.PitchFreq, 10);
  EXPECT_EQ(app.settings.VFO_A.PitchFreq, 500) << "VFO-B keys must not move VFO-A";
}

// With only the VFO-B window open, the VFO-A keys change nothing and draw nothing.
TEST_F(DisplayCommands, VfoACommandsDoNothingWithOnlyVfoBOpen) {
  Configure(2);
  Open(Vfo::A);
  const WindowHandle b = Open(Vfo::B);
  Close(Vfo::A);
  const Settings before = app.settings;
  ClearLogs();
  for (int id : {cmd::PitchUpA, cmd::PitchDownA, cmd::PitchOnOffA, cmd::RangeA2, cmd::RangeStepUpA})
    Run(id);
  EXPECT_EQ(app.settings.VFO_A.PitchFreq, before.VFO_A.PitchFreq);
  EXPECT_EQ(app.settings.VFO_A.Pitch, before.VFO_A.Pitch);
  EXPECT_EQ(app.settings.VFO_A.Range, before.VFO_A.Range);
  EXPECT_TRUE(fake.signalWindows.at(b).textLog.empty());
  EXPECT_EQ(Invalidations(b), 0);
}

TEST_F(DisplayCommands, MarkerSwitchTogglesWithItsCheckMark) {
  Configure(2);
  Open(Vfo::A);
  Open(Vfo::B);
  Run(cmd::PitchOnOffB);
  EXPECT_EQ(app.settings.VFO_B.Pitch, 0);
  EXPECT_FALSE(app.menu.IsChecked(cmd::PitchOnOffB));
  EXPECT_EQ(app.settings.VFO_A.Pitch, 1);
  Run(cmd::PitchOnOffB);
  EXPECT_EQ(app.settings.VFO_B.Pitch, 1);
  EXPECT_TRUE(fake.IsChecked(cmd::PitchOnOffB));
}

// Choosing a narrower range pulls the pitch down to its limit; widening again leaves it.
TEST_F(DisplayCommands, RangeSelectionAppliesThePitchLimit) {
  Configure(2);
  const WindowHandle a = Open(Vfo::A);
  const WindowHandle b = Open(Vfo::B);
  app.settings.VFO_B.Range = 2;
  app.settings.VFO_B.PitchFreq = 1500;
  ClearLogs();
  Run(cmd::RangeB1);
  EXPECT_EQ(app.settings.VFO_B.Range, 1);
  EXPECT_EQ(app.settings.VFO_B.PitchFreq, 1000);
  EXPECT_TRUE(app.menu.IsChecked(cmd::RangeB1));
  for (int id : {383, 355, 376, 356}) EXPECT_FALSE(app.menu.IsChecked(id)) << id;
  EXPECT_EQ(Invalidations(b), 1);
  EXPECT_EQ(Invalidations(a), 0);

  Run(cmd::RangeB2);
  EXPECT_EQ(app.settings.VFO_B.PitchFreq, 1000);
  EXPECT_TRUE(fake.IsChecked(cmd::RangeB2));
  EXPECT_FALSE(fake.IsChecked(cmd::RangeB1));
  EXPECT_EQ(app.settings.VFO_A.Range, 1) << "a VFO-B range must not touch VFO-A";

  // 4000 Hz has no limit: a pitch beyond every range survives.
  app.settings.VFO_A.PitchFreq = 4500;
  Run(cmd::RangeA4);
  EXPECT_EQ(app.settings.VFO_A.PitchFreq, 4500);
  Run(cmd::RangeA0);
  EXPECT_EQ(app.settings.VFO_A.PitchFreq, 500);
}

// Keypad plus at 4000 Hz keeps the range but re-runs its selection: repaint and range label.
TEST_F(DisplayCommands, RangeStepAtTheTopStillReselects) {
  Configure(1);
  const WindowHandle a = Open(Vfo::A);
  app.settings.VFO_A.Range = 4;
  app.settings.VFO_A.PitchFreq = 4500;
  ClearLogs();
  Run(cmd::RangeStepUpA);
  EXPECT_EQ(app.settings.VFO_A.Range, 4);
  EXPECT_EQ(Invalidations(a), 1);
  EXPECT_TRUE(app.menu.IsChecked(cmd::RangeA4));
  EXPECT_EQ(TextsAt(a, RANGE_LEFT, RANGE_TOP), (std::vector<std::string>{"4000 Hz"}));
}

// A step down runs the full selection, pitch limit included, before the label is drawn.
TEST_F(DisplayCommands, RangeStepRunsTheSelectionOfTheNewRange) {
  Configure(2);
  Open(Vfo::A);
  const WindowHandle b = Open(Vfo::B);
  app.settings.VFO_B.Range = 2;
  app.settings.VFO_B.PitchFreq = 1500;
  ClearLogs();
  Run(cmd::RangeStepDownB);
  EXPECT_EQ(app.settings.VFO_B.Range, 1);
  EXPECT_EQ(app.settings.VFO_B.PitchFreq, 1000);
  EXPECT_TRUE(app.menu.IsChecked(cmd::RangeB1));
  EXPECT_FALSE(app.menu.IsChecked(cmd::RangeB2));
  EXPECT_EQ(TextsAt(b, RANGE_LEFT, RANGE_TOP), (std::vector<std::string>{"1000 Hz"}));

  app.settings.VFO_B.Range = 0;
  app.settings.VFO_B.PitchFreq = 800;
  Run(cmd::RangeStepDownB);
  EXPECT_EQ(app.settings.VFO_B.Range, 0);
  EXPECT_EQ(app.settings.VFO_B.PitchFreq, 500);
  Run(cmd::RangeStepUpB);
  EXPECT_EQ(app.settings.VFO_B.Range, 1);
  EXPECT_EQ(app.settings.VFO_A.Range, 1);
}

// Two presets of the same value: the earlier one's mark wins after the menu refresh.
TEST_F(DisplayCommands, EqualPresetsMarkTheEarlierItem) {
  Configure(1);
  Open(Vfo::A);
  app.settings.Pitch1 = 500;
  app.settings.Pitch2 = 500;
  Run(cmd::Preset2);
  EXPECT_TRUE(app.menu.IsChecked(cmd::Preset1));
  EXPECT_FALSE(app.menu.IsChecked(cmd::Preset2));
  EXPECT_FALSE(fake.IsChecked(cmd::Preset2));
}

// In mono a preset also sets the hidden VFO-B pitch, so the mark shows; moving VFO-A clears it.
TEST_F(DisplayCommands, MonoPresetSetsVfoBAndPitchStepClearsMarks) {
  Configure(1);
  const WindowHandle a = Open(Vfo::A);
  app.settings.VFO_B.PitchFreq = 640;
  ClearLogs();
  Run(cmd::Preset3);
  EXPECT_EQ(app.settings.VFO_A.PitchFreq, 700);
  EXPECT_EQ(app.settings.VFO_B.PitchFreq, 700);
  EXPECT_TRUE(app.menu.IsChecked(cmd::Preset3));
  EXPECT_EQ(Invalidations(a), 1);

  Run(cmd::PitchUpA);
  for (int id : {379, 380, 381}) EXPECT_FALSE(app.menu.IsChecked(id)) << id;
}

// A preset is applied as it is, beyond the range and with the windows closed.
TEST_F(DisplayCommands, PresetIsNotLimitedByRangeOrWindows) {
  Configure(2);
  app.settings.Pitch1 = 4321;
  Run(cmd::Preset1);
  EXPECT_EQ(app.settings.VFO_A.PitchFreq, 4321);
  EXPECT_EQ(app.settings.VFO_B.PitchFreq, 4321);
  EXPECT_TRUE(app.menu.IsChecked(cmd::Preset1));
}

TEST_F(DisplayCommands, LevelSwitchErasesReadoutsOfOpenWindowsOnly) {
  Configure(1);
  Run(cmd::SignalLevel);
  EXPECT_EQ(app.settings.Level, 1);
  EXPECT_TRUE(fake.IsChecked(cmd::SignalLevel));
  Run(cmd::SignalLevel);  // no window: only the flag and the mark
  EXPECT_EQ(app.settings.Level, 0);
  EXPECT_FALSE(fake.IsChecked(cmd::SignalLevel));

  const WindowHandle a = Open(Vfo::A);
  Run(cmd::SignalLevel);
  ClearLogs();
  Run(cmd::SignalLevel);
  EXPECT_EQ(TextsAt(a, LEVEL_LEFT, LEVEL_TOP), (std::vector<std::string>{""}));
}

// The high 16 bits (a notification code) must not change the command; unknown ids only refresh.
TEST_F(DisplayCommands, DispatchUsesTheLowSixteenBitsAndAlwaysRefreshes) {
  Configure(1);
  Open(Vfo::A);
  CommandHandler(app, (1u << 16) | static_cast<std::uint32_t>(cmd::AveragesUp));
  EXPECT_EQ(app.settings.NumberOfAverages, 2);

  // Someone left the preset mark and Freez state stale; an unknown id still settles them.
  CheckMenuItem(app, cmd::Preset1, true);
  EnableMenuItem(app, cmd::Clear, false);
  const Settings before = app.settings;
  Run(9999);
  EXPECT_FALSE(app.menu.IsChecked(cmd::Preset1));
  EXPECT_TRUE(app.menu.IsChecked(cmd::Preset2));
  EXPECT_TRUE(app.menu.IsEnabled(cmd::Clear));
  EXPECT_EQ(app.settings.NumberOfAverages, before.NumberOfAverages);
}

}  // namespace
}  // namespace keblor
