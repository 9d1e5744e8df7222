#include "win32/settings_file_win32.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/ini_file.h"
#include "temp_folder.h"

namespace keblor {
namespace {

namespace fs = std::filesystem;

class Win32SettingsFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(folder_.Path().empty());
    // A name outside every ANSI code page: only the wide calls reach it.
    dir_ = folder_.Path() / L"J\u00fcrgen \u65e5\u672c";
    ASSERT_TRUE(fs::create_directory(dir_));
    path_ = dir_ / L"keblor.ini";
  }

  static void WriteBytes(const fs::path& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary);
    out << content;
  }
  static std::string ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  std::vector<std::wstring> Names() const {
    std::vector<std::wstring> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(dir_)) names.push_back(entry.path().filename().native());
    return names;
  }

  TempFolder folder_{"keblor_win32"};
  fs::path dir_;
  fs::path path_;
};

// One save of one value.
Status SaveValue(SettingsFile& file, const char* section, const char* key, const char* value) {
  return file.Save([=](IniDocument& document) {
    document.Set(section, key, value);
    return Status{};
  });
}

TEST_F(Win32SettingsFileTest, NonAsciiFolderIsCreatedReadAndReplaced) {
  const std::unique_ptr<SettingsFile> file = OpenSettingsFile(path_);
  EXPECT_EQ(file->Load().ReadInt("General", "Channels", 1), 1);
  Status saved = SaveValue(*file, "General", "Channels", "2");  // a new file
  ASSERT_TRUE(saved.Ok()) << saved.reason;
  saved = SaveValue(*file, "VFO-A", "Pitch", "700");  // replaces it
  ASSERT_TRUE(saved.Ok()) << saved.reason;
  EXPECT_EQ(ReadBytes(path_), "[General]\nChannels=2\n[VFO-A]\nPitch=700\n");
  const IniDocument loaded = file->Load();
  EXPECT_EQ(loaded.ReadInt("general", "channels", 1), 2);
  EXPECT_EQ(loaded.Find("VFO-A", "Pitch"), std::optional<std::string_view>("700"));
  EXPECT_EQ(Names(), std::vector<std::wstring>{L"keblor.ini"});
}

TEST_F(Win32SettingsFileTest, SaveKeepsOtherLinesAndRemovesAStaleTemporaryFile) {
  WriteBytes(path_, "; mine\r\n[General]\r\nChannels=1\r\n");
  WriteBytes(dir_ / L"keblor.ini.tmp", "half written");
  const std::unique_ptr<SettingsFile> file = OpenSettingsFile(path_);
  const Status saved = SaveValue(*file, "General", "Channels", "2");
  ASSERT_TRUE(saved.Ok()) << saved.reason;
  EXPECT_EQ(ReadBytes(path_), "; mine\r\n[General]\r\nChannels=2\r\n");
  EXPECT_EQ(Names(), std::vector<std::wstring>{L"keblor.ini"});
}

TEST_F(Win32SettingsFileTest, FolderInTheWayOfTheTemporaryFileFailsTheSaveWithTheSystemsReason) {
  const std::string old = "[General]\r\nChannels=1\r\n";
  WriteBytes(path_, old);
  ASSERT_TRUE(fs::create_directory(dir_ / L"keblor.ini.tmp"));
  const std::unique_ptr<SettingsFile> file = OpenSettingsFile(path_);
  const Status saved = SaveValue(*file, "General", "Channels", "2");
  EXPECT_FALSE(saved.Ok());
  EXPECT_EQ(ReadBytes(path_), old);
  EXPECT_TRUE(fs::is_directory(dir_ / L"keblor.ini.tmp"));
  // The step, the file in UTF-8 and the system's message with its code, which may be
  // ERROR_ACCESS_DENIED or ERROR_FILE_EXISTS.
  const std::string& why = saved.reason;
  EXPECT_NE(why.find("cannot create"), std::string::npos) << why;
  EXPECT_NE(why.find("J\xC3\xBCrgen \xE6\x97\xA5\xE6\x9C\xAC\\keblor.ini.tmp: "), std::string::npos) << why;
  EXPECT_TRUE(why.ends_with(" (5)") || why.ends_with(" (80)")) << why;
}

TEST_F(Win32SettingsFileTest, ReadOnlyFileIsNotReplaced) {
  const std::string old = "[General]\r\nChannels=1\r\n";
  WriteBytes(path_, old);
  ASSERT_TRUE(SetFileAttributesW(path_.c_str(), FILE_ATTRIBUTE_READONLY));
  const std::unique_ptr<SettingsFile> file = OpenSettingsFile(path_);
  EXPECT_EQ(file->Load().ReadInt("General", "Channels", 0), 1);
  const Status saved = SaveValue(*file, "General", "Channels", "2");
  EXPECT_NE(saved.reason.find("cannot replace"), std::string::npos) << saved.reason;
  SetFileAttributesW(path_.c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(ReadBytes(path_), old);
  EXPECT_EQ(Names(), std::vector<std::wstring>{L"keblor.ini"});
}

TEST_F(Win32SettingsFileTest, FilesUpToTheSizeLimitAreReadAndLargerOnesGiveDefaults) {
  const std::string head = "[General]\nChannels=2\n";
  std::string content = head + ";" + std::string(INI_MAX_FILE_SIZE - head.size() - 2, 'x') + "\n";
  ASSERT_EQ(content.size(), INI_MAX_FILE_SIZE);
  WriteBytes(path_, content);
  const std::unique_ptr<SettingsFile> file = OpenSettingsFile(path_);
  EXPECT_EQ(file->Load().ReadInt("General", "Channels", 1), 2);

  WriteBytes(path_, content + "\n");
  EXPECT_EQ(file->Load().ReadInt("General", "Channels", 1), 1);
  const Status saved = SaveValue(*file, "General", "Channels", "3");
  EXPECT_NE(saved.reason.find("bytes"), std::string::npos) << saved.reason;
  EXPECT_EQ(fs::file_size(path_), INI_MAX_FILE_SIZE + 1);
}

TEST_F(Win32SettingsFileTest, FolderAtThePathGivesDefaultsAndIsLeftAlone) {
  ASSERT_TRUE(fs::create_directory(path_));
  const std::unique_ptr<SettingsFile> file = OpenSettingsFile(path_);
  EXPECT_EQ(file->Load().ReadInt("General", "BitsPerSample", 16), 16);
  EXPECT_FALSE(SaveValue(*file, "General", "BitsPerSample", "8").Ok());
  EXPECT_TRUE(fs::is_directory(path_));
  EXPECT_TRUE(fs::is_empty(path_));
}

}  // namespace
}  // namespace keblor
