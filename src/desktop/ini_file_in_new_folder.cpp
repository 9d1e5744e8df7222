#include "desktop/ini_file_in_new_folder.h"

#include <filesystem>
#include <memory>
#include <string_view>
#include <system_error>

namespace keblor {

namespace fs = std::filesystem;

namespace {

// The standard storage, making the file's missing folders before the first replace.
class FolderMakingStorage final : public IniStorage {
 public:
  IniRead ReadAll(const fs::path& path, std::string& content, std::string& why) override {
    return inner_->ReadAll(path, content, why);
  }
  bool ReplaceAll(const fs::path& path, std::string_view content, std::string& why) override {
    const fs::path folder = path.parent_path();
    std::error_code ec;
    if (!folder.empty() && !fs::is_directory(folder, ec)) {
      fs::create_directories(folder, ec);
      if (!ec) fs::permissions(folder, fs::perms::owner_all, ec);
      if (ec) {
        why = "cannot create the folder " + folder.string() + ": " + ec.message();
        return false;
      }
    }
    return inner_->ReplaceAll(path, content, why);
  }

 private:
  std::unique_ptr<IniStorage> inner_ = MakeStandardIniStorage();
};

}  // namespace

IniFileInNewFolder::IniFileInNewFolder(std::string path)
    : IniFile(fs::path(path), std::make_unique<FolderMakingStorage>()) {}

}  // namespace keblor
