#include "capture/audio_source.h"

namespace keblor {

AudioFormat FormatOf(int channels, int bitsPerSample) { return {channels == 2 ? 2 : 1, bitsPerSample}; }

int BlockBytes(const AudioFormat& format) { return (format.bitsPerSample / 8) * format.channels * AUDIO_BLOCK_FRAMES; }

OpenResult QueryAndOpen(AudioSource& source, const AudioFormat& format) {
  if (const int code = source.Query(format); code != 0) return {OpenStep::Query, code};
  return source.Open(format);
}

std::string DeviceErrorText(int code) { return "MMedia error nr " + std::to_string(code); }

}  // namespace keblor
