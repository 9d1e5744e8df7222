#pragma once
// Where the two texts along the trace area's top go on the screen: the pitch readout at the top
// right on a dark box of its own, and the rig's dial at the top left. One rule for every view.

#include <cstddef>
#include <functional>
#include <string_view>

#include "display/spectrum_picture.h"
#include "display/window_scale.h"

namespace keblor {

// A single line's size in screen pixels, as the view's font lays it out.
struct TextExtent {
  int width = 0;
  int height = 0;
};
using MeasureText = std::function<TextExtent(std::string_view text)>;

// In screen pixels of the client area; empty rectangles for texts not shown.
struct TopTexts {
  Rect trace;       // the trace area
  Rect readout;     // the readout's text: its right edge two pixels in, its top one pixel down
  Rect readoutBox;  // dark, around the text by two pixels across and one up and down, within the trace
  Rect dial;        // the dial's text, two pixels in and one down; nothing drawn outside it
  std::size_t dialLength = 0;  // the bytes of the dial shown, from its start
};

// The texts' places at `scale`. A dial that would come within four pixels of the readout's box
// drops its last words (the mode, then the unit) until it fits, and keeps at least its first
// word, cut short there if need be: the readout stays whole, apart from the dial, and the dial
// still starts with its frequency.
TopTexts LayOutTopTexts(const WindowScale& scale, std::string_view readout, std::string_view dial,
                        const MeasureText& measure);

}  // namespace keblor
