#pragma once
// Takes out of a baseband the short bursts that a stronger neighbour's key edges leave behind
// the nulls on its carrier (see CwDecoder::SetNeighbours). A burst sample stands far above the
// baseband's mean power and above the signal's own marks, and no higher than an edge could
// make it; it comes out as 0. A run of such samples longer than MAX_BURST is a mark of the
// signal itself (the first after a pause, which rises above the marks' level as remembered):
// from there on it passes, and sets that level. Fixed-size state; nothing is allocated.

#include <complex>

namespace keblor {

class EdgeBlanker {
 public:
  static constexpr int MAX_BURST = 3;  // samples

  // The next sample in and out. `edgeBound`: the largest magnitude a neighbour's edge can give
  // a sample (0: no neighbours, nothing is blanked).
  std::complex<double> Next(std::complex<double> z, double edgeBound);

 private:
  double meanPower_ = 0.0;
  double weight_ = 0.0;
  double markPower_ = 0.0;  // the signal's marks' power: a peak that decays
  int run_ = 0;             // burst samples in a row up to the newest
};

}  // namespace keblor
