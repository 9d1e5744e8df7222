#pragma once
// The sound card input as a steady series of 1024-frame blocks in two rotating buffers.

#include <array>
#include <cstdint>
#include <memory>

#include "capture/capture_device.h"

namespace keblor {

struct AppState;

struct CaptureStream {
  CaptureDevice* device = nullptr;  // the backend; not owned
  bool deviceOpen = false;
  WaveFormat format{};
  std::uint32_t bufferBytes = 2048;
  std::array<std::unique_ptr<CaptureBuffer>, 2> buffers{};
  std::array<std::unique_ptr<std::uint8_t[]>, 2> sampleMemory{};
  std::uint32_t generation = 0;  // bumped by every open
};

// Fills format and bufferBytes for Channels (2 = stereo, else mono) and BitsPerSample.
void ComputeWaveFormat(CaptureStream& stream, int channels, int bitsPerSample);

// The three steps of OpenCapture, each returning the first failing code (0 on success).
int QueryCaptureFormat(CaptureStream& stream);
int OpenCaptureDevice(CaptureStream& stream, CaptureSink& sink);
int QueueCaptureBuffers(CaptureStream& stream);
int OpenCapture(CaptureStream& stream, CaptureSink& sink);

int StartCapture(CaptureStream& stream);
void RequeueBuffer(CaptureStream& stream, int bufferIndex);  // result ignored
// Stops, resets, unprepares, closes and frees exactly what exists; a second call does nothing.
void CloseCapture(CaptureStream& stream);

// The buffer a notification names, or nullptr when it belongs to a stream since closed or
// re-opened, or is not currently filled by the device (then it must be dropped untouched).
CaptureBuffer* AcceptCaptureNotification(CaptureStream& stream, const CaptureNotification& notification);

// Default beep, then "MMedia error nr %d" captioned "Check audio devices".
void ReportDeviceError(AppState& app, int code);

}  // namespace keblor
