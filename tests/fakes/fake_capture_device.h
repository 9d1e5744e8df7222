#pragma once
// A capture device for headless tests: result codes scripted per operation, a log of calls,
// blocks delivered on demand, and the notifications of a reset held back until the test
// delivers them, as a real message queue would.

#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "capture/capture_device.h"

namespace keblor {

class FakeCaptureDevice : public CaptureDevice {
 public:
  // --- scripted answers (0 unless set) ---
  int inputDevices = 1;
  int queryResult = 0;
  int openResult = 0;
  int startResult = 0;
  int stopResult = 0;
  int resetResult = 0;
  int closeResult = 0;
  int unprepareResult = 0;
  std::map<int, int> prepareResult;  // by buffer index
  std::map<int, int> addResult;      // by buffer index

  // --- recorded state ---
  std::vector<std::string> calls;  // e.g. "Open", "Prepare 0", "Add 1", "Unprepare 0"
  std::vector<WaveFormat> queriedFormats;
  WaveFormat openFormat{};
  bool open = false;
  bool started = false;
  bool dead = false;
  std::deque<CaptureBuffer*> queue;  // buffers with the device, oldest first
  int blocksDelivered = 0;
  int blocksLost = 0;  // a block arrived while no buffer was queued

  // Fills the oldest queued buffer with `bytes` (up to its length) and notifies the sink.
  // Returns false, touching nothing, when the device is not recording or is dead; counts the
  // block lost when no buffer is queued.
  bool DeliverBlock(const std::vector<std::uint8_t>& bytes);
  // Notifications for the buffers a reset returned, delivered now (their memory is not read).
  int DeliverPendingResetNotifications();
  std::size_t PendingResetNotifications() const { return pendingReset_.size(); }
  // The stream dies, like a sound server that went away: no more blocks, every call still
  // returns at once with its scripted code.
  void Die() { dead = true; }
  int CountCalls(const std::string& call) const;

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
  CaptureSink* sink_ = nullptr;
  std::vector<CaptureNotification> pendingReset_;
};

}  // namespace keblor
