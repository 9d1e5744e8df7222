// A window saved off the screens comes back onto the nearest one; one that can be seen stays.

#include "core/screen_placement.h"

#include <gtest/gtest.h>

#include <vector>

namespace keblor {
namespace {

Rect Sized(int left, int top, int width, int height) { return {left, top, left + width, top + height}; }

const Rect LEFT_SCREEN = Sized(0, 0, 1920, 1080);
const Rect RIGHT_SCREEN = Sized(1920, 0, 1280, 1024);
const std::vector<Rect> TWO{LEFT_SCREEN, RIGHT_SCREEN};

TEST(ScreenPlacement, AWindowAtLeastHalfOnTheScreensStaysWhereItIs) {
  for (const Rect& window : {Sized(30, 40, 214, 231), Sized(1800, 900, 214, 231),  // across both, over the edge
                             Sized(-100, 500, 214, 231),                          // 47 % off the left
                             Sized(1850, 100, 214, 231),                          // half on each screen
                             Sized(-107, 500, 214, 231)}) {                       // exactly half off
    EXPECT_EQ(PlaceOnScreens(window, TWO), window) << window.left << "," << window.top;
  }
  EXPECT_EQ(PlaceOnScreens(Sized(9000, 9000, 214, 231), {}), Sized(9000, 9000, 214, 231));
}

TEST(ScreenPlacement, AWindowMostlyOffComesOntoTheNearestScreenMovedAsLittleAsItTakes) {
  struct Case {
    Rect window;
    Point placed;
  };
  for (const Case& c : {
           Case{Sized(-108, 500, 214, 231), {0, 500}},        // one column more than half off
           Case{Sized(1910, 1070, 214, 231), {1706, 849}},   // 99 % off, nearest the left screen's corner
           Case{Sized(600, 1070, 214, 231), {600, 849}},     // 96 % below the left screen: up only
           Case{Sized(3190, 300, 214, 231), {2986, 300}},    // past the right screen's edge: left only
           Case{Sized(-5000, -3000, 214, 231), {0, 0}},      // far to the top left
           Case{Sized(2500, 1500, 214, 231), {2500, 793}},   // below the smaller right screen
           Case{Sized(100, -225, 214, 231), {100, 0}},       // only the bottom rows showing
       }) {
    SCOPED_TRACE(testing::Message() << c.window.left << "," << c.window.top);
    EXPECT_EQ(PlaceOnScreens(c.window, TWO), Sized(c.placed.x, c.placed.y, 214, 231));
  }
  // Larger than the screen: its top-left corner, where the caption and menus are, is kept on it.
  const std::vector<Rect> left{LEFT_SCREEN};
  EXPECT_EQ(PlaceOnScreens(Sized(5000, 5000, 3000, 2000), left), Sized(0, 0, 3000, 2000));
}

}  // namespace
}  // namespace keblor
