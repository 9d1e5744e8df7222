#pragma once
// The main window "CW Keblor" on Win32: the menu bar built from the program's menu table, the
// accelerator keys, and the spectrum windows as its children. Sizes come from the layouts' outer
// sizes (which count a 3-pixel frame, a 19-pixel caption and a 19-pixel menu bar around the client
// area, and 206 x 184 spectrum frames): the client area is what those leave, with the system's
// real spectrum frames in place of the counted ones, at the zoom and the monitor's DPI; the real
// frame around it comes from the system's metrics. User input goes to Program.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/program.h"
#include "app/views.h"
#include "win32/signals_window.h"
#include "win32/spectrum_window.h"
#include "win32/window_scale.h"

struct HWND__;
struct HMENU__;
struct tagMSG;

namespace keblor {

inline constexpr const wchar_t* MAIN_WINDOW_CLASS = L"KLP5012WA ISA LIBRARY TEST";

class Win32MainView : public MainView {
 public:
  Win32MainView();
  ~Win32MainView() override;
  Win32MainView(const Win32MainView&) = delete;
  Win32MainView& operator=(const Win32MainView&) = delete;

  // Where user input goes; set before Program::StartUp.
  void Connect(Program& program) { program_ = &program; }
  // How Create shows the window (the show command the program was started with).
  void SetShowCommand(int showCommand) { showCommand_ = showCommand; }

  // --- MainView ---
  void Create(const std::string& title, const Rect& outer) override;
  Rect OuterRect() override;
  Point RestoredTopLeft() override;
  void Move(const Rect& outer) override;
  void SetTopmost(bool topmost) override;
  void SetZoom(int zoom) override;
  void SetWaterfall(bool shown) override;
  void ShowMenu(const MenuModel& menu) override;
  SpectrumView& OpenSpectrum(Vfo vfo, const std::string& title, Point at) override;
  void CloseSpectrum(Vfo vfo) override;
  SignalsView& OpenSignals(const Rect& outer) override;
  void CloseSignals() override;
  void Destroy() override;

  HWND__* Window() const { return window_; }
  // The message loop offers every message here first: true when it was a key of the accelerator
  // table for the main window, the signals window or one of their children, which then went to
  // Program::OnKey.
  bool TranslateKey(const tagMSG& message);
  // The window procedure's work for `window` (the main window, or the one being created).
  std::intptr_t OnMessage(HWND__* window, unsigned message, std::uintptr_t wParam, std::intptr_t lParam);

 private:
  WindowScale Scale() const { return WindowScale{zoom_, dpi_}; }
  // A spectrum frame's height in the layouts' pixels, and the real one at `scale`.
  int DesignFrameHeight() const;
  FrameSize RealSpectrumFrame(const WindowScale& scale) const { return Win32SpectrumWindow::Frame(scale, waterfall_); }
  // The window's size and place from `designOuter_` at the zoom and DPI, its top-left at (left, top).
  void Layout(int left, int top);
  // Rows the menu bar takes beyond one line if the window is `width` wide: what it takes now at
  // that width, or 0 at another width, where it is not known before the window has it.
  int MenuWrapRows(int width) const;
  void PlaceSpectra(const WindowScale& before);
  void ShowInputItems(const std::vector<std::string>& texts);
  void PostCommand(int id);

  Program* program_ = nullptr;
  HWND__* window_ = nullptr;
  HMENU__* menu_ = nullptr;
  HMENU__* inputMenu_ = nullptr;  // Settings > Input
  int showCommand_ = 1;            // SW_SHOWNORMAL
  Rect designOuter_;              // the last outer rectangle given, in the layouts' pixels
  int zoom_ = 1;
  int dpi_ = BASE_DPI;
  bool waterfall_ = false;
  std::array<std::unique_ptr<Win32SpectrumWindow>, 2> spectra_;
  std::array<Point, 2> spectrumAt_{};
  Win32SignalsWindow signals_;  // where each was opened, in the layouts' pixels
  std::vector<std::string> inputTexts_;
  MenuModel shownMenu_;
  bool menuShown_ = false;
};

}  // namespace keblor
