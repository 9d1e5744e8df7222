// A Viterbi search over the key's states. A key decided sample by sample against a threshold
// splits a dash where noise dips under it for a moment, and makes a dot of noise that peaks over
// it in a gap; here a change must pay for itself with the evidence of the samples on both sides
// of it, so a short shallow dip does not, a long or deep one does. And a mark lasts no longer
// than the longest dash: a gap that noise fills is found all the same, where its samples said
// least for a mark.
//
// A gap is a chain of states, one per sample up to the shortest run, then one that lasts; the
// chain is a ring, so a sample costs the same at any length. A mark is kept as the sample where
// it began, and may end while it lasts from the shortest to the longest run: the best of those
// comes from a queue whose scores fall from front to back, again a constant cost per sample.

#include "analysis/key_trellis.h"

#include <algorithm>

namespace keblor {
namespace {
constexpr double IMPOSSIBLE = -1e30;
}

void KeyTrellis::Reset(int shortest, int longestDot, int shortestDash, int longest, double switchCost) {
  *this = KeyTrellis();
  switchCost_ = switchCost;
  born_.fill(IMPOSSIBLE);
  gapChain_.fill(IMPOSSIBLE);
  SetLengths(shortest, longestDot, shortestDash, longest);
}

int KeyTrellis::SetLengths(int shortest, int longestDot, int shortestDash, int longest) {
  shortest = std::clamp(shortest, 2, MAX_SHORTEST);
  longestDot = std::clamp(longestDot, shortest, MAX_LONGEST);
  shortestDash = std::clamp(shortestDash, longestDot + 1, MAX_LONGEST);
  longest = std::clamp(longest, shortestDash, MAX_LONGEST);
  if (shortest == shortest_ && longestDot == windows_[0].longest && shortestDash == windows_[1].shortest && longest == windows_[1].longest) return 0;
  const int decided = Finish();
  // A gap still in its chain is taken as long enough.
  for (int j = 0; j < shortest_ - 1; ++j) gapLong_ = std::max(gapLong_, gapChain_[static_cast<std::size_t>(j)]);
  gapChain_.fill(IMPOSSIBLE);
  chainHead_ = 0;
  shortest_ = shortest;
  windows_[0].shortest = shortest;
  windows_[0].longest = longestDot;
  windows_[1].shortest = shortestDash;
  windows_[1].longest = longest;
  for (Window& w : windows_) {
    w.size = 0;
    for (std::int64_t b = count_ - w.longest; b < count_ - w.shortest; ++b) Enqueue(w, b);
  }
  return decided;
}

void KeyTrellis::Enqueue(Window& w, std::int64_t born) {
  while (w.size > 0 && Born(w.queue[static_cast<std::size_t>((w.front + w.size - 1) & (BIRTHS - 1))]) <= Born(born)) --w.size;
  w.queue[static_cast<std::size_t>((w.front + w.size) & (BIRTHS - 1))] = born;
  ++w.size;
}

int KeyTrellis::Push(double evidence, float value) {
  const std::int64_t n = count_;
  const int links = shortest_ - 1;
  const auto tail = static_cast<std::size_t>((chainHead_ + links - 1) % links);  // the gap shortest-1 long
  // The best mark that may have ended with the last sample, a dot or a dash.
  double markEnd = IMPOSSIBLE;
  int markLength = 0;
  for (Window& w : windows_) {
    Enqueue(w, n - w.shortest);
    while (w.size > 0 && w.queue[static_cast<std::size_t>(w.front)] < n - w.longest) {
      w.front = (w.front + 1) & (BIRTHS - 1);
      --w.size;
    }
    if (w.size == 0) continue;
    const std::int64_t b = w.queue[static_cast<std::size_t>(w.front)];
    if (Born(b) + evidenceSum_ > markEnd) {
      markEnd = Born(b) + evidenceSum_;
      markLength = static_cast<int>(n - b);
    }
  }
  const double gapEnd = gapChain_[tail];
  const auto at = static_cast<std::size_t>(n & (LAG - 1));
  gapStayed_[at] = gapLong_ >= gapEnd ? 1 : 0;
  markBefore_[at] = static_cast<std::uint16_t>(markLength);
  values_[at] = value;
  born_[static_cast<std::size_t>(n & (BIRTHS - 1))] = gapLong_ - switchCost_ - evidenceSum_;  // a mark begins
  gapLong_ = std::max(gapLong_, gapEnd);
  gapChain_[tail] = markEnd - switchCost_;  // a gap begins
  chainHead_ = static_cast<int>(tail);
  evidenceSum_ += evidence;
  ++count_;
  ++open_;
  if (open_ < DELAY + FLUSH) return 0;
  Normalise();
  return Decide(FLUSH);
}

int KeyTrellis::Finish() { return Decide(open_); }

// Traces the best path back from the newest sample over the open ones and decides the oldest
// `count` of them.
int KeyTrellis::Decide(int count) {
  const int links = shortest_ - 1;
  const std::int64_t newest = count_ - 1;
  // The best state now: a gap and its run (shortest_: that long or longer), or a mark and where it began.
  bool mark = false;
  int run = shortest_;
  std::int64_t began = 0;
  double best = gapLong_;
  for (int j = 1; j <= links; ++j) {
    const double score = gapChain_[static_cast<std::size_t>((chainHead_ + j - 1) % links)];
    if (score > best) {
      best = score;
      run = j;
    }
  }
  for (std::int64_t b = std::max(newest - windows_[1].longest + 1, count_ - BIRTHS + 1); b <= newest; ++b) {
    if (Born(b) + evidenceSum_ > best) {
      best = Born(b) + evidenceSum_;
      mark = true;
      began = b;
    }
  }
  const std::int64_t oldest = count_ - open_;
  for (std::int64_t s = newest; s >= oldest; --s) {
    if (s < oldest + count) {
      const auto i = static_cast<std::size_t>(s - oldest);
      decidedMark_[i] = mark ? 1 : 0;
      decidedValue_[i] = values_[static_cast<std::size_t>(s & (LAG - 1))];
    }
    // The state one sample earlier.
    const auto at = static_cast<std::size_t>(s & (LAG - 1));
    if (mark) {
      if (s == began) {
        mark = false;
        run = shortest_;
      }
    } else if (run == shortest_) {
      if (gapStayed_[at] == 0) run = links;
    } else if (run > 1) {
      --run;
    } else if (markBefore_[at] > 0) {
      mark = true;
      began = s - markBefore_[at];
    } else {
      run = shortest_;
    }
  }
  open_ -= count;
  return count;
}

// Keeps the scores near 0: only their differences count.
void KeyTrellis::Normalise() {
  double best = gapLong_;
  for (int j = 0; j < shortest_ - 1; ++j) best = std::max(best, gapChain_[static_cast<std::size_t>(j)]);
  for (std::int64_t b = std::max<std::int64_t>(count_ - windows_[1].longest, 0); b < count_; ++b) best = std::max(best, Born(b) + evidenceSum_);
  for (double& b : born_) {
    if (b > IMPOSSIBLE / 2) b += evidenceSum_ - best;
  }
  for (int j = 0; j < shortest_ - 1; ++j) {
    double& g = gapChain_[static_cast<std::size_t>(j)];
    if (g > IMPOSSIBLE / 2) g -= best;
  }
  evidenceSum_ = 0.0;
  gapLong_ -= best;
}

}  // namespace keblor
