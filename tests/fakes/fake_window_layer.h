#pragma once
// A window layer that records what the core asks of it, for headless tests.

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/window_layer.h"

namespace keblor {

struct AppState;

struct DrawnText {
  Rect box;
  TextAlign align = TextAlign::Left;
  Point anchor;
  std::string text;
  Rgb color;
};

struct FakeSignalWindow {
  std::string title;
  int x = 0, y = 0;  // in the main window's client area
  bool shown = false;
  bool destroyed = false;
  bool surface = false;
  int eraseCount = 0;
  int showTraceCount = 0;
  std::map<std::pair<int, int>, DrawnText> texts;  // last text per box, by (left, top); erase clears
  std::vector<DrawnText> textLog;                  // every text drawn, in order
  std::optional<TraceRaster> trace;                // what the trace area shows; erase clears
};

struct FakePopup {
  int resourceId = 0;
  Point screen;
  std::vector<int> checkedIds;
};

class FakeWindowLayer : public WindowLayer {
 public:
  // --- scripted answers ---
  bool runningCopy = false;
  Point restoredTopLeft{0, 0};
  std::map<MixerKind, bool> mixerOpen;
  std::function<int(DialogId)> onRunDialog;  // default: returns 0
  std::function<void(int, Point)> onPopup;   // called while a pop-up is "tracked"

  // --- recorded state ---
  std::vector<std::string> calls;  // one line per call, for order checks
  bool mainCreated = false;
  bool mainShown = false;
  bool mainDestroyed = false;
  std::string mainTitle;
  Rect mainRect;
  bool topmost = false;
  std::optional<int> quitCode;
  std::map<int, bool> checked;
  std::map<int, bool> enabled;
  std::map<int, std::string> menuTexts;
  std::map<WindowHandle, FakeSignalWindow> signalWindows;
  std::vector<WindowHandle> pendingPaints;
  CursorHandle cursor = CURSOR_ARROW;
  std::vector<CursorHandle> cursorLog;
  std::vector<FakePopup> popups;
  std::vector<DialogId> dialogs;
  int beeps = 0;
  std::vector<std::pair<std::string, std::string>> messageBoxes;  // text, caption
  std::map<MixerKind, int> mixerStarts;
  std::vector<std::string> helpKeywords;

  // Runs the queued paints in order, as the message loop would (each window once), through
  // `paint` (normally OnSignalPaint).
  void RunPendingPaints(const std::function<void(WindowHandle)>& paint);
  // The open (not destroyed) window with this title, or nullptr.
  FakeSignalWindow* WindowTitled(const std::string& title);
  // Last text drawn in the box with this top-left corner, or nullptr.
  const DrawnText* TextAt(WindowHandle window, int left, int top) const;
  bool IsChecked(int id) const { auto it = checked.find(id); return it != checked.end() && it->second; }
  bool IsEnabled(int id) const { auto it = enabled.find(id); return it == enabled.end() || it->second; }

  // --- WindowLayer ---
  bool FindRunningCopy() override;
  void CreateMainWindow(const std::string& title, int x, int y, int width, int height) override;
  void ShowMainWindow() override;
  Rect GetMainWindowRect() override;
  Point GetMainWindowRestoredTopLeft() override;
  void MoveMainWindow(int x, int y, int width, int height) override;
  void SetMainWindowTopmost(bool on) override;
  void DestroyMainWindow() override;
  void PostQuit(int exitCode) override;
  void SetMenuItemText(int id, const std::string& text) override;
  void CheckMenuItem(int id, bool on) override;
  void EnableMenuItem(int id, bool on) override;
  WindowHandle CreateSignalWindow(const std::string& title, int x, int y) override;
  void ShowSignalWindow(WindowHandle window) override;
  void DestroySignalWindow(WindowHandle window) override;
  void InvalidateSignalWindow(WindowHandle window) override;
  void EraseSignalWindow(WindowHandle window) override;
  void DrawTextBox(WindowHandle window, const Rect& box, TextAlign align, Point anchor, const std::string& text,
                   Rgb color) override;
  void CreateTraceSurface(WindowHandle window) override;
  void ReleaseTraceSurface(WindowHandle window) override;
  void ShowTrace(WindowHandle window, const TraceRaster& raster) override;
  Point ClientToScreen(WindowHandle window, Point client) override;
  CursorHandle SetCursor(CursorHandle c) override;
  void TrackPopupMenu(int resourceId, Point screen, const std::vector<int>& checkedIds) override;
  int RunDialog(DialogId dialog) override;
  void MessageBeep() override;
  void MessageBox(const std::string& text, const std::string& caption) override;
  bool IsMixerOpen(MixerKind mixer) override;
  void StartMixer(MixerKind mixer) override;
  void OpenHelp(const std::string& keyword) override;

 private:
  FakeSignalWindow* Find(WindowHandle window);
  WindowHandle nextHandle_ = 1;
};

}  // namespace keblor
