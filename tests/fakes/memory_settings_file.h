#pragma once
// A settings file held in memory as the text of keblor.ini, its loads and saves counted.

#include <string>

#include "core/ini_document.h"
#include "core/settings_file.h"

namespace keblor::test {

class MemorySettingsFile : public SettingsFile {
 public:
  explicit MemorySettingsFile(std::string text = {}) : content(std::move(text)) {}
  IniDocument Load() override {
    ++loads;
    return IniDocument(content);
  }
  Status Save(const Edit& edit) override {
    ++saves;
    IniDocument document(content);
    Status result = edit(document);
    if (result.Ok() && failSaves) result = Status::Refusal("No space left on device");
    if (result.Ok()) content = document.Text();
    return result;
  }

  std::string content;
  int loads = 0;
  int saves = 0;
  bool failSaves = false;  // every save fails, as on a full disk, and leaves the content
};

}  // namespace keblor::test
