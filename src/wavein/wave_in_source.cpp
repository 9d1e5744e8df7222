#include "wavein/wave_in_source.h"

#include <windows.h>
#include <mmsystem.h>

#include <array>
#include <utility>

#include "winapi/owned_window.h"
#include "winapi/wide_text.h"

namespace keblor {
namespace {

constexpr int BUFFER_COUNT = 2;
constexpr std::size_t MAX_BLOCK_BYTES = 4 * AUDIO_BLOCK_FRAMES;  // 16-bit stereo
constexpr const wchar_t* WINDOW_CLASS = L"KeblorWaveInNotify";

HWAVEIN Handle(void* handle) { return static_cast<HWAVEIN>(handle); }
WAVEHDR* Header(void* header) { return static_cast<WAVEHDR*>(header); }

unsigned RealGetNumDevs() { return waveInGetNumDevs(); }
unsigned RealGetName(unsigned device, std::string& name) {
  WAVEINCAPSW caps{};
  const MMRESULT result = waveInGetDevCapsW(device, &caps, sizeof caps);
  if (result == MMSYSERR_NOERROR) name = Narrow(caps.szPname);
  return result;
}
unsigned RealOpen(void** handle, unsigned device, const void* format, void* window, bool query) {
  HWAVEIN opened = nullptr;
  const MMRESULT result =
      waveInOpen(query ? nullptr : &opened, device, static_cast<const WAVEFORMATEX*>(format),
                 query ? 0 : reinterpret_cast<DWORD_PTR>(window), 0, query ? WAVE_FORMAT_QUERY : CALLBACK_WINDOW);
  if (handle != nullptr) *handle = opened;
  return result;
}
unsigned RealPrepare(void* handle, void* header) { return waveInPrepareHeader(Handle(handle), Header(header), sizeof(WAVEHDR)); }
unsigned RealUnprepare(void* handle, void* header) {
  return waveInUnprepareHeader(Handle(handle), Header(header), sizeof(WAVEHDR));
}
unsigned RealAddBuffer(void* handle, void* header) { return waveInAddBuffer(Handle(handle), Header(header), sizeof(WAVEHDR)); }
unsigned RealStart(void* handle) { return waveInStart(Handle(handle)); }
unsigned RealStop(void* handle) { return waveInStop(Handle(handle)); }
unsigned RealReset(void* handle) { return waveInReset(Handle(handle)); }
unsigned RealClose(void* handle) { return waveInClose(Handle(handle)); }

LRESULT CALLBACK NotifyProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == MM_WIM_DATA) {
    auto* source = MessageWindowOwner<WaveInSource>(window);
    if (source != nullptr) source->OnData(reinterpret_cast<void*>(wParam), reinterpret_cast<void*>(lParam));
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

const WaveInCalls& WaveInService() {
  static const WaveInCalls calls{RealGetNumDevs, RealGetName, RealOpen,  RealPrepare, RealUnprepare,
                                 RealAddBuffer,  RealStart,   RealStop,  RealReset,   RealClose};
  return calls;
}

struct WaveInSource::State {
  const WaveInCalls& calls;
  HWND window = nullptr;
  unsigned device = WAVE_MAPPER;  // the selected input
  void* handle = nullptr;         // the open stream; null while closed
  AudioFormat format;
  WAVEFORMATEX waveFormat{};
  std::array<WAVEHDR, BUFFER_COUNT> headers{};
  std::array<bool, BUFFER_COUNT> prepared{};
  std::array<std::array<std::uint8_t, MAX_BLOCK_BYTES>, BUFFER_COUNT> samples{};
  BlockHandler onBlock;
  unsigned generation = 0;  // changes with every Open and Close

  explicit State(const WaveInCalls& c) : calls(c) {}
};

WaveInSource::WaveInSource(const WaveInCalls& calls) : state_(std::make_unique<State>(calls)) {}

WaveInSource::~WaveInSource() {
  Close();
  if (state_->window != nullptr) DestroyWindow(state_->window);
}

void* WaveInSource::NotifyWindow() const { return state_->window; }

int WaveInSource::InputCount() { return static_cast<int>(state_->calls.getNumDevs()); }

namespace {
// The devices with a name, by number. The id is the device's name, and the second and later
// device of one name add " #2", " #3"...: a saved choice then names the same card when devices
// come and go and the numbers move.
std::vector<std::pair<unsigned, InputInfo>> ListDevices(const WaveInCalls& calls) {
  std::vector<std::pair<unsigned, InputInfo>> devices;
  const unsigned count = calls.getNumDevs();
  for (unsigned device = 0; device < count; ++device) {
    std::string name;
    if (calls.getName(device, name) != MMSYSERR_NOERROR) continue;
    int same = 1;
    for (const auto& listed : devices) same += listed.second.name == name ? 1 : 0;
    devices.push_back({device, {same > 1 ? name + " #" + std::to_string(same) : name, name}});
  }
  return devices;
}
}  // namespace

std::vector<InputInfo> WaveInSource::Inputs() {
  std::vector<InputInfo> inputs;
  for (auto& device : ListDevices(state_->calls)) inputs.push_back(std::move(device.second));
  return inputs;
}

// An id no device has now selects the default input.
void WaveInSource::SelectInput(const std::string& id) {
  state_->device = WAVE_MAPPER;
  if (id.empty()) return;
  for (const auto& device : ListDevices(state_->calls)) {
    if (device.second.id == id) state_->device = device.first;
  }
}

namespace {
WAVEFORMATEX WaveFormatOf(const AudioFormat& format) {
  WAVEFORMATEX wave{};
  wave.wFormatTag = WAVE_FORMAT_PCM;
  wave.nChannels = static_cast<WORD>(format.channels);
  wave.nSamplesPerSec = AUDIO_RATE;
  wave.wBitsPerSample = static_cast<WORD>(format.bitsPerSample);
  wave.nBlockAlign = static_cast<WORD>(format.bitsPerSample / 8 * format.channels);
  wave.nAvgBytesPerSec = wave.nBlockAlign * static_cast<DWORD>(AUDIO_RATE);
  return wave;
}
}  // namespace

int WaveInSource::Query(const AudioFormat& format) {
  if (!IsCapturableFormat(format)) return FORMAT_NOT_SUPPORTED;
  const WAVEFORMATEX wave = WaveFormatOf(format);
  return static_cast<int>(state_->calls.open(nullptr, state_->device, &wave, nullptr, true));
}

OpenResult WaveInSource::Open(const AudioFormat& format) {
  Close();
  State& s = *state_;
  ++s.generation;
  if (!IsCapturableFormat(format)) return {OpenStep::Open, FORMAT_NOT_SUPPORTED};
  if (s.window == nullptr) {
    s.window = CreateMessageWindow(WINDOW_CLASS, NotifyProc, this);
    if (s.window == nullptr) return {OpenStep::Open, MMSYSERR_ERROR};
  }
  s.format = format;
  s.waveFormat = WaveFormatOf(format);
  void* handle = nullptr;
  const unsigned opened = s.calls.open(&handle, s.device, &s.waveFormat, s.window, false);
  if (opened != MMSYSERR_NOERROR) return {OpenStep::Open, static_cast<int>(opened)};
  s.handle = handle;
  const DWORD bytes = static_cast<DWORD>(BlockBytes(format));
  for (int i = 0; i < BUFFER_COUNT; ++i) {
    WAVEHDR& header = s.headers[static_cast<std::size_t>(i)];
    header = WAVEHDR{};
    header.lpData = reinterpret_cast<LPSTR>(s.samples[static_cast<std::size_t>(i)].data());
    header.dwBufferLength = bytes;
    unsigned result = s.calls.prepare(s.handle, &header);
    if (result == MMSYSERR_NOERROR) {
      s.prepared[static_cast<std::size_t>(i)] = true;
      result = s.calls.addBuffer(s.handle, &header);
    }
    if (result != MMSYSERR_NOERROR) return {OpenStep::Buffers, static_cast<int>(result)};
  }
  return {};
}

int WaveInSource::Start(BlockHandler onBlock) {
  State& s = *state_;
  if (s.handle == nullptr) return MMSYSERR_INVALHANDLE;
  s.onBlock = std::move(onBlock);
  return static_cast<int>(s.calls.start(s.handle));
}

void WaveInSource::Close() {
  State& s = *state_;
  if (s.handle == nullptr) return;
  ++s.generation;
  s.calls.stop(s.handle);
  s.calls.reset(s.handle);  // the queued buffers come back (their notifications are dropped)
  for (std::size_t i = 0; i < BUFFER_COUNT; ++i) {
    if (s.prepared[i]) s.calls.unprepare(s.handle, &s.headers[i]);
    s.prepared[i] = false;
  }
  s.calls.close(s.handle);
  s.handle = nullptr;
  s.onBlock = nullptr;
}

void WaveInSource::OnData(void* device, void* header) {
  State& s = *state_;
  if (s.handle == nullptr || device != s.handle) return;
  WAVEHDR* filled = nullptr;
  for (WAVEHDR& own : s.headers) {
    if (header == &own) filled = &own;
  }
  // A handle the service gave out again after a Close: only a buffer it marked done is new.
  if (filled == nullptr || (filled->dwFlags & WHDR_DONE) == 0) return;
  const unsigned generation = s.generation;
  if (s.onBlock) s.onBlock(reinterpret_cast<const std::uint8_t*>(filled->lpData), s.format);
  // The handler may have closed or re-opened the stream; the buffer is then no longer ours to queue.
  if (s.generation == generation && s.handle != nullptr) s.calls.addBuffer(s.handle, filled);
}

}  // namespace keblor
