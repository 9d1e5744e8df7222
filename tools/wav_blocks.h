#pragma once
// A WAV recording read block by block in the byte layout the sound card delivers:
// interleaved frames of 8-bit unsigned or 16-bit signed little-endian samples at 10240 Hz.
// A recording at another rate (8 to 192 kHz) is resampled as the PortAudio capture does; float
// samples become 16-bit ones.

#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "analysis/fft_engine.h"
#include "portaudio/block_resampler.h"

namespace keblor::tool {

inline constexpr int CAPTURE_RATE = 10240;
inline constexpr int MIN_FILE_RATE = 8000;
inline constexpr int MAX_FILE_RATE = 192000;
// Room for the largest block: 1024 stereo frames of 16 bits.
inline constexpr int MAX_BLOCK_BYTES = FFT_SIZE * 2 * 2;

using BlockBuffer = std::array<std::uint8_t, MAX_BLOCK_BYTES>;

class WavBlocks {
 public:
  WavBlocks() = default;
  ~WavBlocks();
  WavBlocks(const WavBlocks&) = delete;
  WavBlocks& operator=(const WavBlocks&) = delete;

  // Opens and checks the file. On failure returns false with the problem in `error`
  // (one line, without the file name).
  bool Open(const std::string& path, std::string& error);

  int Channels() const { return channels_; }
  int BitsPerSample() const { return bitsPerSample_; }

  // The next complete block of 1024 frames, or false at the end (a final partial block
  // counts as the end).
  bool ReadBlock(BlockBuffer& out);

 private:
  bool ReadResampled(BlockBuffer& out);

  void* file_ = nullptr;  // SNDFILE*
  int channels_ = 0;
  int bitsPerSample_ = 0;
  std::array<short, FFT_SIZE * 2> samples_{};
  // Recordings at another rate or in float: their frames as floats, and the blocks made of them.
  std::unique_ptr<BlockResampler> resampler_;
  std::vector<float> floats_;
  std::deque<BlockBuffer> ready_;
};

}  // namespace keblor::tool
