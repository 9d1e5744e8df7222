#pragma once
// The command line of the program and where its settings file lives. Parsed before Qt starts,
// so that --help and --version work without a display. Standard library only.

#include <optional>
#include <string>

#include "core/settings_file.h"  // SETTINGS_PATH

namespace keblor {

struct ProgramOptions {
  enum class Action { Run, ListInputs, Help, Version, Fail };
  // Where the audio comes from: the sound server when one answers, else PortAudio; or one of
  // them as the command line says.
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

// Reads argv[1..argc-1]: --settings FILE, --settings-in-config (the installed desktop entry's
// choice), --backend pulse|portaudio, --input NAME, --rig MODEL, --rig-port PORT, --list-inputs,
// -h/--help, --version. The first --help or --version wins over everything after it.
// Without a settings option the file is keblor.ini in the working folder.
ProgramOptions ParseProgramOptions(int argc, const char* const* argv);

// $XDG_CONFIG_HOME/keblor/keblor.ini, or ~/.config/keblor/keblor.ini when that variable is unset,
// empty or relative (as the XDG base directory rules say). Without a usable home either, the
// working folder's keblor.ini. The arguments are the variables' values or nullptr.
std::string ConfigSettingsPath(const char* xdgConfigHome, const char* home);

// What --help and --version print, each ending with a line end.
std::string ProgramUsage();
std::string ProgramVersion();

}  // namespace keblor
