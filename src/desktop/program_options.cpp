#include "desktop/program_options.h"

#include <cstdlib>
#include <filesystem>
#include <string_view>

namespace keblor {
namespace {

namespace fs = std::filesystem;

std::string ChooseBackEnd(ProgramOptions& options, std::string_view name) {
  if (name == "pulse") {
    options.backEnd = ProgramOptions::BackEnd::Pulse;
  } else if (name == "portaudio") {
    options.backEnd = ProgramOptions::BackEnd::PortAudio;
  } else {
    return std::string(name) + ": not pulse or portaudio";
  }
  return {};
}

// The options in the order --help lists them.
constexpr ProgramOption LINUX_OPTIONS[]{
    SETTINGS_OPTION,
    SettingsInConfigOption("read and save them in $XDG_CONFIG_HOME/keblor/keblor.ini,\n"
                           "by default ~/.config/keblor/keblor.ini; the program's\n"
                           "entry in the desktop menu starts it this way"),
    {"--backend", "NAME", "back end (pulse or portaudio)",
     "capture through the sound server (pulse) or through\n"
     "PortAudio (portaudio: ALSA, JACK); without it the sound\n"
     "server when one answers, else PortAudio",
     ChooseBackEnd},
    INPUT_OPTION,
    RigOption("control the rig of this Hamlib model number (0: none; 2 is\n"
              "rigctld, 1 Hamlib's dummy rig); a save keeps it"),
    RigPortOption("the rig's serial device, or host:port of rigctld"),
    SPOTS_OPTION,
    CALL_OPTION,
    LIST_INPUTS_OPTION,
    HELP_OPTION,
    VERSION_OPTION,
};

}  // namespace

ProgramOptions ParseProgramOptions(int argc, const char* const* argv) {
  return ParseCommandLine(argc, argv, LINUX_OPTIONS, ConfigSettingsPath(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME")));
}

std::string ConfigSettingsPath(const char* xdgConfigHome, const char* home) {
  fs::path folder;
  if (xdgConfigHome != nullptr && fs::path(xdgConfigHome).is_absolute()) {
    folder = xdgConfigHome;
  } else if (home != nullptr && fs::path(home).is_absolute()) {
    folder = fs::path(home) / ".config";
  } else {
    return SETTINGS_PATH;
  }
  return (folder / "keblor" / SETTINGS_PATH).lexically_normal().string();
}

std::string ProgramUsage() {
  return "Usage: keblor [--settings FILE | --settings-in-config] [--backend NAME] [--input NAME]\n"
         "              [--rig MODEL [--rig-port PORT]] [--spots HOST:PORT --call CALL]\n"
         "       keblor [--backend NAME] --list-inputs\n"
         "A tuning aid for Morse code: the receiver's audio spectrum, live, with a pitch marker.\n"
         "\n" +
         OptionsHelp<ProgramOptions>(LINUX_OPTIONS) +
         "\n"
         "Without a settings option the settings are keblor.ini in the working folder.\n"
         "Qt takes its own settings from the environment, such as QT_QPA_PLATFORM or DISPLAY.\n"
         "F1 in the program opens its help pages; `man keblor` tells more.\n";
}

}  // namespace keblor
