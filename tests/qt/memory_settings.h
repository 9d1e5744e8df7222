#pragma once
// Settings held in memory for a program under test: what `values` holds is read, writes go nowhere.

#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "core/settings_file.h"

namespace keblor::test {

class MemorySettings : public SettingsFile {
 public:
  std::map<std::string, std::int32_t> values;  // "Section/Key"
  std::int32_t ReadInt(const std::string& section, const std::string& key, std::int32_t def) override {
    const auto it = values.find(section + "/" + key);
    return it == values.end() ? def : it->second;
  }
  std::optional<std::string> ReadString(const std::string&, const std::string&) override { return std::nullopt; }
  bool WriteString(const std::string&, const std::string&, const std::string&) override { return true; }
};

}  // namespace keblor::test
