#pragma once
// The one-bit picture of a trace area: 208 x 128, 26 bytes a row, row 0 at the top,
// the most significant bit of a byte its leftmost pixel, 1 = lit. Columns 200..207 stay dark.

#include <array>
#include <cstdint>

#include "core/ranges.h"  // TRACE_COLUMNS

namespace keblor {

inline constexpr int RASTER_WIDTH = 208;
inline constexpr int RASTER_HEIGHT = 128;
inline constexpr int RASTER_ROW_BYTES = RASTER_WIDTH / 8;                  // 26
inline constexpr int RASTER_BYTES = RASTER_ROW_BYTES * RASTER_HEIGHT;      // 3328

using TraceRaster = std::array<std::uint8_t, RASTER_BYTES>;

inline bool RasterPixel(const TraceRaster& raster, int column, int row) {
  return (raster[static_cast<std::size_t>(row * RASTER_ROW_BYTES + column / 8)] >> (7 - column % 8)) & 1;
}

}  // namespace keblor
