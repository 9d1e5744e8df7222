#include "desktop/window_placement.h"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>
#include <limits>

namespace keblor {
namespace {

long long Area(const QRect& rect) { return rect.isEmpty() ? 0 : 1LL * rect.width() * rect.height(); }

// The square of the distance from `point` to the nearest point of `rect`.
long long SquaredDistance(const QPoint& point, const QRect& rect) {
  const long long dx = point.x() - std::clamp(point.x(), rect.left(), rect.right());
  const long long dy = point.y() - std::clamp(point.y(), rect.top(), rect.bottom());
  return dx * dx + dy * dy;
}

// `start` moved into [low, high - length], or to `low` when the length does not fit.
int Inside(int start, int length, int low, int high) { return std::max(low, std::min(start, high - length)); }

}  // namespace

QRect PlaceOnScreens(const QRect& window, const QList<QRect>& screens) {
  long long seen = 0;
  for (const QRect& screen : screens) seen += Area(window & screen);
  if (screens.isEmpty() || 2 * seen >= Area(window)) return window;

  const QPoint middle = window.center();
  const QRect* nearest = &screens.front();
  long long best = std::numeric_limits<long long>::max();
  for (const QRect& screen : screens) {
    const long long distance = SquaredDistance(middle, screen);
    if (distance < best) {
      best = distance;
      nearest = &screen;
    }
  }
  const QRect& to = *nearest;
  QRect placed = window;
  placed.moveTo(Inside(window.left(), window.width(), to.left(), to.left() + to.width()),
                Inside(window.top(), window.height(), to.top(), to.top() + to.height()));
  return placed;
}

QList<QRect> AvailableScreenAreas() {
  QList<QRect> areas;
  if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr) return areas;
  for (const QScreen* screen : QGuiApplication::screens()) areas << screen->availableGeometry();
  return areas;
}

}  // namespace keblor
