#pragma once
// The program's controller: audio source -> analyzer -> pictures -> views, and the commands.
// Owns the settings, the display state, the analyzer and what each window shows. Everything
// runs on the GUI thread.

#include <array>
#include <cstdint>

#include "analysis/spectrum_analyzer.h"
#include "app/views.h"
#include "capture/audio_source.h"
#include "core/display_state.h"
#include "core/menu_model.h"
#include "core/menus.h"
#include "core/settings.h"
#include "core/settings_file.h"
#include "display/spectrum_picture.h"

namespace keblor {

class Program {
 public:
  // `settingsFile` may be null: the settings are then the defaults and Save fails.
  Program(MainView& main, Desktop& desktop, AudioSource& source, SettingsFile* settingsFile);

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
  void OnSpectrumClose(Vfo vfo);  // the window's close box
  void OnMainClose();             // the main window's close request
  void OnBlock(const std::uint8_t* frames, const AudioFormat& format);

  const Settings& settings() const { return settings_; }
  const DisplayState& display() const { return display_; }
  const MenuModel& menu() const { return menu_; }

 private:
  void RunCommand(int id);
  void Refresh();  // the menu and the open windows' pictures from the state
  void ShowPicture(Vfo vfo);
  void OpenWindow(Vfo vfo);
  void CloseWindow(Vfo vfo);
  void Close();
  bool AbandonStartUp();
  void ReportDeviceError(int code);
  void ToggleWindow(Vfo vfo);
  void ArrangeWindows();
  void ToggleTopmost();
  void RunSoundCardDialog();
  int AcceptSoundCard(AudioFormat entry, int channels, int bitsPerSample);
  int StartCapture();
  bool Save();  // false: the user has been told why

  MainView& main_;
  Desktop& desktop_;
  AudioSource& source_;
  SettingsFile* settingsFile_;

  Settings settings_;
  DisplayState display_;
  MenuModel menu_;
  SpectrumAnalyzer analyzer_;
  std::array<WindowTrace, 2> traces_{};
  std::array<SpectrumView*, 2> views_{};
  bool closed_ = false;
};

}  // namespace keblor
