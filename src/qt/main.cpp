// CW Keblor: the program's entry on Qt and PortAudio.

#include <QApplication>
#include <QSocketNotifier>
#include <memory>

#include "app/program.h"
#include "core/ini_file.h"
#include "desktop/desktop_tools.h"
#include "portaudio/portaudio_source.h"
#include "qt/desktop.h"
#include "qt/main_view.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);  // the main window's destruction ends the loop
  QApplication::setWindowIcon(keblor::ProgramIcon());

  keblor::IniFile settingsFile(keblor::SETTINGS_PATH);
  keblor::PortAudioSource source;
  keblor::QtMainView mainView;
  keblor::QtDesktop desktop(mainView);
  // Large: the analyzer's tables and work areas live here.
  auto program = std::make_unique<keblor::Program>(mainView, desktop, source, &settingsFile);
  mainView.Connect(*program);

  // Blocks arrive from PortAudio's thread through a pipe; they are handled here on the GUI
  // thread, also while a modal dialog or a menu runs its own loop.
  QSocketNotifier notifier(source.WakeFd(), QSocketNotifier::Read);
  QObject::connect(&notifier, &QSocketNotifier::activated, [&source] { source.DispatchBlocks(); });

  if (program->StartUp()) QApplication::exec();
  program->Shutdown();
  return 0;
}
