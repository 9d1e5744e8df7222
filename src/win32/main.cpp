// CW Keblor: the program's entry on Windows, with the wave input service.

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "app/program.h"
#include "core/settings_file.h"
#include "desktop/command_line.h"
#include "rig/rig_worker.h"
#include "rig/rigctld_rig.h"
#include "wavein/wave_in_source.h"
#include "win32/command_line_win32.h"
#include "win32/debug_output.h"
#include "win32/desktop.h"
#include "win32/dpi.h"
#include "win32/main_view.h"
#include "win32/parent_console.h"
#include "win32/settings_file_win32.h"
#include "win32/winsock_link.h"
#include "win32/winsock_spot_feed.h"
#include "winapi/wide_text.h"

namespace {

// --list-inputs: one line an input, its id and its name; 1 when there is none.
int ListInputs() {
  keblor::WaveInSource source;
  const std::vector<keblor::InputInfo> inputs = source.Inputs();
  if (inputs.empty()) {
    keblor::WriteToParent(keblor::ParentStream::Error, "keblor: no audio inputs\n");
    return 1;
  }
  std::string lines;
  for (const keblor::InputInfo& input : inputs) lines += input.id + "\t" + input.name + "\n";
  keblor::WriteToParent(keblor::ParentStream::Output, lines);
  return 0;
}

// Rigs through rigctld over Winsock; other models are refused.
std::unique_ptr<keblor::Rig> MakeRigctldOverWinsock(const keblor::RigAddress& address, std::string& why) {
  return keblor::MakeRigctldRig(address, std::make_unique<keblor::WinsockLink>(), why);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int showCommand) {
  const keblor::ProgramOptions options = keblor::ParseWindowsCommandLine(
      keblor::CommandLineArguments(GetCommandLineW()), keblor::RoamingAppDataFolder());
  switch (options.action) {
    case keblor::ProgramOptions::Action::Help:
      keblor::WriteToParent(keblor::ParentStream::Output, keblor::WindowsUsage());
      return 0;
    case keblor::ProgramOptions::Action::Version:
      keblor::WriteToParent(keblor::ParentStream::Output, keblor::ProgramVersion());
      return 0;
    case keblor::ProgramOptions::Action::Fail:
      keblor::WriteToParent(keblor::ParentStream::Error, keblor::UsageErrorLine(options));
      return keblor::EXIT_USAGE;
    case keblor::ProgramOptions::Action::ListInputs:
      return ListInputs();
    case keblor::ProgramOptions::Action::Run:
      break;
  }

  keblor::DebugOutput debugOutput;
  keblor::EnablePerMonitorDpi();

  // The Start menu's settings live in a folder of the user's application data, made on the
  // first save; elsewhere the folder is the user's to make.
  const std::filesystem::path settingsPath(keblor::Widen(options.settingsPath));
  std::unique_ptr<keblor::SettingsFile> settingsFile = options.settingsInConfig
                                                           ? keblor::OpenSettingsFileInNewFolder(settingsPath)
                                                           : keblor::OpenSettingsFile(settingsPath);

  keblor::WaveInSource source;
  keblor::Win32MainView mainView;
  mainView.SetShowCommand(showCommand);
  keblor::Win32Desktop desktop(mainView);
  // Large: the analyzer's tables and work areas live here.
  auto program = std::make_unique<keblor::Program>(mainView, desktop, desktop, source, settingsFile.get());
  program->SetCommandLine(
      {options.input, options.rigModel, options.rigPort, options.spotsHost, options.spotsPort, options.spotsCall});
  // No rig or spots dialog here: they come from keblor.ini's [Rig] and [Spots] or the command line.
  program->SetRigSupport(std::make_unique<keblor::RigWorker>(MakeRigctldOverWinsock), nullptr);
  program->SetSpotSupport([] { return std::make_unique<keblor::Win32SpotFeed>(); }, nullptr);
  mainView.Connect(*program);

  if (program->StartUp()) {
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
      if (mainView.TranslateKey(message)) continue;
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  program->Shutdown();
  return 0;
}
