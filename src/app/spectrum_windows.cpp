#include "app/spectrum_windows.h"

#include <utility>

#include "core/main_layout.h"
#include "display/waterfall.h"

namespace keblor {
namespace {

const char* TitleOf(Vfo vfo) { return vfo == Vfo::A ? "Main VFO-A" : "Sub VFO-B"; }

Rect OuterRect(Point topLeft, const MainLayout& layout) {
  return {topLeft.x, topLeft.y, topLeft.x + layout.width, topLeft.y + layout.height};
}

}  // namespace

void SpectrumWindows::CreateMain(const char* title, Point topLeft, const Settings& settings, bool waterfall) {
  Layout(settings.ArrangeVertically, settings.Channels, waterfall);
  main_.Create(title, OuterRect(topLeft, display_.layout));
}

void SpectrumWindows::Open(Vfo vfo) {
  if (display_.IsOpen(vfo)) return;
  const Point at = vfo == Vfo::A ? Point{0, 2} : Point{display_.layout.vfoBLeft, display_.layout.vfoBTop};
  const std::size_t slot = vfo == Vfo::A ? 0 : 1;
  views_[slot] = &main_.OpenSpectrum(vfo, TitleOf(vfo), at);
  opened_[slot] = true;
  display_.SetOpen(vfo, true);
}

void SpectrumWindows::Close(Vfo vfo) {
  if (!display_.IsOpen(vfo)) return;
  display_.SetOpen(vfo, false);
  views_[vfo == Vfo::A ? 0 : 1] = nullptr;
  main_.CloseSpectrum(vfo);
}

void SpectrumWindows::Toggle(Vfo vfo) {
  if (display_.IsOpen(vfo))
    Close(vfo);
  else
    Open(vfo);
}

void SpectrumWindows::Layout(int arrangeVertically, int channels, bool waterfall) {
  display_.layout = ChooseMainLayout(arrangeVertically, channels, display_.layout, waterfall ? WATERFALL_ROWS : 0);
}

void SpectrumWindows::ResizeMain() {
  const Rect rect = main_.OuterRect();
  main_.Move(OuterRect({rect.left, rect.top}, display_.layout));
}

void SpectrumWindows::Arrange(int arrangeVertically, bool waterfall) {
  const bool vfoBWasOpen = display_.openB;
  Close(Vfo::B);
  Layout(arrangeVertically, 2, waterfall);
  ResizeMain();
  if (vfoBWasOpen) Open(Vfo::B);
}

void SpectrumWindows::FitChannels(const Settings& settings, bool waterfall) {
  Layout(settings.ArrangeVertically, settings.Channels, waterfall);
  if (IsStereo(settings)) {
    // Grow first, then place VFO-B; an open window stays as it is.
    ResizeMain();
    Open(Vfo::B);
  } else {
    // Close VFO-B before the main window shrinks over it.
    Close(Vfo::B);
    ResizeMain();
  }
}

void SpectrumWindows::FitWaterfall(const Settings& settings, bool waterfall) {
  main_.SetWaterfall(waterfall);
  const MainLayout before = display_.layout;
  Layout(settings.ArrangeVertically, settings.Channels, waterfall);
  ResizeMain();
  if (display_.openB && (before.vfoBLeft != display_.layout.vfoBLeft || before.vfoBTop != display_.layout.vfoBTop)) {
    Close(Vfo::B);
    Open(Vfo::B);
  }
}

}  // namespace keblor
