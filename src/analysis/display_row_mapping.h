#pragma once
// Turns averaged bin magnitudes into 200 trace columns on a 50 dB scale below a fixed
// full-scale reference, for one of five spans; VFO-B may get the FT-1000MP tilt.

#include <array>
#include <cstdint>

#include "base/spans.h"

namespace keblor {

inline constexpr int ACCUMULATED_BINS = 401;        // bins 0..400, 0..4000 Hz
inline constexpr int DISPLAY_ROW_LENGTH = 201;      // anchor + 200 columns

using SpectrumAccumulator = std::array<float, ACCUMULATED_BINS>;
// Index 0 is the anchor (127); 1..200 the columns; 0 = full scale (top), 127 = floor.
using DisplayRow = std::array<std::uint8_t, DISPLAY_ROW_LENGTH>;

// Levels in dB below full scale map to 0..127, top to bottom; one step is 2/5.1 dB,
// so 50 dB fills the 128 rows of the trace area.
std::uint8_t LevelToRowValue(double levelDb);

struct DisplayMappingInput {
  int bitsPerSample = 16;   // picks the full-scale reference
  int channels = 1;         // VFO-B is mapped only in stereo
  int rangeA = 1;
  int rangeB = 3;
  bool ft1000mp = false;    // tilt VFO-B's trace
};

// Rebuilds VFO-A's row (and VFO-B's in stereo). May zero entry 0 of the accumulators it maps
// for the 3000 and 4000 Hz spans.
void MapDisplayRows(SpectrumAccumulator& accumulatorA, SpectrumAccumulator& accumulatorB,
                    const DisplayMappingInput& input, DisplayRow& rowA, DisplayRow& rowB);

}  // namespace keblor
