#pragma once
// The frames both toolkits draw around the program's client areas, in 1x pixels, as the main
// window's layouts count them.

namespace keblor {

// A spectrum window: 3-pixel borders and an 18-pixel caption around the 200 x 160 client area.
inline constexpr int SPECTRUM_FRAME_WIDTH = 206;
inline constexpr int SPECTRUM_FRAME_HEIGHT = 184;
inline constexpr int SPECTRUM_CLIENT_LEFT = 3;
inline constexpr int SPECTRUM_CLIENT_TOP = 21;

// The main window: its outer size less its client area below the menu bar (a 3-pixel frame, a
// 19-pixel caption and a 19-pixel menu bar).
inline constexpr int MAIN_FRAME_EXTRA_WIDTH = 6;
inline constexpr int MAIN_FRAME_EXTRA_HEIGHT = 44;

}  // namespace keblor
