#include "display/spoken_readout.h"

namespace keblor {

bool SpokenReadout::Offer(const std::string& text, std::int64_t nowMs) {
  if (text == told_) {
    waiting_ = false;  // back to what was told: nothing to tell
    return false;
  }
  if (nowMs - toldAtMs_ < MIN_INTERVAL_MS) {
    waiting_ = true;
    return false;
  }
  told_ = text;
  toldAtMs_ = nowMs;
  waiting_ = false;
  return true;
}

}  // namespace keblor
