#pragma once
// A channel of keyed stations (CwBand) fed block by block to a skimmer of its own.

#include <array>
#include <memory>

#include "analysis/skimmer.h"
#include "cw_band.h"

namespace keblor {

struct SkimmedChannel {
  CwBand band;
  std::unique_ptr<Skimmer> skimmer = std::make_unique<Skimmer>();  // large: off the stack
  std::array<float, FFT_SIZE> samples{};
  SpectrumAccumulator magnitudes{};

  void Next() {
    band.Next(samples, magnitudes);
    skimmer->Push(samples.data(), magnitudes.data(), ACCUMULATED_BINS - 1);
  }
  void RunTo(double seconds) {
    while (skimmer->Seconds() < seconds) Next();
  }
};

}  // namespace keblor
