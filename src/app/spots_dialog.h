#pragma once
// Settings > Spots...: the toolkit's dialog for the spot feed. GUI thread.

#include <functional>
#include <optional>
#include <string>

#include "core/settings.h"

namespace keblor {

class SpotsDialog {
 public:
  virtual ~SpotsDialog() = default;
  // Runs modal from `current`: the host, the port, the call for the login and the minutes a spot
  // is kept. Test hands the settings shown to `test` and shows what `answer` gives once it gives
  // something: the first line the feed sent, or why none came (the dialog asks on a timer of its
  // own; the feed is never waited for). The settings chosen on OK; nothing on cancel.
  virtual std::optional<SpotsSettings> Run(const SpotsSettings& current,
                                           const std::function<void(const SpotsSettings&)>& test,
                                           const std::function<std::optional<std::string>()>& answer) = 0;
};

}  // namespace keblor
