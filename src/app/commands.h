#pragma once
// Helpers the command handler shares with the spectrum windows and the dialogs.

#include "app/app_state.h"

namespace keblor {

// Check and grey state of Freez and Clear from the open windows, then the preset marks.
void RefreshMenuState(AppState& app);
// Checks the first preset equal to both VFOs' pitches (379..381), unchecks the others.
void UpdatePresetMarks(AppState& app);
// Restarts the averaging period.
void ClearAccumulators(AppState& app);

}  // namespace keblor
