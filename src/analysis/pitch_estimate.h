#pragma once
// The frequency of the strongest tone in an averaged magnitude spectrum, between bins.

#include <optional>

#include "analysis/display_row_mapping.h"

namespace keblor {

inline constexpr double BIN_HZ = 10.0;  // 10240 frames a second over 1024 points

// The strongest tone between bin 2 and `topBin`, in Hz. The Hann window's main lobe gives the
// tone's place between the peak bin and its larger neighbour exactly for a clean tone:
// neighbour / peak = (1 + d) / (2 - d) at d bins from the peak. Nothing when the peak does not
// stand at least PITCH_MIN_PEAK_TO_MEDIAN times above the median of the bins searched: noise
// alone gives no number rather than a wrong one.
inline constexpr double PITCH_MIN_PEAK_TO_MEDIAN = 8.0;
std::optional<double> EstimatePitchHz(const SpectrumAccumulator& magnitudes, int topBin);

}  // namespace keblor
