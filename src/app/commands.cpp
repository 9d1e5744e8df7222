#include "app/commands.h"

#include "app/command_ids.h"

namespace keblor {

void RefreshMenuState(AppState& app) {
  if (app.vfoA.windowOpen || app.vfoB.windowOpen) {
    CheckMenuItem(app, cmd::Freeze, app.frozen);
    EnableMenuItem(app, cmd::Clear, true);
    EnableMenuItem(app, cmd::Freeze, true);
  } else {
    // The frozen flag stays as it is; the check mark returns when a window opens.
    CheckMenuItem(app, cmd::Freeze, false);
    EnableMenuItem(app, cmd::Clear, false);
    EnableMenuItem(app, cmd::Freeze, false);
  }
  UpdatePresetMarks(app);
}

void UpdatePresetMarks(AppState& app) {
  const Settings& s = app.settings;
  const int presets[] = {s.Pitch1, s.Pitch2, s.Pitch3};
  int match = -1;
  for (int i = 0; i < 3 && match < 0; ++i)
    if (s.VFO_A.PitchFreq == presets[i] && s.VFO_B.PitchFreq == presets[i]) match = i;
  for (int i = 0; i < 3; ++i) CheckMenuItem(app, cmd::Preset1 + i, i == match);
}

void ClearAccumulators(AppState& app) { ClearAccumulators(app.vfoA, app.vfoB, app.averageCount); }

}  // namespace keblor
