#pragma once
// The sound card input through PortAudio: the default input device, a callback stream of
// exactly 1024 frames at the format's rate, buffers queued by the GUI thread and filled by
// PortAudio's callback thread, notifications handed back to the GUI thread through a pipe.
//
// Threads: every member function runs on the GUI thread. The callback only copies a block into
// the oldest queued buffer (or counts it lost), pops it from a lock-free queue and writes its
// notification into a non-blocking pipe; it never allocates, locks or waits.
// Result codes: 0 on success, PortAudio's own negative codes on failure, and 32 for a format
// this device cannot deliver at all (not PCM, not 8 or 16 bits, not 1 or 2 channels).

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "capture/capture_device.h"

namespace keblor {

inline constexpr int FORMAT_NOT_SUPPORTED = 32;

// Owns one Pa_Initialize/Pa_Terminate pair, with ALSA's and JACK's diagnostics on standard
// error silenced first (they report every absent card and server at start-up). PortAudio is
// started on first use, so that a second copy of the program, which only finds the first and
// ends, never wakes the sound system.
class PortAudioSession {
 public:
  PortAudioSession() = default;
  ~PortAudioSession();
  PortAudioSession(const PortAudioSession&) = delete;
  PortAudioSession& operator=(const PortAudioSession&) = delete;
  // Starts PortAudio the first time; PortAudio's result, the same one on every later call.
  int Start();

 private:
  bool started_ = false;
  int initResult_ = 0;
};

class PortAudioCaptureDevice : public CaptureDevice {
 public:
  PortAudioCaptureDevice();
  ~PortAudioCaptureDevice() override;
  PortAudioCaptureDevice(const PortAudioCaptureDevice&) = delete;
  PortAudioCaptureDevice& operator=(const PortAudioCaptureDevice&) = delete;

  // Readable whenever notifications wait; watch it with a socket notifier or poll().
  int NotificationFd() const { return pipeRead_; }
  // Reads every waiting notification and hands each to the sink of the last Open, in order.
  // Safe to re-enter from the sink (a nested event loop).
  void DispatchNotifications();

  // Blocks that arrived while no buffer was queued, since the last Open.
  std::uint64_t LostBlocks() const { return lost_.load(std::memory_order_relaxed); }
  // Callbacks that PortAudio flagged with an input overflow, since the last Open.
  std::uint64_t OverflowedBlocks() const { return overflowed_.load(std::memory_order_relaxed); }

  // Called on the capture thread. Copies the block into the oldest queued buffer and posts it;
  // when none is queued the block is counted lost. Never blocks or allocates.
  void OnDeviceBlock(const void* input, unsigned long frames, bool overflowed);

  // --- CaptureDevice ---
  int InputDeviceCount() override;
  int QueryFormat(const WaveFormat& format) override;
  int Open(const WaveFormat& format, CaptureSink& sink) override;
  int PrepareBuffer(CaptureBuffer& buffer) override;
  int AddBuffer(CaptureBuffer& buffer) override;
  int Start() override;
  int Stop() override;
  int Reset() override;
  int UnprepareBuffer(CaptureBuffer& buffer) override;
  int Close() override;

 private:
  // One queued buffer as the callback sees it: the callback never reads the CaptureBuffer.
  struct QueuedBuffer {
    std::uint8_t* data = nullptr;
    std::uint32_t length = 0;
    CaptureNotification notification{};
  };
  static constexpr std::size_t QUEUE_SIZE = 8;  // a power of two, more than the stream's buffers

  bool PostNotification(const CaptureNotification& notification);
  int StopStream();

  PortAudioSession session_;
  void* stream_ = nullptr;  // PaStream*
  CaptureSink* sink_ = nullptr;
  std::uint32_t bytesPerFrame_ = 0;
  int pipeRead_ = -1;
  int pipeWrite_ = -1;

  // Single producer (GUI thread: AddBuffer), single consumer (callback; the GUI thread in
  // Reset, once the callback has stopped).
  QueuedBuffer queue_[QUEUE_SIZE]{};
  std::atomic<std::size_t> head_{0};  // next to fill
  std::atomic<std::size_t> tail_{0};  // next free slot
  std::atomic<std::uint64_t> lost_{0};
  std::atomic<std::uint64_t> overflowed_{0};
  std::atomic<std::uint64_t> unposted_{0};
  static_assert(std::atomic<std::size_t>::is_always_lock_free);
  static_assert(std::atomic<std::uint64_t>::is_always_lock_free);
};

}  // namespace keblor
