#pragma once
// Where a top-level window goes so that it can be seen, whichever toolkit shows it: a pure
// function of its rectangle and the screens' work areas (desktop coordinates, panels left out).

#include <span>

#include "base/geometry.h"

namespace keblor {

// `window` as it is while at least half of its area lies on the screens: a window mostly off
// them (a monitor gone since its place was saved) is of no use. Otherwise moved, as little as it
// takes, into the screen nearest to its middle, top-left corner first when it is larger than that
// screen, where its caption and menus are. Its size never changes. Without screens, as it is.
Rect PlaceOnScreens(const Rect& window, std::span<const Rect> screens);

}  // namespace keblor
