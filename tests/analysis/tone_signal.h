#pragma once
// 16-bit blocks of tones in white noise for the analysis tests, each tone keyed by an envelope
// of time; the phase runs on from block to block.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <numbers>
#include <random>
#include <utility>
#include <vector>

#include "analysis/fft_engine.h"

namespace keblor {

inline constexpr double TEST_RATE = 10240.0;

class ToneSignal {
 public:
  using Key = std::function<double(double seconds)>;  // the key's envelope, 0..1
  struct Tone {
    double hz;
    double amplitude;
    Key key = {};  // none: always down
  };
  ToneSignal(std::vector<Tone> tones, double noiseRms, unsigned seed = 7)
      : tones_(std::move(tones)), noise_(0.0, noiseRms > 0.0 ? noiseRms : 1e-300), random_(seed) {}

  // One channel's next 1024 samples.
  std::vector<double> NextSamples() {
    std::vector<double> x(static_cast<std::size_t>(FFT_SIZE));
    for (double& v : x) {
      v = noise_(random_);
      const double t = static_cast<double>(n_) / TEST_RATE;
      for (const Tone& tone : tones_)
        v += tone.amplitude * (tone.key ? tone.key(t) : 1.0) * std::sin(2.0 * std::numbers::pi * tone.hz * t + 0.4);
      ++n_;
    }
    return x;
  }
  std::vector<std::uint8_t> NextBlock() { return Pcm16({NextSamples()}); }

  // Frames of 16-bit samples, one channel after the other in each frame.
  static std::vector<std::uint8_t> Pcm16(const std::vector<std::vector<double>>& channels) {
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i < static_cast<std::size_t>(FFT_SIZE); ++i) {
      for (const std::vector<double>& c : channels) {
        const auto v = static_cast<std::uint16_t>(static_cast<std::int16_t>(std::lround(std::clamp(c[i], -32768.0, 32767.0))));
        bytes.push_back(static_cast<std::uint8_t>(v & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(v >> 8));
      }
    }
    return bytes;
  }

 private:
  std::vector<Tone> tones_;
  std::normal_distribution<double> noise_;
  std::mt19937 random_;
  long n_ = 0;
};

// A tone's amplitude for an SNR in dB against white noise of this RMS over the whole band.
inline double AmplitudeFor(double snrDb, double noiseRms) { return noiseRms * std::sqrt(2.0) * std::pow(10.0, snrDb / 20.0); }

}  // namespace keblor
