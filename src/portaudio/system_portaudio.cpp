// The system's PortAudio, loaded when the capture first needs it: a program that captures through
// the sound server never maps PortAudio, ALSA, JACK or what they pull in.

#include <dlfcn.h>

#include "portaudio/portaudio_api.h"

namespace keblor {

namespace {

constexpr const char* LIBRARY = "libportaudio.so.2";

// ALSA's and JACK's calls, found through PortAudio's handle: both are libraries it links.
using AlsaErrorHandler = void (*)(const char* file, int line, const char* function, int error, const char* format, ...);
using AlsaSetErrorHandler = int (*)(AlsaErrorHandler handler);
using AlsaNameHint = int (*)(int card, const char* interface, void*** hints);
using AlsaFreeHint = int (*)(void** hints);
using JackReport = void (*)(const char* message);
using JackSetReport = void (*)(JackReport report);

// ALSA reports every card, plugin and server it cannot find on standard error, JACK every server
// it cannot reach; the program shows device failures through its own error box instead.
void QuietAlsa(const char*, int, const char*, int, const char*, ...) {}
void QuietJack(const char*) {}

// Stand-ins until the library is loaded, and for good when it cannot be.
PaError NotLoaded() { return paNotInitialized; }
PaDeviceIndex NoDevices() { return 0; }
const PaDeviceInfo* NoDeviceInfo(PaDeviceIndex) { return nullptr; }
PaDeviceIndex NoDevice() { return paNoDevice; }
PaHostApiIndex NoHostApi() { return paHostApiNotFound; }
const PaHostApiInfo* NoHostApiInfo(PaHostApiIndex) { return nullptr; }
PaError NoFormat(const PaStreamParameters*, const PaStreamParameters*, double) { return paNotInitialized; }
PaError NoStream(PaStream**, const PaStreamParameters*, const PaStreamParameters*, double, unsigned long,
                 PaStreamFlags, PaStreamCallback*, void*) {
  return paNotInitialized;
}
PaError NoStreamCall(PaStream*) { return paNotInitialized; }

void* library = nullptr;  // PortAudio's handle, once loaded
PortAudioApi loaded = {&NotLoaded,  &NotLoaded,     &NoDevices, &NoDeviceInfo, &NoDevice,
                       &NoHostApi,  &NoHostApiInfo, &NoFormat,  &NoStream,     &NoStreamCall,
                       &NoStreamCall, &NoStreamCall, &NoStreamCall};

template <class Function>
bool Find(const char* name, Function& function) {
  void* symbol = dlsym(library, name);
  if (symbol == nullptr) return false;
  function = reinterpret_cast<Function>(symbol);
  return true;
}

// Loads the library and fills `loaded`; false when it or one of its calls is missing.
bool Load() {
  library = dlopen(LIBRARY, RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) return false;
  PortAudioApi api = loaded;
  const bool all = Find("Pa_Initialize", api.initialize) && Find("Pa_Terminate", api.terminate) &&
                   Find("Pa_GetDeviceCount", api.deviceCount) &&
                   Find("Pa_GetDeviceInfo", api.deviceInfo) &&
                   Find("Pa_GetDefaultInputDevice", api.defaultInputDevice) &&
                   Find("Pa_GetDefaultHostApi", api.defaultHostApi) &&
                   Find("Pa_GetHostApiInfo", api.hostApiInfo) &&
                   Find("Pa_IsFormatSupported", api.isFormatSupported) &&
                   Find("Pa_OpenStream", api.openStream) && Find("Pa_StartStream", api.startStream) &&
                   Find("Pa_IsStreamStopped", api.isStreamStopped) &&
                   Find("Pa_AbortStream", api.abortStream) && Find("Pa_CloseStream", api.closeStream);
  if (!all) return false;  // nothing of the library is called then
  loaded = api;

  AlsaSetErrorHandler setAlsaErrors = nullptr;
  if (Find("snd_lib_error_set_handler", setAlsaErrors)) setAlsaErrors(&QuietAlsa);
  JackSetReport setJackReport = nullptr;
  if (Find("jack_set_error_function", setJackReport)) setJackReport(&QuietJack);
  if (Find("jack_set_info_function", setJackReport)) setJackReport(&QuietJack);
  return true;
}

// Without an ALSA configuration that names any PCM device, PortAudio's ALSA back end aborts the
// process while it lists the devices; such a system has no usable input, which the caller
// reports as such.
bool AlsaNamesAnyPcm() {
  AlsaNameHint hint = nullptr;
  AlsaFreeHint freeHint = nullptr;
  if (!Find("snd_device_name_hint", hint) || !Find("snd_device_name_free_hint", freeHint)) {
    return true;  // PortAudio without ALSA: nothing to guard against
  }
  void** hints = nullptr;
  if (hint(-1, "pcm", &hints) < 0 || hints == nullptr) return false;
  const bool any = hints[0] != nullptr;
  freeHint(hints);
  return any;
}

PaError Initialize() {
  static const bool ready = Load();
  if (!ready) return paNotInitialized;
  if (!AlsaNamesAnyPcm()) return paNotInitialized;
  return loaded.initialize();
}

PaError Terminate() { return loaded.terminate(); }
PaDeviceIndex DeviceCount() { return loaded.deviceCount(); }
const PaDeviceInfo* DeviceInfo(PaDeviceIndex device) { return loaded.deviceInfo(device); }
PaDeviceIndex DefaultInputDevice() { return loaded.defaultInputDevice(); }
PaHostApiIndex DefaultHostApi() { return loaded.defaultHostApi(); }
const PaHostApiInfo* HostApiInfo(PaHostApiIndex hostApi) { return loaded.hostApiInfo(hostApi); }
PaError IsFormatSupported(const PaStreamParameters* input, const PaStreamParameters* output, double rate) {
  return loaded.isFormatSupported(input, output, rate);
}
PaError OpenStream(PaStream** stream, const PaStreamParameters* input, const PaStreamParameters* output, double rate,
                   unsigned long framesPerBuffer, PaStreamFlags flags, PaStreamCallback* callback, void* userData) {
  return loaded.openStream(stream, input, output, rate, framesPerBuffer, flags, callback, userData);
}
PaError StartStream(PaStream* stream) { return loaded.startStream(stream); }
PaError IsStreamStopped(PaStream* stream) { return loaded.isStreamStopped(stream); }
PaError AbortStream(PaStream* stream) { return loaded.abortStream(stream); }
PaError CloseStream(PaStream* stream) { return loaded.closeStream(stream); }

}  // namespace

const PortAudioApi& SystemPortAudio() {
  static const PortAudioApi api = {&Initialize,      &Terminate,         &DeviceCount, &DeviceInfo,
                                   &DefaultInputDevice, &DefaultHostApi, &HostApiInfo, &IsFormatSupported,
                                   &OpenStream,      &StartStream,       &IsStreamStopped, &AbortStream,
                                   &CloseStream};
  return api;
}

}  // namespace keblor
