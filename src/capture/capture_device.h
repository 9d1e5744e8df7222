#pragma once
// The wave-input operations of the capture stream. Every operation returns the backend's own
// result code, 0 on success. Notifications of filled buffers reach the GUI thread through the
// sink given to Open.

#include <cstdint>

namespace keblor {

struct WaveFormat {
  std::uint16_t formatTag = 1;  // PCM
  std::uint16_t channels = 1;
  std::uint32_t samplesPerSec = 10240;
  std::uint32_t avgBytesPerSec = 20480;
  std::uint16_t blockAlign = 2;
  std::uint16_t bitsPerSample = 16;
  std::uint16_t extraSize = 0;
};

inline constexpr int CAPTURE_FRAMES = 1024;  // frames per buffer: 100 ms at 10240 Hz

// One capture buffer: header fields and the sample memory it owns.
struct CaptureBuffer {
  std::uint8_t* data = nullptr;
  std::uint32_t bufferLength = 0;
  std::uint32_t bytesRecorded = 0;  // not consulted: every notified buffer is 1024 frames
  std::uint32_t userValue = 0;
  bool prepared = false;
  bool queued = false;       // with the device
  std::uint32_t generation = 0;  // the stream opening it belongs to
  int index = 0;                 // 0 or 1
};

// What a filled buffer's notification carries: enough to recognise a buffer of a stream that
// has since been closed or re-opened without touching its memory.
struct CaptureNotification {
  std::uint32_t generation = 0;
  int bufferIndex = 0;
};

class CaptureSink {
 public:
  virtual ~CaptureSink() = default;
  // On the GUI thread, one call per filled (or reset) buffer.
  virtual void OnCaptureData(const CaptureNotification& notification) = 0;
};

class CaptureDevice {
 public:
  virtual ~CaptureDevice() = default;
  virtual int InputDeviceCount() = 0;
  // Whether the default input accepts the format, without opening it.
  virtual int QueryFormat(const WaveFormat& format) = 0;
  virtual int Open(const WaveFormat& format, CaptureSink& sink) = 0;
  virtual int PrepareBuffer(CaptureBuffer& buffer) = 0;
  virtual int AddBuffer(CaptureBuffer& buffer) = 0;  // queue for filling
  virtual int Start() = 0;
  virtual int Stop() = 0;
  virtual int Reset() = 0;  // returns every queued buffer; their notifications may come later
  virtual int UnprepareBuffer(CaptureBuffer& buffer) = 0;
  virtual int Close() = 0;
};

}  // namespace keblor
