#pragma once
// The settings file in private-profile ("INI") text: `[Section]` lines open sections, `key=value`
// lines give values, lines starting with ';' are comments. Sections and keys match without
// regard to ASCII letter case; spaces and tabs around section names, keys and values do not
// count. When a section or a key appears twice, the first one is the one read and written.
//
// The text functions work on the file's bytes and are shared by `IniFile` and the fuzzer.
// Lines end with "\n" or "\r\n"; a UTF-8 byte order mark before the first line is skipped.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "core/ini_storage.h"
#include "core/settings_file.h"

namespace keblor {

// The leading signed decimal number of `text` ('+' or '-' then digits), 0 when there is none;
// values beyond 32 bits saturate to INT32_MIN or INT32_MAX.
std::int32_t ParseLeadingInt(std::string_view text);

// The trimmed value of `key` in `section`, or nothing when the section or key is missing.
std::optional<std::string_view> FindIniValue(std::string_view content, std::string_view section,
                                             std::string_view key);

// ParseLeadingInt of the value, or `defaultValue` when the section or key is missing.
std::int32_t ReadIniInt(std::string_view content, std::string_view section, std::string_view key,
                        std::int32_t defaultValue);

// Whether `section`, `key` and `value` can be written so that they read back as given: no line
// breaks anywhere, no ']' in the section, a non-empty key without '=' that does not start like
// a section or a comment, and no spaces or tabs at either end of any of them.
bool IsWritableIniEntry(std::string_view section, std::string_view key, std::string_view value);

// The content after setting `key` in `section` to `value`: the value is replaced in place; a
// missing key is added after the last key line of its section (before any blank lines and
// comments that end it); a missing section is added with the key at the end. Every other line
// keeps its bytes, except that a last line without a line end gains one when something is added
// after it (a last line ending in a lone "\r" gains the "\n" that makes it "\r\n"). New lines
// end like the file's first line ("\n" for a file without line ends).
// Nothing when IsWritableIniEntry refuses the entry.
std::optional<std::string> WriteIniValue(std::string_view content, std::string_view section,
                                         std::string_view key, std::string_view value);

// The settings file at a path, read afresh for every read. A missing, unreadable or oversized
// file, or anything but a regular file at the path, gives the defaults. A write reads the file,
// changes one line and has the storage replace the whole file in one step (by default through
// IniTempPath(path) in the same directory, renamed over the file, which keeps its permissions);
// when any step fails the old file stays exactly as it was, the write returns false, LastError()
// says why and one line goes to standard error. A symbolic link at the path is followed, so the
// file it names is the one replaced.
class IniFile : public SettingsFile {
 public:
  // On the standard library's storage.
  explicit IniFile(std::string path);
  IniFile(const std::filesystem::path& path, std::unique_ptr<IniStorage> storage);

  std::int32_t ReadInt(const std::string& section, const std::string& key, std::int32_t defaultValue) override;
  std::optional<std::string> ReadString(const std::string& section, const std::string& key) override;
  bool WriteString(const std::string& section, const std::string& key, const std::string& value) override;

  std::string LastError() const override { return lastError_; }
  // The path in UTF-8, as messages show it.
  const std::string& Path() const { return path_; }

 private:
  std::filesystem::path file_;
  std::string path_;
  std::unique_ptr<IniStorage> storage_;
  std::string lastError_;
};

}  // namespace keblor
