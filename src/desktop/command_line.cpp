#include "desktop/command_line.h"

#include <array>
#include <charconv>

namespace keblor {
namespace {

using Action = ProgramOptions::Action;

std::string ChooseSettingsFile(ProgramOptions& options, std::string_view file) {
  if (!options.settingsPath.empty() || options.settingsInConfig) return "the settings file is already chosen";
  if (file.empty()) return "empty settings file name";
  options.settingsPath = file;
  return {};
}

std::string ChooseConfigSettings(ProgramOptions& options, std::string_view) {
  if (!options.settingsPath.empty() || options.settingsInConfig) return "the settings file is already chosen";
  options.settingsInConfig = true;
  return {};
}

std::string ChooseInput(ProgramOptions& options, std::string_view name) {
  if (!options.input.empty()) return "the input is already chosen";
  if (name.empty()) return "empty input name";
  options.input = name;
  return {};
}

std::string ChooseRigModel(ProgramOptions& options, std::string_view model) {
  if (options.rigModel) return "the rig is already chosen";
  int number = 0;
  const auto [end, error] = std::from_chars(model.data(), model.data() + model.size(), number);
  if (model.empty() || error != std::errc() || end != model.data() + model.size() || number < 0)
    return std::string(model) + ": not a rig model number";
  options.rigModel = number;
  return {};
}

std::string ChooseRigPort(ProgramOptions& options, std::string_view port) {
  if (options.rigPort) return "the port is already chosen";
  if (port.empty()) return "empty port";
  options.rigPort = std::string(port);
  return {};
}

std::string SetAction(ProgramOptions& options, Action action) {
  options.action = action;
  return {};
}

// The options both programs share, one line each; an option of one program only goes into that
// program's own table.
constexpr std::array COMMON_OPTIONS{
    CommandLineOption{"--settings", "settings file name", ChooseSettingsFile},
    CommandLineOption{"--settings-in-config", {}, ChooseConfigSettings},
    CommandLineOption{"--input", "input name", ChooseInput},
    CommandLineOption{"--rig", "rig model", ChooseRigModel},
    CommandLineOption{"--rig-port", "port", ChooseRigPort},
    CommandLineOption{"--list-inputs", {}, [](ProgramOptions& o, std::string_view) { return SetAction(o, Action::ListInputs); }},
    CommandLineOption{"-h", {}, [](ProgramOptions& o, std::string_view) { return SetAction(o, Action::Help); }},
    CommandLineOption{"--help", {}, [](ProgramOptions& o, std::string_view) { return SetAction(o, Action::Help); }},
    CommandLineOption{"--version", {}, [](ProgramOptions& o, std::string_view) { return SetAction(o, Action::Version); }},
};

const CommandLineOption* Find(std::string_view name, std::span<const CommandLineOption> platform) {
  for (const std::span<const CommandLineOption> table : {CommonOptions(), platform}) {
    for (const CommandLineOption& option : table) {
      if (option.name == name) return &option;
    }
  }
  return nullptr;
}

ProgramOptions Failed(std::string error) {
  ProgramOptions options;
  options.action = Action::Fail;
  options.error = std::move(error);
  return options;
}

}  // namespace

std::span<const CommandLineOption> CommonOptions() { return COMMON_OPTIONS; }

ProgramOptions ParseCommandLine(int argc, const char* const* argv, std::span<const CommandLineOption> platformOptions,
                                const std::string& configSettingsPath) {
  ProgramOptions options;
  options.settingsPath.clear();
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    const CommandLineOption* option = Find(arg, platformOptions);
    if (option == nullptr) {
      return Failed(std::string(arg) + (arg.size() > 1 && arg[0] == '-' ? ": unknown option" : ": unexpected argument"));
    }
    std::string_view value;
    if (!option->valueName.empty()) {
      if (i + 1 >= argc) return Failed(std::string(arg) + ": missing " + std::string(option->valueName));
      value = argv[++i];
    }
    const std::string refused = option->apply(options, value);
    if (!refused.empty()) return Failed(std::string(arg) + ": " + refused);
    if (options.action == Action::Help || options.action == Action::Version) return options;
  }
  if (options.settingsInConfig) {
    options.settingsPath = configSettingsPath;
  } else if (options.settingsPath.empty()) {
    options.settingsPath = SETTINGS_PATH;
  }
  return options;
}

std::string UsageErrorLine(const ProgramOptions& refused) { return "keblor: " + refused.error + " (see keblor --help)\n"; }

std::string ProgramVersion() { return "keblor (CW Keblor) " KEBLOR_VERSION "\n"; }

}  // namespace keblor
