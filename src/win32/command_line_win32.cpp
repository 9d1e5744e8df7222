#include "win32/command_line_win32.h"

#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>
#include <shellapi.h>

#include <span>
#include <system_error>

#include "winapi/wide_text.h"

namespace keblor {
namespace {

namespace fs = std::filesystem;

std::string Utf8(const fs::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

// The options in the order --help lists them; no --backend: wave input is the one back end.
constexpr ProgramOption WINDOWS_OPTIONS[]{
    SETTINGS_OPTION,
    SettingsInConfigOption("read and save them in %APPDATA%\\CW Keblor\\keblor.ini; the\n"
                           "program's Start menu shortcut starts it this way"),
    INPUT_OPTION,
    RigOption("control the rig of this Hamlib model number (0: none; this\n"
              "build reaches rigs through rigctld, model 2); a save keeps it"),
    RigPortOption("host:port of rigctld (localhost:4532 when not given)"),
    SPOTS_OPTION,
    CALL_OPTION,
    LIST_INPUTS_OPTION,
    HELP_OPTION,
    VERSION_OPTION,
};

}  // namespace

std::vector<std::string> CommandLineArguments(const wchar_t* commandLine) {
  std::vector<std::string> arguments;
  int count = 0;
  wchar_t** split = CommandLineToArgvW(commandLine, &count);
  if (split == nullptr) return arguments;
  for (int i = 0; i < count; ++i) arguments.push_back(Narrow(split[i]));
  LocalFree(split);
  return arguments;
}

ProgramOptions ParseWindowsCommandLine(const std::vector<std::string>& arguments, const fs::path& appData) {
  std::vector<const char*> argv;
  for (const std::string& argument : arguments) argv.push_back(argument.c_str());
  const std::string configPath =
      appData.empty() ? std::string(SETTINGS_PATH) : Utf8(appData / L"CW Keblor" / SETTINGS_PATH);
  ProgramOptions options = ParseCommandLine(static_cast<int>(argv.size()), argv.data(), WINDOWS_OPTIONS, configPath);
  if (options.action == ProgramOptions::Action::Run) {
    std::error_code ec;
    const fs::path absolute = fs::absolute(fs::path(Widen(options.settingsPath)), ec);
    if (!ec) options.settingsPath = Utf8(absolute);
  }
  return options;
}

fs::path RoamingAppDataFolder() {
  PWSTR folder = nullptr;
  fs::path found;
  if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_RoamingAppData, 0, nullptr, &folder))) found = folder;
  CoTaskMemFree(folder);
  return found;
}

std::string WindowsUsage() {
  return "Usage: keblor [--settings FILE | --settings-in-config] [--input NAME]\n"
         "              [--rig MODEL [--rig-port PORT]] [--spots HOST:PORT --call CALL]\n"
         "       keblor --list-inputs\n"
         "A tuning aid for Morse code: the receiver's audio spectrum, live, with a pitch marker.\n"
         "\n" +
         OptionsHelp<ProgramOptions>(WINDOWS_OPTIONS) +
         "\n"
         "Without a settings option the settings are keblor.ini in the working folder.\n"
         "F1 in the program opens its help pages.\n";
}

}  // namespace keblor
