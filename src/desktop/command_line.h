#pragma once
// The program's command line on every platform: a table of options, each changing a
// ProgramOptions, read before any window or sound is made. A platform lists the common options
// with its own and says where its config folder keeps the settings. Standard library only.

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "base/option_table.h"
#include "core/settings_file.h"  // SETTINGS_PATH

namespace keblor {

// A refused command line ends the program with this status, after one line on standard error.
constexpr int EXIT_USAGE = 2;

struct ProgramOptions {
  enum class Action { Run, ListInputs, Help, Version, Fail };
  // Where the audio comes from: the sound server when one answers, else PortAudio; or one of
  // them as the command line says. Only the Linux program has the choice.
  enum class BackEnd { Auto, Pulse, PortAudio };
  Action action = Action::Run;
  BackEnd backEnd = BackEnd::Auto;
  std::string settingsPath = SETTINGS_PATH;  // for Run: the settings file to read and save
  bool settingsInConfig = false;             // settingsPath is the one in the user's config folder
  std::string input;                         // for Run: the input to capture from; empty: as set
  std::optional<int> rigModel;               // for Run: the rig's Hamlib model instead of the settings'
  std::optional<std::string> rigPort;        // for Run: its port instead of the settings'
  std::optional<std::string> spotsHost;      // for Run: the spot feed instead of the settings'
  std::optional<int> spotsPort;
  std::optional<std::string> spotsCall;      // the call its login is answered with
  std::string error;                         // for Fail: one line without its line end
};

using ProgramOption = OptionRow<ProgramOptions>;

// How the options every platform has change ProgramOptions. While the command line is read,
// settingsPath stays empty until a settings option chooses the file.
namespace option_handlers {
std::string SettingsFile(ProgramOptions& options, std::string_view file);
std::string SettingsInConfig(ProgramOptions& options, std::string_view);
std::string Input(ProgramOptions& options, std::string_view name);
std::string RigModel(ProgramOptions& options, std::string_view model);
std::string RigPort(ProgramOptions& options, std::string_view port);
std::string Spots(ProgramOptions& options, std::string_view hostAndPort);
std::string Call(ProgramOptions& options, std::string_view call);
std::string ListInputs(ProgramOptions& options, std::string_view);
std::string Help(ProgramOptions& options, std::string_view);
std::string Version(ProgramOptions& options, std::string_view);
}  // namespace option_handlers

// The rows of the options every platform has, each written once; a platform's table lists them
// in its order with its own options, and gives the help where the platforms differ.
inline constexpr ProgramOption SETTINGS_OPTION{"--settings", "FILE", "settings file name",
                                               "read and save the settings in FILE", option_handlers::SettingsFile};
constexpr ProgramOption SettingsInConfigOption(std::string_view help) {
  return {"--settings-in-config", {}, {}, help, option_handlers::SettingsInConfig};
}
inline constexpr ProgramOption INPUT_OPTION{"--input", "NAME", "input name",
                                            "capture from this input, named as --list-inputs prints it\n"
                                            "(its id or its name); a save keeps it in the settings",
                                            option_handlers::Input};
constexpr ProgramOption RigOption(std::string_view help) {
  return {"--rig", "MODEL", "rig model", help, option_handlers::RigModel};
}
constexpr ProgramOption RigPortOption(std::string_view help) {
  return {"--rig-port", "PORT", "port", help, option_handlers::RigPort};
}
inline constexpr ProgramOption SPOTS_OPTION{"--spots", "HOST:PORT", "spot feed",
                                            "draw the spots of this DX cluster or Reverse Beacon\n"
                                            "Network telnet feed; a save keeps it",
                                            option_handlers::Spots};
inline constexpr ProgramOption CALL_OPTION{"--call", "CALL", "call", "your call, for the spot feed's login",
                                           option_handlers::Call};
inline constexpr ProgramOption LIST_INPUTS_OPTION{
    "--list-inputs", {}, {}, "print the inputs, one a line: the id, a tab and the name", option_handlers::ListInputs};
inline constexpr ProgramOption HELP_OPTION{"-h, --help", {}, {}, "show this help and exit", option_handlers::Help, true};
inline constexpr ProgramOption VERSION_OPTION{"    --version", {}, {}, "show the version and exit",
                                              option_handlers::Version, true};

// Reads argv[1..argc-1] (UTF-8) through the platform's `table`. The first --help or --version
// wins over everything after it; anything else unknown is refused. --settings-in-config chooses
// `configSettingsPath`; without a settings option the file is SETTINGS_PATH in the working folder.
ProgramOptions ParseCommandLine(int argc, const char* const* argv, std::span<const ProgramOption> table,
                                const std::string& configSettingsPath);

// The line a refused command line prints, with its line end: "keblor: ERROR (see keblor --help)".
std::string UsageErrorLine(const ProgramOptions& refused);

// What --version prints, ending with a line end.
std::string ProgramVersion();

}  // namespace keblor
