#pragma once
// The one rounding rule of the program, shared by the analysis, the display, the pointer and the
// rig's dial.

#include <concepts>

namespace keblor {

// Nearest integer, halves away from zero: 2.5 -> 3, -2.5 -> -3. `x` must lie within Int's range.
template <std::integral Int = int>
constexpr Int RoundNearest(double x) {
  const Int t = static_cast<Int>(x);  // toward zero
  if (x - static_cast<double>(t) >= 0.5) return t + 1;
  if (static_cast<double>(t) - x >= 0.5) return t - 1;
  return t;
}

}  // namespace keblor
