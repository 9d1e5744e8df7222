// CW Keblor: the program's entry on Windows, with the wave input service.

#include <windows.h>

#include <memory>

#include "app/program.h"
#include "core/settings_file.h"
#include "wavein/wave_in_source.h"
#include "win32/debug_output.h"
#include "win32/desktop.h"
#include "win32/dpi.h"
#include "win32/main_view.h"
#include "win32/settings_file_win32.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int showCommand) {
  keblor::DebugOutput debugOutput;
  keblor::EnablePerMonitorDpi();

  // keblor.ini in the working folder, named by its full path so that a later change of folder
  // (a file dialog's) does not move it.
  std::unique_ptr<keblor::SettingsFile> settingsFile = keblor::OpenSettingsFile(keblor::DefaultSettingsPath());

  keblor::WaveInSource source;
  keblor::Win32MainView mainView;
  mainView.SetShowCommand(showCommand);
  keblor::Win32Desktop desktop(mainView);
  // Large: the analyzer's tables and work areas live here.
  auto program = std::make_unique<keblor::Program>(mainView, desktop, desktop, source, settingsFile.get());
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
