#include "capture/capture_stream.h"

#include <string>

#include "app/app_state.h"

namespace keblor {

namespace {

constexpr std::uint32_t CAPTURE_RATE = 10240;

bool ValidIndex(int bufferIndex) { return bufferIndex == 0 || bufferIndex == 1; }

}  // namespace

void ComputeWaveFormat(CaptureStream& stream, int channels, int bitsPerSample) {
  WaveFormat& format = stream.format;
  format.formatTag = 1;
  format.channels = static_cast<std::uint16_t>(channels == 2 ? 2 : 1);
  format.samplesPerSec = CAPTURE_RATE;
  format.bitsPerSample = static_cast<std::uint16_t>(bitsPerSample);
  // 16-bit fields, as the device's format record holds them.
  format.blockAlign = static_cast<std::uint16_t>((format.bitsPerSample >> 3) * format.channels);
  format.avgBytesPerSec = std::uint32_t{format.blockAlign} * CAPTURE_RATE;
  format.extraSize = 0;
  stream.bufferBytes = std::uint32_t{format.blockAlign} * CAPTURE_FRAMES;
}

int QueryCaptureFormat(CaptureStream& stream) { return stream.device->QueryFormat(stream.format); }

int OpenCaptureDevice(CaptureStream& stream, CaptureSink& sink) {
  // A new generation before the device can post anything, so that whatever an earlier opening
  // left in the notification queue is recognised as stale.
  ++stream.generation;
  const int result = stream.device->Open(stream.format, sink);
  if (result == 0) stream.deviceOpen = true;
  return result;
}

int QueueCaptureBuffers(CaptureStream& stream) {
  for (int i = 0; i < 2; ++i) {
    const auto slot = static_cast<std::size_t>(i);
    // Sample memory comes zeroed; it lives until the stream is closed.
    stream.sampleMemory[slot] = std::make_unique<std::uint8_t[]>(stream.bufferBytes);
    stream.buffers[slot] = std::make_unique<CaptureBuffer>();
    CaptureBuffer& buffer = *stream.buffers[slot];
    buffer.data = stream.sampleMemory[slot].get();
    buffer.bufferLength = stream.bufferBytes;
    buffer.userValue = 0;
    buffer.generation = stream.generation;
    buffer.index = i;

    int result = stream.device->PrepareBuffer(buffer);
    if (result != 0) return result;
    buffer.prepared = true;
    result = stream.device->AddBuffer(buffer);
    if (result != 0) return result;
    buffer.queued = true;
  }
  return 0;
}

int OpenCapture(CaptureStream& stream, CaptureSink& sink) {
  int result = QueryCaptureFormat(stream);
  if (result != 0) return result;
  result = OpenCaptureDevice(stream, sink);
  if (result != 0) return result;
  return QueueCaptureBuffers(stream);
}

int StartCapture(CaptureStream& stream) { return stream.device->Start(); }

void RequeueBuffer(CaptureStream& stream, int bufferIndex) {
  if (!stream.deviceOpen || !ValidIndex(bufferIndex)) return;
  CaptureBuffer* buffer = stream.buffers[static_cast<std::size_t>(bufferIndex)].get();
  // A buffer already with the device must not be queued twice.
  if (buffer == nullptr || !buffer->prepared || buffer->queued) return;
  // The result is not reported; a buffer the device refused is simply not delivered again.
  if (stream.device->AddBuffer(*buffer) == 0) buffer->queued = true;
}

void CloseCapture(CaptureStream& stream) {
  if (stream.deviceOpen) {
    CaptureDevice& device = *stream.device;
    (void)device.Stop();
    (void)device.Reset();
    for (auto& buffer : stream.buffers) {
      if (buffer && buffer->prepared) {
        (void)device.UnprepareBuffer(*buffer);
        buffer->prepared = false;
      }
      if (buffer) buffer->queued = false;
    }
    (void)device.Close();
    stream.deviceOpen = false;
  }
  for (auto& buffer : stream.buffers) buffer.reset();
  for (auto& memory : stream.sampleMemory) memory.reset();
}

CaptureBuffer* AcceptCaptureNotification(CaptureStream& stream, const CaptureNotification& notification) {
  // Decided from the stream's own records alone: the notification may name memory freed since.
  if (!stream.deviceOpen || notification.generation != stream.generation || !ValidIndex(notification.bufferIndex)) {
    return nullptr;
  }
  CaptureBuffer* buffer = stream.buffers[static_cast<std::size_t>(notification.bufferIndex)].get();
  if (buffer == nullptr || !buffer->queued) return nullptr;
  buffer->queued = false;  // with the program until RequeueBuffer
  return buffer;
}

void ReportDeviceError(AppState& app, int code) {
  if (app.windows == nullptr) return;
  app.windows->MessageBeep();
  app.windows->MessageBox("MMedia error nr " + std::to_string(code), "Check audio devices");
}

}  // namespace keblor
