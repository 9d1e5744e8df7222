#pragma once
// The display commands as functions of the state: freeze, clear, averages, pitch marker and
// pitch steps, presets, ranges and range steps, the level readout and the FT-1000MP tilt.
// A command that does not apply (window closed, display frozen, limit reached) changes nothing.

#include <optional>

#include "analysis/spectrum_analyzer.h"
#include "core/display_state.h"
#include "core/settings.h"

namespace keblor {

// The averaging keys step within 1..MAX_AVERAGES blocks. A larger count from the settings file
// is used as it is: Up leaves it, Down steps it down by one.
inline constexpr int MAX_AVERAGES = 100;
inline constexpr int MAX_ZOOM = 4;  // the windows at 1x .. 4x

// What the windows must do beyond showing the new labels.
struct DisplayEffects {
  bool repaintA = false;   // repainted whole: the level readout goes until the next frame
  bool repaintB = false;
  bool blankLevel = false;  // the level readouts of the open windows are emptied
  bool clearWaterfallA = false;  // the window's waterfall is emptied (Clear)
  bool clearWaterfallB = false;
  bool restartAveraging = false;
};

// The analysis the settings ask for: the averaging, the level readout, the windows' ranges, the
// FT-1000MP tilt, the running average and the pitch readout.
AnalyzerOptions AnalyzerOptionsOf(const Settings& settings);

// Applies command `id` when it is a display command; nothing for any other id.
std::optional<DisplayEffects> ApplyDisplayCommand(Settings& settings, DisplayState& display, int id);

}  // namespace keblor
