#pragma once
// A new, empty folder under the system's temporary folder for one test, removed with everything
// in it when the test ends.

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <string_view>
#include <system_error>

namespace keblor {

class TempFolder {
 public:
  // The folder is named `prefix` and a random suffix; a name already taken is never reused.
  explicit TempFolder(std::string_view prefix) {
    namespace fs = std::filesystem;
    std::random_device seed;
    std::mt19937_64 random(seed());
    std::error_code ec;
    for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
      const fs::path candidate = fs::temp_directory_path() / (std::string(prefix) + "_" + std::to_string(random() % 1000000000));
      if (fs::create_directory(candidate, ec) && !ec) path_ = candidate;
    }
    if (path_.empty()) ADD_FAILURE() << "no temporary folder: " << ec.message();
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  ~TempFolder() {
    namespace fs = std::filesystem;
    if (path_.empty()) return;
    std::error_code ec;
    // A test may have taken away the folder's write permission.
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(path_, ec);
  }

  const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace keblor
