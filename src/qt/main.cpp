// CW Keblor: the program's entry on Qt and PortAudio.

#include <QApplication>
#include <QSocketNotifier>
#include <cstdio>
#include <memory>

#include "app/program.h"
#include "core/ini_file.h"
#include "desktop/desktop_tools.h"
#include "desktop/program_options.h"
#include "portaudio/portaudio_source.h"
#include "qt/desktop.h"
#include "qt/help_window.h"
#include "qt/main_view.h"

namespace {

constexpr int EXIT_USAGE = 2;

}  // namespace

int main(int argc, char** argv) {
  // Before QApplication: --help and --version need no display. Qt is given no arguments of its
  // own, so every option the program does not know is refused here.
  const keblor::ProgramOptions options = keblor::ParseProgramOptions(argc, argv);
  switch (options.action) {
    case keblor::ProgramOptions::Action::Help:
      std::fputs(keblor::ProgramUsage().c_str(), stdout);
      return 0;
    case keblor::ProgramOptions::Action::Version:
      std::fputs(keblor::ProgramVersion().c_str(), stdout);
      return 0;
    case keblor::ProgramOptions::Action::Fail:
      std::fprintf(stderr, "keblor: %s (see keblor --help)\n", options.error.c_str());
      return EXIT_USAGE;
    case keblor::ProgramOptions::Action::Run:
      break;
  }

  int qtArgc = 1;
  QApplication application(qtArgc, argv);
  QApplication::setQuitOnLastWindowClosed(false);  // the main window's destruction ends the loop
  QApplication::setWindowIcon(keblor::ProgramIcon());

  // The config folder is made on the first save; elsewhere the folder is the user's to make.
  std::unique_ptr<keblor::SettingsFile> settingsFile;
  if (options.settingsInConfig) {
    settingsFile = std::make_unique<keblor::IniFileInNewFolder>(options.settingsPath);
  } else {
    settingsFile = std::make_unique<keblor::IniFile>(options.settingsPath);
  }
  keblor::PortAudioSource source;
  keblor::QtMainView mainView;
  keblor::QtDesktop desktop(mainView);
  keblor::SetHelpViewer([&mainView](const QUrl& page) { keblor::ShowHelpWindow(mainView.Window(), page); });
  // Large: the analyzer's tables and work areas live here.
  auto program = std::make_unique<keblor::Program>(mainView, desktop, source, settingsFile.get());
  mainView.Connect(*program);

  // Blocks arrive from PortAudio's thread through a pipe; they are handled here on the GUI
  // thread, also while a modal dialog or a menu runs its own loop.
  QSocketNotifier notifier(source.WakeFd(), QSocketNotifier::Read);
  QObject::connect(&notifier, &QSocketNotifier::activated, [&source] { source.DispatchBlocks(); });

  if (program->StartUp()) QApplication::exec();
  program->Shutdown();
  keblor::SetHelpViewer(nullptr);
  return 0;
}
