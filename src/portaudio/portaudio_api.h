#pragma once
// The PortAudio calls the capture makes, as a table: the system's library, or a stand-in that a
// test drives (a device that refuses some rates, a callback called by hand).

#include <portaudio.h>

namespace keblor {

struct PortAudioApi {
  PaError (*initialize)();
  PaError (*terminate)();
  PaDeviceIndex (*deviceCount)();
  const PaDeviceInfo* (*deviceInfo)(PaDeviceIndex device);
  PaDeviceIndex (*defaultInputDevice)();
  PaHostApiIndex (*defaultHostApi)();
  const PaHostApiInfo* (*hostApiInfo)(PaHostApiIndex hostApi);
  PaError (*isFormatSupported)(const PaStreamParameters* input, const PaStreamParameters* output, double rate);
  PaError (*openStream)(PaStream** stream, const PaStreamParameters* input, const PaStreamParameters* output,
                        double rate, unsigned long framesPerBuffer, PaStreamFlags flags, PaStreamCallback* callback,
                        void* userData);
  PaError (*startStream)(PaStream* stream);
  PaError (*isStreamStopped)(PaStream* stream);
  PaError (*abortStream)(PaStream* stream);
  PaError (*closeStream)(PaStream* stream);
};

// The system's PortAudio. Its initialize first quiets ALSA's and JACK's diagnostics on standard
// error (they report every absent card and server), and refuses (paNotInitialized) a system
// whose ALSA configuration names no PCM device, where PortAudio would abort the process while
// listing the devices.
const PortAudioApi& SystemPortAudio();

}  // namespace keblor
