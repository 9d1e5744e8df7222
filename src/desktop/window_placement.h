#pragma once
// The screens as Qt has them, for core/screen_placement.h's rule.

#include <vector>

#include "base/geometry.h"

namespace keblor {

// The screens' areas less panels and docks, in desktop coordinates; empty before a
// QGuiApplication exists.
std::vector<Rect> AvailableScreenAreas();

}  // namespace keblor
