#include "display/level_readout.h"

#include <cmath>
#include <cstdio>


namespace keblor {

namespace {

struct SampleScale {
  float fullScale;  // the largest possible peak
  double scale;     // peak * scale = 1 at full scale
};

// 8-bit samples are unsigned around 127.5; everything else is read as 16-bit signed.
SampleScale ScaleFor(int bitsPerSample) {
  if (bitsPerSample == 8) return {127.5f, 1.0 / 127.5};
  return {32768.0f, 1.0 / 32768.0};
}

}  // namespace

bool IsFullScale(float peakLevel, int bitsPerSample) { return peakLevel == ScaleFor(bitsPerSample).fullScale; }

std::string FormatLevelText(float peakLevel, int bitsPerSample) {
  // A block of pure silence has no level in dB (minus infinity): say so in words.
  if (!(peakLevel > 0.0f)) return "Level: silence";
  const double level = 20.0 * std::log10(static_cast<double>(peakLevel) * ScaleFor(bitsPerSample).scale);
  char text[48];
  std::snprintf(text, sizeof text, "Level: %2.1fdB", level);
  return text;
}

}  // namespace keblor
