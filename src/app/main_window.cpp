#include "app/main_window.h"

#include <algorithm>
#include <array>

#include "app/command_ids.h"
#include "app/commands.h"
#include "app/display_commands.h"
#include "app/settings_store.h"
#include "app/window_commands.h"
#include "capture/capture_stream.h"
#include "display/display_frame.h"
#include "display/signal_window.h"

namespace keblor {

namespace {

struct CommandEntry {
  int id;
  void (*action)(AppState&);
};

// Every id with an action; any other id only refreshes the menu.
constexpr CommandEntry COMMAND_TABLE[] = {
    {cmd::MainVfoA, [](AppState& app) { ToggleSignalWindow(app, Vfo::A); }},
    {cmd::SubVfoB, [](AppState& app) { ToggleSignalWindow(app, Vfo::B); }},
    {cmd::ArrangeVertically, ArrangeWindows},
    {cmd::AlwaysOnTop, ToggleAlwaysOnTop},
    {cmd::SoundCard, RunSoundCardCommand},
    {cmd::InputControls, OpenRecordingMixer},
    {cmd::OutputControls, OpenPlaybackMixer},
    {cmd::Save, SaveCommand},
    {cmd::SaveAndExit, SaveAndExitCommand},
    {cmd::Exit, ExitCommand},
    {cmd::HelpContents, HelpContentsCommand},
    {cmd::About, AboutCommand},

    {cmd::Freeze, FreezeCommand},
    {cmd::FreezeKey, FreezeCommand},
    {cmd::Clear, ClearCommand},
    {cmd::ClearKey, ClearCommand},
    {cmd::AveragesUp, AveragesUpCommand},
    {cmd::AveragesDown, AveragesDownCommand},
    {cmd::PitchOnOffA, [](AppState& app) { PitchMarkerSwitchCommand(app, Vfo::A); }},
    {cmd::PitchOnOffB, [](AppState& app) { PitchMarkerSwitchCommand(app, Vfo::B); }},
    {cmd::PitchUpA, [](AppState& app) { PitchUpCommand(app, Vfo::A); }},
    {cmd::PitchDownA, [](AppState& app) { PitchDownCommand(app, Vfo::A); }},
    {cmd::PitchUpB, [](AppState& app) { PitchUpCommand(app, Vfo::B); }},
    {cmd::PitchDownB, [](AppState& app) { PitchDownCommand(app, Vfo::B); }},
    {cmd::Preset1, [](AppState& app) { PresetCommand(app, 1); }},
    {cmd::Preset2, [](AppState& app) { PresetCommand(app, 2); }},
    {cmd::Preset3, [](AppState& app) { PresetCommand(app, 3); }},
    {cmd::RangeA0, [](AppState& app) { SelectRangeCommand(app, Vfo::A, 0); }},
    {cmd::RangeA1, [](AppState& app) { SelectRangeCommand(app, Vfo::A, 1); }},
    {cmd::RangeA2, [](AppState& app) { SelectRangeCommand(app, Vfo::A, 2); }},
    {cmd::RangeA3, [](AppState& app) { SelectRangeCommand(app, Vfo::A, 3); }},
    {cmd::RangeA4, [](AppState& app) { SelectRangeCommand(app, Vfo::A, 4); }},
    {cmd::RangeB0, [](AppState& app) { SelectRangeCommand(app, Vfo::B, 0); }},
    {cmd::RangeB1, [](AppState& app) { SelectRangeCommand(app, Vfo::B, 1); }},
    {cmd::RangeB2, [](AppState& app) { SelectRangeCommand(app, Vfo::B, 2); }},
    {cmd::RangeB3, [](AppState& app) { SelectRangeCommand(app, Vfo::B, 3); }},
    {cmd::RangeB4, [](AppState& app) { SelectRangeCommand(app, Vfo::B, 4); }},
    {cmd::RangeStepUpA, [](AppState& app) { RangeStepCommand(app, Vfo::A, +1); }},
    {cmd::RangeStepDownA, [](AppState& app) { RangeStepCommand(app, Vfo::A, -1); }},
    {cmd::RangeStepUpB, [](AppState& app) { RangeStepCommand(app, Vfo::B, +1); }},
    {cmd::RangeStepDownB, [](AppState& app) { RangeStepCommand(app, Vfo::B, -1); }},
    {cmd::SignalLevel, LevelSwitchCommand},
    {cmd::Ft1000mp, Ft1000mpCommand},
};

// The capture buffer's way back to the device and the display of a finished averaging cycle.
class CaptureHooks : public BlockAnalysisHooks {
 public:
  CaptureHooks(AppState& app, int bufferIndex) : app_(app), bufferIndex_(bufferIndex) {}
  void RequeueBuffer() override { keblor::RequeueBuffer(app_.capture, bufferIndex_); }
  void DisplayFrame() override { DrawDisplayFrame(app_); }

 private:
  AppState& app_;
  int bufferIndex_;
};

bool IsMainMenuItem(int id) {
  static const std::vector<int> ids = [] {
    std::vector<int> sorted = MainMenuItemIds();
    std::sort(sorted.begin(), sorted.end());
    return sorted;
  }();
  return std::binary_search(ids.begin(), ids.end(), id);
}

void InitialiseMenu(AppState& app) {
  Settings& s = app.settings;
  const bool stereo = s.Channels == 2;
  const int presets[] = {s.Pitch1, s.Pitch2, s.Pitch3};
  for (int i = 0; i < 3; ++i) SetMenuItemText(app, cmd::Preset1 + i, std::to_string(presets[i]) + " Hz");

  // Only the matching preset is checked here; the others start unchecked.
  for (int i = 0; i < 3; ++i) {
    if (s.VFO_A.PitchFreq == presets[i] && s.VFO_B.PitchFreq == presets[i]) {
      CheckMenuItem(app, cmd::Preset1 + i, true);
      break;
    }
  }

  CheckMenuItem(app, cmd::MainVfoA, true);
  if (stereo) {
    CheckMenuItem(app, cmd::SubVfoB, true);
  } else {
    EnableMenuItem(app, cmd::SubVfoB, false);
    EnableMenuItem(app, cmd::Ft1000mp, false);
  }
  if (s.VFO_A.Pitch != 0) CheckMenuItem(app, cmd::PitchOnOffA, true);
  if (stereo && s.VFO_B.Pitch != 0) CheckMenuItem(app, cmd::PitchOnOffB, true);
  if (s.ArrangeVertically != 0) CheckMenuItem(app, cmd::ArrangeVertically, true);
  if (s.FT1000MP != 0) CheckMenuItem(app, cmd::Ft1000mp, true);
  if (s.Level != 0) CheckMenuItem(app, cmd::SignalLevel, true);
  CheckMenuItem(app, RangeItemId(Vfo::A, s.VFO_A.Range), true);
  if (stereo) {
    CheckMenuItem(app, RangeItemId(Vfo::B, s.VFO_B.Range), true);
  } else {
    for (int range = 0; range < RANGE_COUNT; ++range) EnableMenuItem(app, RangeItemId(Vfo::B, range), false);
    for (int id : {cmd::PitchOnOffB, cmd::PitchUpB, cmd::PitchDownB, cmd::ArrangeVertically})
      EnableMenuItem(app, id, false);
  }
}

// A start that fails after the capture stream or the spectrum windows were opened leaves
// neither behind: the stream is closed and the open windows are closed as at shutdown.
StartupResult AbandonStartUp(AppState& app) {
  app.frozen = true;
  CloseCapture(app.capture);
  if (app.vfoA.windowOpen) OnSignalClose(app, app.vfoA.signalWindow);
  if (app.vfoB.windowOpen) OnSignalClose(app, app.vfoB.signalWindow);
  return StartupResult::Exit;
}

}  // namespace

void CommandHandler(AppState& app, std::uint32_t command) {
  const int id = static_cast<int>(command & 0xFFFFu);
  for (const CommandEntry& entry : COMMAND_TABLE) {
    if (entry.id == id) {
      entry.action(app);
      break;
    }
  }
  RefreshMenuState(app);
}

void OnCaptureData(AppState& app, const CaptureNotification& notification) {
  CaptureBuffer* buffer = AcceptCaptureNotification(app.capture, notification);
  if (buffer == nullptr) return;
  const Settings& s = app.settings;
  BlockAnalysisInput input;
  // The buffer holds a block in the format its stream was opened with; the settings name the
  // same format except for a moment while the sound card dialog changes it.
  input.channels = app.capture.format.channels;
  input.bitsPerSample = app.capture.format.bitsPerSample;
  input.numberOfAverages = s.NumberOfAverages;
  input.level = s.Level != 0;
  input.rangeA = s.VFO_A.Range;
  input.rangeB = s.VFO_B.Range;
  input.ft1000mp = s.FT1000MP != 0;
  CaptureHooks hooks(app, buffer->index);
  AnalyseBlock(buffer->data, input, app.fftTables, app.blockWork, app.vfoA, app.vfoB, app.averageCount, hooks);
}

void OnMainClose(AppState& app) {
  app.frozen = true;
  CloseCapture(app.capture);
  if (app.vfoA.windowOpen) OnSignalClose(app, app.vfoA.signalWindow);
  if (app.vfoB.windowOpen) OnSignalClose(app, app.vfoB.signalWindow);
  app.windows->DestroyMainWindow();
  app.windows->PostQuit(0);
}

int TranslateAccelerator(const AppState& app, AcceleratorKey key, bool ctrl) {
  for (const AcceleratorEntry& entry : AcceleratorTable()) {
    if (entry.key != key || entry.ctrl != ctrl) continue;
    // Keys of menu items pass only while the item is enabled; the others always pass.
    if (IsMainMenuItem(entry.id) && !app.menu.IsEnabled(entry.id)) return 0;
    return entry.id;
  }
  return 0;
}

StartupResult StartUp(AppState& app) {
  WindowLayer& windows = *app.windows;
  if (windows.FindRunningCopy()) return StartupResult::Exit;

  app.vfoA.windowOpen = false;
  app.vfoB.windowOpen = false;
  app.frozen = false;
  app.clearRequested = false;
  app.averageCount = 0;
  LoadSettings(app.settings, *app.settingsFile);

  app.menu = MenuState{};
  app.markerCursor = CURSOR_SIZE_WE;
  app.savedCursor = CURSOR_ARROW;

  const Settings& s = app.settings;
  ComputeWaveFormat(app.capture, s.Channels, s.BitsPerSample);
  app.layout = ChooseMainLayout(s.ArrangeVertically, s.Channels, app.layout);

  windows.CreateMainWindow("CW Keblor", s.xPos, s.yPos, app.layout.width, app.layout.height);
  windows.ShowMainWindow();

  // A negative count is a backend error: no device can be used either way.
  if (app.capture.device->InputDeviceCount() <= 0) {
    windows.MessageBeep();
    windows.MessageBox("No audio devices, exiting", "Check audio devices");
    return StartupResult::Exit;
  }

  if (const int code = OpenCapture(app.capture, *app.captureSink); code != 0) {
    ReportDeviceError(app, code);
    return AbandonStartUp(app);
  }

  BuildFftTables(app.fftTables);

  OpenSignalWindow(app, Vfo::A);
  app.vfoA.windowOpen = true;
  if (s.Channels == 2) {
    app.vfoB.windowOpen = true;
    OpenSignalWindow(app, Vfo::B);
  }

  InitialiseMenu(app);

  if (s.AlwaysOnTop != 0) {
    CheckMenuItem(app, cmd::AlwaysOnTop, true);
    windows.SetMainWindowTopmost(true);
  }

  if (const int code = StartCapture(app.capture); code != 0) {
    ReportDeviceError(app, code);
    return AbandonStartUp(app);
  }
  return StartupResult::Running;
}

}  // namespace keblor
