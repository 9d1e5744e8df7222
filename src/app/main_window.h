#pragma once
// The main window's procedure in plain C++: commands, capture notifications and close.

#include <cstdint>

#include "app/app_state.h"
#include "resources/menus.h"

namespace keblor {

// Every menu pick, pop-up pick and shortcut: the id is the low 16 bits. Ends with
// RefreshMenuState. Re-entrant (the range step keys issue a range selection through it).
void CommandHandler(AppState& app, std::uint32_t command);

// A filled capture buffer: analysed and given back, or dropped untouched when stale.
void OnCaptureData(AppState& app, const CaptureNotification& notification);

// The close request: freeze, close capture, close the spectrum windows, destroy, quit with 0.
void OnMainClose(AppState& app);

// The accelerator gate: the command id for a key, or 0 when the key is not in the table or
// its id is that of a main-menu item that is greyed.
int TranslateAccelerator(const AppState& app, AcceleratorKey key, bool ctrl);

// Routes the stream's notifications to OnCaptureData.
class MainWindowCaptureSink : public CaptureSink {
 public:
  explicit MainWindowCaptureSink(AppState& app) : app_(app) {}
  void OnCaptureData(const CaptureNotification& notification) override { keblor::OnCaptureData(app_, notification); }

 private:
  AppState& app_;
};

enum class StartupResult { Running, Exit };

// Start-up from the single-instance check to StartCapture; app.windows, app.settingsFile,
// app.capture.device and app.captureSink are set by the caller. Running: the caller runs the
// message loop, and returns 0 when it ends. Exit: the caller returns 0 at once.
StartupResult StartUp(AppState& app);

}  // namespace keblor
