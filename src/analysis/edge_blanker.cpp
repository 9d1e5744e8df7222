#include "analysis/edge_blanker.h"

#include <algorithm>
#include <cmath>

namespace keblor {
namespace {

constexpr double MEAN_SPAN = 320.0;  // samples over which the mean power is taken (1 s)
constexpr double WARM_UP = 32.0;     // samples before the mean is trusted
constexpr double HIGH_RATIO = 6.0;   // a burst's power over the mean power
constexpr double MARK_RATIO = 3.0;   // a burst's power over the signal's marks'
constexpr double MARK_DECAY = 1.0 - 1.0 / 640.0;  // per sample: the marks' power halves in about 1.4 s

}  // namespace

std::complex<double> EdgeBlanker::Next(std::complex<double> z, double edgeBound) {
  // A burst sample enters the mean as the limit only, so that bursts do not raise it much.
  const double power = std::norm(z);
  const double limit = HIGH_RATIO * meanPower_;
  markPower_ *= MARK_DECAY;
  const bool high = weight_ >= WARM_UP && power > limit && power > MARK_RATIO * markPower_ && power < edgeBound * edgeBound;
  if (weight_ < MEAN_SPAN) weight_ += 1.0;
  meanPower_ += ((high ? limit : power) - meanPower_) * (weight_ < MEAN_SPAN ? 1.0 / weight_ : 1.0 / MEAN_SPAN);
  if (!high) {
    run_ = 0;
    return z;
  }
  if (++run_ <= MAX_BURST) return {};
  markPower_ = std::max(markPower_, power);
  return z;
}

}  // namespace keblor
