#pragma once
// The program's command line on every platform: a table of options, each changing a
// ProgramOptions, read before any window or sound is made. A platform adds its own options to the
// common ones and says where its config folder keeps the settings. Standard library only.

#include <optional>
#include <span>
#include <string>
#include <string_view>

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
  std::string error;                         // for Fail: one line without its line end
};

// One option: its name ("--input", "-h"), what its value (the next argument) is, for the
// message when it is missing ("input name"; empty for an option without one), and how it changes
// the options. `apply` returns why the option is refused (the text after "NAME: "), or
// nothing. While the command line is read, settingsPath stays empty until a settings option
// chooses the file.
struct CommandLineOption {
  std::string_view name;
  std::string_view valueName;
  std::string (*apply)(ProgramOptions& options, std::string_view value) = nullptr;
};

// Every platform's options: --settings FILE, --settings-in-config, --input NAME, --rig MODEL,
// --rig-port PORT, --list-inputs, -h/--help, --version.
std::span<const CommandLineOption> CommonOptions();

// Reads argv[1..argc-1] (UTF-8) with the common options and the platform's. The first --help or
// --version wins over everything after it; anything else unknown is refused. --settings-in-config
// chooses `configSettingsPath`; without a settings option the file is SETTINGS_PATH in the working
// folder.
ProgramOptions ParseCommandLine(int argc, const char* const* argv, std::span<const CommandLineOption> platformOptions,
                                const std::string& configSettingsPath);

// The line a refused command line prints, with its line end: "keblor: ERROR (see keblor --help)".
std::string UsageErrorLine(const ProgramOptions& refused);

// What --version prints, ending with a line end.
std::string ProgramVersion();

}  // namespace keblor
