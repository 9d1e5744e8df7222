#pragma once
// Keyed Morse stations in white noise, one channel at 10240 Hz, block by block, and the half
// spectrum the analyzer would hand on. Soft 5 ms edges; the text repeats after a word gap.

#include <array>
#include <cstdint>
#include <memory>
#include <cmath>
#include <numbers>
#include <random>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "analysis/display_row_mapping.h"
#include "analysis/fft_engine.h"
#include "keyed_cw.h"

namespace keblor {

struct CwStation {
  double hz;
  double snrDb;  // key-down power over the noise in 500 Hz
  double wpm;
  std::string text;
  double startSeconds = 0.0;
  double driftHzPerSecond = 0.0;
  double stopSeconds = 1e9;  // keyed up for good from here
  double fadeDb = 0.0;       // slow fading (QSB): down this far at the troughs,
  double fadeHz = 0.0;       // this often; at full strength at 0 s
};

class CwBand {
 public:
  CwBand(std::vector<CwStation> stations, double noiseRms, unsigned seed = 5)
      : stations_(std::move(stations)), noiseRms_(noiseRms), random_(seed) {
    BuildFftTables(tables_);
    for (const CwStation& s : stations_) keys_.push_back(KeyingOf(s));
    phases_.assign(stations_.size(), 0.0);
  }

  // The next block: samples (full scale +-1) and the magnitudes of bins 0..400.
  void Next(std::array<float, FFT_SIZE>& samples, SpectrumAccumulator& magnitudes) {
    std::normal_distribution<double> noise(0.0, noiseRms_);
    for (float& v : samples) {
      const double t = static_cast<double>(n_++) / 10240.0;
      double x = noise(random_);
      for (std::size_t i = 0; i < stations_.size(); ++i) {
        const CwStation& s = stations_[i];
        const double fade = s.fadeDb * 0.5 * (1.0 - std::cos(2.0 * std::numbers::pi * s.fadeHz * t));
        const double amplitude = noiseRms_ * std::sqrt(2.0 * 500.0 / 5120.0 * std::pow(10.0, (s.snrDb - fade) / 10.0));
        phases_[i] += 2.0 * std::numbers::pi * (s.hz + s.driftHzPerSecond * t) / 10240.0;
        if (t < s.stopSeconds) x += amplitude * Envelope(keys_[i], t - s.startSeconds) * std::sin(phases_[i]);
      }
      v = static_cast<float>(x);
    }
    std::array<float, FFT_SIZE> re{};
    std::array<float, FFT_SIZE> im{};
    for (std::size_t i = 0; i < re.size(); ++i) re[i] = samples[i] * tables_.hannWindow[i];
    FftTransform(-1, FFT_SIZE, re.data(), im.data(), tables_.stageCos.data(), tables_.stageSin.data());
    for (std::size_t k = 0; k < magnitudes.size(); ++k) magnitudes[k] = std::hypot(re[k], im[k]);
  }

  // The station's text keyed once from 0 s, repeating after a word gap.
  static KeyedText KeyingOf(const CwStation& s) {
    Keying keying;
    keying.wpm = s.wpm;
    KeyedText keyed = KeyMarks(s.text, keying, 0.0);
    keyed.end += 4.0 * 1.2 / s.wpm;
    return keyed;
  }
  // The key at `t` seconds into the station's keying, the text repeating.
  static double Envelope(const KeyedText& keyed, double t) {
    if (t < 0.0 || keyed.marks.empty()) return 0.0;
    std::size_t m = 0;
    return KeyAt(keyed, std::fmod(t, keyed.end), m);
  }

 private:
  std::vector<CwStation> stations_;
  std::vector<KeyedText> keys_;
  std::vector<double> phases_;
  double noiseRms_;
  std::mt19937 random_;
  FftTables tables_;
  long n_ = 0;
};

// Blocks of 16-bit stereo frames with sixteen keyed stations (+15 dB) on each side: pitches 230 Hz apart, the right
// side's shifted by 100 Hz.
inline std::vector<std::vector<std::uint8_t>> SixteenStationsEachSide(int blocks) {
  std::array<std::unique_ptr<CwBand>, 2> sides;
  for (std::size_t side = 0; side < 2; ++side) {
    std::vector<CwStation> stations;
    for (int i = 0; i < 16; ++i)
      stations.push_back({300.0 + 100.0 * static_cast<double>(side) + 230.0 * i, 15.0, 18.0 + i, "CQ DE W1AW K"});
    sides[side] = std::make_unique<CwBand>(stations, 0.01, static_cast<unsigned>(side + 1));
  }
  std::vector<std::vector<std::uint8_t>> out;
  std::array<std::array<float, FFT_SIZE>, 2> samples{};
  SpectrumAccumulator magnitudes{};
  for (int b = 0; b < blocks; ++b) {
    sides[0]->Next(samples[0], magnitudes);
    sides[1]->Next(samples[1], magnitudes);
    auto& bytes = out.emplace_back();
    for (std::size_t i = 0; i < static_cast<std::size_t>(FFT_SIZE); ++i)
      for (const auto& side : samples) {
        const auto v = static_cast<std::uint16_t>(static_cast<std::int16_t>(std::lround(side[i] * 32767.0f)));
        bytes.push_back(static_cast<std::uint8_t>(v & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(v >> 8));
      }
  }
  return out;
}

}  // namespace keblor
