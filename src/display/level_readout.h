#pragma once
// The peak level readout: "Level: %2.1fdB" in the bottom line, red exactly at full scale.

#include <string>

namespace keblor {

// The readout text for a peak in sample units (16-bit: 0..32768; 8-bit: 0..127.5).
std::string FormatLevelText(float peakLevel, int bitsPerSample);
bool IsFullScale(float peakLevel, int bitsPerSample);

}  // namespace keblor
