#pragma once
// Takes the keyed carriers of a signal's neighbours out of its baseband, sample by sample, before
// their nulls (see CwDecoder::SetNeighbours). A null takes out a carrier but leaves a burst at
// each key edge, which a blanker can only zero, with this signal's own samples under it. Here
// each neighbour far stronger than this signal (its level over a span STRONGER times this one's,
// which is taken from what comes out) is taken out in a stage of its own, the nearest first,
// so that each later one meets the baseband without the earlier ones. A stage takes the
// neighbour's amplitude over SPAN samples along its carrier, which a tone 40 Hz or a multiple
// of it away does not reach: where the span lies in one of its marks, the mark's amplitude is
// taken out; where an edge lies in it, the part of the sample along the neighbour's phase, unless
// that part lies near the mark's or the gap's; in its gaps, nothing. Behind an edge this signal
// keeps the part of its own sample across the neighbour's phase. Samples come out DELAY late.
// Fixed-size state; nothing is allocated.

#include <array>
#include <complex>

namespace keblor {

class NeighbourCanceller {
 public:
  static constexpr int SPAN = 8;  // a power of two
  static constexpr int MAX_NEIGHBOURS = 4;
  static constexpr int DELAY = MAX_NEIGHBOURS * SPAN / 2;

  // Each neighbour's carrier as its turn per sample, the nearest first. A neighbour keeps its
  // levels while it keeps its place in the list.
  void SetTurns(const std::complex<double>* turns, int count);
  // The next sample in; out, the one DELAY samples before it without the neighbours.
  std::complex<float> Next(std::complex<float> z);

 private:
  struct Stage {
    std::array<std::complex<float>, SPAN> inputs{};
    // The turn that brings the sample k back (k = 0 the newest) to the phase of the middle one.
    std::array<std::complex<float>, SPAN> align{};
    float level = 0.0f;  // the squared amplitude over a span: a peak that decays
    float mark = 0.0f;   // the mark amplitude: a mean over spans that lie in a mark
    std::complex<double> turn{};
    bool used = false;
    // The next sample in; out, the one SPAN / 2 before it, without the neighbour where it is
    // stronger than `ownLevel` (squared, as `level`), which is this signal's amplitude `ownSize`.
    std::complex<float> Next(std::complex<float> z, int at, float ownLevel, float ownSize);
  };
  std::array<Stage, MAX_NEIGHBOURS> stages_{};
  int next_ = 0;  // the place in each stage's inputs of the next sample
  std::array<std::complex<float>, SPAN> outputs_{};
  float ownLevel_ = 0.0f;  // this signal's, taken alike from what comes out
};

}  // namespace keblor
