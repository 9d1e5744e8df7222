#pragma once
// A spectrum window on Win32: a child of the main window with a caption, a close box and a
// 200 x 160 client area (WATERFALL_ROWS taller with the waterfall; times the zoom and the
// monitor's DPI / 96) that shows the last picture it was given. The object outlives its window:
// Close destroys the window, Open makes a new one.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/spectrum_events.h"
#include "app/views.h"
#include "win32/waterfall_bitmap.h"
#include "win32/window_scale.h"

struct HWND__;

namespace keblor {

// What the window reports. Positions are 1x client pixels; `keys` are PointerKeys bits.
struct FrameSize {
  int width = 0;
  int height = 0;
};

class Win32SpectrumWindow : public SpectrumView {
 public:
  explicit Win32SpectrumWindow(SpectrumEvents events);
  ~Win32SpectrumWindow() override;
  Win32SpectrumWindow(const Win32SpectrumWindow&) = delete;
  Win32SpectrumWindow& operator=(const Win32SpectrumWindow&) = delete;

  // The outer size of a spectrum window at a scale, from the system's frame metrics.
  static FrameSize Frame(const WindowScale& scale, bool waterfall);

  // Creates and shows the window at (x, y) of the parent's client area, in screen pixels.
  void Open(HWND__* parent, const std::string& title, int x, int y, const WindowScale& scale);
  void Close();  // destroys the window; nothing when closed
  bool IsOpen() const { return window_ != nullptr; }
  HWND__* Window() const { return window_; }
  // A new zoom or DPI: the window keeps its top-left corner and takes the new size and place.
  void Rescale(const WindowScale& scale, int x, int y);
  // (x, y) of the parent's client area, in screen pixels.
  void Place(int& x, int& y) const;
  // With or without the waterfall, from now on; an open window grows or shrinks in place.
  void SetWaterfall(bool shown);

  // --- SpectrumView ---
  void Show(const SpectrumPicture& picture) override;
  void SetMarkerCursor(bool onMarker) override;
  void ShowPopupMenu(int resourceId, Point client, const std::vector<int>& checkedIds) override;

  // The window procedure's work for `window` (this object's window, or the one being created); the
  // result of the message.
  std::intptr_t OnMessage(HWND__* window, unsigned message, std::uintptr_t wParam, std::intptr_t lParam);

 private:
  struct Surface;
  void MakeSurface();
  void Render();
  void DrawSpots(int topRows, const Rect& trace);

  SpectrumEvents events_;
  HWND__* window_ = nullptr;
  WindowScale scale_;
  SpectrumPicture picture_;
  bool markerCursor_ = false;
  std::unique_ptr<Surface> surface_;
  std::unique_ptr<WaterfallBitmap> waterfall_;  // while the waterfall is shown
};

}  // namespace keblor
