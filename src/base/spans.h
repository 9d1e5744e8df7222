#pragma once
// The five spans a spectrum window can show over its 200 trace columns, RangeIndex 0..4, and the
// analysis bins behind them (10 Hz a bin). The one place the spans are written.

#include <algorithm>
#include <array>

namespace keblor {

inline constexpr int RANGE_COUNT = 5;
inline constexpr int TRACE_COLUMNS = 200;
inline constexpr int BIN_HZ_WHOLE = 10;  // 10240 frames a second over 1024 points

inline constexpr std::array<int, RANGE_COUNT> RANGE_SPAN_HZ = {500, 1000, 2000, 3000, 4000};

// The span of `range`, clamped to 0..4.
constexpr int SpanHz(int range) { return RANGE_SPAN_HZ[static_cast<std::size_t>(std::clamp(range, 0, RANGE_COUNT - 1))]; }
// The highest bin the span of `range` shows.
constexpr int TopBin(int range) { return SpanHz(range) / BIN_HZ_WHOLE; }

}  // namespace keblor
