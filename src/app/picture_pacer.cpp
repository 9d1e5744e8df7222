#include "app/picture_pacer.h"

#include <utility>

namespace keblor {

PicturePacer::PicturePacer(Desktop& clock, std::function<void()> due) : clock_(clock), due_(std::move(due)) {}

std::optional<SpectrumFrame> PicturePacer::Offer(const SpectrumFrame& frame) {
  pending_ = frame;
  return TakeDue();
}

std::optional<SpectrumFrame> PicturePacer::TakeDue() {
  if (!pending_ || !MayDraw(clock_.NowMs())) return std::nullopt;
  return std::exchange(pending_, std::nullopt);
}

// Now, or once a timer says so.
bool PicturePacer::MayDraw(std::int64_t now) {
  const std::int64_t wait = lastMs_ + FRAME_MS - now;
  if (wait <= 0) {
    lastMs_ = now;
    return true;
  }
  if (!callPending_) {
    callPending_ = true;
    clock_.CallAfter(static_cast<int>(wait), [this] {
      callPending_ = false;
      if (pending_ && due_) due_();
    });
  }
  return false;
}

}  // namespace keblor
