#pragma once
// Where the settings file's bytes come from and go to: the two steps that depend on the
// operating system. `IniFile` does everything else (the document, the size limit on saves); a
// storage only reads and replaces whole files.

#include <cstddef>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace keblor {

// Larger files are treated as unreadable: reads give defaults, and a save that would make the
// file larger fails.
inline constexpr std::size_t INI_MAX_FILE_SIZE = std::size_t{4} << 20;

enum class IniRead { Missing, Ok, Failed };

class IniStorage {
 public:
  virtual ~IniStorage() = default;
  // The whole file at `path` in `content`. Missing when nothing is there; Failed, with the reason
  // in `why`, when it cannot be read, is not a regular file or is larger than INI_MAX_FILE_SIZE.
  virtual IniRead ReadAll(const std::filesystem::path& path, std::string& content, std::string& why) = 0;
  // Writes `content` to a temporary file in the same folder, has it reach the disk and moves it
  // over the file at `path` in one step (creating the file when there is none; a symbolic link at
  // `path` is followed, and the file it names is replaced). On failure the old file is exactly as
  // it was, no temporary file is left, and `why` says what went wrong. Whenever the process is
  // killed, the file is the old one or the new one, whole.
  virtual bool ReplaceAll(const std::filesystem::path& path, std::string_view content, std::string& why) = 0;
};

// The storage on the C and C++ standard libraries (and the system's call that syncs a file): the
// temporary file is IniTempPath(path), created exclusively, and the replaced file keeps its
// permissions.
std::unique_ptr<IniStorage> MakeStandardIniStorage();

// Where a save of the file at `path` puts the new content before moving it over the file.
std::string IniTempPath(const std::string& path);

// The file a symbolic link at `path` names, through any number of links up to 40 (a relative
// link counts from its own folder); `path` itself when it is no link. Nothing, with the reason
// in `why`, when a link cannot be read or the links go round.
std::optional<std::filesystem::path> FollowIniLinks(const std::filesystem::path& path, std::string& why);

}  // namespace keblor
