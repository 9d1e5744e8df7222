#include "analysis/pitch_estimate.h"

#include <algorithm>
#include <array>

namespace keblor {

std::optional<double> EstimatePitchHz(const SpectrumAccumulator& m, int topBin) {
  constexpr int FIRST_BIN = 2;  // above the 8-bit format's offset
  const int last = std::clamp(topBin, FIRST_BIN + 1, ACCUMULATED_BINS - 2);
  int k = FIRST_BIN;
  for (int i = FIRST_BIN + 1; i <= last; ++i)
    if (m[static_cast<std::size_t>(i)] > m[static_cast<std::size_t>(k)]) k = i;

  std::array<float, ACCUMULATED_BINS> sorted{};
  const auto first = m.begin() + FIRST_BIN;
  const auto end = m.begin() + last + 1;
  const auto count = end - first;
  std::copy(first, end, sorted.begin());
  std::nth_element(sorted.begin(), sorted.begin() + count / 2, sorted.begin() + count);
  const double median = sorted[static_cast<std::size_t>(count / 2)];
  const double peak = m[static_cast<std::size_t>(k)];
  if (!(peak > 0.0) || peak < PITCH_MIN_PEAK_TO_MEDIAN * median) return std::nullopt;

  const double below = m[static_cast<std::size_t>(k - 1)];
  const double above = m[static_cast<std::size_t>(k + 1)];
  const double neighbour = std::max(below, above);
  double d = (2.0 * neighbour - peak) / (peak + neighbour);
  d = std::clamp(d, 0.0, 0.5);
  return (k + (above >= below ? d : -d)) * BIN_HZ;
}

}  // namespace keblor
