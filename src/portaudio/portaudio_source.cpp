#include "portaudio/portaudio_source.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <thread>
#include <cerrno>
#include <cstring>
#include <string>

namespace keblor {

namespace {

int Callback(const void* input, void*, unsigned long frames, const PaStreamCallbackTimeInfo*,
             PaStreamCallbackFlags statusFlags, void* self) {
  static_cast<PortAudioSource*>(self)->OnDeviceBlock(input, frames, (statusFlags & paInputOverflow) != 0);
  return paContinue;
}

// A callback's frames at a device rate: 100 ms, one block's time.
unsigned long FramesPerCallback(int rate) {
  return static_cast<unsigned long>(rate / (AUDIO_RATE / AUDIO_BLOCK_FRAMES));
}

}  // namespace

int PortAudioSession::Start() {
  if (started_) return initResult_;
  started_ = true;
  initResult_ = api_.initialize();
  return initResult_;
}

PortAudioSession::~PortAudioSession() {
  if (started_ && initResult_ == paNoError) api_.terminate();
}

PortAudioSource::PortAudioSource(const PortAudioApi& api) : api_(api), session_(api) {
  int fds[2] = {-1, -1};
  if (pipe2(fds, O_NONBLOCK | O_CLOEXEC) == 0) {
    pipeRead_ = fds[0];
    pipeWrite_ = fds[1];
  }
}

PortAudioSource::~PortAudioSource() {
  Close();
  if (pipeRead_ >= 0) ::close(pipeRead_);
  if (pipeWrite_ >= 0) ::close(pipeWrite_);
}

// The name an input goes by in the settings and the menu.
std::string PortAudioSource::InputName(const PaDeviceInfo& info) {
  std::string name = info.name != nullptr ? info.name : "";
  while (!name.empty() && (name.back() == ' ' || name.back() == '\t')) name.pop_back();
  if (info.hostApi != api_.defaultHostApi()) {
    if (const PaHostApiInfo* host = api_.hostApiInfo(info.hostApi); host != nullptr && host->name != nullptr)
      name = std::string(host->name) + ": " + name;
  }
  return name;
}

// The parameters for the selected input in this format, or an error code.
int PortAudioSource::InputParameters(const AudioFormat& format, PaStreamParameters& parameters) {
  if (!IsCapturableFormat(format)) return FORMAT_NOT_SUPPORTED;
  PaDeviceIndex device = paNoDevice;
  if (selected_.empty()) {
    device = api_.defaultInputDevice();
  } else {
    for (PaDeviceIndex i = 0; i < api_.deviceCount() && device == paNoDevice; ++i) {
      const PaDeviceInfo* info = api_.deviceInfo(i);
      if (info != nullptr && info->maxInputChannels > 0 && InputName(*info) == selected_) device = i;
    }
  }
  if (device == paNoDevice) return paInvalidDevice;
  const PaDeviceInfo* info = api_.deviceInfo(device);
  if (info == nullptr) return paInvalidDevice;
  parameters = PaStreamParameters{};
  parameters.device = device;
  parameters.channelCount = format.channels;
  parameters.sampleFormat = format.bitsPerSample == 16 ? paInt16 : paUInt8;
  parameters.suggestedLatency = info->defaultHighInputLatency;
  parameters.hostApiSpecificStreamInfo = nullptr;
  return 0;
}

int PortAudioSource::CaptureRate(PaStreamParameters& parameters, int& code) {
  code = api_.isFormatSupported(&parameters, nullptr, AUDIO_RATE);
  if (code == paFormatIsSupported) return AUDIO_RATE;
  if (code != paInvalidSampleRate) return 0;
  // Converted, the samples are floats: the device's own resolution reaches the filter whole.
  PaStreamParameters converted = parameters;
  converted.sampleFormat = paFloat32;
  for (const int rate : CAPTURE_RATES) {
    if (api_.isFormatSupported(&converted, nullptr, rate) == paFormatIsSupported) {
      parameters = converted;
      code = 0;
      return rate;
    }
  }
  return 0;
}

std::vector<InputInfo> PortAudioSource::Inputs() {
  std::vector<InputInfo> inputs;
  if (session_.Start() != paNoError) return inputs;
  for (PaDeviceIndex i = 0; i < api_.deviceCount(); ++i) {
    const PaDeviceInfo* info = api_.deviceInfo(i);
    if (info == nullptr || info->maxInputChannels <= 0) continue;
    std::string name = InputName(*info);
    inputs.push_back({name, name});
  }
  return inputs;
}

int PortAudioSource::InputCount() { return static_cast<int>(Inputs().size()); }

int PortAudioSource::Query(const AudioFormat& format) {
  if (const int started = session_.Start(); started != paNoError) return started;
  PaStreamParameters parameters{};
  if (const int result = InputParameters(format, parameters); result != 0) return result;
  int code = 0;
  CaptureRate(parameters, code);
  return code;
}

OpenResult PortAudioSource::Open(const AudioFormat& format) {
  if (const int started = session_.Start(); started != paNoError) return {OpenStep::Open, started};
  if (stream_ != nullptr) return {OpenStep::Open, paDeviceUnavailable};
  if (pipeRead_ < 0) return {OpenStep::Buffers, paInsufficientMemory};
  PaStreamParameters parameters{};
  if (const int result = InputParameters(format, parameters); result != 0) return {OpenStep::Open, result};
  int code = 0;
  const int rate = CaptureRate(parameters, code);
  if (rate == 0) return {OpenStep::Open, code};

  head_.store(0);
  tail_.store(0);
  lost_.store(0);
  overflowed_.store(0);
  pacer_.Reset();
  format_ = format;
  blockBytes_ = static_cast<std::size_t>(BlockBytes(format));
  deviceRate_ = rate;
  if (rate != AUDIO_RATE) {
    if (!resampler_.Configure(rate, format, FramesPerCallback(rate))) return {OpenStep::Buffers, paInsufficientMemory};
    if (rateSaid_ != rate && reports_ != nullptr) {
      rateSaid_ = rate;
      reports_->Line("the input refuses " + std::to_string(AUDIO_RATE) + " Hz; capturing at " + std::to_string(rate) +
                     " Hz and converting");
    }
  }
  PaStream* stream = nullptr;
  const int result = api_.openStream(&stream, &parameters, nullptr, rate,
                                     rate == AUDIO_RATE ? AUDIO_BLOCK_FRAMES : FramesPerCallback(rate),
                                     paClipOff | paDitherOff, &Callback, this);
  if (result != paNoError) return {OpenStep::Open, result};
  stream_ = stream;
  return {};
}

int PortAudioSource::Start(BlockHandler onBlock) {
  if (stream_ == nullptr) return paBadStreamPtr;
  handler_ = std::move(onBlock);
  running_ = true;
  const int result = api_.startStream(static_cast<PaStream*>(stream_));
  if (result != paNoError) running_ = false;
  return result;
}

void PortAudioSource::OnDeviceBlock(const void* input, unsigned long frames, bool overflowed) {
  if (overflowed) overflowed_.fetch_add(1, std::memory_order_relaxed);
  // Each callback holds one block's time of frames.
  const auto now = std::chrono::steady_clock::now().time_since_epoch();
  if (const std::int64_t wait = pacer_.DelayFor(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count());
      wait > 0)
    std::this_thread::sleep_for(std::chrono::nanoseconds(wait));
  if (deviceRate_ != AUDIO_RATE) {
    resampler_.Push(static_cast<const float*>(input), frames, &OnConvertedBlock, this);
    return;
  }
  const std::size_t head = head_.load(std::memory_order_relaxed);
  if (head - tail_.load(std::memory_order_acquire) >= RING_SLOTS) {
    lost_.fetch_add(1, std::memory_order_relaxed);
    return;
  }
  std::uint8_t* slot = ring_[head % RING_SLOTS].data();
  const std::size_t bytes = std::min(std::size_t{frames} * (blockBytes_ / AUDIO_BLOCK_FRAMES), blockBytes_);
  if (input != nullptr) std::memcpy(slot, input, bytes);
  // A short block is padded with silence: every block the program sees is 1024 frames.
  std::memset(slot + (input != nullptr ? bytes : 0), format_.bitsPerSample == 8 ? 0x80 : 0,
              blockBytes_ - (input != nullptr ? bytes : 0));
  head_.store(head + 1, std::memory_order_release);
  const std::uint8_t wake = 1;
  (void)!::write(pipeWrite_, &wake, 1);  // a full pipe already wakes the reader
}

void PortAudioSource::OnConvertedBlock(void* self, const std::uint8_t* block) {
  static_cast<PortAudioSource*>(self)->PushBlock(block);
}

void PortAudioSource::PushBlock(const std::uint8_t* block) {
  const std::size_t head = head_.load(std::memory_order_relaxed);
  if (head - tail_.load(std::memory_order_acquire) >= RING_SLOTS) {
    lost_.fetch_add(1, std::memory_order_relaxed);
    return;
  }
  std::memcpy(ring_[head % RING_SLOTS].data(), block, blockBytes_);
  head_.store(head + 1, std::memory_order_release);
  const std::uint8_t wake = 1;
  (void)!::write(pipeWrite_, &wake, 1);
}

void PortAudioSource::DispatchBlocks() {
  std::uint8_t drain[64];
  for (;;) {
    const ssize_t got = ::read(pipeRead_, drain, sizeof drain);
    if (got > 0 || (got < 0 && errno == EINTR)) continue;
    break;
  }
  if (dispatching_) return;
  dispatching_ = true;
  while (running_) {
    const std::size_t tail = tail_.load(std::memory_order_relaxed);
    if (tail == head_.load(std::memory_order_acquire)) break;
    std::memcpy(delivered_.data(), ring_[tail % RING_SLOTS].data(), blockBytes_);
    tail_.store(tail + 1, std::memory_order_release);
    if (handler_) handler_(delivered_.data(), format_);
  }
  dispatching_ = false;
}

void PortAudioSource::Close() {
  running_ = false;
  if (stream_ == nullptr) return;
  auto* stream = static_cast<PaStream*>(stream_);
  // Aborting does not wait for the host to hand over what it still holds, which for an input
  // stream is nothing we need, and it cannot wait on a sound server that has gone away.
  if (api_.isStreamStopped(stream) != 1) (void)api_.abortStream(stream);
  (void)api_.closeStream(stream);
  stream_ = nullptr;
  // The callback no longer runs: whatever it left in the ring is dropped.
  tail_.store(head_.load());
}

}  // namespace keblor
