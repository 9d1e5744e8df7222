#include "wav_blocks.h"

#include <sndfile.h>

#include <algorithm>
#include <cstddef>
#include <filesystem>
#include <fstream>
#include <string_view>

namespace keblor::tool {

namespace {

SNDFILE* AsSndFile(void* file) { return static_cast<SNDFILE*>(file); }

constexpr std::size_t RESAMPLE_FRAMES = 4096;  // frames read and resampled at a time

// libsndfile's messages may span lines; ours are one line each.
std::string OneLine(const char* text) {
  std::string line = text != nullptr ? text : "unknown error";
  for (char& c : line)
    if (c == '\n' || c == '\r') c = ' ';
  while (!line.empty() && line.back() == ' ') line.pop_back();
  return line;
}

bool IsWavContainer(int format) {
  switch (format & SF_FORMAT_TYPEMASK) {
    case SF_FORMAT_WAV:
    case SF_FORMAT_WAVEX:
    case SF_FORMAT_RF64:
      return true;
    default:
      return false;
  }
}

// The WAV family starts with one of these; anything else is not handed to the sound file library,
// which would guess at other formats and report on standard error while it tries.
bool HasWavMagic(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  char magic[4] = {};
  if (!in.read(magic, sizeof magic)) return false;
  const std::string_view head(magic, sizeof magic);
  return head == "RIFF" || head == "RIFX" || head == "RF64";
}

}  // namespace

WavBlocks::~WavBlocks() {
  if (file_ != nullptr) sf_close(AsSndFile(file_));
}

bool WavBlocks::Open(const std::string& path, std::string& error) {
  std::error_code ec;
  if (std::filesystem::is_regular_file(path, ec) && !HasWavMagic(path)) {
    error = "not a WAV file";
    return false;
  }
  SF_INFO info{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  if (file == nullptr) {
    const int code = sf_error(nullptr);
    const std::string reason = OneLine(sf_strerror(nullptr));
    if (code == SF_ERR_UNRECOGNISED_FORMAT)
      error = "not a WAV file";
    else if (code == SF_ERR_SYSTEM)
      error = "cannot read: " + reason;
    else
      error = "not a readable WAV file: " + reason;
    return false;
  }
  file_ = file;
  if (!IsWavContainer(info.format)) {
    error = "not a WAV file";
    return false;
  }
  if (info.samplerate < MIN_FILE_RATE || info.samplerate > MAX_FILE_RATE) {
    error = "sample rate " + std::to_string(info.samplerate) + " Hz, need 8000 to 192000 Hz";
    return false;
  }
  bool pcm = true;
  switch (info.format & SF_FORMAT_SUBMASK) {
    case SF_FORMAT_PCM_U8:
      bitsPerSample_ = 8;
      break;
    case SF_FORMAT_PCM_16:
      bitsPerSample_ = 16;
      break;
    case SF_FORMAT_FLOAT:
      bitsPerSample_ = 16;
      pcm = false;
      break;
    default:
      error = "sample format is not 8-bit unsigned, 16-bit signed PCM or 32-bit float";
      return false;
  }
  if (info.channels != 1 && info.channels != 2) {
    error = std::to_string(info.channels) + " channels, need 1 or 2";
    return false;
  }
  channels_ = info.channels;
  if (pcm && info.samplerate == CAPTURE_RATE) return true;
  // Float samples run through the resampler even at 10240 Hz: it also makes the blocks.
  resampler_ = std::make_unique<BlockResampler>();
  if (!resampler_->Configure(info.samplerate, AudioFormat{channels_, bitsPerSample_}, RESAMPLE_FRAMES)) {
    error = "cannot resample " + std::to_string(info.samplerate) + " Hz to 10240 Hz";
    return false;
  }
  floats_.assign(RESAMPLE_FRAMES * static_cast<std::size_t>(channels_), 0.0f);
  return true;
}

bool WavBlocks::ReadResampled(BlockBuffer& out) {
  while (ready_.empty()) {
    const sf_count_t got = sf_readf_float(AsSndFile(file_), floats_.data(), static_cast<sf_count_t>(RESAMPLE_FRAMES));
    if (got <= 0) return false;
    resampler_->Push(
        floats_.data(), static_cast<std::size_t>(got),
        [](void* context, const std::uint8_t* block) {
          auto& self = *static_cast<WavBlocks*>(context);
          BlockBuffer& copy = self.ready_.emplace_back();
          std::copy_n(block, static_cast<std::size_t>(FFT_SIZE * self.channels_ * self.bitsPerSample_ / 8), copy.begin());
        },
        this);
  }
  out = ready_.front();
  ready_.pop_front();
  return true;
}

bool WavBlocks::ReadBlock(BlockBuffer& out) {
  if (file_ == nullptr || channels_ == 0) return false;
  if (resampler_) return ReadResampled(out);
  const sf_count_t got = sf_readf_short(AsSndFile(file_), samples_.data(), FFT_SIZE);
  if (got != FFT_SIZE) return false;
  // libsndfile hands both formats over as 16-bit values without scaling: 8-bit bytes b as
  // (b - 128) * 256, 16-bit samples as they are. Both convert back exactly.
  const std::size_t count = static_cast<std::size_t>(FFT_SIZE * channels_);
  if (bitsPerSample_ == 8) {
    for (std::size_t i = 0; i < count; ++i)
      out[i] = static_cast<std::uint8_t>((samples_[i] >> 8) + 128);
  } else {
    for (std::size_t i = 0; i < count; ++i) {
      const auto bits = static_cast<std::uint16_t>(samples_[i]);
      out[2 * i] = static_cast<std::uint8_t>(bits & 0xFFu);
      out[2 * i + 1] = static_cast<std::uint8_t>(bits >> 8);
    }
  }
  return true;
}

}  // namespace keblor::tool
