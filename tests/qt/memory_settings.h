#pragma once
// Settings held in memory for a program under test: what `values` holds is read, saves go nowhere.

#include <cstdint>
#include <map>
#include <string>

#include "core/settings_file.h"

namespace keblor::test {

class MemorySettings : public SettingsFile {
 public:
  std::map<std::string, std::int32_t> values;  // "Section/Key"
  IniDocument Load() override {
    IniDocument document;
    for (const auto& [name, value] : values) {
      const std::size_t slash = name.find('/');
      document.Set(name.substr(0, slash), name.substr(slash + 1), std::to_string(value));
    }
    return document;
  }
  Status Save(const Edit& edit) override {
    IniDocument document = Load();
    return edit(document);
  }
};

}  // namespace keblor::test
