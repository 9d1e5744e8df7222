#include "desktop/window_placement.h"

#include <QGuiApplication>
#include <QScreen>

namespace keblor {

std::vector<Rect> AvailableScreenAreas() {
  std::vector<Rect> areas;
  if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr) return areas;
  for (const QScreen* screen : QGuiApplication::screens()) {
    const QRect area = screen->availableGeometry();
    areas.push_back({area.x(), area.y(), area.x() + area.width(), area.y() + area.height()});
  }
  return areas;
}

}  // namespace keblor
