#pragma once
// The display commands: freeze, clear, averages, pitch marker and pitch steps, presets,
// ranges and range steps, the level readout switch and the FT-1000MP mode. Each is one action
// of CommandHandler, which runs RefreshMenuState afterwards. A command that does not apply
// (window closed, display frozen, limit reached) is ignored silently.

#include <span>

#include "app/app_state.h"

namespace keblor {

// One row of the range table, by RangeIndex 0..4.
struct RangeEntry {
  int spanHz;
  int itemA;         // VFO-A range selection id
  int itemB;         // VFO-B range selection id
  int pitchLimitHz;  // the pitch is lowered to this on selection; 0: no limit
  int pitchCeilingHz;  // pitch up acts only below this
};
const RangeEntry& RangeTableRow(int range);
int RangeItemId(Vfo vfo, int range);

// The items Freeze greys and Unfreeze enables, for this channel count.
std::span<const int> FreezeSet(int channels);

void FreezeCommand(AppState& app);        // 300, 306
void ClearCommand(AppState& app);         // 104, 305
void AveragesUpCommand(AppState& app);    // 362
void AveragesDownCommand(AppState& app);  // 361
void PitchMarkerSwitchCommand(AppState& app, Vfo vfo);  // 357, 358
void PitchUpCommand(AppState& app, Vfo vfo);            // 363, 366
void PitchDownCommand(AppState& app, Vfo vfo);          // 364, 365
void PresetCommand(AppState& app, int preset);          // 379..381 for presets 1..3
void SelectRangeCommand(AppState& app, Vfo vfo, int range);  // the range items
// Keypad plus/minus (VFO-A) and with Ctrl (VFO-B): issues the selection of the resulting range
// through CommandHandler (re-entrantly), then redraws the range label.
void RangeStepCommand(AppState& app, Vfo vfo, int step);
void LevelSwitchCommand(AppState& app);    // 384
void Ft1000mpCommand(AppState& app);       // 374

}  // namespace keblor
