#pragma once
// The program's controller: audio source -> analyzer -> pictures -> views, and the commands.
// Owns the settings, the display state, the analyzer and what each window shows. Everything
// runs on the GUI thread.

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "analysis/spectrum_analyzer.h"
#include "app/capture_session.h"
#include "app/reports.h"
#include "app/rig_dialog.h"
#include "app/rig_session.h"
#include "app/views.h"
#include "capture/audio_source.h"
#include "core/display_state.h"
#include "core/menu_model.h"
#include "core/menus.h"
#include "core/settings.h"
#include "core/settings_file.h"
#include "display/spectrum_picture.h"
#include "display/waterfall.h"

namespace keblor {

class Program {
 public:
  // `settingsFile` may be null: the settings are then the defaults and Save fails.
  Program(MainView& main, Desktop& desktop, Reports& reports, AudioSource& source, SettingsFile* settingsFile);

  // The input the command line names, by the back end's id or by its name, instead of the
  // settings' one; a Save keeps it. Before StartUp.
  void SetCommandLineInput(std::string idOrName) { commandLineInput_ = std::move(idOrName); }
  // The build's rig control: the way to its rigs and the dialog of Settings > Rig...; without
  // them the rig keys and clicks do nothing, and without a dialog the item is greyed. Before
  // StartUp.
  void SetRigSupport(RigSession::LineMaker make, RigDialog* dialog);
  // The rig model and port the command line names instead of the settings' ones; a Save keeps
  // them. Before StartUp.
  void SetCommandLineRig(std::optional<int> model, std::optional<std::string> port);

  // From the single-instance check to the start of capture. False: the caller ends with 0 at
  // once (another copy runs, no device, or the capture could not be opened or started).
  bool StartUp();
  // Whatever is still open after the event loop ended or a start failed.
  void Shutdown();

  // Menu picks, pop-up picks and posted commands: the id is the low 16 bits.
  void OnCommand(std::uint32_t command);
  // A key of the accelerator table, through the gate of the menu's greyed items.
  void OnKey(AcceleratorKey key, bool ctrl);
  // Pointer moves and left-button changes in a spectrum window, client pixels, PointerKeys bits.
  void OnPointer(Vfo vfo, unsigned keys, int x, int y);
  void OnRightButton(Vfo vfo, int x, int y);
  // A middle click or Shift + left click: the rig is tuned so that the frequency under the
  // pointer lands on the window's marker.
  void OnTuneClick(Vfo vfo, int x, int y);
  void OnSpectrumClose(Vfo vfo);  // the window's close box
  void OnMainClose();             // the main window's close request
  // Settings > Input is about to open: the inputs are listed again.
  void OnInputMenuShown();

  // At most one picture per this many milliseconds: a little under a block's 100 ms, so that a
  // block that comes a few milliseconds early (a source pumped on a timer, a card whose clock
  // runs fast) is drawn at once instead of waking the program again for a timer of its own.
  static constexpr int FRAME_MS = 90;

  const Settings& CurrentSettings() const { return settings_; }
  const DisplayState& Display() const { return display_; }
  const MenuModel& Menu() const { return menu_; }
  const RigSession& Rig() const { return rig_; }

 private:
  void OnBlock(const std::uint8_t* frames, const AudioFormat& format);
  void RunCommand(int id);
  void Refresh();  // the menu and the open windows' pictures from the state
  void ShowPicture(Vfo vfo);
  void OpenWindow(Vfo vfo);
  void CloseWindow(Vfo vfo);
  void Close();
  bool AbandonStartUp();
  void ToggleWindow(Vfo vfo);
  void ArrangeWindows();
  void FitWindowsToChannels();
  void FitWaterfall();
  MainLayout LayoutFor(int arrangeVertically, int channels) const;
  void ToggleTopmost();
  void RunSoundCardDialog();
  int AcceptSoundCard(AudioFormat entry, int channels, int bitsPerSample);
  void ChooseInput(const std::string& id);
  void ShowFrame(std::int64_t now);
  void DrawFrameNow(const SpectrumFrame& frame);
  bool Save();  // false: the user has been told why
  void ZeroBeat(Vfo vfo);
  void TuneRig(Vfo vfo, double toneHz);
  void RunRigDialog();

  MainView& main_;
  Desktop& desktop_;
  Reports& reports_;
  SettingsFile* settingsFile_;
  CaptureSession capture_;
  RigSession rig_;
  std::array<bool, 2> pitchMoved_{};  // a window's tone was tuned: its readout starts afresh
  RigDialog* rigDialog_ = nullptr;
  std::string commandLineInput_;
  std::optional<int> commandLineRigModel_;
  std::optional<std::string> commandLineRigPort_;

  Settings settings_;
  DisplayState display_;
  MenuModel menu_;
  SpectrumAnalyzer analyzer_;
  std::array<WindowTrace, 2> traces_{};
  std::array<SpectrumView*, 2> views_{};
  std::array<Waterfall, 2> waterfalls_{};
  bool closed_ = false;
  int zoomShown_ = 1;
  bool waterfallShown_ = false;

  // The pace of pictures.
  std::optional<SpectrumFrame> pendingFrame_;  // waits for FRAME_MS since the last picture
  std::int64_t lastFrameMs_ = -FRAME_MS;
  bool frameCallPending_ = false;
};

}  // namespace keblor
