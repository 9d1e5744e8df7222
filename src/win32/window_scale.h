#pragma once
// The layouts' arithmetic on Win32. Frames and captions come from the system at the monitor's DPI
// and do not grow with the zoom. Standard library only, so that it is tested without a screen.

#include "display/window_scale.h"

namespace keblor {

// A place or size in the main window's client area, laid out in 1x pixels for spectrum frames
// of `designFrame` pixels, for frames `realFrame` screen pixels big: the whole frames it spans
// (the nearest count) become real ones, and the rest (gaps, margins) is scaled.
inline int ClientLength(int design, int designFrame, int realFrame, const WindowScale& scale) {
  const int frames = (design + designFrame / 2) / designFrame;
  return frames * realFrame + scale.Px(design - frames * designFrame);
}

}  // namespace keblor
