#include "win32/settings_file_win32.h"

#include <windows.h>

#include <algorithm>
#include <iterator>
#include <optional>
#include <string>

#include "core/ini_file.h"
#include "desktop/ini_file_in_new_folder.h"
#include "winapi/wide_text.h"

namespace keblor {
namespace {

namespace fs = std::filesystem;

// "<what> <file>: <system message>", from the calling thread's last error.
std::string Failure(std::string_view what, const fs::path& file) {
  const DWORD code = GetLastError();
  return std::string(what) + " " + Narrow(file.native()) + ": " + WindowsErrorText(code);
}

// Closes a file handle when it goes out of scope.
class Handle {
 public:
  explicit Handle(HANDLE handle) : handle_(handle) {}
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  ~Handle() { Close(); }
  bool Valid() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE Get() const { return handle_; }
  // False when closing failed (for a written file: its data may not have reached the disk).
  bool Close() {
    const bool ok = !Valid() || CloseHandle(handle_) != 0;
    handle_ = INVALID_HANDLE_VALUE;
    return ok;
  }

 private:
  HANDLE handle_;
};

bool IsMissing(DWORD error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

// Writes all of `content` to a new file at `temp`, which must not exist; on failure the file may
// be left behind for the caller to remove.
bool WriteNewFile(const fs::path& temp, std::string_view content, std::string& why) {
  Handle file(CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) {
    why = Failure("cannot create", temp);
    return false;
  }
  std::size_t written = 0;
  while (written < content.size()) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(content.size() - written, 1u << 20));
    DWORD done = 0;
    if (!WriteFile(file.Get(), content.data() + written, chunk, &done, nullptr) || done == 0) {
      why = Failure("cannot write", temp);
      return false;
    }
    written += done;
  }
  if (!FlushFileBuffers(file.Get()) || !file.Close()) {
    why = Failure("cannot write", temp);
    return false;
  }
  return true;
}

}  // namespace

std::string WindowsErrorText(unsigned long code) {
  wchar_t buffer[512];
  const DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                                      0, buffer, static_cast<DWORD>(std::size(buffer)), nullptr);
  std::wstring_view message(buffer, length);
  while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' || message.back() == L' ')) {
    message.remove_suffix(1);
  }
  std::string text = message.empty() ? std::string("error") : Narrow(message);
  return text + " (" + std::to_string(code) + ")";
}

IniRead Win32IniStorage::ReadAll(const fs::path& path, std::string& content, std::string& why) {
  content.clear();
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    if (IsMissing(GetLastError())) return IniRead::Missing;
    why = Failure("cannot read", path);
    return IniRead::Failed;
  }
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    why = "not a regular file";
    return IniRead::Failed;
  }
  // Others may go on reading, writing or replacing the file while it is read.
  Handle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                          nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) {
    if (IsMissing(GetLastError())) return IniRead::Missing;  // gone since the look above
    why = Failure("cannot read", path);
    return IniRead::Failed;
  }
  char chunk[4096];
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(file.Get(), chunk, sizeof chunk, &got, nullptr)) {
      why = Failure("cannot read", path);
      content.clear();
      return IniRead::Failed;
    }
    if (got == 0) break;
    if (content.size() + got > INI_MAX_FILE_SIZE) {
      why = "larger than " + std::to_string(INI_MAX_FILE_SIZE) + " bytes";
      content.clear();
      return IniRead::Failed;
    }
    content.append(chunk, got);
  }
  return IniRead::Ok;
}

bool Win32IniStorage::ReplaceAll(const fs::path& link, std::string_view content, std::string& why) {
  const std::optional<fs::path> found = FollowIniLinks(link, why);
  if (!found) return false;
  const fs::path& path = *found;
  fs::path temp = path;
  temp += L".tmp";
  // Left over from a write that was cut short; never written through. Anything else in the way
  // (a folder) makes the creation below fail with its reason.
  const DWORD staleAttributes = GetFileAttributesW(temp.c_str());
  if (staleAttributes != INVALID_FILE_ATTRIBUTES && (staleAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
      !DeleteFileW(temp.c_str())) {
    why = Failure("cannot remove stale", temp);
    return false;
  }
  if (!WriteNewFile(temp, content, why)) {
    DeleteFileW(temp.c_str());
    return false;
  }
  const bool exists = GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
  const bool moved =
      exists ? ReplaceFileW(path.c_str(), temp.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr) != 0
             : MoveFileExW(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
  if (!moved) {
    const DWORD error = GetLastError();
    why = Failure("cannot replace", path);
    // After this error the old file is no longer at its name, and the temporary file holds the
    // only copy of the settings: it stays for the user to rename.
    if (error == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2) {
      why += "; the settings are in " + Narrow(temp.native());
    } else {
      DeleteFileW(temp.c_str());
    }
    return false;
  }
  return true;
}

std::unique_ptr<SettingsFile> OpenSettingsFile(const fs::path& path) {
  return std::make_unique<IniFile>(path, std::make_unique<Win32IniStorage>());
}

std::unique_ptr<SettingsFile> OpenSettingsFileInNewFolder(const fs::path& path) {
  return std::make_unique<IniFile>(path, MakeFolderMakingStorage(std::make_unique<Win32IniStorage>()));
}

}  // namespace keblor
