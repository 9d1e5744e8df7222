#pragma once
// The pitch marker under the pointer: the cursor over it and dragging it with the left button.

#include <optional>

#include "core/settings.h"

namespace keblor {

// Pointer button and modifier bits that come with a pointer move or button change.
enum PointerKeys : unsigned {
  POINTER_LEFT = 0x01,
  POINTER_RIGHT = 0x02,
  POINTER_SHIFT = 0x04,
  POINTER_CONTROL = 0x08,
  POINTER_MIDDLE = 0x10,
};

struct PointerOutcome {
  bool markerCursor = false;        // show the horizontal-resize cursor
  std::optional<int> newPitchFreq;  // the marker was dragged here
};

// A pointer move or left-button change at client pixel (x, y) of a VFO's window. The marker is
// grabbed within 11 columns of its column, in the trace rows; only the left button alone drags
// it, and only while it is shown and the display runs.
PointerOutcome PointAtMarker(const VfoSettings& vfo, bool frozen, unsigned keys, int x, int y);

// The frequency in Hz at client pixel (x, y) of a VFO's window, as the marker would take it
// from that column: within the trace area (columns 0..199, rows 16..143) only.
std::optional<int> FrequencyAt(const VfoSettings& vfo, int x, int y);

// The marker moved onto a tone at `hz`, to the nearest whole Hz within 0 .. the span's pitch
// ceiling. False when it stays where it was.
bool PlaceMarker(VfoSettings& vfo, double hz);

}  // namespace keblor
