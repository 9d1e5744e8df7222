#pragma once
// The pace of pictures: at most one per FRAME_MS, the newest frame winning. GUI thread only.

#include <cstdint>
#include <functional>
#include <optional>

#include "analysis/spectrum_analyzer.h"
#include "app/views.h"

namespace keblor {

class PicturePacer {
 public:
  // A little under a block's 100 ms, so that a block that comes a few milliseconds early (a
  // source pumped on a timer, a card whose clock runs fast) is drawn at once instead of waking
  // the program again for a timer of its own.
  static constexpr int FRAME_MS = 90;

  // `due` is called from the clock's timer once a frame kept back may be drawn: an entry point,
  // never called from inside Offer.
  PicturePacer(Desktop& clock, std::function<void()> due);

  // The frame to draw now, or nothing: kept back (replacing one kept before) until FRAME_MS
  // have passed since the last picture, when `due` is called.
  std::optional<SpectrumFrame> Offer(const SpectrumFrame& frame);
  // The frame kept back, as soon as it may be drawn; once taken it is gone.
  std::optional<SpectrumFrame> TakeDue();
  void Drop() { pending_.reset(); }  // a frame kept back is not drawn

 private:
  bool MayDraw(std::int64_t now);

  Desktop& clock_;
  std::function<void()> due_;
  std::optional<SpectrumFrame> pending_;
  std::int64_t lastMs_ = -FRAME_MS;
  bool callPending_ = false;
};

}  // namespace keblor
