#pragma once
// The program's controller: audio source -> analyzer -> pictures -> views, and the commands.
// Owns the settings, the display state, the analyzer and what each window shows. Everything
// runs on the GUI thread.

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "analysis/spectrum_analyzer.h"
#include "app/capture_session.h"
#include "app/picture_pacer.h"
#include "app/reports.h"
#include "app/rig_dialog.h"
#include "app/rig_session.h"
#include "app/signals_session.h"
#include "app/spots_dialog.h"
#include "app/spots_session.h"
#include "app/spectrum_windows.h"
#include "app/views.h"
#include "app/window_pictures.h"
#include "capture/audio_source.h"
#include "core/display_state.h"
#include "core/menu_model.h"
#include "core/menus.h"
#include "core/settings.h"
#include "core/settings_file.h"

namespace keblor {

class Program {
 public:
  // `settingsFile` may be null: the settings are then the defaults and Save fails.
  Program(MainView& main, Desktop& desktop, Reports& reports, AudioSource& source, SettingsFile* settingsFile);

  // What the command line names instead of the settings: the input, the rig, the spot feed; a
  // Save keeps them. Before StartUp.
  void SetCommandLine(SettingsChoices choices) { choices_ = std::move(choices); }
  // The build's rig control: its line to the rigs and the dialog of Settings > Rig...; without
  // them the rig keys and clicks do nothing, and without a dialog the item is greyed. Before
  // StartUp.
  void SetRigSupport(std::unique_ptr<RigLine> line, RigDialog* dialog);
  // The build's spot feeds and the dialog of Settings > Spots...; without a dialog the item is
  // greyed. Before StartUp.
  void SetSpotSupport(SpotFeedMaker maker, SpotsDialog* dialog);

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
  // The signals window: a row selected, a row chosen (Enter or a double click: zero-beat it with a
  // rig, else the marker moves to it), the close box.
  void OnSignalSelected(int row);
  void OnSignalChosen(int row);
  void OnSignalsClose();

  static constexpr int FRAME_MS = PicturePacer::FRAME_MS;

  const Settings& CurrentSettings() const { return settings_; }
  const DisplayState& Display() const { return display_; }
  const MenuModel& Menu() const { return menu_; }
  const RigSession& Rig() const { return rig_; }

 private:
  // Entry points of the program's own: a block, a picture due, a change the capture's watchdog
  // or the rig's replies found. Each ends with Finish.
  void OnBlock(const std::uint8_t* frames, const AudioFormat& format);
  void OnPictureDue();
  void OnRigEvents(const RigEvents& events);
  void OnSpotsDue();  // the spots placed anew at the dials
  // What an entry point changed, shown once: the menu and every picture, or the new pictures.
  void Finish();
  void Refresh();
  void ShowPicture(Vfo vfo);
  void DrawFrameNow(const SpectrumFrame& frame);
  void RunCommand(int id);
  void Close();
  bool AbandonStartUp();
  void RunSoundCardDialog();
  int AcceptSoundCard(AudioFormat entry, int channels, int bitsPerSample);
  bool Save();  // false: the user has been told why
  void TuneRig(Vfo vfo, double toneHz);

  MainView& main_;
  Desktop& desktop_;
  Reports& reports_;
  SettingsFile* settingsFile_;
  CaptureSession capture_;
  RigSession rig_;
  SettingsChoices choices_;
  SpotsSession spots_;

  Settings settings_;
  DisplayState display_;
  MenuModel menu_;
  SpectrumAnalyzer analyzer_;
  SpectrumWindows windows_;
  PicturePacer pacer_;
  WindowPictures pictures_;
  SignalsSession signals_;
  std::array<double, 2> tones_{};  // the last analysis frame's strongest tone per window; 0: none
  bool closed_ = false;
  bool refreshDue_ = false;   // the menu and every picture
  bool picturesDue_ = false;  // the pictures of a new frame
  int zoomShown_ = 1;
  bool waterfallShown_ = false;
};

}  // namespace keblor
