#pragma once
// The main window on Qt Widgets: its menu bar, the key filter for the accelerator table, the
// spectrum windows in its client area and the drags between them. User input goes to Program.

#include <QObject>
#include <QPointer>
#include <array>
#include <map>
#include <string>
#include <vector>

#include "app/program.h"
#include "app/views.h"

class QAction;
class QMainWindow;
class QMenu;
class QMouseEvent;
class QWidget;

namespace keblor {

class SignalsWindow;
class SpectrumWindow;
class MainWindowWidget;

class QtMainView : public QObject, public MainView {
 public:
  QtMainView();
  ~QtMainView() override;
  QtMainView(const QtMainView&) = delete;
  QtMainView& operator=(const QtMainView&) = delete;

  // Where user input goes; set before Program::StartUp.
  void Connect(Program& program) { program_ = &program; }

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

  // --- for the program's entry, the desktop and tests ---
  QMainWindow* Window() const;
  QWidget* ClientArea() const;  // the main window's client area below the menu bar
  SpectrumWindow* Spectrum(Vfo vfo) const;  // nullptr while closed
  SignalsWindow* Signals() const;  // nullptr while closed
  const std::vector<QAction*>& MenuActions(int id) const;  // every action with this id

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void PostCommand(int id);
  // Settings > Input's items after "Default input", made anew when the list changes.
  void ShowInputItems(const std::vector<std::string>& texts);
  void RouteDragToWindowUnderPointer(QWidget* receiver, const QMouseEvent& event);

  Program* program_ = nullptr;
  QPointer<MainWindowWidget> window_;
  std::map<int, std::vector<QAction*>> actions_;  // main menu, by command id
  QPointer<QMenu> inputMenu_;
  std::vector<std::string> inputTexts_;
  std::vector<QAction*> inputActions_;  // the separator and the input items
  std::array<QPointer<SpectrumWindow>, 2> spectra_{};
  QPointer<SignalsWindow> signals_;
  int zoom_ = 1;
  bool waterfall_ = false;
};

}  // namespace keblor
