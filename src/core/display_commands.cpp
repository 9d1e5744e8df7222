#include "core/display_commands.h"

#include <algorithm>

#include "core/command_ids.h"
#include "core/ranges.h"

namespace keblor {

namespace {

bool CanAct(const DisplayState& display, Vfo vfo) { return display.IsOpen(vfo) && !display.frozen; }

void Repaint(DisplayEffects& effects, const DisplayState& display, Vfo vfo) {
  if (!display.IsOpen(vfo)) return;
  (vfo == Vfo::A ? effects.repaintA : effects.repaintB) = true;
}

DisplayEffects RepaintOpen(const DisplayState& display) {
  DisplayEffects effects;
  for (Vfo vfo : BOTH_VFOS) Repaint(effects, display, vfo);
  return effects;
}

DisplayEffects StepAverages(Settings& s, const DisplayState& display, int step) {
  const bool canStep = step > 0 ? s.NumberOfAverages < MAX_AVERAGES : s.NumberOfAverages > 1;
  if (display.frozen || !canStep) return {};
  s.NumberOfAverages += step;
  // The next display update comes after exactly the new number of blocks.
  DisplayEffects effects;
  effects.restartAveraging = true;
  return effects;
}

DisplayEffects SwitchMarker(Settings& s, const DisplayState& display, Vfo vfo) {
  if (!CanAct(display, vfo)) return {};
  VfoSettings& v = VfoSettingsOf(s, vfo);
  v.Pitch = v.Pitch != 0 ? 0 : 1;  // the marker goes or comes with the next frame
  return {};
}

DisplayEffects PitchUp(Settings& s, const DisplayState& display, Vfo vfo) {
  if (!CanAct(display, vfo)) return {};
  VfoSettings& v = VfoSettingsOf(s, vfo);
  // A pitch off the 10 Hz grid keeps its remainder, so it may end up to 9 Hz past the ceiling.
  if (v.PitchFreq < RangeOf(v.Range).pitchCeilingHz) v.PitchFreq += 10;
  return {};
}

DisplayEffects PitchDown(Settings& s, const DisplayState& display, Vfo vfo) {
  if (!CanAct(display, vfo)) return {};
  VfoSettings& v = VfoSettingsOf(s, vfo);
  if (v.PitchFreq > 0) v.PitchFreq = std::max(v.PitchFreq - 10, 0);
  return {};
}

DisplayEffects Preset(Settings& s, const DisplayState& display, int preset) {
  if (display.frozen) return {};
  const int values[] = {s.Pitch1, s.Pitch2, s.Pitch3};
  // Both VFOs take the preset as it is, not limited to their ranges, open or not.
  s.VFO_A.PitchFreq = values[preset - 1];
  s.VFO_B.PitchFreq = values[preset - 1];
  return RepaintOpen(display);
}

DisplayEffects SelectRange(Settings& s, const DisplayState& display, Vfo vfo, int range) {
  if (!CanAct(display, vfo) || !IsValidRange(range)) return {};
  VfoSettings& v = VfoSettingsOf(s, vfo);
  v.Range = range;
  const int limit = RangeOf(range).pitchLimitHz;
  if (limit != 0 && v.PitchFreq > limit) v.PitchFreq = limit;
  DisplayEffects effects;
  Repaint(effects, display, vfo);
  return effects;
}

// The selection runs also when the range stays, so the pitch limit and repaint still apply.
DisplayEffects StepRange(Settings& s, const DisplayState& display, Vfo vfo, int step) {
  if (!CanAct(display, vfo)) return {};
  return SelectRange(s, display, vfo, std::clamp(VfoSettingsOf(s, vfo).Range + step, 0, RANGE_COUNT - 1));
}

DisplayEffects SwitchLevel(Settings& s) {
  DisplayEffects effects;
  effects.blankLevel = s.Level != 0;
  s.Level = s.Level != 0 ? 0 : 1;
  return effects;
}

DisplayEffects Freeze(DisplayState& display) {
  display.frozen = !display.frozen;
  if (!display.frozen) display.clearRequested = false;
  return {};
}

// The traces as the pending clear says (see Repaint), the open windows' waterfalls at once.
DisplayEffects Clear(DisplayState& display) {
  display.clearRequested = true;
  DisplayEffects effects = RepaintOpen(display);
  effects.clearWaterfallA = display.openA;
  effects.clearWaterfallB = display.openB;
  return effects;
}

}  // namespace

std::optional<DisplayEffects> ApplyDisplayCommand(Settings& s, DisplayState& display, int id) {
  for (int range = 0; range < RANGE_COUNT; ++range) {
    if (id == RangeItem(Vfo::A, range)) return SelectRange(s, display, Vfo::A, range);
    if (id == RangeItem(Vfo::B, range)) return SelectRange(s, display, Vfo::B, range);
  }
  switch (id) {
    case cmd::Freeze:
    case cmd::FreezeKey: return Freeze(display);
    case cmd::Clear:
    case cmd::ClearKey: return Clear(display);
    case cmd::AveragesUp: return StepAverages(s, display, +1);
    case cmd::AveragesDown: return StepAverages(s, display, -1);
    case cmd::PitchOnOffA: return SwitchMarker(s, display, Vfo::A);
    case cmd::PitchOnOffB: return SwitchMarker(s, display, Vfo::B);
    case cmd::PitchUpA: return PitchUp(s, display, Vfo::A);
    case cmd::PitchDownA: return PitchDown(s, display, Vfo::A);
    case cmd::PitchUpB: return PitchUp(s, display, Vfo::B);
    case cmd::PitchDownB: return PitchDown(s, display, Vfo::B);
    case cmd::Preset1: return Preset(s, display, 1);
    case cmd::Preset2: return Preset(s, display, 2);
    case cmd::Preset3: return Preset(s, display, 3);
    case cmd::RangeStepUpA: return StepRange(s, display, Vfo::A, +1);
    case cmd::RangeStepDownA: return StepRange(s, display, Vfo::A, -1);
    case cmd::RangeStepUpB: return StepRange(s, display, Vfo::B, +1);
    case cmd::RangeStepDownB: return StepRange(s, display, Vfo::B, -1);
    case cmd::SignalLevel: return SwitchLevel(s);
    case cmd::PitchReadout:
      s.PitchReadout = s.PitchReadout != 0 ? 0 : 1;
      return DisplayEffects{};
    case cmd::RunningAverage: {
      s.RunningAverage = s.RunningAverage != 0 ? 0 : 1;
      DisplayEffects effects;
      effects.restartAveraging = true;
      return effects;
    }
    case cmd::Zoom1:
    case cmd::Zoom2:
    case cmd::Zoom3:
    case cmd::Zoom4:
      s.Zoom = id - cmd::Zoom1 + 1;
      return DisplayEffects{};
    case cmd::ZoomStep:
      s.Zoom = s.Zoom % MAX_ZOOM + 1;
      return DisplayEffects{};
    case cmd::Waterfall:
      s.Waterfall = s.Waterfall != 0 ? 0 : 1;
      return DisplayEffects{};
    case cmd::Decode:
      s.Skimmer.Decode = s.Skimmer.Decode != 0 ? 0 : 1;
      return DisplayEffects{};
    case cmd::Ft1000mp:
      s.FT1000MP = s.FT1000MP != 0 ? 0 : 1;
      return DisplayEffects{};
    default: return std::nullopt;
  }
}

AnalyzerOptions AnalyzerOptionsOf(const Settings& s) {
  return {s.NumberOfAverages, s.Level != 0,         s.VFO_A.Range,          s.VFO_B.Range,
          s.FT1000MP != 0,    s.RunningAverage != 0, s.PitchReadout != 0};
}

}  // namespace keblor
