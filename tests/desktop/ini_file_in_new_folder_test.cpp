#include "desktop/ini_file_in_new_folder.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>

namespace keblor {
namespace {

namespace fs = std::filesystem;

// One save of one value.
Status SaveValue(SettingsFile& file, const char* key, const char* value) {
  return file.Save([key, value](IniDocument& document) {
    document.Set("General", key, value);
    return Status{};
  });
}

TEST(IniFileInNewFolder, TheFirstSaveMakesTheFolderForTheUserOnly) {
  QTemporaryDir tmp;
  const fs::path folder = fs::path(tmp.path().toStdString()) / "config" / "keblor";
  IniFileInNewFolder file((folder / "keblor.ini").string());
  EXPECT_EQ(file.Load().ReadInt("General", "Level", 7), 7);
  EXPECT_FALSE(fs::exists(folder));  // reading makes nothing

  const Status saved = SaveValue(file, "Level", "1");
  ASSERT_TRUE(saved.Ok()) << saved.reason;
  EXPECT_EQ(fs::status(folder).permissions() & fs::perms::all, fs::perms::owner_all);
  EXPECT_EQ(file.Load().ReadInt("General", "Level", 7), 1);
  ASSERT_TRUE(SaveValue(file, "Input", "cw2.monitor").Ok());  // the folder is there now
  EXPECT_EQ(file.Load().Find("General", "Input"), std::optional<std::string_view>("cw2.monitor"));
  EXPECT_EQ(file.Load().Find("General", "Channels"), std::nullopt);
}

TEST(IniFileInNewFolder, AFolderThatCannotBeMadeIsAFailedSave) {
  QTemporaryDir tmp;
  const fs::path blocker = fs::path(tmp.path().toStdString()) / "config";
  std::FILE* plainFile = std::fopen(blocker.c_str(), "w");  // a file where the folder would go
  ASSERT_NE(plainFile, nullptr);
  std::fclose(plainFile);
  IniFileInNewFolder file((blocker / "keblor" / "keblor.ini").string());
  const Status saved = SaveValue(file, "Level", "1");
  EXPECT_FALSE(saved.Ok());
  EXPECT_NE(saved.reason.find((blocker / "keblor").string()), std::string::npos) << saved.reason;
}

}  // namespace
}  // namespace keblor
