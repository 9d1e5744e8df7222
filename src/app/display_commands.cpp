#include "app/display_commands.h"

#include <algorithm>
#include <array>

#include "app/command_ids.h"
#include "app/commands.h"
#include "app/main_window.h"
#include "display/signal_window.h"

namespace keblor {

namespace {

constexpr std::array<RangeEntry, RANGE_COUNT> RANGE_TABLE = {{
    {500, cmd::RangeA0, cmd::RangeB0, 500, 500},
    {1000, cmd::RangeA1, cmd::RangeB1, 1000, 1000},
    {2000, cmd::RangeA2, cmd::RangeB2, 2000, 2000},
    {3000, cmd::RangeA3, cmd::RangeB3, 3000, 3000},
    {4000, cmd::RangeA4, cmd::RangeB4, 0, 4000},
}};

constexpr int FREEZE_SET_MONO[] = {
    cmd::AveragesUp, cmd::AveragesDown, cmd::PitchOnOffA, cmd::PitchUpA, cmd::PitchDownA,
    cmd::RangeA0,    cmd::RangeA1,      cmd::RangeA2,     cmd::RangeA3,  cmd::RangeA4,
};

constexpr int FREEZE_SET_STEREO[] = {
    cmd::AveragesUp, cmd::AveragesDown, cmd::PitchOnOffA, cmd::PitchOnOffB, cmd::PitchUpA,
    cmd::PitchDownA, cmd::PitchUpB,     cmd::PitchDownB,  cmd::RangeA0,     cmd::RangeA1,
    cmd::RangeA2,    cmd::RangeA3,      cmd::RangeA4,     cmd::RangeB0,     cmd::RangeB1,
    cmd::RangeB2,    cmd::RangeB3,      cmd::RangeB4,     cmd::Ft1000mp,
};

constexpr Vfo BOTH_VFOS[] = {Vfo::A, Vfo::B};

bool CanAct(AppState& app, Vfo vfo) { return ViewOf(app, vfo).windowOpen && !app.frozen; }

void RepaintOpenWindows(AppState& app) {
  for (Vfo vfo : BOTH_VFOS) {
    const ChannelView& view = ViewOf(app, vfo);
    if (view.windowOpen) app.windows->InvalidateSignalWindow(view.signalWindow);
  }
}

void StepAverages(AppState& app, int step) {
  int& averages = app.settings.NumberOfAverages;
  const bool canStep = step > 0 ? averages < 100 : averages > 1;
  if (app.frozen || !canStep) return;
  averages += step;
  // The next display update comes after exactly the new number of blocks.
  ClearAccumulators(app);
  for (Vfo vfo : BOTH_VFOS)
    if (ViewOf(app, vfo).windowOpen) DrawAveragesLabel(app, vfo);
}

}  // namespace

const RangeEntry& RangeTableRow(int range) {
  return RANGE_TABLE[static_cast<std::size_t>(std::clamp(range, 0, RANGE_COUNT - 1))];
}

int RangeItemId(Vfo vfo, int range) {
  const RangeEntry& row = RangeTableRow(range);
  return vfo == Vfo::A ? row.itemA : row.itemB;
}

std::span<const int> FreezeSet(int channels) {
  if (channels == 2) return FREEZE_SET_STEREO;
  return FREEZE_SET_MONO;
}

void FreezeCommand(AppState& app) {
  const bool freezing = !app.frozen;
  app.frozen = freezing;
  if (!freezing) app.clearRequested = false;
  CheckMenuItem(app, cmd::Freeze, freezing);
  for (int id : FreezeSet(app.settings.Channels)) EnableMenuItem(app, id, !freezing);
}

void ClearCommand(AppState& app) {
  app.clearRequested = true;
  RepaintOpenWindows(app);
}

void AveragesUpCommand(AppState& app) { StepAverages(app, +1); }
void AveragesDownCommand(AppState& app) { StepAverages(app, -1); }

void PitchMarkerSwitchCommand(AppState& app, Vfo vfo) {
  if (!CanAct(app, vfo)) return;
  VfoSettings& settings = VfoSettingsOf(app, vfo);
  settings.Pitch = settings.Pitch != 0 ? 0 : 1;
  CheckMenuItem(app, vfo == Vfo::A ? cmd::PitchOnOffA : cmd::PitchOnOffB, settings.Pitch != 0);
}

void PitchUpCommand(AppState& app, Vfo vfo) {
  if (!CanAct(app, vfo)) return;
  VfoSettings& settings = VfoSettingsOf(app, vfo);
  // A pitch off the 10 Hz grid keeps its remainder, so it may end up to 9 Hz past the ceiling.
  if (settings.PitchFreq < RangeTableRow(settings.Range).pitchCeilingHz) settings.PitchFreq += 10;
  DrawPitchLabel(app, vfo);
}

void PitchDownCommand(AppState& app, Vfo vfo) {
  if (!CanAct(app, vfo)) return;
  VfoSettings& settings = VfoSettingsOf(app, vfo);
  if (settings.PitchFreq > 0) settings.PitchFreq = std::max(settings.PitchFreq - 10, 0);
  DrawPitchLabel(app, vfo);
}

void PresetCommand(AppState& app, int preset) {
  if (app.frozen || preset < 1 || preset > 3) return;
  const int values[] = {app.settings.Pitch1, app.settings.Pitch2, app.settings.Pitch3};
  // Both VFOs take the preset as it is, not limited to their ranges, open or not.
  const int pitch = values[preset - 1];
  app.settings.VFO_A.PitchFreq = pitch;
  app.settings.VFO_B.PitchFreq = pitch;
  for (int i = 1; i <= 3; ++i) CheckMenuItem(app, cmd::Preset1 + i - 1, i == preset);
  RepaintOpenWindows(app);
}

void SelectRangeCommand(AppState& app, Vfo vfo, int range) {
  if (!CanAct(app, vfo) || range < 0 || range >= RANGE_COUNT) return;
  VfoSettings& settings = VfoSettingsOf(app, vfo);
  settings.Range = range;
  for (int r = 0; r < RANGE_COUNT; ++r) CheckMenuItem(app, RangeItemId(vfo, r), r == range);
  const int limit = RangeTableRow(range).pitchLimitHz;
  if (limit != 0 && settings.PitchFreq > limit) settings.PitchFreq = limit;
  app.windows->InvalidateSignalWindow(ViewOf(app, vfo).signalWindow);
}

void RangeStepCommand(AppState& app, Vfo vfo, int step) {
  if (!CanAct(app, vfo)) return;
  const int range = std::clamp(VfoSettingsOf(app, vfo).Range + step, 0, RANGE_COUNT - 1);
  // The selection runs also when the range stays, so the pitch limit and repaint still apply.
  CommandHandler(app, static_cast<std::uint32_t>(RangeItemId(vfo, range)));
  if (ViewOf(app, vfo).windowOpen) DrawRangeLabel(app, vfo);
}

void LevelSwitchCommand(AppState& app) {
  if (app.settings.Level != 0) {
    app.settings.Level = 0;
    CheckMenuItem(app, cmd::SignalLevel, false);
    for (Vfo vfo : BOTH_VFOS)
      if (ViewOf(app, vfo).windowOpen) EraseLevelReadout(app, vfo);
  } else {
    app.settings.Level = 1;
    CheckMenuItem(app, cmd::SignalLevel, true);
  }
}

void Ft1000mpCommand(AppState& app) {
  app.settings.FT1000MP = app.settings.FT1000MP != 0 ? 0 : 1;
  CheckMenuItem(app, cmd::Ft1000mp, app.settings.FT1000MP != 0);
}

}  // namespace keblor
