#include "core/ini_storage.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <system_error>

#if defined(_WIN32)
#include <io.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace keblor {
namespace {

namespace fs = std::filesystem;

std::string ErrnoText(int error) { return std::strerror(error); }

// Paths are bytes on POSIX and UTF-16 on Windows, where the C runtime's wide open keeps every
// character of the name.
std::FILE* OpenFile(const fs::path& path, const char* mode) {
#if defined(_WIN32)
  const std::wstring wideMode(mode, mode + std::strlen(mode));
  return _wfopen(path.c_str(), wideMode.c_str());
#else
  return std::fopen(path.c_str(), mode);
#endif
}

// The flushed file's bytes on the disk, not only in the system's cache.
bool SyncFile(std::FILE* file) {
#if defined(_WIN32)
  return _commit(_fileno(file)) == 0;
#else
  return fsync(fileno(file)) == 0;
#endif
}

// The folder's entry for a renamed file on the disk. Best effort: the rename has happened.
void SyncFolder(const fs::path& folder) {
#if !defined(_WIN32)
  const int descriptor = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (descriptor < 0) return;
  fsync(descriptor);
  close(descriptor);
#else
  (void)folder;
#endif
}

class StandardIniStorage final : public IniStorage {
 public:
  IniRead ReadAll(const fs::path& path, std::string& content, std::string& why) override {
    content.clear();
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (status.type() == fs::file_type::not_found) return IniRead::Missing;
    if (ec) {
      why = ec.message();
      return IniRead::Failed;
    }
    if (status.type() != fs::file_type::regular) {
      why = "not a regular file";
      return IniRead::Failed;
    }
    std::FILE* file = OpenFile(path, "rb");
    if (file == nullptr) {
      why = ErrnoText(errno);
      return IniRead::Failed;
    }
    char chunk[65536];
    bool tooLarge = false;
    for (;;) {
      const std::size_t got = std::fread(chunk, 1, sizeof chunk, file);
      if (got == 0) break;
      if (content.size() + got > INI_MAX_FILE_SIZE) {
        tooLarge = true;
        break;
      }
      content.append(chunk, got);
    }
    const bool readError = std::ferror(file) != 0;
    const int readErrno = errno;
    std::fclose(file);
    if (tooLarge) {
      content.clear();
      why = "larger than " + std::to_string(INI_MAX_FILE_SIZE) + " bytes";
      return IniRead::Failed;
    }
    if (readError) {
      content.clear();
      why = ErrnoText(readErrno);
      return IniRead::Failed;
    }
    return IniRead::Ok;
  }

  bool ReplaceAll(const fs::path& path, std::string_view content, std::string& why) override {
    const std::optional<fs::path> found = FollowIniLinks(path, why);
    if (!found) return false;
    const fs::path& target = *found;
    std::error_code ec;
    // A file that is there keeps its permissions; a new one gets the default ones.
    const fs::file_status old = fs::status(target, ec);
    const bool keepPermissions = !ec && old.type() == fs::file_type::regular;
    fs::path temp = target;
    temp += ".tmp";  // IniTempPath, in the path's own characters

    const fs::file_status stale = fs::symlink_status(temp, ec);
    if (stale.type() == fs::file_type::regular || stale.type() == fs::file_type::symlink) {
      // Left over from a save that was cut short; never written through.
      if (!fs::remove(temp, ec) || ec) {
        why = "cannot remove stale " + temp.string() + ": " + ec.message();
        return false;
      }
    }
    std::FILE* file = OpenFile(temp, "wbx");
    if (file == nullptr) {
      why = "cannot create " + temp.string() + ": " + ErrnoText(errno);
      return false;
    }
    bool ok = std::fwrite(content.data(), 1, content.size(), file) == content.size();
    ok = ok && std::fflush(file) == 0;
    ok = ok && SyncFile(file);
    int writeErrno = errno;
    if (std::fclose(file) != 0 && ok) {
      ok = false;
      writeErrno = errno;
    }
    if (!ok) {
      why = "cannot write " + temp.string() + ": " + ErrnoText(writeErrno);
    } else if (keepPermissions) {
      fs::permissions(temp, old.permissions(), fs::perm_options::replace, ec);
      if (ec) {
        ok = false;
        why = "cannot set permissions of " + temp.string() + ": " + ec.message();
      }
    }
    if (ok) {
      fs::rename(temp, target, ec);
      if (ec) {
        ok = false;
        why = "cannot rename " + temp.string() + ": " + ec.message();
      }
    }
    if (!ok) {
      fs::remove(temp, ec);
      return false;
    }
    SyncFolder(target.parent_path());
    return true;
  }
};

}  // namespace

std::unique_ptr<IniStorage> MakeStandardIniStorage() { return std::make_unique<StandardIniStorage>(); }

std::string IniTempPath(const std::string& path) { return path + ".tmp"; }

std::optional<fs::path> FollowIniLinks(const fs::path& path, std::string& why) {
  std::error_code ec;
  // A link is followed to the file it names, which is replaced (or created, when the link points
  // to nothing yet); the link itself stays.
  fs::path target = path;
  for (int hops = 0; fs::symlink_status(target, ec).type() == fs::file_type::symlink; ++hops) {
    const fs::path next = fs::read_symlink(target, ec);
    if (ec || hops == 40) {
      why = ec ? "cannot follow the link: " + ec.message() : std::string("too many links");
      return std::nullopt;
    }
    target = next.is_absolute() ? next : target.parent_path() / next;
  }
  return target;
}

}  // namespace keblor
