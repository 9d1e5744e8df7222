#include "core/screen_placement.h"

#include <algorithm>
#include <limits>

namespace keblor {
namespace {

long long Area(const Rect& r) {
  return r.right <= r.left || r.bottom <= r.top ? 0 : 1LL * (r.right - r.left) * (r.bottom - r.top);
}

Rect Intersection(const Rect& a, const Rect& b) {
  return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
}

// The square of the distance from `point` to the nearest pixel of `rect`.
long long SquaredDistance(const Point& point, const Rect& rect) {
  const long long dx = point.x - std::clamp(point.x, rect.left, std::max(rect.left, rect.right - 1));
  const long long dy = point.y - std::clamp(point.y, rect.top, std::max(rect.top, rect.bottom - 1));
  return dx * dx + dy * dy;
}

// `start` moved into [low, high - length], or to `low` when the length does not fit.
int Inside(int start, int length, int low, int high) { return std::max(low, std::min(start, high - length)); }

}  // namespace

Rect PlaceOnScreens(const Rect& window, std::span<const Rect> screens) {
  long long seen = 0;
  for (const Rect& screen : screens) seen += Area(Intersection(window, screen));
  if (screens.empty() || 2 * seen >= Area(window)) return window;

  // The middle pixel, rounded up and left.
  const Point middle{(window.left + window.right - 1) / 2, (window.top + window.bottom - 1) / 2};
  const Rect* nearest = &screens.front();
  long long best = std::numeric_limits<long long>::max();
  for (const Rect& screen : screens) {
    const long long distance = SquaredDistance(middle, screen);
    if (distance < best) {
      best = distance;
      nearest = &screen;
    }
  }
  const int width = window.right - window.left;
  const int height = window.bottom - window.top;
  const int left = Inside(window.left, width, nearest->left, nearest->right);
  const int top = Inside(window.top, height, nearest->top, nearest->bottom);
  return {left, top, left + width, top + height};
}

}  // namespace keblor
