#pragma once
// Holds back an input that delivers blocks faster than real time. A device without a clock of
// its own (ALSA's "null" device, some virtual devices) hands over blocks as fast as it is asked,
// which would keep a capture thread and the program busy for nothing. Measured over each second
// of the time the capture thread spent awake: more than twice a block's time of blocks per
// second awake starts pacing, which makes each block wait until one block's time after the one
// before; a second in which the device itself kept time ends it.
//
// DelayFor runs on the capture thread; Reset on the thread that opens the stream, before it
// starts (no DelayFor can run then); Pacing on any thread. Never allocates or blocks: the caller
// does the waiting. Times in nanoseconds on a monotonic clock.

#include <atomic>
#include <cstdint>

namespace keblor {

class BlockPacer {
 public:
  static constexpr std::int64_t BLOCK_NS = 100'000'000;  // 1024 frames at 10240 Hz
  static constexpr std::int64_t WINDOW_NS = 1'000'000'000;

  // A block has arrived at `now`: how long the caller waits before handing it on (0: at once).
  std::int64_t DelayFor(std::int64_t now);
  // Forgets the past (a new stream).
  void Reset();
  // True while blocks are being held back; any thread may ask.
  bool Pacing() const { return pacing_.load(std::memory_order_relaxed); }

 private:
  bool started_ = false;
  std::int64_t windowStart_ = 0;
  std::int64_t sleptInWindow_ = 0;
  int blocksInWindow_ = 0;
  std::int64_t nextDue_ = 0;
  std::atomic<bool> pacing_{false};
};

}  // namespace keblor
