#pragma once
// From the program's 1x pixels to the screen's: the zoom (1..4) times the monitor's DPI / 96.
// Frames and captions come from the system at the monitor's DPI and do not grow with the zoom.
// Standard library only, so that the arithmetic is tested without a screen.

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

// A place or size in the main window's client area, laid out in 1x pixels for spectrum frames
// of `designFrame` pixels, for frames `realFrame` screen pixels big: the whole frames it spans
// (the nearest count) become real ones, and the rest (gaps, margins) is scaled.
inline int ClientLength(int design, int designFrame, int realFrame, const WindowScale& scale) {
  const int frames = (design + designFrame / 2) / designFrame;
  return frames * realFrame + scale.Px(design - frames * designFrame);
}

}  // namespace keblor
