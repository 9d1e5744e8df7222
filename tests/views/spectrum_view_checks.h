#pragma once
// What every toolkit's spectrum window does with a picture and the pointer, written once: each
// suite drives its own real window through a SpectrumViewDriver and runs these checks.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
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

// Spots over a dark trace, below the rig's dial: each call at its column with a tick that ends
// there, newest on top where they crowd, at most three lines; greyer with age, '*' when heard.
inline void CheckSpotsStandBelowTheTopTextsAtTheirColumns(SpectrumViewDriver& view) {
  auto spot = [](int column, const char* call, int age = 0, bool heard = false) {
    SpotMark mark{column, {}, age, heard};
    std::strncpy(mark.call.data(), call, mark.call.size() - 1);
    return mark;
  };
  struct Lit {
    int top = 9999, bottom = -1, left = 9999, right = -1, bottomColumn = -1;
    Rgb bottomColor{};
  };
  std::vector<Rgb> base;
  // Where the trace area's pixels that differ from `base` lie within [left, right), and the lowest.
  auto show = [&](std::vector<SpotMark> marks, int left = 0, int right = TRACE_COLUMNS) {
    view.Show(ComposePicture({}, {500, 1, 1}, {.numberOfAverages = 1, .rig = "7.030 MHz", .spots = marks}));
    Lit lit;
    for (int y = TRACE_TOP; y < TRACE_TOP + RASTER_HEIGHT; ++y)
      for (int x = left; x < right; ++x) {
        const Rgb now = view.Pixel(x, y);
        const Rgb was = base.empty() ? TRACE_DARK : base[static_cast<std::size_t>(y * TRACE_COLUMNS + x)];
        if (!(now == was)) lit = {std::min(lit.top, y), y, std::min(lit.left, x), std::max(lit.right, x), x, now};
      }
    return lit;
  };
  const Lit dial = show({});
  ASSERT_GE(dial.bottom, TRACE_TOP + 6);
  for (int y = 0; y < TRACE_TOP + RASTER_HEIGHT; ++y)
    for (int x = 0; x < TRACE_COLUMNS; ++x) base.push_back(view.Pixel(x, y));
  for (const int column : {40, 150}) {
    const Lit one = show({spot(40, "DL1ABC"), spot(150, "K1XX")}, column - 25, column + 25);
    EXPECT_TRUE(one.top > dial.bottom && one.bottom < TRACE_TOP + 36) << column;
    EXPECT_EQ(one.bottomColumn, column);
    EXPECT_TRUE(one.bottomColor == LABEL_BACKGROUND) << column;
  }

  const Lit newest = show({spot(100, "DL1ABC")});
  const Lit two = show({spot(100, "DL1ABC"), spot(103, "K1XX")});
  EXPECT_TRUE(two.top == newest.top && two.bottom >= newest.bottom + 8 && two.bottomColumn == 103);
  std::vector<SpotMark> crowd = {spot(100, "DL1ABC"), spot(103, "K1XX"), spot(96, "G4ABC")};
  const int threeLines = show(crowd).bottom;
  EXPECT_GE(threeLines, two.bottom + 8);
  crowd.push_back(spot(98, "JA1XX"));
  EXPECT_EQ(show(crowd).bottom, threeLines);

  for (int age = 0, grey = LABEL_BACKGROUND.r + 1; age < SPOT_AGES; ++age) {
    const int now = show({spot(100, "DL1ABC", age)}).bottomColor.r;
    EXPECT_TRUE(now < grey && now >= 80) << age << ": " << now;
    grey = now;
  }
  const Lit heard = show({spot(100, "DL1ABC", 0, true)});
  EXPECT_GT(heard.right - heard.left, newest.right - newest.left + 3);
}

}  // namespace keblor::test
