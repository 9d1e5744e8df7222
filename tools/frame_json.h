#pragma once
// One JSON line per completed averaging cycle.

#include <string>

#include "analysis/display_row_mapping.h"
#include "display/trace_raster.h"

namespace keblor::tool {

struct VfoFrame {
  const DisplayRow* row = nullptr;
  float peak = 0.0f;
  const std::string* level = nullptr;    // the readout text; none when Level is off
  const TraceRaster* raster = nullptr;   // none without --raster
  const double* pitchHz = nullptr;       // the pitch readout's estimate (0: none); none when off
};

// Appends `{"frame":F,"blocks":B,"vfoA":{...}[,"vfoB":{...}]}` and a line end to `out`.
void AppendFrameJson(std::string& out, long frame, long blocks, const VfoFrame& vfoA, const VfoFrame* vfoB);

// The shortest text that reads back as `value`, always with a decimal point or exponent
// so that it reads as a real number: 16384.0, 127.5, 0.0.
std::string FormatReal(float value);

}  // namespace keblor::tool
