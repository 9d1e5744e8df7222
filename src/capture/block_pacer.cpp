#include "capture/block_pacer.h"

#include <algorithm>

namespace keblor {

std::int64_t BlockPacer::DelayFor(std::int64_t now) {
  if (!started_) {
    started_ = true;
    windowStart_ = now;
  }
  if (const std::int64_t elapsed = now - windowStart_; elapsed >= WINDOW_NS) {
    const std::int64_t awake = elapsed - sleptInWindow_;
    pacing_.store(blocksInWindow_ * BLOCK_NS > 2 * awake, std::memory_order_relaxed);
    windowStart_ = now;
    sleptInWindow_ = 0;
    blocksInWindow_ = 0;
  }
  ++blocksInWindow_;
  if (!Pacing()) {
    nextDue_ = now + BLOCK_NS;
    return 0;
  }
  const std::int64_t delay = std::max<std::int64_t>(0, nextDue_ - now);
  nextDue_ = std::max(nextDue_, now) + BLOCK_NS;
  sleptInWindow_ += delay;
  return delay;
}

void BlockPacer::Reset() {
  started_ = false;
  sleptInWindow_ = 0;
  blocksInWindow_ = 0;
  pacing_.store(false, std::memory_order_relaxed);
}

}  // namespace keblor
