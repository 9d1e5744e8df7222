// CW Keblor: the program's entry on Qt, the sound server and PortAudio; rigs through Hamlib, or
// through rigctld alone in a build without Hamlib.

#include <QApplication>
#include <QSocketNotifier>
#include <QTimer>
#include <clocale>
#include <cstdio>
#include <memory>
#include <vector>

#include "app/program.h"
#include "capture/backend_choice.h"
#include "core/ini_file.h"
#include "desktop/desktop_tools.h"
#include "desktop/ini_file_in_new_folder.h"
#include "desktop/program_options.h"
#if KEBLOR_WITH_HAMLIB
#include "hamlib/hamlib_rig.h"
#endif
#include "portaudio/portaudio_source.h"
#include "posix/tcp_link.h"
#include "pulse/pulse_source.h"
#include "qt/desktop.h"
#include "qt/help_window.h"
#include "qt/main_view.h"
#include "qt/qt_spot_feed.h"
#include "qt/rig_dialog.h"
#include "qt/spots_dialog.h"
#include "rig/rig_worker.h"
#include "rig/rigctld_rig.h"

namespace {

// --list-inputs: one line an input, its id and its name; 1 when there is none.
int ListInputs(keblor::AudioSource& source) {
  const std::vector<keblor::InputInfo> inputs = source.Inputs();
  if (inputs.empty()) {
    std::fputs("keblor: no audio inputs\n", stderr);
    return 1;
  }
  for (const keblor::InputInfo& input : inputs) std::printf("%s\t%s\n", input.id.c_str(), input.name.c_str());
  return 0;
}

// Rigs through rigctld (model 2) by the program's own client, the one keblor.exe uses too;
// every other model through Hamlib's library where the build has it. On the rig line's thread.
std::unique_ptr<keblor::Rig> MakeRig(const keblor::RigAddress& address, std::string& why) {
#if KEBLOR_WITH_HAMLIB
  if (address.model != keblor::RIGCTLD_MODEL) return keblor::MakeHamlibRig(address, why);
#endif
  return keblor::MakeRigctldRig(address, std::make_unique<keblor::TcpLink>(), why);
}

#if KEBLOR_WITH_HAMLIB
constexpr auto RigModels = keblor::HamlibModels;
#else
// The one model this build reaches, by Hamlib's number and name.
std::vector<keblor::RigModel> RigModels() { return {{keblor::RIGCTLD_MODEL, "Hamlib", "NET rigctl"}}; }
#endif

}  // namespace

int main(int argc, char** argv) {
  // Before QApplication: --help, --version and --list-inputs need no display. Qt is given no arguments of its
  // own, so every option the program does not know is refused here.
  const keblor::ProgramOptions options = keblor::ParseProgramOptions(argc, argv);
  // Neither back end contacts the sound system before the program's first use of it, which a
  // second copy that finds the first never makes.
  using BackEnd = keblor::ProgramOptions::BackEnd;
  keblor::PulseSource pulse;
  keblor::PortAudioSource portAudio;
  auto useSoundServer = [&pulse, backEnd = options.backEnd] {
    if (backEnd == BackEnd::PortAudio) return false;
    // Chosen by name, a server that does not answer shows as no input devices.
    return backEnd == BackEnd::Pulse || pulse.Connect() == 0;
  };
  keblor::BackEndChoice source(pulse, useSoundServer, portAudio);
  switch (options.action) {
    case keblor::ProgramOptions::Action::Help:
      std::fputs(keblor::ProgramUsage().c_str(), stdout);
      return 0;
    case keblor::ProgramOptions::Action::Version:
      std::fputs(keblor::ProgramVersion().c_str(), stdout);
      return 0;
    case keblor::ProgramOptions::Action::Fail:
      std::fputs(keblor::UsageErrorLine(options).c_str(), stderr);
      return keblor::EXIT_USAGE;
    case keblor::ProgramOptions::Action::ListInputs:
      return ListInputs(source);
    case keblor::ProgramOptions::Action::Run:
      break;
  }

  int qtArgc = 1;
  QApplication application(qtArgc, argv);
  // Qt takes the desktop's locale for the C library too. Numbers are written with a point
  // whatever the desktop's language; and Hamlib switches LC_NUMERIC to "C" around its own work
  // on the rig's thread, then back to the name it read first, which the switch has freed unless
  // it was "C" already.
  std::setlocale(LC_NUMERIC, "C");
  QApplication::setQuitOnLastWindowClosed(false);  // the main window's destruction ends the loop
  QApplication::setWindowIcon(keblor::ProgramIcon());

  // The config folder is made on the first save; elsewhere the folder is the user's to make.
  std::unique_ptr<keblor::SettingsFile> settingsFile;
  if (options.settingsInConfig) {
    settingsFile = std::make_unique<keblor::IniFileInNewFolder>(options.settingsPath);
  } else {
    settingsFile = std::make_unique<keblor::IniFile>(options.settingsPath);
  }
  keblor::QtMainView mainView;
  keblor::QtDesktop desktop(mainView);
  portAudio.SetReports(&desktop);
  pulse.SetReports(&desktop);
  keblor::SetHelpViewer([&mainView](const QUrl& page) { keblor::ShowHelpWindow(mainView.Window(), page); });
  keblor::QtRigDialog rigDialog(mainView, RigModels);
  keblor::QtSpotsDialog spotsDialog(mainView);
  // Large: the analyzer's tables and work areas live here.
  auto program = std::make_unique<keblor::Program>(mainView, desktop, desktop, source, settingsFile.get());
  program->SetCommandLine(
      {options.input, options.rigModel, options.rigPort, options.spotsHost, options.spotsPort, options.spotsCall});
  program->SetRigSupport(std::make_unique<keblor::RigWorker>(MakeRig), &rigDialog);
  program->SetSpotSupport([] { return std::make_unique<keblor::QtSpotFeed>(); }, &spotsDialog);
  mainView.Connect(*program);

  // Blocks are handled here on the GUI thread, also while a modal dialog or a menu runs its own
  // loop: the sound server's when a timer pumps them, once a block's time, while its stream
  // runs; PortAudio's when its thread's pipe wakes the loop.
  QTimer pulsePump;
  pulsePump.setTimerType(Qt::PreciseTimer);  // keeps to its interval without drifting
  QObject::connect(&pulsePump, &QTimer::timeout, [&pulse, &pulsePump] {
    if (pulsePump.interval() != keblor::PulseSource::PUMP_INTERVAL_MS)
      pulsePump.setInterval(keblor::PulseSource::PUMP_INTERVAL_MS);
    pulse.Pump();
  });
  pulse.SetPumpTimer([&pulsePump](int ms) {
    if (ms < 0) {
      pulsePump.stop();
    } else {
      pulsePump.start(ms);
    }
  });
  QSocketNotifier portAudioNotifier(portAudio.WakeFd(), QSocketNotifier::Read);
  QObject::connect(&portAudioNotifier, &QSocketNotifier::activated, [&portAudio] { portAudio.DispatchBlocks(); });

  if (program->StartUp()) QApplication::exec();
  program->Shutdown();
  pulse.SetPumpTimer(nullptr);  // the timer goes before the source
  keblor::SetHelpViewer(nullptr);
  return 0;
}
