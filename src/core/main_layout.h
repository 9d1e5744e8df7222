#pragma once
// The main window's outer size and the VFO-B window's place in its client area.

namespace keblor {

struct MainLayout {
  int width = 214;
  int height = 231;
  int vfoBLeft = 205;
  int vfoBTop = 2;
};

// The layout row for these settings; the mono rows keep vfoBLeft/vfoBTop from `current`. Spectrum
// windows `waterfallHeight` pixels taller (their waterfall) make the main window taller by as
// much for each window in a column, and push VFO-B down by as much when it sits below VFO-A.
MainLayout ChooseMainLayout(int arrangeVertically, int channels, const MainLayout& current, int waterfallHeight = 0);

}  // namespace keblor
