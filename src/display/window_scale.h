#pragma once
// From the program's 1x pixels to the screen's: the zoom (1..4) times the monitor's DPI / 96 (a
// toolkit that scales for the DPI itself keeps 96).

namespace keblor {

inline constexpr int BASE_DPI = 96;

struct WindowScale {
  int zoom = 1;
  int dpi = BASE_DPI;

  // A length of 1x pixels on the screen, rounded to the nearest pixel.
  int Px(int design) const {
    const long long num = static_cast<long long>(design) * zoom * dpi;
    const long long den = BASE_DPI;
    return static_cast<int>(num >= 0 ? (num + den / 2) / den : -((-num + den / 2) / den));
  }
  // A screen pixel of a scaled area back to the 1x pixel it shows.
  int ToDesign(int px) const {
    const long long num = static_cast<long long>(px) * BASE_DPI;
    const long long den = static_cast<long long>(zoom) * dpi;
    return static_cast<int>(num >= 0 ? num / den : -((-num + den - 1) / den));
  }
};

}  // namespace keblor
