#pragma once
// The spectrum windows inside the main window: which are open, where they sit, and the main
// window's size around them for the channels, the arrangement and the waterfall. GUI thread.

#include <array>
#include <utility>

#include "app/views.h"
#include "core/display_state.h"
#include "core/settings.h"

namespace keblor {

class SpectrumWindows {
 public:
  SpectrumWindows(MainView& main, DisplayState& display) : main_(main), display_(display) {}

  // Creates the main window at `topLeft`, sized for the settings.
  void CreateMain(const char* title, Point topLeft, const Settings& settings, bool waterfall);
  void Open(Vfo vfo);
  void Close(Vfo vfo);
  void Toggle(Vfo vfo);
  // The window of an open VFO; null when closed.
  SpectrumView* View(Vfo vfo) const { return views_[vfo == Vfo::A ? 0 : 1]; }
  // The windows opened since the last call: their picture starts with a full repaint.
  std::array<bool, 2> TakeOpened() { return std::exchange(opened_, {}); }

  // VFO-B beside or below VFO-A (two channels), the main window resized from its top-left.
  void Arrange(int arrangeVertically, bool waterfall);
  // One channel or two: VFO-B's window and the main window's size follow.
  void FitChannels(const Settings& settings, bool waterfall);
  // The windows grow or shrink by the waterfall's height and the main window with them; VFO-B
  // below VFO-A moves to its new place.
  void FitWaterfall(const Settings& settings, bool waterfall);

 private:
  void Layout(int arrangeVertically, int channels, bool waterfall);
  void ResizeMain();

  MainView& main_;
  DisplayState& display_;
  std::array<SpectrumView*, 2> views_{};
  std::array<bool, 2> opened_{};
};

}  // namespace keblor
