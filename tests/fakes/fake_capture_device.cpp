#include "fakes/fake_capture_device.h"

#include <algorithm>
#include <cstring>

namespace keblor {

namespace {
int Scripted(const std::map<int, int>& results, int index) {
  auto it = results.find(index);
  return it == results.end() ? 0 : it->second;
}
}  // namespace

bool FakeCaptureDevice::DeliverBlock(const std::vector<std::uint8_t>& bytes) {
  if (!open || !started || dead || sink_ == nullptr) return false;
  if (queue.empty()) {
    ++blocksLost;
    return true;
  }
  CaptureBuffer* buffer = queue.front();
  queue.pop_front();
  const std::size_t n = std::min<std::size_t>(bytes.size(), buffer->bufferLength);
  if (n > 0) std::memcpy(buffer->data, bytes.data(), n);
  buffer->bytesRecorded = static_cast<std::uint32_t>(n);
  ++blocksDelivered;
  sink_->OnCaptureData(CaptureNotification{buffer->generation, buffer->index});
  return true;
}

int FakeCaptureDevice::DeliverPendingResetNotifications() {
  std::vector<CaptureNotification> pending;
  pending.swap(pendingReset_);
  for (const CaptureNotification& n : pending) {
    if (sink_ != nullptr) sink_->OnCaptureData(n);
  }
  return static_cast<int>(pending.size());
}

int FakeCaptureDevice::CountCalls(const std::string& call) const {
  return static_cast<int>(std::count(calls.begin(), calls.end(), call));
}

int FakeCaptureDevice::InputDeviceCount() {
  calls.push_back("InputDeviceCount");
  return inputDevices;
}

int FakeCaptureDevice::QueryFormat(const WaveFormat& format) {
  calls.push_back("Query");
  queriedFormats.push_back(format);
  return queryResult;
}

int FakeCaptureDevice::Open(const WaveFormat& format, CaptureSink& sink) {
  calls.push_back("Open");
  if (openResult != 0) return openResult;
  open = true;
  openFormat = format;
  sink_ = &sink;
  return 0;
}

int FakeCaptureDevice::PrepareBuffer(CaptureBuffer& buffer) {
  calls.push_back("Prepare " + std::to_string(buffer.index));
  return Scripted(prepareResult, buffer.index);
}

int FakeCaptureDevice::AddBuffer(CaptureBuffer& buffer) {
  calls.push_back("Add " + std::to_string(buffer.index));
  const int result = Scripted(addResult, buffer.index);
  if (result == 0) queue.push_back(&buffer);
  return result;
}

int FakeCaptureDevice::Start() {
  calls.push_back("Start");
  if (startResult == 0) started = true;
  return startResult;
}

int FakeCaptureDevice::Stop() {
  calls.push_back("Stop");
  started = false;
  return stopResult;
}

int FakeCaptureDevice::Reset() {
  calls.push_back("Reset");
  started = false;
  // Every queued buffer comes back; its notification waits in the queue until delivered.
  for (CaptureBuffer* buffer : queue) pendingReset_.push_back(CaptureNotification{buffer->generation, buffer->index});
  queue.clear();
  return resetResult;
}

int FakeCaptureDevice::UnprepareBuffer(CaptureBuffer& buffer) {
  calls.push_back("Unprepare " + std::to_string(buffer.index));
  return unprepareResult;
}

int FakeCaptureDevice::Close() {
  calls.push_back("Close");
  open = false;
  started = false;
  queue.clear();
  return closeResult;
}

}  // namespace keblor
