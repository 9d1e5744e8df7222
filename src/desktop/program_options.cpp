#include "desktop/program_options.h"

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string_view>
#include <system_error>

namespace keblor {
namespace {

namespace fs = std::filesystem;

ProgramOptions Failed(std::string error) {
  ProgramOptions options;
  options.action = ProgramOptions::Action::Fail;
  options.error = std::move(error);
  return options;
}

}  // namespace

ProgramOptions ParseProgramOptions(int argc, const char* const* argv) {
  ProgramOptions options;
  bool settingsGiven = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "-h" || arg == "--help") {
      options.action = ProgramOptions::Action::Help;
      return options;
    }
    if (arg == "--version") {
      options.action = ProgramOptions::Action::Version;
      return options;
    }
    if (arg == "--settings" || arg == "--settings-in-config") {
      if (settingsGiven) return Failed(std::string(arg) + ": the settings file is already chosen");
      settingsGiven = true;
      if (arg == "--settings-in-config") {
        options.settingsPath = ConfigSettingsPath(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"));
        options.settingsInConfig = true;
        continue;
      }
      if (i + 1 >= argc) return Failed("--settings: missing settings file name");
      options.settingsPath = argv[++i];
      if (options.settingsPath.empty()) return Failed("--settings: empty settings file name");
    } else if (arg == "--list-inputs") {
      options.action = ProgramOptions::Action::ListInputs;
    } else if (arg == "--input") {
      if (!options.input.empty()) return Failed("--input: the input is already chosen");
      if (i + 1 >= argc) return Failed("--input: missing input name");
      options.input = argv[++i];
      if (options.input.empty()) return Failed("--input: empty input name");
    } else if (arg == "--rig") {
      if (options.rigModel) return Failed("--rig: the rig is already chosen");
      if (i + 1 >= argc) return Failed("--rig: missing rig model");
      const std::string_view model = argv[++i];
      int number = 0;
      const auto [end, error] = std::from_chars(model.data(), model.data() + model.size(), number);
      if (error != std::errc() || end != model.data() + model.size() || number < 0)
        return Failed("--rig: " + std::string(model) + ": not a rig model number");
      options.rigModel = number;
    } else if (arg == "--rig-port") {
      if (options.rigPort) return Failed("--rig-port: the port is already chosen");
      if (i + 1 >= argc) return Failed("--rig-port: missing port");
      options.rigPort = argv[++i];
      if (options.rigPort->empty()) return Failed("--rig-port: empty port");
    } else if (arg == "--backend") {
      if (i + 1 >= argc) return Failed("--backend: missing back end (pulse or portaudio)");
      const std::string_view name = argv[++i];
      if (name == "pulse") {
        options.backEnd = ProgramOptions::BackEnd::Pulse;
      } else if (name == "portaudio") {
        options.backEnd = ProgramOptions::BackEnd::PortAudio;
      } else {
        return Failed("--backend: " + std::string(name) + ": not pulse or portaudio");
      }
    } else if (arg.size() > 1 && arg[0] == '-') {
      return Failed(std::string(arg) + ": unknown option");
    } else {
      return Failed(std::string(arg) + ": unexpected argument");
    }
  }
  return options;
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
         "              [--rig MODEL [--rig-port PORT]]\n"
         "       keblor [--backend NAME] --list-inputs\n"
         "A tuning aid for Morse code: the receiver's audio spectrum, live, with a pitch marker.\n"
         "\n"
         "  --settings FILE       read and save the settings in FILE\n"
         "  --settings-in-config  read and save them in $XDG_CONFIG_HOME/keblor/keblor.ini,\n"
         "                        by default ~/.config/keblor/keblor.ini; the program's\n"
         "                        entry in the desktop menu starts it this way\n"
         "  --backend NAME        capture through the sound server (pulse) or through\n"
         "                        PortAudio (portaudio: ALSA, JACK); without it the sound\n"
         "                        server when one answers, else PortAudio\n"
         "  --input NAME          capture from this input, named as --list-inputs prints it\n"
         "                        (its id or its name); a save keeps it in the settings\n"
         "  --rig MODEL           control the rig of this Hamlib model number (0: none; 2 is\n"
         "                        rigctld, 1 Hamlib's dummy rig); a save keeps it\n"
         "  --rig-port PORT       the rig's serial device, or host:port of rigctld\n"
         "  --list-inputs         print the inputs, one a line: the id, a tab and the name\n"
         "  -h, --help            show this help and exit\n"
         "      --version         show the version and exit\n"
         "\n"
         "Without a settings option the settings are keblor.ini in the working folder.\n"
         "Qt takes its own settings from the environment, such as QT_QPA_PLATFORM or DISPLAY.\n"
         "F1 in the program opens its help pages; `man keblor` tells more.\n";
}

std::string ProgramVersion() { return "keblor (CW Keblor) " KEBLOR_VERSION "\n"; }

}  // namespace keblor
