#include "analysis/fft_engine.h"

namespace keblor {

int RoundNearest(double x) {
  const int t = static_cast<int>(x);  // toward zero
  if (x - t >= 0.5) return t + 1;
  if (t - x >= 0.5) return t - 1;
  return t;
}

}  // namespace keblor
