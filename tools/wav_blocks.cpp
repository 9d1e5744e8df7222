#include "wav_blocks.h"

#include <sndfile.h>

#include <cstddef>
#include <filesystem>
#include <fstream>
#include <string_view>

namespace keblor::tool {

namespace {

SNDFILE* AsSndFile(void* file) { return static_cast<SNDFILE*>(file); }

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
  if (info.samplerate != CAPTURE_RATE) {
    error = "sample rate " + std::to_string(info.samplerate) + " Hz, need 10240 Hz";
    return false;
  }
  switch (info.format & SF_FORMAT_SUBMASK) {
    case SF_FORMAT_PCM_U8:
      bitsPerSample_ = 8;
      break;
    case SF_FORMAT_PCM_16:
      bitsPerSample_ = 16;
      break;
    default:
      error = "sample format is not 8-bit unsigned or 16-bit signed PCM";
      return false;
  }
  if (info.channels != 1 && info.channels != 2) {
    error = std::to_string(info.channels) + " channels, need 1 or 2";
    return false;
  }
  channels_ = info.channels;
  return true;
}

bool WavBlocks::ReadBlock(BlockBuffer& out) {
  if (file_ == nullptr || channels_ == 0) return false;
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
