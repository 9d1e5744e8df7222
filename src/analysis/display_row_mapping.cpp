#include "analysis/display_row_mapping.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "base/rounding.h"

namespace keblor {

namespace {

constexpr std::uint8_t ROW_FLOOR = 127;  // 50 dB or more below full scale, or no signal

// One unit in the last place above the double nearest to 5.1: 2 x 127.5 steps per 50 dB.
constexpr double STEPS_PER_DB = 5.1000000000000005;

constexpr double K_3_70 = 0.04285714285714286;
constexpr double K_9_70 = 0.12857142857142856;
constexpr double K_6_70 = 0.08571428571428572;
constexpr double K_18_70 = 0.2571428571428571;

// The FT-1000MP tilt in dB for index n (a bin for the two narrow spans, a column otherwise).
double Ft1000mpCorrection(int range, int n) {
  switch (range) {
    case 0:
      return static_cast<double>(70 - n) * K_3_70;
    case 1:
    case 2:
      return n < 70 ? static_cast<double>(70 - n) * K_3_70 : static_cast<double>(n - 70) * K_9_70;
    case 3:
      return n < 50 ? static_cast<double>(50 - n) * 0.06 : static_cast<double>(n - 50) * 0.18;
    default:
      if (n < 35) return static_cast<double>(35 - n) * K_6_70;
      if (n < 100) return static_cast<double>(n - 35) * K_18_70;
      return static_cast<double>(n - 100) * 0.09 + 16.71;
  }
}

struct ColumnMapper {
  double fullScaleRef;
  bool corrected;
  int range;

  // The row value of a column fed by magnitude m, with the tilt taken at index n.
  int Value(float m, int n) const {
    // Zero means no signal; anything not positive (never produced by the analysis) is
    // treated the same rather than fed to the logarithm.
    if (!(m > 0.0f)) return ROW_FLOOR;
    double level = 20.0 * std::log10(fullScaleRef / static_cast<double>(m));
    if (corrected) level -= Ft1000mpCorrection(range, n);
    return LevelToRowValue(level);
  }
};

inline std::uint8_t Byte(int v) { return static_cast<std::uint8_t>(v); }

void MapRow(SpectrumAccumulator& acc, const ColumnMapper& map, DisplayRow& row) {
  row[0] = ROW_FLOOR;
  switch (map.range) {
    case 0:  // 500 Hz: a bin every fourth column, three columns interpolated towards it
      for (int n = 1; n <= 50; ++n) {
        const int v = map.Value(acc[static_cast<std::size_t>(n)], n);
        const std::size_t at = static_cast<std::size_t>(4 * n);
        const int q = (v - row[at - 4]) / 4;
        row[at - 3] = Byte(v - 3 * q);
        row[at - 2] = Byte(v - 2 * q);
        row[at - 1] = Byte(v - q);
        row[at] = Byte(v);
      }
      break;
    case 1:  // 1000 Hz: a bin every second column, the one between halfway
      for (int n = 1; n <= 100; ++n) {
        const int v = map.Value(acc[static_cast<std::size_t>(n)], n);
        const std::size_t at = static_cast<std::size_t>(2 * n);
        row[at - 1] = Byte(v - (v - row[at - 2]) / 2);
        row[at] = Byte(v);
      }
      break;
    case 2:  // 2000 Hz: one bin per column
      for (int n = 1; n <= 200; ++n) {
        row[static_cast<std::size_t>(n)] = Byte(map.Value(acc[static_cast<std::size_t>(n)], n));
      }
      break;
    case 3:  // 3000 Hz: 15 Hz columns; odd columns take the stronger of the bins 5 and 15 Hz below
      acc[0] = 0.0f;
      for (int n = 1; n <= 200; ++n) {
        const std::size_t k = static_cast<std::size_t>(3 * n / 2);
        const float m = (n % 2 == 0) ? acc[k] : std::max(acc[k], acc[k - 1]);
        row[static_cast<std::size_t>(n)] = Byte(map.Value(m, n));
      }
      break;
    default:  // 4000 Hz: the stronger of the bin on the column and the one 10 Hz below
      acc[0] = 0.0f;
      for (int n = 1; n <= 200; ++n) {
        const std::size_t k = static_cast<std::size_t>(2 * n);
        row[static_cast<std::size_t>(n)] = Byte(map.Value(std::max(acc[k], acc[k - 1]), n));
      }
      break;
  }
}

}  // namespace

std::uint8_t LevelToRowValue(double levelDb) {
  // A level that is not a number counts as no signal.
  if (!(levelDb <= 50.0)) levelDb = 50.0;
  if (levelDb < 0.0) levelDb = 0.0;
  return static_cast<std::uint8_t>(RoundNearest(levelDb * STEPS_PER_DB) >> 1);
}

void MapDisplayRows(SpectrumAccumulator& accumulatorA, SpectrumAccumulator& accumulatorB,
                    const DisplayMappingInput& input, DisplayRow& rowA, DisplayRow& rowB) {
  const float fullScaleRef = input.bitsPerSample == 8 ? 65536.0f : 16777216.0f;
  const bool stereo = input.channels == 2;
  // Ranges are clamped by the settings; kept in the table here all the same.
  const int rangeA = std::clamp(input.rangeA, 0, RANGE_COUNT - 1);
  const int rangeB = std::clamp(input.rangeB, 0, RANGE_COUNT - 1);

  MapRow(accumulatorA, ColumnMapper{fullScaleRef, false, rangeA}, rowA);
  if (stereo) MapRow(accumulatorB, ColumnMapper{fullScaleRef, input.ft1000mp, rangeB}, rowB);
}

}  // namespace keblor
