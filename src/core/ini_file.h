#pragma once
// The settings file at a path: read through a storage into a document, and replaced whole.

#include <filesystem>
#include <memory>
#include <string>

#include "core/ini_document.h"
#include "core/ini_storage.h"
#include "core/settings_file.h"

namespace keblor {

// Reads the whole file once per Load and once per Save; a Save hands the edited document's text
// to the storage, which replaces the file in one step (by default through IniTempPath(path) in
// the same directory, synced and renamed over the file, which keeps its permissions). A save
// that would make the file larger than INI_MAX_FILE_SIZE is refused, so that a file the program
// writes always reads back. A symbolic link at the path is followed, so the file it names is the
// one replaced. Prints nothing: a failure is the Save's result.
class IniFile : public SettingsFile {
 public:
  // On the standard library's storage.
  explicit IniFile(std::string path);
  IniFile(const std::filesystem::path& path, std::unique_ptr<IniStorage> storage);

  IniDocument Load() override;
  Status Save(const Edit& edit) override;

  // The path in UTF-8, as messages show it.
  const std::string& Path() const { return path_; }

 private:
  std::filesystem::path file_;
  std::string path_;
  std::unique_ptr<IniStorage> storage_;
};

}  // namespace keblor
