#include "core/ranges.h"

#include <algorithm>
#include <array>

#include "core/command_ids.h"

namespace keblor {

namespace {

constexpr std::array<RangeRow, RANGE_COUNT> RANGES = {{
    {RANGE_SPAN_HZ[0], "500 Hz", cmd::RangeA0, cmd::RangeB0, 500, 500, 0, 0.4},
    {RANGE_SPAN_HZ[1], "1000 Hz", cmd::RangeA1, cmd::RangeB1, 1000, 1000, 5, 0.2},
    {RANGE_SPAN_HZ[2], "2000 Hz", cmd::RangeA2, cmd::RangeB2, 2000, 2000, 10, 0.1},
    {RANGE_SPAN_HZ[3], "3000 Hz", cmd::RangeA3, cmd::RangeB3, 3000, 3000, 15, 1.0 / 15.0},
    {RANGE_SPAN_HZ[4], "4000 Hz", cmd::RangeA4, cmd::RangeB4, 0, 4000, 20, 0.05},
}};

}  // namespace

bool IsValidRange(int range) { return range >= 0 && range < RANGE_COUNT; }

const RangeRow& RangeOf(int range) { return RANGES[static_cast<std::size_t>(std::clamp(range, 0, RANGE_COUNT - 1))]; }

int RangeItem(Vfo vfo, int range) {
  const RangeRow& row = RangeOf(range);
  return vfo == Vfo::A ? row.itemA : row.itemB;
}

}  // namespace keblor
