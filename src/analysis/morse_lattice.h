#pragma once
// The key of a machine-keyed signal read as Morse characters, cell by cell: the states a key
// passes through, one cell each, and the log-probability of each step from one to the next, for
// a Viterbi that reads only what a keyer sends: marks of one or three cells; gaps of one cell
// within a character while its elements so far begin some pattern, three cells between
// characters, seven or more between words. Each character's pattern is as likely as the
// character (letters and digits alike, prosigns and punctuation less); a pattern outside the
// table stays possible, far less likely, so that a clear one still shows as a placeholder.

#include <cstdint>
#include <span>

namespace keblor {

class MorseLattice {
 public:
  static constexpr int STATES = 512;
  static constexpr int KEY_UP = 5;  // a gap of seven cells or more: where a Viterbi starts
  struct Step {
    std::uint16_t from, to;
    float logP;
  };

  static const MorseLattice& Get();
  std::span<const Step> Steps() const { return {steps_, static_cast<std::size_t>(count_)}; }
  // The key is down in the state; a mark's first cell.
  static bool Mark(int state) { return state >= 8 && (state & 3) != 3; }
  static bool MarkBegins(int state) { return state >= 8 && (state & 3) == 0; }

 private:
  MorseLattice();
  void Add(int from, int to, double p);

  static constexpr int MAX_STEPS = 1024;
  Step steps_[MAX_STEPS]{};
  int count_ = 0;
};

}  // namespace keblor
