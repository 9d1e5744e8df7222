#include "portaudio/block_resampler.h"

#include <samplerate.h>

#include <algorithm>
#include <cmath>

namespace keblor {

namespace {

// Full scale as PortAudio scales its float samples from 16 bits: -1 is -32768.
std::uint8_t* Put16(std::uint8_t* out, float sample) {
  const long value = std::clamp(std::lrint(static_cast<double>(sample) * 32768.0), -32768L, 32767L);
  const auto bits = static_cast<std::uint16_t>(static_cast<std::int16_t>(value));
  out[0] = static_cast<std::uint8_t>(bits & 0xFF);
  out[1] = static_cast<std::uint8_t>(bits >> 8);
  return out + 2;
}

std::uint8_t* Put8(std::uint8_t* out, float sample) {
  const long value = std::clamp(std::lrint(static_cast<double>(sample) * 128.0) + 128, 0L, 255L);
  out[0] = static_cast<std::uint8_t>(value);
  return out + 1;
}

SRC_STATE* AsState(void* state) { return static_cast<SRC_STATE*>(state); }

}  // namespace

BlockResampler::~BlockResampler() {
  if (state_ != nullptr) src_delete(AsState(state_));
}

bool BlockResampler::Configure(int deviceRate, const AudioFormat& format, std::size_t maxFrames) {
  if (deviceRate <= 0 || maxFrames == 0 || !IsCapturableFormat(format)) return false;
  ratio_ = static_cast<double>(AUDIO_RATE) / deviceRate;
  if (src_is_valid_ratio(ratio_) == 0) return false;
  if (state_ != nullptr && format.channels != format_.channels) {
    src_delete(AsState(state_));
    state_ = nullptr;
  }
  if (state_ == nullptr) {
    int error = 0;
    state_ = src_new(SRC_SINC_MEDIUM_QUALITY, format.channels, &error);
    if (state_ == nullptr) return false;
  } else {
    src_reset(AsState(state_));
  }
  format_ = format;
  maxFrames_ = maxFrames;
  const auto channels = static_cast<std::size_t>(format.channels);
  // A Push's output: its share of the frames, and some the filter held back from the Push before.
  converted_.assign((static_cast<std::size_t>(std::ceil(static_cast<double>(maxFrames) * ratio_)) + 64) * channels, 0.0f);
  silence_.assign(maxFrames * channels, 0.0f);
  blockFrames_ = 0;
  return true;
}

void BlockResampler::Push(const float* frames, std::size_t count, BlockSink sink, void* context) {
  if (state_ == nullptr) return;
  const auto channels = static_cast<std::size_t>(format_.channels);
  while (count > 0) {
    const std::size_t take = std::min(count, maxFrames_);
    SRC_DATA data{};
    data.data_in = frames != nullptr ? frames : silence_.data();
    data.input_frames = static_cast<long>(take);
    data.data_out = converted_.data();
    data.output_frames = static_cast<long>(converted_.size() / channels);
    data.src_ratio = ratio_;
    if (src_process(AsState(state_), &data) != 0) return;
    Emit(converted_.data(), static_cast<std::size_t>(data.output_frames_gen), sink, context);
    const auto used = static_cast<std::size_t>(data.input_frames_used);
    if (used == 0 && data.output_frames_gen == 0) return;  // cannot happen with room for output
    if (frames != nullptr) frames += used * channels;
    count -= std::min(count, used);
  }
}

void BlockResampler::Emit(const float* frames, std::size_t count, BlockSink sink, void* context) {
  const auto channels = static_cast<std::size_t>(format_.channels);
  const std::size_t frameBytes = static_cast<std::size_t>(format_.bitsPerSample / 8) * channels;
  for (std::size_t i = 0; i < count; ++i) {
    std::uint8_t* out = block_.data() + blockFrames_ * frameBytes;
    for (std::size_t c = 0; c < channels; ++c)
      out = format_.bitsPerSample == 16 ? Put16(out, frames[i * channels + c]) : Put8(out, frames[i * channels + c]);
    if (++blockFrames_ == AUDIO_BLOCK_FRAMES) {
      blockFrames_ = 0;
      sink(context, block_.data());
    }
  }
}

}  // namespace keblor
