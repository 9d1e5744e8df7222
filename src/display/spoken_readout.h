#pragma once
// What a screen reader is told of a window's pitch readout: a new text at most once a second,
// and only when it differs from the one told last, so that a live reading does not chatter.

#include <cstdint>
#include <string>

namespace keblor {

class SpokenReadout {
 public:
  static constexpr std::int64_t MIN_INTERVAL_MS = 1000;

  // The readout's text as it stands at `nowMs` (a clock that only goes forward). True when it is
  // to be told now: then Told() holds it. A change that comes too soon waits for DueMs(); one
  // that goes back to the text told is dropped.
  bool Offer(const std::string& text, std::int64_t nowMs);

  // When the text that waits may be told (offer it again then); -1 when none waits.
  std::int64_t DueMs() const { return waiting_ ? toldAtMs_ + MIN_INTERVAL_MS : -1; }

  const std::string& Told() const { return told_; }

 private:
  std::string told_;  // nothing at first, as a window's description is
  std::int64_t toldAtMs_ = INT64_MIN / 2;
  bool waiting_ = false;
};

}  // namespace keblor
