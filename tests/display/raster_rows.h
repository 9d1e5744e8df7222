#pragma once
// Reading a trace raster in tests: the lit rows of a column, and flat display rows.

#include <vector>

#include "analysis/display_row_mapping.h"
#include "display/trace_raster.h"
#include "display/waterfall.h"

namespace keblor::test {

inline std::vector<int> LitRows(const TraceRaster& raster, int column) {
  std::vector<int> rows;
  for (int r = 0; r < RASTER_HEIGHT; ++r)
    if (RasterPixel(raster, column, r)) rows.push_back(r);
  return rows;
}

inline std::vector<int> RowRange(int first, int last) {
  std::vector<int> rows;
  for (int r = first; r <= last; ++r) rows.push_back(r);
  return rows;
}

// Every column at `value`, the anchor at the floor.
inline DisplayRow FlatRow(std::uint8_t value) {
  DisplayRow row{};
  row.fill(value);
  row[0] = 127;
  return row;
}

// A floor of 100 with a tone in one column at the waterfall's full brightness over it.
inline DisplayRow ToneRow(int column) {
  DisplayRow row = FlatRow(100);
  row[static_cast<std::size_t>(column)] = 100 - WATERFALL_SATURATION_STEPS;
  return row;
}

}  // namespace keblor::test
