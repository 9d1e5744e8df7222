#pragma once
// The window layer on Qt Widgets: the main window with its menu bar and key filter, the spectrum
// window frames, the pop-up menus, the dialogs, the message box and the single-instance check.
// Everything here runs on the GUI thread and calls back into the core's procedures.

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QString>
#include <map>
#include <memory>
#include <vector>

#include "app/app_state.h"
#include "app/window_layer.h"
#include "resources/menus.h"

class QAction;
class QLocalServer;
class QMainWindow;
class QMenu;
class QMenuBar;
class QMouseEvent;
class QWidget;

namespace keblor {

class SignalFrame;
class MainWindowWidget;

class QtWindowLayer : public QObject, public WindowLayer {
 public:
  explicit QtWindowLayer(AppState& app);
  ~QtWindowLayer() override;
  QtWindowLayer(const QtWindowLayer&) = delete;
  QtWindowLayer& operator=(const QtWindowLayer&) = delete;

  // --- WindowLayer ---
  bool FindRunningCopy() override;
  void CreateMainWindow(const std::string& title, int x, int y, int width, int height) override;
  void ShowMainWindow() override;
  Rect GetMainWindowRect() override;
  Point GetMainWindowRestoredTopLeft() override;
  void MoveMainWindow(int x, int y, int width, int height) override;
  void SetMainWindowTopmost(bool topmost) override;
  void DestroyMainWindow() override;
  void PostQuit(int exitCode) override;
  void SetMenuItemText(int id, const std::string& text) override;
  void CheckMenuItem(int id, bool checked) override;
  void EnableMenuItem(int id, bool enabled) override;
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
  CursorHandle SetCursor(CursorHandle cursor) override;
  void TrackPopupMenu(int resourceId, Point screen, const std::vector<int>& checkedIds) override;
  int RunDialog(DialogId dialog) override;
  void MessageBeep() override;
  void MessageBox(const std::string& text, const std::string& caption) override;
  bool IsMixerOpen(MixerKind mixer) override;
  void StartMixer(MixerKind mixer) override;
  void OpenHelp(const std::string& keyword) override;

  // --- for the program's entry and for tests ---
  // The single-instance server's name; by default the main window class and the user id.
  void SetInstanceName(const QString& name) { instanceName_ = name; }
  QMainWindow* MainWindow() const;
  QWidget* ClientArea() const;  // the main window's client area below the menu bar
  SignalFrame* SignalWindowFrame(WindowHandle window) const;  // nullptr when there is none
  const std::vector<QAction*>& MenuActions(int id) const;      // every action with this id

  // The mouse handling of a spectrum client: the platform shows the class arrow before each
  // mouse message, and the core may replace it while it handles the message.
  void BeginMouseMessage();
  void EndMouseMessage();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildMenu(QMenu* menu, const std::vector<MenuNode>& nodes, bool mainMenu);
  void RouteDragToWindowUnderPointer(QWidget* receiver, const QMouseEvent& event);
  void PostCommand(int id);
  void OnInstanceConnection();
  void ApplyCursor();
  SignalFrame* Frame(WindowHandle window) const;

  AppState& app_;
  QPointer<MainWindowWidget> mainWindow_;
  std::map<int, std::vector<QAction*>> actions_;  // main menu, by command id
  std::map<WindowHandle, QPointer<SignalFrame>> frames_;
  WindowHandle nextHandle_ = 1;
  CursorHandle cursor_ = CURSOR_ARROW;
  std::unique_ptr<QLocalServer> instanceServer_;
  QString instanceName_;
};

}  // namespace keblor
