#pragma once
// The key of a keyed tone decided over runs rather than sample by sample: the most likely
// sequence of marks and gaps, given each sample's evidence for a mark, where a gap lasts at least
// `shortest` samples and a mark is a dot (`shortest` to `longestDot` samples) or a dash
// (`shortestDash` to `longest`). Fixed-size state; nothing is allocated.

#include <array>
#include <cstdint>

namespace keblor {

class KeyTrellis {
 public:
  static constexpr int MAX_SHORTEST = 64;  // samples: the longest shortest run
  static constexpr int MAX_LONGEST = 500;  // samples: the longest longest mark
  static constexpr int DELAY = 96;         // samples: a sample is decided when this many more are in
  static constexpr int FLUSH = 32;         // samples decided at a time, DELAY to DELAY + FLUSH late

  // Forget everything; the key is up. Each change of the key costs `switchCost` (log-likelihood, > 0).
  void Reset(int shortest, int longestDot, int shortestDash, int longest, double switchCost);
  // Decides what is still open at once (the latest samples on less evidence; returns how many,
  // read with Mark and Value), then goes on with new lengths, the key as it was.
  int SetLengths(int shortest, int longestDot, int shortestDash, int longest);
  int Shortest() const { return shortest_; }
  int Longest() const { return windows_[1].longest; }
  // One sample: `evidence` is log p(sample | mark) - log p(sample | gap); `value` comes back with
  // its decision. Returns how many samples are now decided, oldest first, read with Mark and Value.
  int Push(double evidence, float value);
  // Decides every sample still open; returns how many.
  int Finish();
  // The i-th of the samples just decided (0 the oldest): mark or gap, and its value.
  bool Mark(int i) const { return decidedMark_[static_cast<std::size_t>(i)] != 0; }
  float Value(int i) const { return decidedValue_[static_cast<std::size_t>(i)]; }

 private:
  static constexpr int LAG = 256;     // samples kept for the traceback (a power of two >= DELAY + FLUSH)
  static constexpr int BIRTHS = 512;  // marks begun kept (a power of two > MAX_LONGEST)
  int Decide(int count);
  void Normalise();
  struct Window;
  void Enqueue(Window& w, std::int64_t born);
  double Born(std::int64_t b) const { return born_[static_cast<std::size_t>(b & (BIRTHS - 1))]; }

  int shortest_ = 0;
  double switchCost_ = 1.0;
  // The gap's runs: a ring of runs 1 .. shortest-1 samples long and one state for the longer.
  std::array<double, MAX_SHORTEST> gapChain_{};
  double gapLong_ = 0.0;
  int chainHead_ = 0;  // where the run 1 sample long is
  // Each mark begun at sample b: its score less the evidence summed before it, so that its score
  // at sample n is born_[b] + evidence summed up to n.
  std::array<double, BIRTHS> born_{};
  double evidenceSum_ = 0.0;
  // The dots' and the dashes' lengths; of the marks that may end now with a length in them, the
  // best first (a queue whose scores fall from its front), as sample numbers in a ring.
  struct Window {
    int shortest = 0, longest = 0;
    std::array<std::int64_t, BIRTHS> queue{};
    int front = 0, size = 0;
  };
  std::array<Window, 2> windows_{};
  // Per sample: whether the long gap came from itself (1) or its chain (0); how long the mark
  // was that ended just before it (0: none); the values; how many samples are open.
  std::array<std::uint8_t, LAG> gapStayed_{};
  std::array<std::uint16_t, LAG> markBefore_{};
  std::array<float, LAG> values_{};
  std::int64_t count_ = 0;
  int open_ = 0;
  std::array<std::uint8_t, DELAY + FLUSH> decidedMark_{};
  std::array<float, DELAY + FLUSH> decidedValue_{};
};

}  // namespace keblor
