#pragma once
// The private-profile file behind the settings, as a whole: read once into a document, and
// replaced whole by a save.

#include <functional>
#include <string>

#include "base/status.h"
#include "core/ini_document.h"

namespace keblor {

inline constexpr const char* SETTINGS_PATH = "keblor.ini";  // in the working directory

class SettingsFile {
 public:
  // Sets the values of a save in the file's document; a failure stops the save. A save's
  // failure is Refused, with why in words for the user.
  using Edit = std::function<Status(IniDocument&)>;

  virtual ~SettingsFile() = default;
  // The file read once, whole. A missing, unreadable or oversized file, or anything but a
  // regular file at the path, gives an empty document: every key then has its default.
  virtual IniDocument Load() = 0;
  // One save: the file read once more into a document (so that lines edited by hand since the
  // start are kept), `edit` applied to it, and the file replaced by the result in one step.
  // All or nothing: when the edit fails, the file cannot be read or replaced, or the result
  // would be larger than a read accepts, the file stays byte for byte as it was and the result
  // says why. A document the edit left unchanged is not written.
  virtual Status Save(const Edit& edit) = 0;
};

}  // namespace keblor
