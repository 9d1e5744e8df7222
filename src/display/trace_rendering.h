#pragma once
// The trace: a display row and the pitch marker drawn into the one-bit raster.

#include "analysis/display_row_mapping.h"
#include "display/trace_raster.h"

namespace keblor {

// RoundNearest(pitchFreq * k), k = 1 / Hz per column of the range.
int MarkerColumn(int pitchFreq, int range);

// Zeroes the raster, lights the marker column (rows 0..126) when shown and in 0..199, then
// one vertical run per column from row[c] toward row[c + 1].
void RenderTraceRaster(TraceRaster& raster, const DisplayRow& row, bool pitchOn, int pitchFreq, int range);

}  // namespace keblor
