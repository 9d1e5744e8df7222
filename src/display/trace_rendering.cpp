#include "display/trace_rendering.h"

#include <algorithm>

#include "base/rounding.h"

namespace keblor {

namespace {

// The marker stops one row short of the bottom of the trace area.
constexpr int MARKER_ROWS = RASTER_HEIGHT - 1;

void LightPixel(TraceRaster& raster, int column, int row) {
  raster[static_cast<std::size_t>(row * RASTER_ROW_BYTES + column / 8)] |=
      static_cast<std::uint8_t>(0x80u >> (column % 8));
}

// A display row entry as a trace row; entries are 0..127, anything larger is the floor.
int RowOf(std::uint8_t value) { return std::min<int>(value, RASTER_HEIGHT - 1); }

}  // namespace

int MarkerColumn(int pitchFreq, int range) {
  if (!IsValidRange(range)) return -1;
  return RoundNearest(pitchFreq * RangeOf(range).columnsPerHz);
}

void RenderTraceRaster(TraceRaster& raster, const DisplayRow& row, bool pitchOn, int pitchFreq, int range) {
  raster.fill(0);

  if (pitchOn) {
    const int m = MarkerColumn(pitchFreq, range);
    if (m >= 0 && m < TRACE_COLUMNS)
      for (int r = 0; r < MARKER_ROWS; ++r) LightPixel(raster, m, r);
  }

  // Each column holds one run from its own entry toward the next one, stopping a row short:
  // that row starts the next column's run.
  int prev = RowOf(row[0]);
  for (int c = 0; c < TRACE_COLUMNS; ++c) {
    const int next = RowOf(row[static_cast<std::size_t>(c + 1)]);
    if (next > prev) {
      for (int r = prev; r < next; ++r) LightPixel(raster, c, r);
    } else if (next < prev) {
      for (int r = next + 1; r <= prev; ++r) LightPixel(raster, c, r);
    } else {
      LightPixel(raster, c, prev);
    }
    prev = next;
  }
}

}  // namespace keblor
