#pragma once
// Frames a device delivers at its own rate, made into 1024-frame blocks at 10240 Hz in the
// program's format, for an input that refuses 10240 Hz. libsamplerate's band-limited sinc
// converter filters out what lies above the new rate's band before the rate drops, so nothing
// folds back into the band the analysis sees.
//
// Threads: Configure on one thread while no Push runs; Push then runs on the device's thread,
// never allocating, locking or waiting.

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "capture/audio_source.h"

namespace keblor {

class BlockResampler {
 public:
  // Called for every completed block: AUDIO_BLOCK_FRAMES frames in the configured format,
  // valid during the call only.
  using BlockSink = void (*)(void* context, const std::uint8_t* block);

  BlockResampler() = default;
  ~BlockResampler();
  BlockResampler(const BlockResampler&) = delete;
  BlockResampler& operator=(const BlockResampler&) = delete;

  // Float frames of format.channels channels at `deviceRate`, at most `maxFrames` a Push, into
  // blocks of `format`. Starts afresh: nothing of an earlier stream is left. False when
  // libsamplerate cannot convert between the rates.
  bool Configure(int deviceRate, const AudioFormat& format, std::size_t maxFrames);
  // Converts `count` interleaved frames (null: silence, as when the device delivers nothing)
  // and hands over each block completed by them, in order.
  void Push(const float* frames, std::size_t count, BlockSink sink, void* context);

 private:
  void Emit(const float* frames, std::size_t count, BlockSink sink, void* context);

  void* state_ = nullptr;  // SRC_STATE*
  AudioFormat format_{};
  double ratio_ = 1.0;       // output frames per input frame
  std::size_t maxFrames_ = 0;
  std::vector<float> converted_;  // a Push's output, allocated by Configure
  std::vector<float> silence_;    // maxFrames_ frames of zeros
  std::array<std::uint8_t, 4 * AUDIO_BLOCK_FRAMES> block_{};  // stereo 16-bit at most
  std::size_t blockFrames_ = 0;  // frames of block_ filled
};

}  // namespace keblor
