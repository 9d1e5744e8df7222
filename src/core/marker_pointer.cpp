#include "core/marker_pointer.h"

#include <algorithm>

#include "base/rounding.h"
#include "core/ranges.h"

namespace keblor {

namespace {

constexpr double HIT_HALF_WIDTH = 12.0;
// Rows the marker can be grabbed in: client rows 16..141.
constexpr unsigned GRAB_ROW_ABOVE = 15;
constexpr unsigned GRAB_ROW_BELOW = 142;
// The trace area's rows: client rows 16..143.
constexpr int TRACE_FIRST_ROW = 16;
constexpr int TRACE_ROWS = 128;

// The column the marker is grabbed around: the pitch over Hz per column, truncated, except
// in the 500 Hz span where it stays a real number.
double HitTestCentre(int pitchFreq, int range) {
  const RangeRow& row = RangeOf(range);
  if (row.hzPerColumn == 0) return pitchFreq * row.columnsPerHz;
  return static_cast<double>(pitchFreq / row.hzPerColumn);
}

int PitchFromColumn(unsigned x, int range) {
  return RoundNearest(x * (RangeOf(range).spanHz / static_cast<double>(TRACE_COLUMNS)));
}

}  // namespace

PointerOutcome PointAtMarker(const VfoSettings& vfo, bool frozen, unsigned keys, int x, int y) {
  // Coordinates arrive as two unsigned 16-bit halves: a point left of or above the client area
  // reads as a large number.
  const unsigned ux = static_cast<unsigned>(x) & 0xFFFFu;
  const unsigned uy = static_cast<unsigned>(y) & 0xFFFFu;
  PointerOutcome outcome;
  if (uy <= GRAB_ROW_ABOVE || uy >= GRAB_ROW_BELOW || !IsValidRange(vfo.Range)) return outcome;
  const double c = HitTestCentre(vfo.PitchFreq, vfo.Range);
  const bool hit = c - HIT_HALF_WIDTH < ux && ux < c + HIT_HALF_WIDTH;
  outcome.markerCursor = hit && vfo.Pitch != 0;
  if (keys == POINTER_LEFT && vfo.Pitch != 0 && hit && !frozen) outcome.newPitchFreq = PitchFromColumn(ux, vfo.Range);
  return outcome;
}

}  // namespace keblor

namespace keblor {

std::optional<int> FrequencyAt(const VfoSettings& vfo, int x, int y) {
  if (x < 0 || x >= TRACE_COLUMNS || y < TRACE_FIRST_ROW || y >= TRACE_FIRST_ROW + TRACE_ROWS || !IsValidRange(vfo.Range))
    return std::nullopt;
  return PitchFromColumn(static_cast<unsigned>(x), vfo.Range);
}

bool PlaceMarker(VfoSettings& vfo, double hz) {
  const int placed = std::clamp(RoundNearest(hz), 0, RangeOf(vfo.Range).pitchCeilingHz);
  if (placed == vfo.PitchFreq) return false;
  vfo.PitchFreq = placed;
  return true;
}

}  // namespace keblor
