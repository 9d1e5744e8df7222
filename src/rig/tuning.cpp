#include "rig/tuning.h"

#include "base/rounding.h"

#include <cstdio>
#include <cstdlib>

namespace keblor {

Sideband SidebandOfMode(std::string_view mode) {
  for (std::string_view upper : {"CW", "USB", "PKTUSB", "RTTYR"})
    if (mode == upper) return Sideband::Upper;
  for (std::string_view lower : {"CWR", "LSB", "PKTLSB", "RTTY"})
    if (mode == lower) return Sideband::Lower;
  return Sideband::Unknown;
}

Sideband ChooseSideband(int setting, std::string_view mode) {
  if (setting == 1) return Sideband::Upper;
  if (setting == 2) return Sideband::Lower;
  return SidebandOfMode(mode);
}

std::optional<std::int64_t> DialStep(double toneHz, int markerHz, Sideband sideband) {
  if (!(toneHz > 0.0) || sideband == Sideband::Unknown) return std::nullopt;
  const std::int64_t step = RoundNearest(toneHz - markerHz);  // tone and marker lie within the audio band
  return sideband == Sideband::Upper ? step : -step;
}

std::optional<std::int64_t> PitchOfSignal(std::int64_t dialHz, Sideband sideband, std::int64_t signalHz) {
  if (sideband == Sideband::Unknown) return std::nullopt;
  return sideband == Sideband::Upper ? signalHz - dialHz : dialHz - signalHz;
}

std::optional<std::int64_t> DialForSignal(std::int64_t signalHz, int markerHz, Sideband sideband) {
  if (sideband == Sideband::Unknown) return std::nullopt;
  return sideband == Sideband::Upper ? signalHz - markerHz : signalHz + markerHz;
}

std::string DialText(const Dial& dial) {
  const std::int64_t hz = std::llabs(dial.hz);
  char text[64];
  std::snprintf(text, sizeof text, "%s%lld.%03lld %03lld MHz", dial.hz < 0 ? "-" : "",
                static_cast<long long>(hz / 1000000), static_cast<long long>(hz / 1000 % 1000),
                static_cast<long long>(hz % 1000));
  std::string shown = text;
  if (!dial.mode.empty()) shown += " " + dial.mode;
  return shown;
}

}  // namespace keblor
