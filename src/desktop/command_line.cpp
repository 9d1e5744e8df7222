#include "desktop/command_line.h"

#include <charconv>

namespace keblor {
namespace {

using Action = ProgramOptions::Action;

std::string SetAction(ProgramOptions& options, Action action) {
  options.action = action;
  return {};
}

}  // namespace

namespace option_handlers {

std::string SettingsFile(ProgramOptions& options, std::string_view file) {
  if (!options.settingsPath.empty() || options.settingsInConfig) return "the settings file is already chosen";
  if (file.empty()) return "empty settings file name";
  options.settingsPath = file;
  return {};
}

std::string SettingsInConfig(ProgramOptions& options, std::string_view) {
  if (!options.settingsPath.empty() || options.settingsInConfig) return "the settings file is already chosen";
  options.settingsInConfig = true;
  return {};
}

std::string Input(ProgramOptions& options, std::string_view name) {
  if (!options.input.empty()) return "the input is already chosen";
  if (name.empty()) return "empty input name";
  options.input = name;
  return {};
}

std::string RigModel(ProgramOptions& options, std::string_view model) {
  if (options.rigModel) return "the rig is already chosen";
  int number = 0;
  const auto [end, error] = std::from_chars(model.data(), model.data() + model.size(), number);
  if (model.empty() || error != std::errc() || end != model.data() + model.size() || number < 0)
    return std::string(model) + ": not a rig model number";
  options.rigModel = number;
  return {};
}

std::string RigPort(ProgramOptions& options, std::string_view port) {
  if (options.rigPort) return "the port is already chosen";
  if (port.empty()) return "empty port";
  options.rigPort = std::string(port);
  return {};
}

std::string Spots(ProgramOptions& options, std::string_view hostAndPort) {
  if (options.spotsHost) return "the spot feed is already chosen";
  const std::size_t colon = hostAndPort.rfind(':');
  int port = 0;
  const std::string_view digits = colon == std::string_view::npos ? std::string_view() : hostAndPort.substr(colon + 1);
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), port);
  if (colon == 0 || digits.empty() || error != std::errc() || end != digits.data() + digits.size() || port < 1 ||
      port > 65535)
    return std::string(hostAndPort) + ": not HOST:PORT";
  options.spotsHost = std::string(hostAndPort.substr(0, colon));
  options.spotsPort = port;
  return {};
}

std::string Call(ProgramOptions& options, std::string_view call) {
  if (options.spotsCall) return "the call is already chosen";
  if (call.empty() || call.find_first_of(" \t") != std::string_view::npos) return std::string(call) + ": not a call";
  options.spotsCall = std::string(call);
  return {};
}

std::string ListInputs(ProgramOptions& options, std::string_view) { return SetAction(options, Action::ListInputs); }
std::string Help(ProgramOptions& options, std::string_view) { return SetAction(options, Action::Help); }
std::string Version(ProgramOptions& options, std::string_view) { return SetAction(options, Action::Version); }

}  // namespace option_handlers

ProgramOptions ParseCommandLine(int argc, const char* const* argv, std::span<const ProgramOption> table,
                                const std::string& configSettingsPath) {
  ProgramOptions options;
  options.settingsPath.clear();
  std::string refused = ReadCommandLine(argc, argv, table, options);
  if (!refused.empty()) {
    ProgramOptions failed;
    failed.action = Action::Fail;
    failed.error = std::move(refused);
    return failed;
  }
  if (options.action == Action::Help || options.action == Action::Version) return options;
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
