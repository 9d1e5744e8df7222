#pragma once
// Rectangles and points in pixels, as the program's pictures and windows use them.

namespace keblor {

struct Rect {
  int left = 0, top = 0, right = 0, bottom = 0;  // right and bottom exclusive
  friend bool operator==(const Rect&, const Rect&) = default;
};
struct Point {
  int x = 0, y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};

}  // namespace keblor
