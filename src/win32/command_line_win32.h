#pragma once
// keblor.exe's command line: the common options (no --backend: wave input is the one back end),
// read from the wide command line the system keeps, with the settings of --settings-in-config in
// the user's roaming application data folder.

#include <filesystem>
#include <string>
#include <vector>

#include "desktop/command_line.h"

namespace keblor {

// The program's name and its arguments, split as the C runtime splits them (quotes and
// backslashes), in UTF-8.
std::vector<std::string> CommandLineArguments(const wchar_t* commandLine);

// `arguments` (the program's name first) read with the common options. --settings-in-config is
// "<appData>\CW Keblor\keblor.ini", or keblor.ini in the working folder when appData is empty; a
// settings file is then named by its absolute path, so that a later change of the working folder
// (a file dialog's) does not move it.
ProgramOptions ParseWindowsCommandLine(const std::vector<std::string>& arguments, const std::filesystem::path& appData);

// The user's roaming application data folder (%APPDATA%); empty when the system names none.
std::filesystem::path RoamingAppDataFolder();

// What --help prints on Windows, ending with a line end.
std::string WindowsUsage();

}  // namespace keblor
