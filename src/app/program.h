#pragma once
// The program's controller: audio source -> analyzer -> pictures -> views, and the commands.
// Owns the settings, the display state, the analyzer and what each window shows. Everything
// runs on the GUI thread.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

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

  // The input the command line names, by the back end's id or by its name, instead of the
  // settings' one; a Save keeps it. Before StartUp.
  void SetCommandLineInput(std::string idOrName) { commandLineInput_ = std::move(idOrName); }

  // From the single-instance check to the start of capture. False: the caller ends with 0 at
  // once (another copy runs, no device, or the capture could not be opened or started).
  // An input that is not there is replaced by the default input, with one line on standard
  // error.
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
  // Settings > Input is about to open: the inputs are listed again.
  void OnInputMenuShown();
  void OnBlock(const std::uint8_t* frames, const AudioFormat& format);
  // The desktop's clock, every TICK_MS while capturing: notices an input that has stopped and
  // re-opens it.
  void OnTick();

  static constexpr int TICK_MS = 500;
  static constexpr int STALL_MS = 1000;   // no block for this long: the input has stopped
  static constexpr int REOPEN_MS = 2000;  // a stopped input is re-opened this often
  // At most one picture per this many milliseconds: a little under a block's 100 ms, so that a
  // block that comes a few milliseconds early (a source pumped on a timer, a card whose clock
  // runs fast) is drawn at once instead of waking the program again for a timer of its own.
  static constexpr int FRAME_MS = 90;
  // More blocks than this in one second is more than twice what 10240 frames a second allow.
  static constexpr int RUNAWAY_BLOCKS_PER_SECOND = 20;

  const Settings& CurrentSettings() const { return settings_; }
  const DisplayState& Display() const { return display_; }
  const MenuModel& Menu() const { return menu_; }

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
  void ReopenCapture();
  std::string ResolveInput();
  void UseInput(std::string id);
  void ChooseInput(const std::string& id);
  InputChoice MenuInputs() const;
  void CountBlock(std::int64_t now);
  void ShowFrame(std::int64_t now);
  void DrawFrameNow(const SpectrumFrame& frame);
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
  int zoomShown_ = 1;

  // The inputs as last listed, the one the user wants (settings, command line or menu) and the
  // one open (empty: the default input).
  std::vector<InputInfo> inputs_;
  std::string commandLineInput_;
  std::string wantedInput_;
  std::string inputInUse_;
  bool fallbackSaid_ = false;  // the wanted input's absence was said on standard error

  // The input's health and the pace of pictures.
  bool capturing_ = false;  // capture was started and should be delivering
  bool ticking_ = false;
  InputNotice notice_ = InputNotice::None;
  std::int64_t lastBlockMs_ = 0;
  std::int64_t lastReopenMs_ = 0;
  std::int64_t rateWindowMs_ = 0;
  int blocksInWindow_ = 0;
  bool runawaySaid_ = false;
  std::optional<SpectrumFrame> pendingFrame_;  // waits for FRAME_MS since the last picture
  std::int64_t lastFrameMs_ = -FRAME_MS;
  bool frameCallPending_ = false;
};

}  // namespace keblor
