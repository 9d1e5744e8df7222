#pragma once
// The client layout of a spectrum window (200 x 160): the text boxes, right and bottom
// exclusive, and the trace area between them.

#include "app/window_layer.h"

namespace keblor {

inline constexpr Rect PITCH_BOX{0, 0, 150, 14};
inline constexpr Rect AVERAGES_BOX{110, 0, 200, 14};
inline constexpr Rect SCALE_START_BOX{0, 145, 30, 159};
inline constexpr Rect LEVEL_BOX{40, 145, 140, 159};
inline constexpr Rect SCALE_END_BOX{140, 145, 200, 159};

// Right-aligned texts end at the right edge of the client area.
inline constexpr int RIGHT_ANCHOR_X = 200;

// Trace row r lies at client row TRACE_TOP + r.
inline constexpr int TRACE_TOP = 16;

}  // namespace keblor
