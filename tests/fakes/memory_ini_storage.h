#pragma once
// A storage in memory for the real IniFile: the file's bytes or no file, every read and replace
// counted.

#include <optional>
#include <string>

#include "core/ini_storage.h"

namespace keblor::test {

class MemoryIniStorage : public IniStorage {
 public:
  explicit MemoryIniStorage(std::optional<std::string> bytes = std::nullopt) : file(std::move(bytes)) {}
  IniRead ReadAll(const std::filesystem::path&, std::string& content, std::string& why) override {
    ++reads;
    content.clear();
    if (!file) return IniRead::Missing;
    if (file->size() > INI_MAX_FILE_SIZE) {
      why = "larger than " + std::to_string(INI_MAX_FILE_SIZE) + " bytes";
      return IniRead::Failed;
    }
    content = *file;
    return IniRead::Ok;
  }
  bool ReplaceAll(const std::filesystem::path&, std::string_view content, std::string& why) override {
    ++replaces;
    if (!failReplace.empty()) {
      why = failReplace;
      return false;
    }
    file = std::string(content);
    return true;
  }

  std::optional<std::string> file;  // nothing: there is no file
  std::string failReplace;          // when set, every replace fails with this reason
  int reads = 0;
  int replaces = 0;
};

}  // namespace keblor::test
