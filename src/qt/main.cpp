// CW Keblor: the program's entry on Qt and PortAudio.

#include <QApplication>
#include <QSocketNotifier>

#include "app/app_state.h"
#include "app/ini_file.h"
#include "app/main_window.h"
#include "capture/capture_stream.h"
#include "desktop/desktop_tools.h"
#include "portaudio/portaudio_capture_device.h"
#include "qt/qt_window_layer.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);  // the main window's destruction ends the loop
  QApplication::setWindowIcon(keblor::ProgramIcon());

  auto app = std::make_unique<keblor::AppState>();  // large: the analysis work areas live here
  keblor::IniFile settingsFile(keblor::SETTINGS_PATH);
  keblor::PortAudioCaptureDevice device;
  keblor::QtWindowLayer windows(*app);
  keblor::MainWindowCaptureSink sink(*app);

  // Filled capture buffers arrive from PortAudio's thread through a pipe; they are handled here
  // on the GUI thread, also while a modal dialog or a menu runs its own loop.
  QSocketNotifier notifier(device.NotificationFd(), QSocketNotifier::Read);
  QObject::connect(&notifier, &QSocketNotifier::activated, [&device] { device.DispatchNotifications(); });

  app->windows = &windows;
  app->settingsFile = &settingsFile;
  app->capture.device = &device;
  app->captureSink = &sink;

  if (keblor::StartUp(*app) == keblor::StartupResult::Running) {
    QApplication::exec();
  }
  // Whatever start-up left open: a failed start keeps its windows and may keep a half-open
  // stream. Closing twice does nothing.
  keblor::CloseCapture(app->capture);
  if (windows.MainWindow() != nullptr) windows.DestroyMainWindow();
  return 0;
}
