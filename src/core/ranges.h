#pragma once
// The five spans a spectrum window can show over its 200 trace columns, one row per RangeIndex.

#include "base/spans.h"
#include "core/display_state.h"

namespace keblor {

struct RangeRow {
  int spanHz;
  const char* label;     // the scale's end text
  int itemA;             // VFO-A's range menu item
  int itemB;             // VFO-B's range menu item
  int pitchLimitHz;      // selecting the range lowers the pitch to this; 0: no limit
  int pitchCeilingHz;    // pitch up acts only below this
  int hzPerColumn;       // whole Hz per trace column; 0 for the 500 Hz span (2.5 Hz)
  double columnsPerHz;   // the marker's column is RoundNearest(pitch * columnsPerHz)
};

bool IsValidRange(int range);
// The row of `range`, clamped to 0..4.
const RangeRow& RangeOf(int range);
int RangeItem(Vfo vfo, int range);

}  // namespace keblor
