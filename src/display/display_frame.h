#pragma once
// What a completed averaging period draws: the level readouts, then the traces.

#include "app/app_state.h"

namespace keblor {

// Nothing while frozen. With Level on, the readout of each open window (A, then B); then
// VFO-A's trace if its window is open, and VFO-B's in stereo if its window is open.
void DrawDisplayFrame(AppState& app);

}  // namespace keblor
