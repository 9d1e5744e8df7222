// A machine keys on a grid: every change of the key falls on a boundary of unit-long cells. Found
// once (for each unit near the ones learned, the phase whose cells' evidence adds up to the most:
// marks fill whole cells and gaps leave them empty; of those units, the one under which the key's
// most likely path is likelier than under any other), the grid is followed by a slow
// loop on the decided edges: a cell's evidence on either side of its edge tells how far the edge
// lies off the boundary. Each cell is then one decision on all its evidence, where a key decided
// run by run must also find where each run begins and ends, which at the weakest signals costs
// more characters than the noise in the cells does. After a pause the keyer starts anywhere
// against the old grid, so far off that the loop leaves dozens of cells split: the phase is
// found again on the first marks after it.

#include "analysis/key_grid.h"

#include <algorithm>
#include <cmath>

namespace keblor {
namespace {
constexpr double IMPOSSIBLE = -1e30;
constexpr double SEARCH_SPAN = 0.08;   // of the unit either way
constexpr double SEARCH_STEP = 0.0025; // of the unit
constexpr double PHASE_STEP = 0.5;     // samples
constexpr int MIN_CELLS = 20;          // a grid is sought over at least this many cells
constexpr int PEAK_STEPS = 4;          // a unit whose fit no unit this many steps either side beats is a candidate
constexpr double MIN_UNIT = 6.0, MAX_UNIT = 80.0;  // samples: 64 to 5 WPM
constexpr double PHASE_GAIN = 0.05;    // of an edge's error, to the boundaries
constexpr double UNIT_GAIN = 0.0005;   // of an edge's error, to the unit
constexpr double LEVEL_WEIGHT = 0.05;  // of a mark cell's mean in the mark level
// A pause: this many cells decided as gap in a row (two word gaps). The grid's phase is found
// again once the best path has REPHASE_MARKS marks begun in the REPHASE_CELLS cells or more since
// the first mark after it.
constexpr int PAUSE_CELLS = 14;
constexpr int REPHASE_CELLS = 10;
constexpr int REPHASE_MARKS = 3;
// Log-probabilities: a gap of one cell (within a character), three (between characters), seven
// or more (between words); a dot or a dash. The gaps' are their shares in Morse text: 0.62 to 0.68,
// 0.23 to 0.29 and 0.09 in English and in the exchanges of a contact.
const double GAP_1 = std::log(0.65), GAP_3 = std::log(0.26), GAP_7 = std::log(0.09), ELEMENT = std::log(0.5);

// The free key the grid is sought with, cell by cell: marks of one or three cells (states 0 to 2),
// gaps of one to six cells (3 to 8) and of seven or more (9), whatever characters they make.
// The states' scores after one more cell of evidence `llr`, kept relative to the best; returns
// what that added.
using FreeScores = std::array<double, 10>;
double FreeAdvance(FreeScores& score, double llr) {
  FreeScores next;
  next.fill(IMPOSSIBLE);
  const auto relax = [&](int to, int source, double add) {
    auto& n = next[static_cast<std::size_t>(to)];
    n = std::max(n, score[static_cast<std::size_t>(source)] + add);
  };
  relax(0, 3, GAP_1 + ELEMENT);  // a mark begins after a gap of one, three, or seven or more
  relax(0, 5, GAP_3 + ELEMENT);
  relax(0, 9, GAP_7 + ELEMENT);
  relax(1, 0, 0.0);  // a dash goes on
  relax(2, 1, 0.0);
  relax(3, 0, 0.0);  // a gap begins after a dot or a dash
  relax(3, 2, 0.0);
  for (int s = 4; s < 10; ++s) relax(s, s - 1, 0.0);
  relax(9, 9, 0.0);
  for (int s = 0; s < 3; ++s) next[static_cast<std::size_t>(s)] += llr;
  const double best = *std::max_element(next.begin(), next.end());
  for (double& s : next) s -= best;
  score = next;
  return best;
}

// Whole samples whose centres lie in [from, to).
std::int64_t FirstAt(double from) { return static_cast<std::int64_t>(std::ceil(from - 0.5)); }

// The phase after `from`, PHASE_STEP apart, whose cells of `unit` up to `to` have the largest sum
// of their evidence's magnitudes (`sum(a, b)`: the evidence over [a, b)), that sum in `size`:
// marks that fill whole cells and gaps that leave them empty.
template <class SumOf>
double BestPhase(const SumOf& sum, double from, double to, double unit, double& size) {
  double best = 0.0;
  size = -1.0;
  for (double phase = 0.0; phase < unit; phase += PHASE_STEP) {
    double cells = 0.0;
    for (double at = from + phase; at + unit <= to; at += unit) cells += std::abs(sum(at, at + unit));
    if (cells > size) {
      size = cells;
      best = phase;
    }
  }
  return best;
}
}  // namespace

void KeyGrid::Reset() { *this = KeyGrid(); }

double KeyGrid::Sum(double from, double to) const {
  const std::int64_t a = std::clamp<std::int64_t>(FirstAt(from), std::max<std::int64_t>(count_ - RING + 1, 0), count_);
  const std::int64_t b = std::clamp<std::int64_t>(FirstAt(to), a, count_);
  return Cumulative(b) - Cumulative(a);
}

// The unit and phase of the grid that best fits `count` samples of evidence; false when there
// are too few of them.
bool KeyGrid::Search(const float* evidence, int count, double unit, double otherUnit, Fit& fit) {
  const double lowest = otherUnit > 0.0 ? std::min(unit, otherUnit) : unit;
  const double highest = otherUnit > 0.0 ? std::max(unit, otherUnit) : unit;
  if (highest < MIN_UNIT || lowest > MAX_UNIT || count < MIN_CELLS * unit) return false;
  const double low = std::max(lowest, MIN_UNIT), high = std::min(highest, MAX_UNIT);
  std::array<double, RING + 1> c{};
  const int n = std::min(count, RING);
  for (int k = 0; k < n; ++k) c[static_cast<std::size_t>(k + 1)] = c[static_cast<std::size_t>(k)] + evidence[k];
  const auto sum = [&](double from, double to) {
    const auto a = static_cast<std::size_t>(std::clamp<std::int64_t>(FirstAt(from), 0, n));
    const auto b = static_cast<std::size_t>(std::clamp<std::int64_t>(FirstAt(to), static_cast<std::int64_t>(a), n));
    return c[b] - c[a];
  };
  // For each unit, its best phase.
  std::array<double, MAX_UNITS> unitOf{}, phaseOf{}, sizeOf{};
  int units = 0;
  for (double u = low * (1.0 - SEARCH_SPAN); u <= high * (1.0 + SEARCH_SPAN) + 1e-9 && units < MAX_UNITS; u += SEARCH_STEP * unit) {
    const auto i = static_cast<std::size_t>(units++);
    unitOf[i] = u;
    phaseOf[i] = BestPhase(sum, 0.0, n, u, sizeOf[i]);
  }
  // By that measure a finer grid fits the noise better, so of the units that stand above their
  // neighbours on it, the one taken is the one under which the key's best path (marks of one or
  // three cells, gaps of one, three or seven) is the most likely.
  double bestPath = IMPOSSIBLE;
  for (int i = 0; i < units; ++i) {
    const auto k = static_cast<std::size_t>(i);
    const auto from = sizeOf.begin() + std::max(i - PEAK_STEPS, 0), to = sizeOf.begin() + std::min(i + PEAK_STEPS + 1, units);
    if (*std::max_element(from, to) > sizeOf[k]) continue;
    FreeScores path;
    path.fill(IMPOSSIBLE);
    path[9] = 0.0;  // the key is up
    double total = 0.0;
    for (double at = phaseOf[k]; at + unitOf[k] <= n; at += unitOf[k]) total += FreeAdvance(path, sum(at, at + unitOf[k]));
    if (total > bestPath) {
      bestPath = total;
      fit = {unitOf[k], phaseOf[k], sizeOf[k] / n};  // each sample's evidence, on average as far from 0
    }
  }
  return true;
}

bool KeyGrid::Find(const float* evidence, int count, double unit, double otherUnit) {
  Reset();
  Fit fit;
  if (!Search(evidence, count, unit, otherUnit, fit)) return false;
  Begin(fit, 0.0);
  return true;
}

// The Viterbi starts afresh, the key up, on the grid `fit` whose phase counts from sample
// `origin`, from the first cell that ends after the samples pushed so far.
void KeyGrid::Begin(const Fit& fit, double origin) {
  unit_ = fit.unit;
  markLevel_ = fit.level;
  next_ = origin + fit.phase;
  while (next_ < static_cast<double>(count_)) next_ += unit_;
  cellStart_ = next_ - unit_;  // partly before the samples, the first time
  Restart(-1);
  found_ = true;
}

// The Viterbi from the open cell on, the key up; `lastDecided` the key of the cell before (-1: none).
void KeyGrid::Restart(int lastDecided) {
  score_.fill(IMPOSSIBLE);
  score_[MorseLattice::KEY_UP] = 0.0;
  cells_ = 0;
  lastDecided_ = lastDecided;
  gapCells_ = 0;
}

int KeyGrid::Push(double evidence, float value) {
  values_[R(count_)] = value;
  const double before = count_ > 0 ? Cumulative(count_) : 0.0;
  ++count_;
  cumulative_[R(count_)] = before + evidence;
  if (count_ < FirstAt(next_)) return 0;  // the cell is still open
  CloseCell();
  return DecideDue(0);
}

// The open cell [cellStart_, next_) is complete: through the Viterbi, and the next one opens.
void KeyGrid::CloseCell() {
  const auto slot = static_cast<std::size_t>(cells_ % (DELAY_CELLS + 1));
  cellBegin_[slot] = cellStart_;
  cellEnd_[slot] = next_;
  Cell(Sum(cellStart_, next_));
  ++cells_;
  cellStart_ = next_;
  next_ += unit_;
}

// Decides the cell DELAY_CELLS back along the best path once there is one, its samples written
// from `at` on; returns where they end.
int KeyGrid::DecideDue(int at) {
  if (cells_ > DELAY_CELLS) {
    // The best path's states from the newest cell back to the one decided, and the oldest of
    // its open cells that is a mark, with the marks begun from there on.
    int state = static_cast<int>(std::max_element(score_.begin(), score_.end()) - score_.begin());
    int firstMark = -1, marks = 0;
    for (int c = cells_ - 1; c > cells_ - 1 - DELAY_CELLS; --c) {
      const int source = from_[static_cast<std::size_t>(c % (DELAY_CELLS + 1))][static_cast<std::size_t>(state)];
      if (MorseLattice::Mark(state)) firstMark = c;
      if (MorseLattice::MarkBegins(state)) ++marks;
      state = source;
    }
    const int c = cells_ - 1 - DELAY_CELLS;
    const auto slot = static_cast<std::size_t>(c % (DELAY_CELLS + 1));
    const bool mark = MorseLattice::Mark(state);
    // The loop: an edge's evidence either side of its boundary says how far it lies off it.
    if (lastDecided_ >= 0 && (lastDecided_ != 0) != mark && markLevel_ > 0.0) {
      const double b = cellBegin_[slot], h = 0.5 * unit_;
      const double sum = Sum(b - h, b) + Sum(b, b + h);
      const double error = std::clamp((mark ? -1.0 : 1.0) * sum / (2.0 * markLevel_), -h, h);
      next_ += PHASE_GAIN * error;
      edges_ += 1;
      edgeSquares_ += ((error / unit_) * (error / unit_) - edgeSquares_) / std::min(edges_, EDGE_MEMORY);
      unit_ += UNIT_GAIN * error;
    }
    if (mark) {
      const double length = cellEnd_[slot] - cellBegin_[slot];
      if (length > 0.0) markLevel_ += (Sum(cellBegin_[slot], cellEnd_[slot]) / length - markLevel_) * LEVEL_WEIGHT;
    }
    lastDecided_ = mark ? 1 : 0;
    gapCells_ = mark ? 0 : gapCells_ + 1;
    at = Decide(mark, cellEnd_[slot], at);
    if (gapCells_ >= PAUSE_CELLS && firstMark >= 0 && cells_ - firstMark >= REPHASE_CELLS && marks >= REPHASE_MARKS) {
      at = Rephase(cellBegin_[static_cast<std::size_t>(firstMark % (DELAY_CELLS + 1))], at);
    }
  }
  return at;
}

// After a pause a keyer starts afresh, its boundaries anywhere against the old grid's: the grid's
// phase is found again over the samples from a cell before `markBegin` (the first mark the best
// path has since the pause) on, and the cells from there go through a Viterbi started afresh, the
// key up. The samples before are decided as the gap they are, written from `at` on.
int KeyGrid::Rephase(double markBegin, int at) {
  const double from = markBegin - unit_;
  double size = 0.0;
  cellStart_ = from + BestPhase([this](double a, double b) { return Sum(a, b); }, from, static_cast<double>(count_), unit_, size);
  next_ = cellStart_ + unit_;
  at = Decide(false, cellStart_, at);
  Restart(0);
  while (FirstAt(next_) <= count_) {
    CloseCell();
    at = DecideDue(at);
  }
  return at;
}

// Samples from the first undecided on, up to `end`, decided `mark`, written from `at` on.
int KeyGrid::Decide(bool mark, double end, int at) {
  const std::int64_t last = std::min<std::int64_t>(FirstAt(end), count_);
  for (; decidedTo_ < last && at < MAX_DECIDED; ++decidedTo_, ++at) {
    decidedMark_[static_cast<std::size_t>(at)] = mark ? 1 : 0;
    decidedValue_[static_cast<std::size_t>(at)] = values_[R(decidedTo_)];
  }
  return at;
}

int KeyGrid::Refind(double unit) {
  if (!found_) return 0;
  const int decided = DecideOpen();
  const int kept = static_cast<int>(std::min<std::int64_t>(count_, RING - 1));
  std::array<float, RING> evidence{};
  for (int k = 0; k < kept; ++k) {
    const std::int64_t at = count_ - kept + k;
    evidence[static_cast<std::size_t>(k)] = static_cast<float>(Cumulative(at + 1) - Cumulative(at));
  }
  Fit fit{unit_, 0.0, markLevel_};
  const double origin = static_cast<double>(count_ - kept);
  if (!Search(evidence.data(), kept, unit, unit_, fit)) fit.phase = cellStart_ - origin;  // the grid it has runs on
  Begin(fit, origin);
  return decided;
}

int KeyGrid::Finish() {
  if (!found_) return 0;
  found_ = false;  // what was decided stays to be read
  return DecideOpen();
}

// Decides the cells still open along the best path, oldest first, and then the open cell as a
// gap; returns how many samples that decided.
int KeyGrid::DecideOpen() {
  const int open = std::min(cells_, DELAY_CELLS);
  std::array<std::uint8_t, DELAY_CELLS> marks{};
  int state = static_cast<int>(std::max_element(score_.begin(), score_.end()) - score_.begin());
  for (int k = open - 1; k >= 0; --k) {
    marks[static_cast<std::size_t>(k)] = MorseLattice::Mark(state) ? 1 : 0;
    state = from_[static_cast<std::size_t>((cells_ - open + k) % (DELAY_CELLS + 1))][static_cast<std::size_t>(state)];
  }
  int n = 0;
  for (int k = 0; k < open; ++k) n = Decide(marks[static_cast<std::size_t>(k)] != 0, cellEnd_[static_cast<std::size_t>((cells_ - open + k) % (DELAY_CELLS + 1))], n);
  return Decide(false, static_cast<double>(count_) + 0.5, n);
}

// One cell's evidence through the Viterbi over the states of Morse characters; the scores are
// kept relative to the best.
void KeyGrid::Cell(double llr) {
  Scores next;
  next.fill(IMPOSSIBLE);
  Sources& sources = from_[static_cast<std::size_t>(cells_ % (DELAY_CELLS + 1))];
  for (const MorseLattice::Step& step : MorseLattice::Get().Steps()) {
    const double s = score_[step.from] + step.logP;
    if (s > next[step.to]) {
      next[step.to] = s;
      sources[step.to] = step.from;
    }
  }
  double best = IMPOSSIBLE;
  for (int k = 0; k < STATES; ++k) {
    if (MorseLattice::Mark(k)) next[static_cast<std::size_t>(k)] += llr;
    best = std::max(best, next[static_cast<std::size_t>(k)]);
  }
  for (double& s : next) s -= best;
  score_ = next;
}

}  // namespace keblor
