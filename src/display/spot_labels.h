#pragma once
// Where the spots' calls go over the trace area: on lines below the top texts, each label over a
// tick at its mark's column. One rule for every view; the view measures and draws.

#include <array>
#include <span>
#include <string>

#include "display/spectrum_picture.h"
#include "display/top_texts.h"
#include "display/window_scale.h"

namespace keblor {

inline constexpr int SPOT_LINES = 3;  // lines of labels at most
inline constexpr int SPOT_GAP = 3;    // 1x pixels at least between two labels on a line
inline constexpr int SPOT_TICK = 3;   // trace rows of the tick below a call

// A mark's label, in screen pixels from the trace area's left edge.
struct SpotLabel {
  int line = -1;  // 0 for the top line; -1 for a mark left out
  int left = 0;   // the text's left edge
  int tickLeft = 0;
  int tickWidth = 0;
};

struct SpotLabels {
  std::array<SpotLabel, MAX_SPOT_MARKS> labels{};  // in the marks' order
  int lines = 0;                                   // lines taken
};

// A mark's colour: new spots in the lit colour, older ones greyer toward the dark trace, the
// oldest (age SPOT_AGES - 1) still plain.
Rgb SpotColour(int age);

// A mark's text: its call, and a '*' after it when the decoder hears it.
std::string SpotLabelText(const SpotMark& mark);

// Each mark, newest first, on the first line where its text [left, left + width) stays SPOT_GAP
// clear of the texts already there: centred on its column's tick as far as the trace area allows.
// A mark no line has room for, one without a call and those past MAX_SPOT_MARKS are left out.
// `measure` gives a text's width as the view's font lays it out; its height is not used.
SpotLabels PlaceSpotLabels(std::span<const SpotMark> marks, const WindowScale& scale, const MeasureText& measure);

}  // namespace keblor
