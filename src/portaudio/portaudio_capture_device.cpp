#include "portaudio/portaudio_capture_device.h"

#include <alsa/asoundlib.h>
#include <fcntl.h>
#include <portaudio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#ifdef KEBLOR_HAVE_JACK
#include <jack/jack.h>
#endif

namespace keblor {

namespace {

// ALSA reports every card, plugin and server it cannot find on standard error; the program
// shows device failures through its own error box instead.
void QuietAlsa(const char*, int, const char*, int, const char*, ...) {}

#ifdef KEBLOR_HAVE_JACK
void QuietJack(const char*) {}
#endif

int Callback(const void* input, void*, unsigned long frames, const PaStreamCallbackTimeInfo*,
             PaStreamCallbackFlags statusFlags, void* self) {
  static_cast<PortAudioCaptureDevice*>(self)->OnDeviceBlock(input, frames, (statusFlags & paInputOverflow) != 0);
  return paContinue;
}

PaStream* AsStream(void* stream) { return static_cast<PaStream*>(stream); }

// The parameters for the default input in this format, or an error code.
int InputParameters(const WaveFormat& format, PaStreamParameters& parameters) {
  if (format.formatTag != 1 || (format.channels != 1 && format.channels != 2) ||
      (format.bitsPerSample != 8 && format.bitsPerSample != 16) ||
      format.blockAlign != (format.bitsPerSample / 8) * format.channels) {
    return FORMAT_NOT_SUPPORTED;
  }
  const PaDeviceIndex device = Pa_GetDefaultInputDevice();
  if (device == paNoDevice) return paInvalidDevice;
  const PaDeviceInfo* info = Pa_GetDeviceInfo(device);
  if (info == nullptr) return paInvalidDevice;
  parameters = PaStreamParameters{};
  parameters.device = device;
  parameters.channelCount = format.channels;
  parameters.sampleFormat = format.bitsPerSample == 16 ? paInt16 : paUInt8;
  parameters.suggestedLatency = info->defaultHighInputLatency;
  parameters.hostApiSpecificStreamInfo = nullptr;
  return 0;
}

}  // namespace

int PortAudioSession::Start() {
  if (started_) return initResult_;
  started_ = true;
  snd_lib_error_set_handler(&QuietAlsa);
#ifdef KEBLOR_HAVE_JACK
  jack_set_error_function(&QuietJack);
  jack_set_info_function(&QuietJack);
#endif
  initResult_ = Pa_Initialize();
  return initResult_;
}

PortAudioSession::~PortAudioSession() {
  if (started_ && initResult_ == paNoError) Pa_Terminate();
}

PortAudioCaptureDevice::PortAudioCaptureDevice() {
  int fds[2] = {-1, -1};
  if (pipe2(fds, O_NONBLOCK | O_CLOEXEC) == 0) {
    pipeRead_ = fds[0];
    pipeWrite_ = fds[1];
  }
}

PortAudioCaptureDevice::~PortAudioCaptureDevice() {
  (void)Close();
  if (pipeRead_ >= 0) ::close(pipeRead_);
  if (pipeWrite_ >= 0) ::close(pipeWrite_);
}

int PortAudioCaptureDevice::InputDeviceCount() {
  if (session_.Start() != paNoError) return 0;
  const PaDeviceIndex count = Pa_GetDeviceCount();
  int inputs = 0;
  for (PaDeviceIndex i = 0; i < count; ++i) {
    const PaDeviceInfo* info = Pa_GetDeviceInfo(i);
    if (info != nullptr && info->maxInputChannels > 0) ++inputs;
  }
  return inputs;
}

int PortAudioCaptureDevice::QueryFormat(const WaveFormat& format) {
  if (const int started = session_.Start(); started != paNoError) return started;
  PaStreamParameters parameters{};
  const int result = InputParameters(format, parameters);
  if (result != 0) return result;
  return Pa_IsFormatSupported(&parameters, nullptr, format.samplesPerSec);
}

int PortAudioCaptureDevice::Open(const WaveFormat& format, CaptureSink& sink) {
  if (const int started = session_.Start(); started != paNoError) return started;
  if (stream_ != nullptr) return paDeviceUnavailable;
  if (pipeRead_ < 0) return paInsufficientMemory;
  PaStreamParameters parameters{};
  int result = InputParameters(format, parameters);
  if (result != 0) return result;

  head_.store(0);
  tail_.store(0);
  lost_.store(0);
  overflowed_.store(0);
  unposted_.store(0);
  bytesPerFrame_ = format.blockAlign;
  PaStream* stream = nullptr;
  result = Pa_OpenStream(&stream, &parameters, nullptr, format.samplesPerSec, CAPTURE_FRAMES,
                         paClipOff | paDitherOff, &Callback, this);
  if (result != paNoError) return result;
  stream_ = stream;
  sink_ = &sink;
  return 0;
}

int PortAudioCaptureDevice::PrepareBuffer(CaptureBuffer& buffer) {
  if (stream_ == nullptr) return paBadStreamPtr;
  if (buffer.data == nullptr) return paBadBufferPtr;
  if (buffer.bufferLength < bytesPerFrame_ * CAPTURE_FRAMES) return paBufferTooSmall;
  return 0;
}

int PortAudioCaptureDevice::AddBuffer(CaptureBuffer& buffer) {
  if (stream_ == nullptr) return paBadStreamPtr;
  if (buffer.data == nullptr) return paBadBufferPtr;
  if (buffer.bufferLength < bytesPerFrame_ * CAPTURE_FRAMES) return paBufferTooSmall;
  const std::size_t tail = tail_.load(std::memory_order_relaxed);
  if (tail - head_.load(std::memory_order_acquire) >= QUEUE_SIZE) return paInsufficientMemory;
  QueuedBuffer& slot = queue_[tail % QUEUE_SIZE];
  slot.data = buffer.data;
  slot.length = buffer.bufferLength;
  slot.notification = CaptureNotification{buffer.generation, buffer.index};
  tail_.store(tail + 1, std::memory_order_release);
  return 0;
}

void PortAudioCaptureDevice::OnDeviceBlock(const void* input, unsigned long frames, bool overflowed) {
  if (overflowed) overflowed_.fetch_add(1, std::memory_order_relaxed);
  const std::size_t head = head_.load(std::memory_order_relaxed);
  if (head == tail_.load(std::memory_order_acquire)) {
    lost_.fetch_add(1, std::memory_order_relaxed);
    return;
  }
  const QueuedBuffer slot = queue_[head % QUEUE_SIZE];
  const std::size_t bytes = std::min<std::size_t>(std::size_t{frames} * bytesPerFrame_, slot.length);
  if (input != nullptr) {
    std::memcpy(slot.data, input, bytes);
  } else {
    std::memset(slot.data, 0, bytes);
  }
  head_.store(head + 1, std::memory_order_release);
  if (!PostNotification(slot.notification)) unposted_.fetch_add(1, std::memory_order_relaxed);
}

bool PortAudioCaptureDevice::PostNotification(const CaptureNotification& notification) {
  // One record per write, well below PIPE_BUF, so it arrives whole.
  const ssize_t written = ::write(pipeWrite_, &notification, sizeof notification);
  return written == static_cast<ssize_t>(sizeof notification);
}

void PortAudioCaptureDevice::DispatchNotifications() {
  for (;;) {
    CaptureNotification notification{};
    const ssize_t got = ::read(pipeRead_, &notification, sizeof notification);
    if (got != static_cast<ssize_t>(sizeof notification)) {
      if (got < 0 && errno == EINTR) continue;
      return;
    }
    if (sink_ != nullptr) sink_->OnCaptureData(notification);
  }
}

int PortAudioCaptureDevice::Start() {
  if (stream_ == nullptr) return paBadStreamPtr;
  return Pa_StartStream(AsStream(stream_));
}

int PortAudioCaptureDevice::StopStream() {
  if (stream_ == nullptr) return paBadStreamPtr;
  const int stopped = Pa_IsStreamStopped(AsStream(stream_));
  if (stopped == 1) return 0;
  // Aborting does not wait for the host to hand over what it still holds, which for an input
  // stream is nothing we need, and it cannot wait on a sound server that has gone away.
  return Pa_AbortStream(AsStream(stream_));
}

int PortAudioCaptureDevice::Stop() { return StopStream(); }

int PortAudioCaptureDevice::Reset() {
  if (stream_ == nullptr) return paBadStreamPtr;
  const int result = StopStream();
  // Only the callback takes buffers from the queue while it may run; if the stream could not
  // be stopped the buffers stay queued, and closing the stream drops them.
  if (result != paNoError && Pa_IsStreamActive(AsStream(stream_)) != 0) return result;
  // The callback no longer runs: hand every queued buffer back, in queue order, as the
  // notification of a filled buffer, which the stream recognises once it has closed.
  std::size_t head = head_.load(std::memory_order_acquire);
  const std::size_t tail = tail_.load(std::memory_order_acquire);
  for (; head != tail; ++head) {
    if (!PostNotification(queue_[head % QUEUE_SIZE].notification)) unposted_.fetch_add(1, std::memory_order_relaxed);
  }
  head_.store(head, std::memory_order_release);
  return result;
}

int PortAudioCaptureDevice::UnprepareBuffer(CaptureBuffer&) { return stream_ == nullptr ? paBadStreamPtr : 0; }

int PortAudioCaptureDevice::Close() {
  if (stream_ == nullptr) return paBadStreamPtr;
  (void)StopStream();
  const int result = Pa_CloseStream(AsStream(stream_));
  stream_ = nullptr;
  head_.store(tail_.load());
  return result;
}

}  // namespace keblor
