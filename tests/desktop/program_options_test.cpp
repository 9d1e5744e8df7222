// Where the program keeps its settings: the command line's choice, the user's config folder by
// the XDG rules, and that folder made on the first save.
#include "desktop/program_options.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

namespace keblor {
namespace {

namespace fs = std::filesystem;

ProgramOptions Parse(const std::vector<const char*>& args) {
  std::vector<const char*> argv{"keblor"};
  argv.insert(argv.end(), args.begin(), args.end());
  return ParseProgramOptions(static_cast<int>(argv.size()), argv.data());
}

// Each command line is refused with an error that starts with `option`.
void ExpectRefused(std::initializer_list<std::vector<const char*>> commandLines, const std::string& option) {
  for (const auto& args : commandLines) {
    const ProgramOptions bad = Parse(args);
    EXPECT_EQ(bad.action, ProgramOptions::Action::Fail) << args.back();
    EXPECT_EQ(bad.error.rfind(option, 0), 0u) << bad.error;
  }
}

// Sets an environment variable for one test and puts the old value back.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    ::setenv(name, value, 1);
  }
  ~ScopedEnv() {
    if (old_) ::setenv(name_, old_->c_str(), 1);
    else ::unsetenv(name_);
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const char* name_;
  std::optional<std::string> old_;
};

TEST(ProgramOptions, TheSettingsFileIsChosenOnce) {
  const ScopedEnv config("XDG_CONFIG_HOME", "/home/op/.cfg");
  const ProgramOptions plain = Parse({});
  EXPECT_EQ(plain.action, ProgramOptions::Action::Run);
  EXPECT_EQ(plain.settingsPath, "keblor.ini");
  EXPECT_FALSE(plain.settingsInConfig);

  const ProgramOptions given = Parse({"--settings", "/srv/rig two.ini"});
  EXPECT_EQ(given.action, ProgramOptions::Action::Run);
  EXPECT_EQ(given.settingsPath, "/srv/rig two.ini");
  EXPECT_FALSE(given.settingsInConfig);

  const ProgramOptions desktop = Parse({"--settings-in-config"});
  EXPECT_EQ(desktop.action, ProgramOptions::Action::Run);
  EXPECT_EQ(desktop.settingsPath, "/home/op/.cfg/keblor/keblor.ini");
  EXPECT_TRUE(desktop.settingsInConfig);

  ExpectRefused({{"--settings"}, {"--settings", ""}, {"--settings", "a.ini", "--settings-in-config"}}, "--settings");
}

TEST(ProgramOptions, TheBackEndIsTheSoundServersUnlessNamed) {
  using BackEnd = ProgramOptions::BackEnd;
  EXPECT_EQ(Parse({}).backEnd, BackEnd::Auto);
  EXPECT_EQ(Parse({"--backend", "pulse"}).backEnd, BackEnd::Pulse);
  EXPECT_EQ(Parse({"--backend", "portaudio", "--settings", "a.ini"}).backEnd, BackEnd::PortAudio);
  ExpectRefused({{"--backend"}, {"--backend", "alsa"}}, "--backend: ");
}

TEST(ProgramOptions, TheInputIsNamedOnceOrTheInputsAreListed) {
  EXPECT_EQ(Parse({}).input, "");
  const ProgramOptions named = Parse({"--input", "Monitor of Rig", "--settings", "a.ini"});
  EXPECT_EQ(named.action, ProgramOptions::Action::Run);
  EXPECT_EQ(named.input, "Monitor of Rig");
  EXPECT_EQ(Parse({"--backend", "portaudio", "--list-inputs"}).action, ProgramOptions::Action::ListInputs);
  EXPECT_EQ(Parse({"--list-inputs", "--help"}).action, ProgramOptions::Action::Help);
  ExpectRefused({{"--input"}, {"--input", ""}, {"--input", "a", "--input", "b"}}, "--input: ");
}

TEST(ProgramOptions, TheRigIsAModelNumberAndAPort) {
  EXPECT_FALSE(Parse({}).rigModel);
  const ProgramOptions rig = Parse({"--rig", "2", "--rig-port", "localhost:4532"});
  EXPECT_EQ(rig.rigModel, 2);
  EXPECT_EQ(rig.rigPort, "localhost:4532");
  EXPECT_EQ(Parse({"--rig", "0"}).rigModel, 0);
  EXPECT_FALSE(Parse({"--rig", "0"}).rigPort);
  ExpectRefused({{"--rig"}, {"--rig", "-1"}, {"--rig", "ic7300"}, {"--rig", "2x"}, {"--rig", ""},
                 {"--rig", "1", "--rig", "2"}},
                "--rig: ");
  ExpectRefused({{"--rig-port"}, {"--rig-port", ""}, {"--rig-port", "a", "--rig-port", "b"}}, "--rig-port: ");
}

TEST(ProgramOptions, TheSpotFeedIsAHostAPortAndACall) {
  const ProgramOptions spots = Parse({"--spots", "telnet.reversebeacon.net:7000", "--call", "N0CALL"});
  EXPECT_EQ(spots.spotsHost, "telnet.reversebeacon.net");
  EXPECT_EQ(spots.spotsPort, 7000);
  EXPECT_EQ(spots.spotsCall, "N0CALL");
  EXPECT_EQ(Parse({"--spots", "::1:1"}).spotsHost, "::1");
  EXPECT_EQ(Parse({"--spots", "h:65535"}).spotsPort, 65535);
  ExpectRefused({{"--spots"}, {"--spots", "h"}, {"--spots", ":7000"}, {"--spots", "h:0"}, {"--spots", "h:65536"},
                 {"--spots", "h:7x"}, {"--spots", "h:1", "--spots", "h:2"}},
                "--spots: ");
  ExpectRefused({{"--call"}, {"--call", ""}, {"--call", "N0 CALL"}, {"--call", "a", "--call", "b"}}, "--call: ");
}

TEST(ProgramOptions, ConfigFolderFollowsTheXdgRules) {
  EXPECT_EQ(ConfigSettingsPath("/home/op/.cfg/", "/home/op"), "/home/op/.cfg/keblor/keblor.ini");
  EXPECT_EQ(ConfigSettingsPath(nullptr, "/home/op"), "/home/op/.config/keblor/keblor.ini");
  EXPECT_EQ(ConfigSettingsPath("", "/home/op"), "/home/op/.config/keblor/keblor.ini");
  EXPECT_EQ(ConfigSettingsPath("cfg", "/home/op"), "/home/op/.config/keblor/keblor.ini");  // relative: ignored
  EXPECT_EQ(ConfigSettingsPath(nullptr, nullptr), "keblor.ini");
  EXPECT_EQ(ConfigSettingsPath(nullptr, ""), "keblor.ini");
}

}  // namespace
}  // namespace keblor
