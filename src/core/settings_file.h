#pragma once
// The private-profile file behind the settings: integers read and strings written by section
// and key. Sections and keys match without regard to case.

#include <cstdint>
#include <optional>
#include <string>

namespace keblor {

inline constexpr const char* SETTINGS_PATH = "keblor.ini";  // in the working directory

class SettingsFile {
 public:
  virtual ~SettingsFile() = default;
  // The leading signed decimal number of the value (0 when there is none, saturated to 32 bits);
  // the default when the file, the section or the key is missing.
  virtual std::int32_t ReadInt(const std::string& section, const std::string& key, std::int32_t defaultValue) = 0;
  // The value as written, spaces around it left out; nothing when the file, the section or the
  // key is missing.
  virtual std::optional<std::string> ReadString(const std::string& section, const std::string& key) = 0;
  // Replaces the value in place, or adds the key at the end of its section, or the section at
  // the end of the file; every other line stays byte for byte. False when nothing was written
  // (the old file is then unchanged).
  virtual bool WriteString(const std::string& section, const std::string& key, const std::string& value) = 0;
  // Why the last failed write failed, in words for the user; empty when nothing failed.
  virtual std::string LastError() const { return {}; }
};

}  // namespace keblor
