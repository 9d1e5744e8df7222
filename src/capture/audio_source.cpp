#include "capture/audio_source.h"

namespace keblor {

AudioFormat FormatOf(int channels, int bitsPerSample) { return {channels == 2 ? 2 : 1, bitsPerSample}; }

int BlockBytes(const AudioFormat& format) { return (format.bitsPerSample / 8) * format.channels * AUDIO_BLOCK_FRAMES; }

bool IsCapturableFormat(const AudioFormat& format) {
  return (format.channels == 1 || format.channels == 2) && (format.bitsPerSample == 8 || format.bitsPerSample == 16);
}

OpenResult QueryAndOpen(AudioSource& source, const AudioFormat& format) {
  if (const int code = source.Query(format); code != 0) return {OpenStep::Query, code};
  return source.Open(format);
}

const InputInfo* FindInput(const std::vector<InputInfo>& inputs, std::string_view idOrName) {
  if (idOrName.empty()) return nullptr;
  for (const InputInfo& input : inputs)
    if (input.id == idOrName) return &input;
  for (const InputInfo& input : inputs)
    if (input.name == idOrName) return &input;
  return nullptr;
}

std::string DeviceErrorText(int code) { return "MMedia error nr " + std::to_string(code); }

}  // namespace keblor
