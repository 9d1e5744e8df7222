#pragma once
// The settings file on Windows: the INI layer of the core on wide-character paths, with the
// file replaced in one step by ReplaceFileW (or moved into place by MoveFileExW when it is new),
// and failures explained in the system's own words.

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "core/ini_storage.h"
#include "core/settings_file.h"

namespace keblor {

// Reads with CreateFileW; writes the new content to "<file>.tmp" in the same folder (the file a
// symbolic link names, when the path is one), flushes it to the disk, then replaces the file
// with it (ReplaceFileW keeps the old file's attributes and security) or, when
// there is no file yet, moves it into place (MoveFileExW with MOVEFILE_REPLACE_EXISTING |
// MOVEFILE_WRITE_THROUGH). A failed step removes the temporary file and leaves the old file as it
// was; `why` then holds the step, the file and the system's message in UTF-8. (The one exception
// is ReplaceFileW's ERROR_UNABLE_TO_MOVE_REPLACEMENT_2, after which the old file is gone from its
// name: the temporary file with the new settings is then kept and named in `why`.)
class Win32IniStorage final : public IniStorage {
 public:
  IniRead ReadAll(const std::filesystem::path& path, std::string& content, std::string& why) override;
  bool ReplaceAll(const std::filesystem::path& path, std::string_view content, std::string& why) override;
};

// The settings file at `path` on Win32IniStorage.
std::unique_ptr<SettingsFile> OpenSettingsFile(const std::filesystem::path& path);

// The same, making the file's missing folders on the first save (the folder in the user's
// application data, which the program owns).
std::unique_ptr<SettingsFile> OpenSettingsFileInNewFolder(const std::filesystem::path& path);

// The system's message for a GetLastError() code, in UTF-8 without the trailing line end,
// followed by the code: "Access is denied. (5)".
std::string WindowsErrorText(unsigned long code);

}  // namespace keblor
