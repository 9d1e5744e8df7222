#pragma once
// Settings > Rig...: the toolkit's dialog for the rig. GUI thread.

#include <functional>
#include <optional>
#include <string>

#include "core/settings.h"

namespace keblor {

class RigDialog {
 public:
  virtual ~RigDialog() = default;
  // Runs modal from `current`: the model from the rig library's list, the port, the speed and
  // the sideband. Test hands the settings shown to `test` and shows what `answer` gives once it
  // gives something (the dialog asks on a timer of its own; the rig is never waited for).
  // The settings chosen on OK; nothing on cancel.
  virtual std::optional<RigSettings> Run(const RigSettings& current,
                                         const std::function<void(const RigSettings&)>& test,
                                         const std::function<std::optional<std::string>()>& answer) = 0;
};

}  // namespace keblor
