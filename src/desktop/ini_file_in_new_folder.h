#pragma once
// The settings file in a folder that may not exist yet (the user's config folder): a save
// creates the missing folders, readable by the user only as the XDG rules ask, right before it
// replaces the file; a folder that cannot be made fails the save with the reason. Reads of a
// missing file give the defaults as before.

#include <memory>
#include <string>

#include "core/ini_file.h"
#include "core/ini_storage.h"

namespace keblor {

// `inner`, making the file's missing folders as above before each replace.
std::unique_ptr<IniStorage> MakeFolderMakingStorage(std::unique_ptr<IniStorage> inner);

class IniFileInNewFolder : public IniFile {
 public:
  explicit IniFileInNewFolder(std::string path);
};

}  // namespace keblor
