#include "desktop/ini_file_in_new_folder.h"

#include <filesystem>
#include <memory>
#include <string_view>
#include <system_error>
#include <utility>

namespace keblor {

namespace fs = std::filesystem;

namespace {

class FolderMakingStorage final : public IniStorage {
 public:
  explicit FolderMakingStorage(std::unique_ptr<IniStorage> inner) : inner_(std::move(inner)) {}
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
        const std::u8string name = folder.u8string();
        why = "cannot create the folder " + std::string(name.begin(), name.end()) + ": " + ec.message();
        return false;
      }
    }
    return inner_->ReplaceAll(path, content, why);
  }

 private:
  std::unique_ptr<IniStorage> inner_;
};

}  // namespace

std::unique_ptr<IniStorage> MakeFolderMakingStorage(std::unique_ptr<IniStorage> inner) {
  return std::make_unique<FolderMakingStorage>(std::move(inner));
}

IniFileInNewFolder::IniFileInNewFolder(std::string path)
    : IniFile(fs::path(path), MakeFolderMakingStorage(MakeStandardIniStorage())) {}

}  // namespace keblor
