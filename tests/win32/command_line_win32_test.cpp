// keblor.exe's command line: the wide command line in UTF-8, the options it knows, and where the
// settings file goes.
#include "win32/command_line_win32.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "core/settings_file.h"
#include "temp_folder.h"
#include "win32/settings_file_win32.h"
#include "winapi/wide_text.h"

namespace keblor {
namespace {

namespace fs = std::filesystem;
using Action = ProgramOptions::Action;

fs::path PathOf(const ProgramOptions& options) { return fs::path(Widen(options.settingsPath)); }

// An input name outside every ANSI code page comes through whole; --backend is the Linux
// program's and is refused here like any unknown option.
TEST(WindowsCommandLine, ArgumentsArriveInUtf8WithTheCommonOptionsOnly) {
  const std::vector<std::string> arguments =
      CommandLineArguments(L"\"C:\\Program Files\\CW Keblor\\keblor.exe\" --input \"Mic (J\u00fcrgen \u65e5\u672c)\"");
  ASSERT_EQ(arguments.size(), 3u);
  EXPECT_EQ(arguments[0], "C:\\Program Files\\CW Keblor\\keblor.exe");
  const ProgramOptions named = ParseWindowsCommandLine(arguments, L"C:\\AppData");
  EXPECT_EQ(named.action, Action::Run);
  EXPECT_EQ(named.input, "Mic (J\xc3\xbcrgen \xe6\x97\xa5\xe6\x9c\xac)");

  const ProgramOptions backEnd = ParseWindowsCommandLine(CommandLineArguments(L"keblor.exe --backend pulse"), L"C:\\AppData");
  EXPECT_EQ(backEnd.action, Action::Fail);
  EXPECT_EQ(UsageErrorLine(backEnd), "keblor: --backend: unknown option (see keblor --help)\n");
}

class WindowsSettingsPlace : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(folder_.Path().empty());
    dir_ = folder_.Path() / L"J\u00fcrgen \u65e5\u672c";
    ASSERT_TRUE(fs::create_directory(dir_));
  }

  // The command line read in `dir_` as the working folder.
  ProgramOptions ParseIn(const std::wstring& commandLine, const fs::path& appData) {
    const fs::path before = fs::current_path();
    fs::current_path(dir_);
    ProgramOptions options = ParseWindowsCommandLine(CommandLineArguments(commandLine.c_str()), appData);
    fs::current_path(before);
    return options;
  }

  TempFolder folder_{"keblor_cmdline"};
  fs::path dir_;
};

// The working folder may change later (a file dialog's); the file named at the start does not.
TEST_F(WindowsSettingsPlace, AFileInTheWorkingFolderIsNamedByItsAbsolutePath) {
  const ProgramOptions plain = ParseIn(L"keblor.exe", L"C:\\AppData");
  EXPECT_TRUE(PathOf(plain).is_absolute());
  EXPECT_EQ(PathOf(plain), dir_ / L"keblor.ini");
  EXPECT_FALSE(plain.settingsInConfig);

  EXPECT_EQ(PathOf(ParseIn(L"keblor.exe --settings \"rig two.ini\"", L"C:\\AppData")), dir_ / L"rig two.ini");
  // Without an application data folder the Start menu's choice falls back to the working folder.
  EXPECT_EQ(PathOf(ParseIn(L"keblor.exe --settings-in-config", {})), dir_ / L"keblor.ini");
}

// The Start menu's settings: "CW Keblor\keblor.ini" in the application data folder, which the
// first save makes and a read leaves alone.
TEST_F(WindowsSettingsPlace, SettingsInConfigLiveInAFolderOfTheirOwnMadeOnTheFirstSave) {
  const fs::path appData = dir_ / L"Roaming";
  ASSERT_TRUE(fs::create_directory(appData));
  const ProgramOptions options = ParseIn(L"keblor.exe --settings-in-config", appData);
  ASSERT_EQ(options.action, Action::Run);
  EXPECT_TRUE(options.settingsInConfig);
  EXPECT_EQ(PathOf(options), appData / L"CW Keblor" / L"keblor.ini");

  const std::unique_ptr<SettingsFile> file = OpenSettingsFileInNewFolder(PathOf(options));
  EXPECT_EQ(file->Load().ReadInt("General", "Channels", 1), 1);
  EXPECT_FALSE(fs::exists(appData / L"CW Keblor"));
  const Status saved = file->Save([](IniDocument& document) {
    document.Set("General", "Channels", "2");
    return Status{};
  });
  EXPECT_TRUE(saved.Ok()) << saved.reason;
  EXPECT_EQ(OpenSettingsFile(PathOf(options))->Load().ReadInt("General", "Channels", 1), 2);
}

}  // namespace
}  // namespace keblor
