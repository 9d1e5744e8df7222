#pragma once
// A settings file held in memory as the text of keblor.ini, every read and write logged in order.

#include <optional>
#include <string>
#include <vector>

#include "core/ini_file.h"
#include "core/settings_file.h"

namespace keblor::test {

class MemorySettingsFile : public SettingsFile {
 public:
  explicit MemorySettingsFile(std::string text = {}) : content(std::move(text)) {}
  std::int32_t ReadInt(const std::string& section, const std::string& key, std::int32_t defaultValue) override {
    reads.push_back(section + "/" + key + "/" + std::to_string(defaultValue));
    return ReadIniInt(content, section, key, defaultValue);
  }
  std::optional<std::string> ReadString(const std::string& section, const std::string& key) override {
    reads.push_back(section + "/" + key);
    const std::optional<std::string_view> value = FindIniValue(content, section, key);
    if (!value) return std::nullopt;
    return std::string(*value);
  }
  bool WriteString(const std::string& section, const std::string& key, const std::string& value) override {
    writes.push_back(section + "/" + key + "=" + value);
    if (failWrites) return false;
    auto updated = WriteIniValue(content, section, key, value);
    if (!updated) return false;
    content = *updated;
    return true;
  }
  std::string LastError() const override { return failWrites ? "No space left on device" : ""; }

  std::string content;
  std::vector<std::string> reads;
  std::vector<std::string> writes;
  bool failWrites = false;  // every write fails, as on a full disk
};

}  // namespace keblor::test
