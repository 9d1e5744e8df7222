#pragma once
// The user-interface operations the program needs from the desktop: windows, menus, drawing,
// cursors, dialogs. The core calls these on the GUI thread; the Qt adapter implements them and
// calls back into the core's procedures (OnCommand, OnSignalPaint, ...). Where a window system
// would send a message, the call here is direct and re-entrant.

#include <cstdint>
#include <string>
#include <vector>

#include "display/trace_raster.h"

namespace keblor {

struct Rect {
  int left = 0, top = 0, right = 0, bottom = 0;  // right and bottom exclusive
};
struct Point {
  int x = 0, y = 0;
};
struct Rgb {
  std::uint8_t r = 0, g = 0, b = 0;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

inline constexpr Rgb TEXT_BLACK{0, 0, 0};
inline constexpr Rgb TEXT_RED{255, 0, 0};
inline constexpr Rgb LABEL_BACKGROUND{194, 194, 194};   // text boxes and lit trace pixels
inline constexpr Rgb WINDOW_BACKGROUND{192, 192, 192};  // spectrum window client background

enum class TextAlign { Left, Right };

using WindowHandle = int;  // a spectrum window; NO_WINDOW while closed
inline constexpr WindowHandle NO_WINDOW = 0;

using CursorHandle = int;
inline constexpr CursorHandle CURSOR_ARROW = 1;
inline constexpr CursorHandle CURSOR_SIZE_WE = 2;  // the marker cursor

enum class MixerKind { Recording, Playback };
enum class DialogId { SoundCard, About };

class WindowLayer {
 public:
  virtual ~WindowLayer() = default;

  // Single instance: true when another copy runs (it has been asked to restore itself if it
  // was minimised); the caller then exits with status 0.
  virtual bool FindRunningCopy() = 0;

  // Main window, "CW Keblor", outer rectangle in screen pixels, fixed size, with the menu.
  virtual void CreateMainWindow(const std::string& title, int x, int y, int width, int height) = 0;
  virtual void ShowMainWindow() = 0;  // shown and painted at once
  virtual Rect GetMainWindowRect() = 0;               // current outer rectangle
  virtual Point GetMainWindowRestoredTopLeft() = 0;   // top-left of the restored rectangle
  virtual void MoveMainWindow(int x, int y, int width, int height) = 0;  // outer size, repaints
  virtual void SetMainWindowTopmost(bool topmost) = 0;  // no move, resize or activation
  virtual void DestroyMainWindow() = 0;
  virtual void PostQuit(int exitCode) = 0;  // the message loop ends after the current call

  // The main menu, by command id.
  virtual void SetMenuItemText(int id, const std::string& text) = 0;
  virtual void CheckMenuItem(int id, bool checked) = 0;
  virtual void EnableMenuItem(int id, bool enabled) = 0;

  // Spectrum windows: a 200 x 160 client area at a position in the main window's client area.
  virtual WindowHandle CreateSignalWindow(const std::string& title, int x, int y) = 0;  // hidden
  virtual void ShowSignalWindow(WindowHandle window) = 0;  // shown; the caller paints it at once
  virtual void DestroySignalWindow(WindowHandle window) = 0;
  // Queues a repaint of the whole client area with the background erased; it arrives later
  // as OnSignalPaint (several requests before it are one paint).
  virtual void InvalidateSignalWindow(WindowHandle window) = 0;
  // Start of a paint: the client area is filled with WINDOW_BACKGROUND.
  virtual void EraseSignalWindow(WindowHandle window) = 0;
  // Fills `box` with LABEL_BACKGROUND, then draws `text` clipped to it, anchored at `anchor`
  // (top-left for Left, top-right for Right).
  virtual void DrawTextBox(WindowHandle window, const Rect& box, TextAlign align, Point anchor,
                           const std::string& text, Rgb color) = 0;
  virtual void CreateTraceSurface(WindowHandle window) = 0;
  virtual void ReleaseTraceSurface(WindowHandle window) = 0;
  // Shows the left 200 columns of the raster at client (0, 16): lit pixels LABEL_BACKGROUND,
  // dark ones black.
  virtual void ShowTrace(WindowHandle window, const TraceRaster& raster) = 0;
  virtual Point ClientToScreen(WindowHandle window, Point client) = 0;

  // Sets the pointer's cursor and returns the one it replaces.
  virtual CursorHandle SetCursor(CursorHandle cursor) = 0;

  // Tracks pop-up menu 126 or 127 at a screen point; `checkedIds` are the items shown checked.
  // A pick reaches the core as a command after the menu closes.
  virtual void TrackPopupMenu(int resourceId, Point screen, const std::vector<int>& checkedIds) = 0;

  // Modal dialogs owned by the main window; capture notifications keep arriving meanwhile.
  virtual int RunDialog(DialogId dialog) = 0;
  virtual void MessageBeep() = 0;
  virtual void MessageBox(const std::string& text, const std::string& caption) = 0;  // OK only

  virtual bool IsMixerOpen(MixerKind mixer) = 0;
  virtual void StartMixer(MixerKind mixer) = 0;  // not checked
  virtual void OpenHelp(const std::string& keyword) = 0;  // "CONTENTS"
};

}  // namespace keblor
