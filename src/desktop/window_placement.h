#pragma once
// Where a top-level window goes so that it can be seen: a pure function of rectangles, and the
// screens' rectangles as the desktop has them.

#include <QList>
#include <QRect>

namespace keblor {

// `window` as it is while at least half of it lies on the screens; otherwise moved, as little
// as it takes, into the screen nearest to its middle (top-left corner first when it is larger
// than that screen). Its size never changes. Without screens, as it is.
QRect PlaceOnScreens(const QRect& window, const QList<QRect>& screens);

// The screens' areas less panels and docks, in desktop coordinates; empty before a
// QGuiApplication exists.
QList<QRect> AvailableScreenAreas();

}  // namespace keblor
