#include "app/program.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <numbers>
#include <memory>

#include "core/command_ids.h"
#include "core/ini_file.h"
#include "core/marker_pointer.h"
#include "fakes/fake_audio_source.h"
#include "fakes/fake_views.h"
#include "fakes/memory_ini_storage.h"
#include "fakes/memory_settings_file.h"

namespace keblor::test {
namespace {

using Calls = std::vector<std::string>;

// Sets a key of [General] in the settings file's text.
void Set(MemorySettingsFile& file, const std::string& key, const std::string& value) {
  IniDocument document(file.content);
  ASSERT_TRUE(document.Set("General", key, value));
  file.content = document.Text();
}

// Whether a save has left "Section/Key=value" in the file.
bool Wrote(const MemorySettingsFile& file, const std::string& entry) {
  const std::size_t slash = entry.find('/');
  const std::size_t equals = entry.find('=');
  const IniDocument saved(file.content);
  const std::optional<std::string_view> value =
      saved.Find(entry.substr(0, slash), entry.substr(slash + 1, equals - slash - 1));
  return file.saves > 0 && value == std::string_view(entry).substr(equals + 1);
}

// A 16-bit block of a sine at `hz` on every channel of `format`, from sample `first` of the tone.
std::vector<std::uint8_t> ToneBlock(const AudioFormat& format, double hz, long first = 0) {
  std::vector<std::uint8_t> block(static_cast<std::size_t>(BlockBytes(format)));
  for (int i = 0; i < AUDIO_BLOCK_FRAMES; ++i) {
    const auto v = static_cast<std::uint16_t>(
        static_cast<std::int16_t>(std::lround(9000.0 * std::sin(2.0 * std::numbers::pi * hz * static_cast<double>(first + i) / AUDIO_RATE))));
    for (int channel = 0; channel < format.channels; ++channel) {
      const auto at = static_cast<std::size_t>(2 * (i * format.channels + channel));
      block[at] = static_cast<std::uint8_t>(v & 0xFF);
      block[at + 1] = static_cast<std::uint8_t>(v >> 8);
    }
  }
  return block;
}

int LitRowsAnywhere(const TraceRaster& raster) {
  int lit = 0;
  for (std::uint8_t byte : raster) lit += byte != 0;
  return lit;
}

class ProgramTest : public ::testing::Test {
 protected:
  void Start(int channels, bool expectRunning = true) {
    Set(file, "Channels", std::to_string(channels));
    Set(file, "xPos", "40");
    Set(file, "yPos", "30");
    EXPECT_EQ(program->StartUp(), expectRunning);
  }
  // A 16-bit block with a full-scale sample on the left channel.
  std::vector<std::uint8_t> LoudBlock() {
    std::vector<std::uint8_t> block(static_cast<std::size_t>(BlockBytes(source.format)), 0);
    block[1] = 0x80;  // -32768
    return block;
  }

  FakeMainView view;
  FakeDesktop desktop;
  FakeReports reports;
  FakeAudioSource source;
  MemorySettingsFile file;
  std::unique_ptr<Program> program = std::make_unique<Program>(view, desktop, reports, source, &file);
};

TEST_F(ProgramTest, StereoStartOpensCaptureWindowsAndMenu) {
  Set(file, "ArrangeVertically", "0");
  Start(2);
  EXPECT_EQ(view.outer, (Rect{40, 30, 40 + 417, 30 + 231}));
  EXPECT_EQ(source.calls, (Calls{"select default", "query 2x16", "open 2x16", "start"}));
  ASSERT_NE(view.Spectrum(Vfo::B), nullptr);
  EXPECT_EQ(view.Spectrum(Vfo::A)->at, (Point{0, 2}));
  EXPECT_EQ(view.Spectrum(Vfo::B)->at, (Point{205, 2}));
  EXPECT_EQ(view.Spectrum(Vfo::B)->title, "Sub VFO-B");
  EXPECT_TRUE(view.topmost);
  EXPECT_TRUE(view.menu.IsChecked(cmd::SubVfoB));
  EXPECT_TRUE(reports.boxes.empty());
}

// A start that fails leaves no window and no open capture behind.
TEST_F(ProgramTest, AFailedStartLeavesNothingOpen) {
  desktop.runningCopy = true;
  Start(1, false);
  EXPECT_FALSE(view.created);

  desktop.runningCopy = false;
  source.queryResult = 32;
  Start(2, false);
  EXPECT_EQ(source.calls, (Calls{"select default", "query 2x16", "close"}));
  EXPECT_TRUE(view.spectra.empty());

  source.queryResult = 0;
  source.startResult = -9996;
  Start(2, false);
  EXPECT_TRUE(view.spectra.empty());
  EXPECT_EQ(source.calls.back(), "close");
  EXPECT_EQ(reports.boxes.size(), 2u);
}

// A completed averaging cycle draws the open windows (VFO-B only in stereo) unless frozen.
TEST_F(ProgramTest, BlocksBecomePicturesUnlessFrozen) {
  Set(file, "Level", "1");
  Set(file, "NumberOfAverages", "2");
  Start(2);
  FakeSpectrumView& a = *view.Spectrum(Vfo::A);
  const int shownAtStart = a.shown;
  ASSERT_TRUE(source.Deliver(LoudBlock()));
  EXPECT_EQ(a.shown, shownAtStart);
  ASSERT_TRUE(source.Deliver(LoudBlock()));
  EXPECT_EQ(a.shown, shownAtStart + 1);
  ASSERT_EQ(a.picture.boxCount, 5);
  EXPECT_EQ(a.picture.boxes[4].text, "Level: 0.0dB");
  EXPECT_EQ(view.Spectrum(Vfo::B)->picture.boxes[4].text, "Level: silence");

  program->OnKey(AcceleratorKey::F12, false);
  const int shownFrozen = a.shown;
  source.Deliver(LoudBlock());
  source.Deliver(LoudBlock());
  EXPECT_EQ(a.shown, shownFrozen);
}

// Stereo to mono closes VFO-B before the window shrinks; a refused format keeps the windows as
// they were; a capture that cannot be re-opened closes the program.
TEST_F(ProgramTest, SoundCardDialogFitsTheWindowsToTheCapture) {
  Start(2);
  view.log.clear();
  desktop.dialogChannels = 1;
  desktop.dialogBits = 8;
  program->OnCommand(cmd::SoundCard);
  EXPECT_EQ(desktop.dialogResult, 1);
  EXPECT_EQ(source.format, (AudioFormat{1, 8}));
  EXPECT_EQ(view.log, (Calls{"close B", "move 214x231"}));
  EXPECT_FALSE(view.menu.IsEnabled(cmd::SubVfoB));

  view.log.clear();
  source.queryResult = 32;
  desktop.dialogChannels = 2;
  program->OnCommand(cmd::SoundCard);
  EXPECT_EQ(desktop.dialogResult, 1);
  EXPECT_EQ(program->CurrentSettings().Channels, 1);
  EXPECT_EQ(view.Spectrum(Vfo::B), nullptr);

  source.queryResult = 0;
  source.openResult = 4;
  program->OnCommand(cmd::SoundCard);
  EXPECT_EQ(desktop.dialogResult, 2);
  EXPECT_TRUE(view.destroyed);
}

TEST_F(ProgramTest, WindowCommandsArrangeSaveAndExit) {
  Start(2);
  program->OnCommand(cmd::ArrangeVertically);
  EXPECT_EQ(view.Spectrum(Vfo::B)->at, (Point{0, 186}));
  EXPECT_EQ(view.outer, (Rect{40, 30, 40 + 213, 30 + 416}));

  program->OnCommand(cmd::MainVfoA);
  EXPECT_EQ(view.Spectrum(Vfo::A), nullptr);
  EXPECT_FALSE(view.menu.IsChecked(cmd::MainVfoA));

  view.outer = {77, 88, 77 + 213, 88 + 416};
  program->OnCommand(cmd::Save);
  EXPECT_TRUE(Wrote(file, "General/xPos=77"));
  EXPECT_TRUE(Wrote(file, "General/ArrangeVertically=1"));

  // A failed save is shown, and "Save & exit" does not exit without saving.
  file.failSaves = true;
  program->OnCommand(cmd::SaveAndExit);
  EXPECT_EQ(reports.boxes, Calls{"The settings were not saved: No space left on device.|CW Keblor"});
  EXPECT_EQ(reports.lines, Calls{"The settings were not saved: No space left on device."});
  EXPECT_FALSE(view.destroyed);

  program->OnCommand(cmd::Exit);
  EXPECT_TRUE(view.destroyed);
  EXPECT_TRUE(view.spectra.empty());
  EXPECT_EQ(source.calls.back(), "close");
  EXPECT_FALSE(source.Running());
}

// Dragging the marker moves the pitch, redraws the label and the preset marks; the pop-up menu
// shows the window's checks and does not open while frozen.
TEST_F(ProgramTest, PointerAndPopupMenu) {
  Start(1);
  FakeSpectrumView& a = *view.Spectrum(Vfo::A);  // 500 Hz on the 1000 Hz span: column 100
  program->OnPointer(Vfo::A, POINTER_LEFT, 95, 50);
  EXPECT_TRUE(a.markerCursor);
  EXPECT_EQ(program->CurrentSettings().VFO_A.PitchFreq, 475);
  EXPECT_EQ(a.picture.boxes[0].text, "PITCH: 475 Hz");
  EXPECT_FALSE(view.menu.IsChecked(cmd::Preset1));  // VFO-B is still at 500

  program->OnRightButton(Vfo::A, 10, 10);
  EXPECT_EQ(a.popups, 1);
  EXPECT_EQ(a.popupChecks, (std::vector<int>{cmd::PitchOnOffA, cmd::RangeA1}));
  program->OnCommand(cmd::Freeze);
  program->OnRightButton(Vfo::A, 10, 10);
  EXPECT_EQ(a.popups, 1);
}

// A stopped input blanks the windows with "No input"; the first new block brings the trace back.
// While frozen, nothing is watched.
TEST_F(ProgramTest, AStoppedInputIsShown) {
  Start(1);
  FakeSpectrumView& a = *view.Spectrum(Vfo::A);
  ASSERT_TRUE(source.Deliver(LoudBlock()));
  desktop.Advance(1500);
  EXPECT_EQ(a.picture.notice, "No input");
  EXPECT_EQ(LitRowsAnywhere(a.picture.raster), 0);
  ASSERT_TRUE(source.Deliver(LoudBlock()));
  EXPECT_EQ(a.picture.notice, "");
  EXPECT_GT(LitRowsAnywhere(a.picture.raster), 0);

  // Frozen, a stopped input is not re-opened.
  program->OnCommand(cmd::Freeze);
  source.calls.clear();
  desktop.Advance(5000);
  EXPECT_TRUE(source.calls.empty());
}

// The tuning aids: the readout names the strongest tone and its offset from the marker, the
// running average gives a picture after every block, and the zoom reaches the view.
TEST_F(ProgramTest, TuningAids) {
  Set(file, "Zoom", "2");
  Set(file, "NumberOfAverages", "10");
  Start(1);
  EXPECT_EQ(view.zoom, 2);
  program->OnCommand(cmd::PitchReadout);
  program->OnCommand(cmd::RunningAverage);
  FakeSpectrumView& a = *view.Spectrum(Vfo::A);
  const int shown = a.shown;
  ASSERT_TRUE(source.Deliver(ToneBlock(source.format, 712.0)));
  EXPECT_EQ(a.shown, shown + 1);  // not after ten blocks: after this one
  EXPECT_EQ(a.picture.readout, "712 Hz  +212");
  program->OnKey(AcceleratorKey::Z, false);
  EXPECT_EQ(view.zoom, 3);
  EXPECT_TRUE(view.menu.IsChecked(cmd::Zoom3));
}

// L opens the signals window beside the main window, listing the tone heard; choosing its row
// without a rig moves the marker onto it. Closed by its close box, its place is kept for a Save.
TEST_F(ProgramTest, TheSignalsWindow) {
  Start(1);
  program->OnKey(AcceleratorKey::L, false);
  ASSERT_NE(view.signalsView, nullptr);
  EXPECT_TRUE(view.menu.IsChecked(cmd::SignalsWindow));
  const Rect main = view.OuterRect();
  EXPECT_EQ(view.signalsView->outer, (Rect{main.right, main.top, main.right + 440, main.top + 220}));
  for (long i = 0; i < 30; ++i) ASSERT_TRUE(source.Deliver(ToneBlock(source.format, 712.0, i * AUDIO_BLOCK_FRAMES)));
  ASSERT_FALSE(view.signalsView->rows.empty());
  program->OnSignalChosen(0);  // the tone: the row nearest the marker
  EXPECT_EQ(program->CurrentSettings().VFO_A.PitchFreq, 712);
  EXPECT_EQ(view.Spectrum(Vfo::A)->picture.decodeLine, false);

  program->OnSignalsClose();
  EXPECT_EQ(view.signalsView, nullptr);
  EXPECT_FALSE(view.menu.IsChecked(cmd::SignalsWindow));
  program->OnCommand(cmd::Save);
  EXPECT_TRUE(Wrote(file, "Skimmer/Width=440"));
}

// W shows a waterfall in both windows: they and the main window grow by it, each picture (here
// one per block, from a running average) adds a row of its window's tone, a frozen display adds
// none (not even the picture that was waiting), a range change empties the window's waterfall
// and Clear both. Stacked, VFO-B moves below VFO-A's waterfall. Off again, all is as before; Save
// keeps the choice.
TEST_F(ProgramTest, TheWaterfall) {
  Set(file, "NumberOfAverages", "4");
  Set(file, "RunningAverage", "1");
  Start(2);
  EXPECT_EQ(view.Spectrum(Vfo::A)->picture.waterfall, nullptr);
  view.log.clear();
  program->OnKey(AcceleratorKey::W, false);
  EXPECT_TRUE(view.menu.IsChecked(cmd::Waterfall));
  EXPECT_EQ(view.log, (Calls{"waterfall on", "move 417x295"}));
  EXPECT_EQ(view.outer, (Rect{40, 30, 40 + 417, 30 + 231 + WATERFALL_ROWS}));

  FakeSpectrumView& a = *view.Spectrum(Vfo::A);
  FakeSpectrumView& b = *view.Spectrum(Vfo::B);
  ASSERT_NE(a.picture.waterfall, nullptr);
  ASSERT_NE(b.picture.waterfall, nullptr);
  const Waterfall& fallA = *a.picture.waterfall;
  const Waterfall& fallB = *b.picture.waterfall;
  const std::uint64_t serialA = fallA.Serial();
  ASSERT_TRUE(source.Deliver(ToneBlock(source.format, 700.0)));
  ASSERT_TRUE(source.Deliver(ToneBlock(source.format, 700.0)));
  desktop.Advance(Program::FRAME_MS);  // the second picture waits for its turn
  EXPECT_EQ(fallA.Serial(), serialA + 2);
  // 700 Hz: column 140 of VFO-A's 1000 Hz span, column 47 of VFO-B's 3000 Hz span.
  EXPECT_GT(fallA.Row(1)[140], 0);
  EXPECT_GT(fallB.Row(0)[47], 0);

  // A picture still waiting for its turn when the display freezes is never drawn.
  ASSERT_TRUE(source.Deliver(ToneBlock(source.format, 900.0)));
  program->OnKey(AcceleratorKey::F12, false);
  const TraceRaster frozenTrace = a.picture.raster;
  desktop.Advance(Program::FRAME_MS);
  EXPECT_EQ(fallA.Serial(), serialA + 2);
  EXPECT_TRUE(a.picture.raster == frozenTrace);
  program->OnKey(AcceleratorKey::F12, false);

  const std::uint64_t serialB = fallB.Serial();
  program->OnKey(AcceleratorKey::KeypadPlus, false);  // VFO-A to 2000 Hz
  EXPECT_EQ(fallA.Row(1)[140], 0);
  EXPECT_EQ(fallB.Serial(), serialB);
  // VFO-A's has a row again, at 700 Hz on the 2000 Hz span.
  ASSERT_TRUE(source.Deliver(ToneBlock(source.format, 700.0)));
  ASSERT_GT(fallA.Row(0)[70], 0);
  program->OnKey(AcceleratorKey::F11, false);
  EXPECT_EQ(fallA.Row(0)[70], 0);
  EXPECT_EQ(fallB.Row(0)[47], 0);
  EXPECT_EQ(fallB.Row(1)[47], 0);

  program->OnCommand(cmd::ArrangeVertically);
  EXPECT_EQ(view.Spectrum(Vfo::B)->at, (Point{0, 186 + WATERFALL_ROWS}));
  EXPECT_EQ(view.outer, (Rect{40, 30, 40 + 213, 30 + 416 + 2 * WATERFALL_ROWS}));
  view.log.clear();
  program->OnCommand(cmd::Save);
  EXPECT_TRUE(Wrote(file, "General/Waterfall=1"));
  program->OnKey(AcceleratorKey::W, false);
  EXPECT_EQ(view.log, (Calls{"waterfall off", "move 213x416", "close B", "open B"}));
  EXPECT_EQ(view.Spectrum(Vfo::B)->at, (Point{0, 186}));
  EXPECT_EQ(view.Spectrum(Vfo::A)->picture.waterfall, nullptr);
  EXPECT_EQ(view.Spectrum(Vfo::B)->picture.waterfall, nullptr);
}

// A saved waterfall is there from the start: the windows are made tall before they open.
TEST_F(ProgramTest, TheWaterfallFromTheSettingsFile) {
  Set(file, "Waterfall", "1");
  Set(file, "ArrangeVertically", "1");
  Start(2);
  EXPECT_EQ(view.log, (Calls{"waterfall on", "open A", "open B"}));
  EXPECT_EQ(view.outer, (Rect{40, 30, 40 + 213, 30 + 416 + 2 * WATERFALL_ROWS}));
  EXPECT_EQ(view.Spectrum(Vfo::B)->at, (Point{0, 186 + WATERFALL_ROWS}));
  EXPECT_NE(view.Spectrum(Vfo::A)->picture.waterfall, nullptr);
}

const std::vector<InputInfo> RIG_INPUTS = {{"alsa_input.usb-codec", "USB Audio CODEC"},
                                           {"cw2.monitor", "Monitor of Rig"}};

// The input the command line names is the one a Save keeps; the menu lists the inputs with the
// one in use checked, and a pick moves the check and the setting. The list is read again as the
// menu opens.
TEST_F(ProgramTest, TheInputMenuAndTheSavedInput) {
  source.listed = RIG_INPUTS;
  SettingsChoices choices;
  choices.input = "Monitor of Rig";
  program->SetCommandLine(choices);
  Start(1);
  EXPECT_EQ(view.menu.inputItems, (std::vector<std::string>{"USB Audio CODEC", "Monitor of Rig"}));
  EXPECT_TRUE(view.menu.IsChecked(cmd::InputFirst + 1));
  program->OnCommand(cmd::Save);
  EXPECT_TRUE(Wrote(file, "General/Input=cw2.monitor"));

  program->OnCommand(cmd::InputFirst);
  EXPECT_EQ(source.selected, "alsa_input.usb-codec");
  EXPECT_TRUE(view.menu.IsChecked(cmd::InputFirst));
  EXPECT_FALSE(view.menu.IsChecked(cmd::InputDefault));
  EXPECT_EQ(program->CurrentSettings().Input, "alsa_input.usb-codec");

  source.listed.erase(source.listed.begin());
  program->OnInputMenuShown();
  EXPECT_EQ(view.menu.inputItems, std::vector<std::string>{"Monitor of Rig"});
  program->OnCommand(cmd::InputDefault);
  EXPECT_EQ(program->CurrentSettings().Input, "");
  EXPECT_TRUE(view.menu.IsChecked(cmd::InputDefault));
  source.calls.clear();
  program->OnCommand(cmd::InputFirst + 7);  // no such item
  EXPECT_TRUE(source.calls.empty());
}

// An input without pacing gets at most one picture per 90 ms, and the windows say so.
TEST_F(ProgramTest, ARunawayInputIsPaced) {
  Start(1);
  FakeSpectrumView& a = *view.Spectrum(Vfo::A);
  const int shown = a.shown;
  for (int i = 0; i < 60; ++i) {
    ASSERT_TRUE(source.Deliver(LoudBlock()));
    desktop.Advance(5);  // 200 blocks a second
  }
  EXPECT_LE(a.shown - shown, 3 + 2 + 1);  // 300 ms of pictures, and the notice coming
  EXPECT_GE(a.shown - shown, 3);
  EXPECT_EQ(a.picture.notice, "Input too fast");
}

// keblor.ini through the real file on a storage that counts: a start reads it once, and a Save
// reads it once more and replaces it once, whatever the number of values. A Save that fails is
// one box with the one reason, and the file keeps every byte.
TEST(ProgramSettings, AStartReadsTheFileOnceAndASaveReplacesItOnce) {
  const std::string old = "; my rig\r\n[General]\r\nChannels=2\r\nLevel=1\r\n";
  auto owned = std::make_unique<MemoryIniStorage>(old);
  MemoryIniStorage& storage = *owned;
  IniFile file("keblor.ini", std::move(owned));
  FakeMainView view;
  FakeDesktop desktop;
  FakeReports reports;
  FakeAudioSource source;
  Program program(view, desktop, reports, source, &file);
  ASSERT_TRUE(program.StartUp());
  EXPECT_EQ(storage.reads, 1);

  storage.failReplace = "No space left on device";
  program.OnCommand(cmd::Save);
  EXPECT_EQ(reports.boxes, Calls{"The settings were not saved: No space left on device.|CW Keblor"});
  EXPECT_EQ(reports.lines.size(), 1u);
  EXPECT_EQ(*storage.file, old);

  storage.failReplace.clear();
  program.OnCommand(cmd::Save);
  EXPECT_EQ(storage.reads, 3);
  EXPECT_EQ(storage.replaces, 2);
  EXPECT_EQ(storage.file->rfind(old, 0), 0u);  // the values were there: the others are added
  program.Shutdown();
}

// The averaging keys start the cycle afresh: the next picture comes after exactly the new number
// of blocks, all of them taken after the key (here silence after full-scale blocks).
TEST_F(ProgramTest, TheAveragingKeysRestartTheCycle) {
  Set(file, "Level", "1");
  Set(file, "NumberOfAverages", "4");
  Start(1);
  FakeSpectrumView& a = *view.Spectrum(Vfo::A);
  ASSERT_TRUE(source.Deliver(LoudBlock()));
  ASSERT_TRUE(source.Deliver(LoudBlock()));
  program->OnKey(AcceleratorKey::F10, false);  // 5 blocks
  const int shown = a.shown;
  const std::vector<std::uint8_t> silence(static_cast<std::size_t>(BlockBytes(source.format)), 0);
  for (int i = 0; i < 4; ++i) ASSERT_TRUE(source.Deliver(silence));
  EXPECT_EQ(a.shown, shown);
  ASSERT_TRUE(source.Deliver(silence));
  EXPECT_EQ(a.shown, shown + 1);
  EXPECT_EQ(a.picture.boxes[4].text, "Level: silence");
}

// NumberOfAverages from the file is used as it is and shown, though the keys step within 1..100:
// at 250 Down gives 249 and Up does nothing.
TEST_F(ProgramTest, AveragesFromTheFileAreShownAsTheyAre) {
  const auto averagesText = [this] { return view.Spectrum(Vfo::A)->picture.boxes[1].text; };
  Set(file, "NumberOfAverages", "250");
  Start(1);
  EXPECT_EQ(program->CurrentSettings().NumberOfAverages, 250);
  EXPECT_EQ(averagesText(), "AVGS: 250");
  program->OnKey(AcceleratorKey::F10, false);
  EXPECT_EQ(averagesText(), "AVGS: 250");
  program->OnKey(AcceleratorKey::F9, false);
  EXPECT_EQ(program->CurrentSettings().NumberOfAverages, 249);
  EXPECT_EQ(averagesText(), "AVGS: 249");
}

}  // namespace
}  // namespace keblor::test
