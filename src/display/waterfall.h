#pragma once
// The waterfall under a spectrum window's labels: the window's recent pictures, one row each, the
// newest at the top, in the trace's 200 columns, so that a signal stands straight under its peak.
// A row holds a shade per column, placed on that picture's own noise floor so that a weak signal
// shows over the noise whatever the input's gain. Rows live in a ring: a picture writes one row
// and moves the ring's head, nothing is allocated.

#include <array>
#include <cstdint>

#include "analysis/display_row_mapping.h"
#include "core/display_commands.h"
#include "core/settings.h"
#include "display/spectrum_picture.h"

namespace keblor {

inline constexpr int WATERFALL_ROWS = 64;             // 1x pixels; the windows grow by this much
inline constexpr int WATERFALL_TOP = CLIENT_HEIGHT;   // the newest row's client row, below the labels
inline constexpr int WATERFALL_SHADES = 32;           // 0 dark .. WATERFALL_SHADES - 1 brightest
// A column this many display steps (25 dB) above the row's noise floor has the brightest shade.
inline constexpr int WATERFALL_SATURATION_STEPS = 64;

// A pixel that is no shade: a spot arrived there, at that row, in WATERFALL_SPOT_COLOUR.
inline constexpr std::uint8_t WATERFALL_SPOT = WATERFALL_SHADES;
inline constexpr Rgb WATERFALL_SPOT_COLOUR{255, 64, 64};
inline constexpr int WATERFALL_COLOURS = WATERFALL_SHADES + 1;

// Shade 0 is black; brighter shades go through blue and yellow to white; then WATERFALL_SPOT.
const std::array<Rgb, WATERFALL_COLOURS>& WaterfallPalette();
inline constexpr Rgb WATERFALL_MARKER = LABEL_BACKGROUND;  // the trace's marker colour

using WaterfallRow = std::array<std::uint8_t, TRACE_COLUMNS>;  // a shade per column

// The shades of a display row, column c from entry c as the trace draws it. The noise floor is
// the median level of columns 1..199; a column at or below it is dark, and above it the shade
// rises with the square root of the distance, so that a few dB over the noise already shows.
void ShadeRow(const DisplayRow& row, WaterfallRow& shades);

class Waterfall {
 public:
  // A picture of a VFO: its row goes on top and the oldest row goes. Rows drawn for another range
  // are dropped first. The marker column is taken from the same picture, as the trace's is.
  void Push(const DisplayRow& row, const VfoSettings& vfo);
  // A spot arrived at `column` (0..199): the next row pushed holds WATERFALL_SPOT there.
  void MarkSpot(int column);
  // Drops every row (all dark, no marker) when they were drawn for another range.
  void KeepRange(int range);
  void Clear();
  // A display command's effects on the waterfall of `vfo`'s window, whose range is now `range`:
  // emptied by a Clear, and by KeepRange (rows belong to the scale they were drawn on).
  void Follow(const DisplayEffects& effects, Vfo vfo, int range);

  // Row `age`: 0 the newest, WATERFALL_ROWS - 1 the oldest.
  const WaterfallRow& Row(int age) const;
  // The marker's column from the newest picture, or -1 for none.
  int Marker() const { return marker_; }
  // Grows by one with every row pushed and by WATERFALL_ROWS with every clearing: a view that drew
  // the rows at one count scrolls them by the difference, or draws them all once that reaches
  // WATERFALL_ROWS.
  std::uint64_t Serial() const { return serial_; }

 private:
  std::array<WaterfallRow, WATERFALL_ROWS> rows_{};
  int newest_ = 0;
  int range_ = -1;
  int marker_ = -1;
  std::uint64_t serial_ = 0;
  std::array<bool, TRACE_COLUMNS> spots_{};  // for the next row
};

}  // namespace keblor
