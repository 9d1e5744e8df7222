#pragma once
// The key of a machine-keyed tone decided cell by cell on its timing grid: a keyer changes the
// key only on the boundaries of unit-long cells, so once the grid is found each cell's evidence
// adds up over the whole cell, and a Viterbi over cells through the states of Morse characters
// (MorseLattice) decides them. Fixed-size state; nothing is allocated.

#include <array>
#include <cmath>
#include <cstdint>

#include "analysis/morse_lattice.h"

namespace keblor {

class KeyGrid {
 public:
  static constexpr int DELAY_CELLS = 24;  // a cell is decided when this many more are in
  static constexpr int RING = 2048;       // samples kept (a power of two, > (DELAY_CELLS + 2) cells at 5 WPM)

  // Forget everything.
  void Reset();
  // The grid that best fits `count` samples of evidence (oldest first; log p(mark) - log p(gap)
  // each), its unit from 8 % below the lesser of `unit` and `otherUnit` (0: none) to 8 % above
  // the greater, and its phase. Push goes on from the sample after them, the grid running on.
  // Units outside 6 to 80 samples are not tried; false (no grid) when none is left, or for fewer
  // than 20 cells of `unit`'s samples.
  bool Find(const float* evidence, int count, double unit, double otherUnit = 0.0);
  bool Found() const { return found_; }
  // Decides every sample still open (returns how many, read with Mark and Value) and finds the
  // grid afresh over the samples kept, its unit near `unit` or the one it has, going on from the
  // next sample.
  int Refind(double unit);
  double Unit() const { return unit_; }
  // How far the key's edges have lain off the grid's boundaries: the root mean square over
  // about the last EDGE_MEMORY edges, in units; and the edges decided since Find. A keyer's edges
  // lie near the boundaries, a hand's wander off them.
  static constexpr int EDGE_MEMORY = 64;
  double EdgeError() const { return std::sqrt(edgeSquares_); }
  int Edges() const { return edges_; }
  // One sample; `value` comes back with its decision. Returns how many samples are now decided,
  // oldest first, read with Mark and Value.
  int Push(double evidence, float value);
  // Decides every sample still open (returns how many, read with Mark and Value); the grid is then
  // no longer found.
  int Finish();
  bool Mark(int i) const { return decidedMark_[static_cast<std::size_t>(i)] != 0; }
  float Value(int i) const { return decidedValue_[static_cast<std::size_t>(i)]; }

 private:
  static constexpr int STATES = MorseLattice::STATES;
  static constexpr int MAX_DECIDED = RING;  // samples decided at a time, at most
  static std::size_t R(std::int64_t n) { return static_cast<std::size_t>(n & (RING - 1)); }
  using Scores = std::array<double, STATES>;
  using Sources = std::array<std::uint16_t, STATES>;
  static constexpr int MAX_UNITS = 1024;  // units tried by Find, at most
  struct Fit {
    double unit = 0.0, phase = 0.0;  // samples; the first boundary lies `phase` after the first sample
    double level = 0.0;              // a sample's evidence, on average as far from 0
  };
  static bool Search(const float* evidence, int count, double unit, double otherUnit, Fit& fit);
  void Begin(const Fit& fit, double origin);
  void Restart(int lastDecided);
  int DecideOpen();
  void Cell(double llr);
  int Decide(bool mark, double end, int at);
  void CloseCell();
  int DecideDue(int at);
  int Rephase(double markBegin, int at);
  double Cumulative(std::int64_t n) const { return cumulative_[R(n)]; }
  double Sum(double from, double to) const;  // evidence over samples [from, to), whole samples by their centres

  bool found_ = false;
  double unit_ = 0.0;
  double next_ = 0.0;       // the sample position where the open cell ends
  double cellStart_ = 0.0;  // and where it began
  double markLevel_ = 0.0;  // a mark sample's mean evidence, for the loop's edge error
  double edgeSquares_ = 0.0; // the edge errors' mean square, in units squared
  int edges_ = 0;
  std::array<float, RING> values_{};
  std::array<double, RING> cumulative_{};  // evidence summed over the samples before each (ring)
  std::int64_t count_ = 0;     // samples pushed
  std::int64_t decidedTo_ = 0; // samples decided
  // The Viterbi: each state's score, and per cell the state each came from and where it ended.
  Scores score_{};
  std::array<Sources, DELAY_CELLS + 1> from_{};
  std::array<double, DELAY_CELLS + 1> cellEnd_{};
  std::array<double, DELAY_CELLS + 1> cellBegin_{};
  int cells_ = 0;  // cells so far
  int lastDecided_ = -1;  // the key of the last cell decided (-1: none)
  int gapCells_ = 0;      // cells decided as gap since the last mark
  std::array<std::uint8_t, MAX_DECIDED> decidedMark_{};
  std::array<float, MAX_DECIDED> decidedValue_{};
};

}  // namespace keblor
