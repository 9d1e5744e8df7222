#pragma once
// What the analysis would see in a block: one channel's Hann-windowed magnitude spectrum.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

#include "analysis/fft_engine.h"
#include "capture/audio_source.h"

namespace keblor::test {

class SpectrumProbe {
 public:
  SpectrumProbe() { BuildFftTables(tables_); }

  void Measure(const std::uint8_t* block, const AudioFormat& format, int channel) {
    std::array<float, FFT_SIZE> re{}, im{};
    for (int i = 0; i < FFT_SIZE; ++i) re[i] = Sample(block, format, i, channel) * tables_.hannWindow[i];
    FftTransform(-1, FFT_SIZE, re.data(), im.data(), tables_.stageCos.data(), tables_.stageSin.data());
    for (int k = 0; k < HALF_SPECTRUM_SIZE; ++k) magnitude_[k] = std::hypot(double{re[k]}, double{im[k]});
  }
  int PeakBin() const {
    return static_cast<int>(std::max_element(magnitude_.begin() + 1, magnitude_.end()) - magnitude_.begin());
  }
  double Peak() const { return magnitude_[PeakBin()]; }
  // The strongest bin outside the peak's main lobe (two bins either side), in dB below the peak.
  double RestBelowPeakDb() const {
    const int peak = PeakBin();
    double rest = 0.0;
    for (int k = 1; k < HALF_SPECTRUM_SIZE; ++k)
      if (std::abs(k - peak) > 2) rest = std::max(rest, magnitude_[k]);
    return 20.0 * std::log10(Peak() / std::max(rest, 1e-12));
  }

 private:
  static float Sample(const std::uint8_t* block, const AudioFormat& format, int frame, int channel) {
    const int index = frame * format.channels + channel;
    if (format.bitsPerSample == 8) return (static_cast<float>(block[index]) - 128.0f) / 128.0f;
    return static_cast<float>(static_cast<std::int16_t>(block[2 * index] | (block[2 * index + 1] << 8))) / 32768.0f;
  }
  FftTables tables_{};
  std::array<double, HALF_SPECTRUM_SIZE> magnitude_{};
};

}  // namespace keblor::test
