#pragma once
// The one rounding rule of the program, shared by the analysis, the display and the pointer.

namespace keblor {

// Nearest integer, halves away from zero: 2.5 -> 3, -2.5 -> -3.
constexpr int RoundNearest(double x) {
  const int t = static_cast<int>(x);  // toward zero
  if (x - t >= 0.5) return t + 1;
  if (t - x >= 0.5) return t - 1;
  return t;
}

}  // namespace keblor
