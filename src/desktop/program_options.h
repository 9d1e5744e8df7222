#pragma once
// The Linux program's command line: the common options, --backend, and the settings in the
// XDG config folder. Parsed before Qt starts, so that --help and --version work without a
// display. Standard library only.

#include <string>

#include "desktop/command_line.h"

namespace keblor {

// Reads argv[1..argc-1] as ParseCommandLine does, with --backend pulse|portaudio besides the
// common options; --settings-in-config (the installed desktop entry's choice) is
// ConfigSettingsPath of the environment.
ProgramOptions ParseProgramOptions(int argc, const char* const* argv);

// $XDG_CONFIG_HOME/keblor/keblor.ini, or ~/.config/keblor/keblor.ini when that variable is unset,
// empty or relative (as the XDG base directory rules say). Without a usable home either, the
// working folder's keblor.ini. The arguments are the variables' values or nullptr.
std::string ConfigSettingsPath(const char* xdgConfigHome, const char* home);

// What --help prints, ending with a line end.
std::string ProgramUsage();

}  // namespace keblor
