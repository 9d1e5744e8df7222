#pragma once
// What every toolkit's spectrum window does with a picture and the pointer, written once: each
// suite drives its own real window through a SpectrumViewDriver and runs these checks.

#include <gtest/gtest.h>

#include <vector>

#include "app/spectrum_events.h"
#include "display/spectrum_picture.h"

namespace keblor::test {

enum class Button { Left, Middle };

// A spectrum window at 1x, as a test drives it.
class SpectrumViewDriver {
 public:
  virtual ~SpectrumViewDriver() = default;
  virtual void Show(const SpectrumPicture& picture) = 0;
  virtual Rgb Pixel(int x, int y) = 0;  // of the client area, once what was shown is on it
  // A press and release at (x, y) of the client area, with Shift held or not.
  virtual void Click(Button button, bool shift, int x, int y) = 0;

  // Events that record what the window reports; the driver hands them to its window.
  SpectrumEvents Recorder() {
    SpectrumEvents events;
    events.tune = [this](int x, int y) { tunes.push_back({x, y}); };
    return events;
  }
  std::vector<Point> tunes;

  // How many client pixels of `color` lie in [left, right) x [top, bottom).
  int Count(Rgb color, int left, int top, int right, int bottom) {
    int n = 0;
    for (int y = top; y < bottom; ++y)
      for (int x = left; x < right; ++x) n += Pixel(x, y) == color;
    return n;
  }
};

// The rig's dial lies over the trace area's top left, in the lit colour, clear of the labels and
// of the readout's place at the top right; it goes with the next picture that has none.
inline void CheckTheRigsDialAtTheTopLeftOfTheTrace(SpectrumViewDriver& view) {
  WindowTrace trace;  // dark
  view.Show(ComposePicture(trace, {500, 1, 1}, {.numberOfAverages = 1, .rig = "7.030 012 MHz CW"}));
  EXPECT_GT(view.Count(LABEL_BACKGROUND, 2, TRACE_TOP + 1, 100, TRACE_TOP + 14), 30);
  EXPECT_EQ(view.Count(LABEL_BACKGROUND, 0, TRACE_TOP, 2, TRACE_TOP + RASTER_HEIGHT), 0);
  EXPECT_EQ(view.Count(LABEL_BACKGROUND, 0, TRACE_TOP, 200, TRACE_TOP + 1), 0);
  EXPECT_EQ(view.Count(LABEL_BACKGROUND, 0, TRACE_TOP + 16, 200, TRACE_TOP + RASTER_HEIGHT), 0);
  EXPECT_EQ(view.Count(LABEL_BACKGROUND, 140, TRACE_TOP, 200, TRACE_TOP + RASTER_HEIGHT), 0);
  EXPECT_EQ(view.Count(WINDOW_BACKGROUND, 0, 14, 200, 16), 400);
  view.Show(ComposePicture(trace, {500, 1, 1}, {1}));
  EXPECT_EQ(view.Count(LABEL_BACKGROUND, 0, TRACE_TOP, 200, TRACE_TOP + RASTER_HEIGHT), 0);
}

// The decode line lies on a dark box along the trace area's bottom rows, over a lit trace: the
// label at its left, the end of a long text at its right, two dark columns at either end; the
// next picture without it shows those rows of the trace again.
inline void CheckTheDecodeLineAlongTheTracesBottom(SpectrumViewDriver& view) {
  WindowTrace trace;
  trace.raster.fill(0xFF);  // lit everywhere
  const int bottom = TRACE_TOP + RASTER_HEIGHT;
  const DecodeLine line{"DL1ABC 24", "CQ CQ DE DL1ABC DL1ABC K CQ CQ DE DL1ABC DL1ABC K CQ CQ DE DL1ABC K"};
  view.Show(ComposePicture(trace, {500, 1, 1}, {.numberOfAverages = 1, .decodeLine = true, .decode = line}));
  EXPECT_GT(view.Count(TRACE_DARK, 0, bottom - 8, 200, bottom), 800);
  EXPECT_GT(view.Count(LABEL_BACKGROUND, 2, bottom - 12, 50, bottom), 20);    // the label
  EXPECT_GT(view.Count(LABEL_BACKGROUND, 150, bottom - 12, 198, bottom), 20);  // the text's end
  EXPECT_EQ(view.Count(LABEL_BACKGROUND, 0, bottom - 8, 2, bottom), 0);
  EXPECT_EQ(view.Count(LABEL_BACKGROUND, 198, bottom - 8, 200, bottom), 0);
  EXPECT_EQ(view.Count(LABEL_BACKGROUND, 0, bottom - 24, 200, bottom - 18), 1200);  // above the box
  view.Show(ComposePicture(trace, {500, 1, 1}, {1}));
  EXPECT_EQ(view.Count(LABEL_BACKGROUND, 0, bottom - 18, 200, bottom), 3600);
}

// The middle button and Shift + left tune, at the client pixel clicked; the left button alone
// does not.
inline void CheckTheTuningClick(SpectrumViewDriver& view) {
  view.Click(Button::Middle, false, 70, 60);
  view.Click(Button::Left, false, 50, 60);
  view.Click(Button::Left, true, 10, 150);
  EXPECT_EQ(view.tunes, (std::vector<Point>{{70, 60}, {10, 150}}));
}

}  // namespace keblor::test
