#include "analysis/signal_tracker.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <utility>
#include <numbers>

namespace keblor {

namespace {

constexpr double BIN_WIDTH_HZ = 10.0;
constexpr int FIRST_BIN = 3;  // above the 8-bit format's offset and the hum
constexpr int SEGMENT = 16;   // bins whose low quantile gives their noise floor
constexpr int QUANTILE_INDEX = 3;  // the fourth smallest of sixteen
// The fourth smallest of sixteen Rayleigh magnitudes, tracked as below and taken the higher of
// three neighbouring segments, times this is their mean (measured on white noise).
constexpr double QUANTILE_TO_MEAN = 2.13;
// The floor follows a lower quantile at once to this share, a higher one to the other: blocks
// in which the signals of a segment are keyed up count most.
constexpr double FLOOR_FALL = 0.2;
constexpr double FLOOR_RISE = 0.02;
// A quantile this many times the floor is noise that began (after digital silence, say), not a
// signal's clicks: the floor then rises as fast as it falls until it meets the quantile. Not
// within the first window (its first blocks may hold the start of the stream), unless the floor
// so far is digital silence.
constexpr double FLOOR_RESTART = 10.0;
const double RAYLEIGH_SPREAD = std::sqrt(4.0 / std::numbers::pi - 1.0);  // of a mean magnitude
constexpr double RAYLEIGH_POWER = 4.0 / std::numbers::pi;  // mean power over squared mean magnitude
constexpr double GATE_SPREADS = 8.0;
constexpr int FIND_AFTER_BLOCKS = 5;
constexpr int CONFIRM_BLOCKS = 5;
constexpr int MIN_KEYED_BLOCKS = 3;
constexpr int DROP_CANDIDATE_BLOCKS = 10;  // a candidate that stops standing this long goes
constexpr int SAME_SIGNAL_BINS = 2;        // a peak this near a signal is that signal
constexpr double MERGE_HZ = 20.0;          // two signals nearer than this are one
constexpr int LOBE = 2;
constexpr int NEIGHBOUR_BINS = 2 * LOBE;   // a signal this near cuts the lobe at halfway
constexpr double KEYED_OVER_NOISE = 2.0;   // a key-down lobe's power over the noise's in it
constexpr double KEY_DOWN_SHARE = 0.2;     // of the signal's recent key-down power, at least
// That reference sinks by FADE_STEP in each block that stands out of the noise but falls short of
// it, down to FADE_FLOOR times the noise, far above what noise alone gives the lobe (or to the
// signal's key-down power if lower): noise after the signal has gone keys no block.
constexpr double FADE_STEP = 0.6;
constexpr double FADE_FLOOR = 20.0;
// A peak of the mean this much weaker (in magnitude) than one within SPLATTER_BINS is the key
// clicks of that signal, not a signal: 22 dB, below the clicks of soft edges and above a
// station 20 dB under its neighbour (its key-down blocks alone tell it from clicks).
constexpr double SPLATTER_SHARE = 0.08;
constexpr int SPLATTER_BINS = 10;
// A neighbour this much stronger may be the source of a block's key-down, and by the square of
// its distance over SPLATTER_NEAR_BINS more further out: clicks' power falls off about so.
constexpr double SPLATTER_POWER = 10.0;
constexpr int SPLATTER_NEAR_BINS = 4;
// How much weaker in power a signal's clicks are `apart` bins from it than SPLATTER_NEAR_BINS away.
double ClickFalloff(int apart) {
  const double f = static_cast<double>(std::max(apart, SPLATTER_NEAR_BINS)) / SPLATTER_NEAR_BINS;
  return f * f;
}
constexpr double DRIFT_SHARE = 0.05;   // of a new slope in the drift's average
constexpr double MIN_DRIFT_SPREAD = 4.0;  // blocks squared: the key-down blocks' spread of ages
          // of a new step in the drift's average
constexpr double MAX_DRIFT_HZ_PER_BLOCK = 0.3;
constexpr double SNR_BINS = 500.0 / BIN_WIDTH_HZ;
constexpr int EXACT_EVERY = 100;

}  // namespace

SignalTracker::SignalTracker() = default;

void SignalTracker::Reset() {
  for (Track& track : tracks_) track = Track{};
  listedCount_ = 0;
  blocks_ = 0;
  for (SpectrumAccumulator& block : window_) block.fill(0.0f);
  sums_.fill(0.0f);
  count_ = 0;
  next_ = 0;
  sinceExact_ = 0;
  segmentFloor_.fill(0.0);
  segmentCatching_.fill(false);
  floor_.fill(0.0f);
  floorStarted_ = false;
}

void SignalTracker::Push(const float* magnitudes, int topBin) {
  if (topBin != topBin_) {
    Reset();
    topBin_ = topBin;
    lastBin_ = std::clamp(topBin, FIRST_BIN + LOBE + 1, ACCUMULATED_BINS - 1);
  }
  const auto bins = static_cast<std::size_t>(lastBin_ + 1);
  SpectrumAccumulator& slot = window_[static_cast<std::size_t>(next_)];
  for (std::size_t k = 0; k < bins; ++k) {
    sums_[k] += magnitudes[k] - slot[k];
    slot[k] = magnitudes[k];
  }
  next_ = next_ + 1 == SIGNAL_WINDOW_BLOCKS ? 0 : next_ + 1;
  count_ = std::min(count_ + 1, SIGNAL_WINDOW_BLOCKS);
  if (++sinceExact_ == EXACT_EVERY) {
    sinceExact_ = 0;
    sums_.fill(0.0f);
    for (const SpectrumAccumulator& block : window_)
      for (std::size_t k = 0; k < bins; ++k) sums_[k] += block[k];
  }
  ++blocks_;
  gate_ = 1.0 + GATE_SPREADS * RAYLEIGH_SPREAD / std::sqrt(static_cast<double>(count_));
  UpdateFloor(magnitudes);

  for (Track& track : tracks_)
    if (track.bin != 0) Follow(track, magnitudes);
  for (Track& track : tracks_)
    if (track.bin != 0) Settle(track);
  // Two signals that met are one: the younger goes.
  for (Track& a : tracks_) {
    if (a.bin == 0) continue;
    for (Track& b : tracks_) {
      if (&a == &b || b.bin == 0 || std::fabs(a.pitchHz - b.pitchHz) >= MERGE_HZ) continue;
      const bool bYounger = !b.signal.listed || (a.signal.listed && b.signal.id > a.signal.id);
      (bYounger ? b : a) = Track{};
    }
  }
  const double now = Seconds();
  for (Track& track : tracks_) {
    if (track.bin == 0) continue;
    TrackedSignal& s = track.signal;
    if (!s.listed) {
      track.standing = Stands(track.bin) ? track.standing + 1 : std::min(track.standing, 0) - 1;
      if (track.keyedNow && KeyedAlone(track)) ++track.aloneBlocks;
      if (track.standing <= -DROP_CANDIDATE_BLOCKS) {
        track = Track{};
      } else if (track.standing >= CONFIRM_BLOCKS && track.aloneBlocks >= MIN_KEYED_BLOCKS) {
        s.listed = true;
        s.id = nextId_++;
        s.firstSeconds = now;
      }
    } else if (now - s.lastSeconds >= SIGNAL_SILENCE_SECONDS) {
      track = Track{};
    }
  }
  if (count_ >= FIND_AFTER_BLOCKS) Find();
  Sort();
}

// Per block, the low quantile of each segment of SEGMENT bins, tracked over blocks; a bin's floor is interpolated between the segments' centres after each takes the
// higher of its own and its neighbours' levels.
void SignalTracker::UpdateFloor(const float* magnitudes) {
  const int segments = lastBin_ / SEGMENT + 1;
  const bool first = !floorStarted_;
  floorStarted_ = true;
  for (int s = 0; s < segments; ++s) {
    const int start = std::min(s * SEGMENT, lastBin_ + 1 - SEGMENT);
    // The QUANTILE_INDEX + 1 smallest, in order: most bins are passed by one comparison.
    std::array<float, QUANTILE_INDEX + 1> smallest;
    smallest.fill(std::numeric_limits<float>::max());
    for (int k = start; k < start + SEGMENT; ++k) {
      float v = magnitudes[k];
      if (v >= smallest.back()) continue;
      for (float& kept : smallest)
        if (v < kept) std::swap(v, kept);
    }
    const double quantile = QUANTILE_TO_MEAN * smallest.back();
    double& level = segmentFloor_[static_cast<std::size_t>(s)];
    bool& catching = segmentCatching_[static_cast<std::size_t>(s)];
    if (quantile > FLOOR_RESTART * level && (level == 0.0 || blocks_ > SIGNAL_WINDOW_BLOCKS)) catching = true;
    if (quantile < level) catching = false;
    const double share = quantile < level || catching ? FLOOR_FALL : FLOOR_RISE;
    level = first ? quantile : level + share * (quantile - level);
  }
  std::array<double, FLOOR_SEGMENTS> higher{};
  for (int s = 0; s < segments; ++s) {
    const auto i = static_cast<std::size_t>(s);
    double level = segmentFloor_[i];
    if (s > 0) level = std::max(level, segmentFloor_[i - 1]);
    if (s + 1 < segments) level = std::max(level, segmentFloor_[i + 1]);
    higher[i] = level;
  }
  // Segment s's level holds at its centre, s * SEGMENT + CENTRE; flat beyond the outer centres.
  constexpr double CENTRE = (SEGMENT - 1) / 2.0;
  int k = 0;
  for (; k <= std::min(lastBin_, static_cast<int>(CENTRE)); ++k) floor_[static_cast<std::size_t>(k)] = static_cast<float>(higher[0]);
  for (int s = 0; s + 1 < segments; ++s) {
    const double a = higher[static_cast<std::size_t>(s)];
    const double step = (higher[static_cast<std::size_t>(s + 1)] - a) / SEGMENT;
    for (; k <= lastBin_ && k <= s * SEGMENT + CENTRE + SEGMENT; ++k)
      floor_[static_cast<std::size_t>(k)] = static_cast<float>(a + (k - s * SEGMENT - CENTRE) * step);
  }
  for (; k <= lastBin_; ++k) floor_[static_cast<std::size_t>(k)] = static_cast<float>(higher[static_cast<std::size_t>(segments - 1)]);
}

// A block keyed down while no signal near it is much stronger in it: the key clicks of a strong
// signal come and go with its own keying, a signal of its own does not.
// A much stronger neighbour keyed in the block, even for a moment, splatters clicks as strong as
// its short burst: that block is not this signal's own. So with a peak beside its lobe far
// stronger than it, which may be a station's first key-down, not yet held as a signal.
bool SignalTracker::KeyedAlone(const Track& track) const {
  if (track.nearPeak > SPLATTER_POWER * track.blockPower) return false;
  for (const Track& other : tracks_) {
    const int apart = std::abs(other.bin - track.bin);
    if (&other == &track || other.bin == 0 || apart > SPLATTER_BINS) continue;
    const double strength = other.blockPower > KEYED_OVER_NOISE ? std::max(other.blockPower, other.keyDownPower)
                                                                 : other.blockPower;
    if (strength > SPLATTER_POWER * ClickFalloff(apart) * track.blockPower) return false;
  }
  return true;
}

double SignalTracker::NoisePower(int bin) const { return RAYLEIGH_POWER * Floor(bin) * Floor(bin); }

bool SignalTracker::Stands(int bin) const {
  if (count_ < FIND_AFTER_BLOCKS) return false;
  const double floor = Floor(bin);
  return floor > 0.0 && sums_[static_cast<std::size_t>(bin)] >= gate_ * floor * count_;
}

// Reads one signal's block: whether it was keyed down, and where its power lay.
void SignalTracker::Follow(Track& track, const float* magnitudes) {
  int first = std::max(1, track.bin - LOBE);
  int last = std::min(lastBin_, track.bin + LOBE);
  for (const Track& other : tracks_) {
    if (&other == &track || other.bin == 0 || std::abs(other.bin - track.bin) > NEIGHBOUR_BINS) continue;
    // Only the bins nearer to this signal than to the other.
    if (other.bin > track.bin) last = std::min(last, (track.bin + other.bin - 1) / 2);
    else if (other.bin < track.bin) first = std::max(first, (track.bin + other.bin) / 2 + 1);
  }
  double total = 0.0;
  double moment = 0.0;
  double noise = 0.0;
  for (int k = first; k <= last; ++k) {
    const double m = magnitudes[k];
    const double n = NoisePower(k);
    const double p = m * m - n;
    total += p;
    moment += (k - track.bin) * p;
    noise += n;
  }
  // A peak beside the lobe not yet held as a signal: a neighbour just begun may be keyed in it.
  double nearPeak = 0.0;
  for (int k = std::max(1, track.bin - SPLATTER_BINS); k <= std::min(lastBin_, track.bin + SPLATTER_BINS); ++k) {
    if (k >= first && k <= last) continue;
    const double m = magnitudes[k];
    nearPeak = std::max(nearPeak, (m * m - NoisePower(k)) / ClickFalloff(std::abs(k - track.bin)));
  }
  track.nearPeak = nearPeak;
  track.overNoise = noise > 0.0 && total > KEYED_OVER_NOISE * noise;
  track.keyedNow = track.overNoise && total > KEY_DOWN_SHARE * track.recentPower;
  track.blockNoise = noise;
  track.blockPower = total;
  track.blockMoment = moment;
}

// Takes the block read by Follow, once every signal has read its own. A key-down block moves
// the pitch only when no much stronger neighbour was keyed in it: that one's sidebands would
// pull the centre towards itself, and a weak signal's pitch would walk over to it.
void SignalTracker::Settle(Track& track) {
  const bool alone = track.overNoise && KeyedAlone(track);  // a key-down block stands out of the noise
  if (track.keyedNow) KeyedBlock(track, track.blockPower, track.blockMoment, alone);
  // A block that stands out of the noise, but not of the recent key-down power, with no much
  // stronger neighbour keyed, is a fade (or a block the key cut): the reference sinks, so that a
  // signal is followed down into its fades, but not by a neighbour's clicks once it has gone.
  if (track.overNoise && !track.keyedNow && alone)
    track.recentPower = std::max(track.recentPower * FADE_STEP, std::min(track.keyDownPower, FADE_FLOOR * track.blockNoise));
  // Between key-down blocks the pitch moves on with the drift.
  const double nowHz = track.pitchHz + track.driftHzPerBlock * (blocks_ - track.lastKeyedBlock);
  TrackedSignal& s = track.signal;
  s.hz = SteadyPitch(s.hz, nowHz);
  const double binNoise = NoisePower(track.bin);
  if (binNoise > 0.0 && track.keyDownPower > 0.0) s.snrDb = 10.0 * std::log10(track.keyDownPower / (SNR_BINS * binNoise));
}

void SignalTracker::KeyedBlock(Track& track, double total, double moment, bool alone) {
  track.signal.lastSeconds = Seconds();
  double& power = track.keyDownPower;
  // Only a block that holds a fair share of a full one's power moves the pitch: the centres of
  // the weak blocks a fade or the key leaves would set the drift wandering.
  const bool full = total > KEY_DOWN_SHARE * power;
  // Rises quickly to a fully keyed block's power; a block the key cut weighs little.
  power += (total > power ? 0.5 : total > 0.5 * power ? 0.03 : 0.0) * (total - power);
  if (total > track.recentPower) track.recentPower += 0.5 * (total - track.recentPower);
  track.recentPower = std::min(track.recentPower, power);
  if (!alone || !full) return;
  ++track.keyedBlocks;

  // The pitch: the mean centre of the last key-down blocks, each moved on by the drift since.
  // The drift is the change of that mean per block, averaged over many blocks, as a line
  // through the centres of a few is too noisy.
  const auto slot = static_cast<std::size_t>(track.keyedBlocks % SIGNAL_PITCH_BLOCKS);
  track.centreHz[slot] = (track.bin + std::clamp(moment / total, -1.0, 1.0)) * BIN_WIDTH_HZ;
  track.weight[slot] = total;
  track.block[slot] = blocks_;
  double weights = 0.0;
  double meanAge = 0.0;
  double meanHz = 0.0;
  for (std::size_t i = 0; i < track.weight.size(); ++i) {
    weights += track.weight[i];
    meanAge += track.weight[i] * (blocks_ - track.block[i]);
    meanHz += track.weight[i] * track.centreHz[i];
  }
  meanAge /= weights;
  meanHz /= weights;
  double spread = 0.0;
  double covariance = 0.0;
  for (std::size_t i = 0; i < track.weight.size(); ++i) {
    const double age = blocks_ - track.block[i] - meanAge;
    spread += track.weight[i] * age * age;
    covariance += track.weight[i] * age * (track.centreHz[i] - meanHz);
  }
  if (track.keyedBlocks >= SIGNAL_PITCH_BLOCKS && spread > MIN_DRIFT_SPREAD * weights) {
    const double slope = std::clamp(-covariance / spread, -MAX_DRIFT_HZ_PER_BLOCK, MAX_DRIFT_HZ_PER_BLOCK);
    track.driftHzPerBlock += DRIFT_SHARE * (slope - track.driftHzPerBlock);
  }
  const double pitchHz = meanHz + track.driftHzPerBlock * meanAge;
  track.pitchHz = pitchHz;
  track.lastKeyedBlock = blocks_;
  track.bin = std::clamp(static_cast<int>(std::lround(pitchHz / BIN_WIDTH_HZ)), FIRST_BIN, lastBin_ - 1);
}

// New signals: peaks of the mean that stand out of the floor, away from the signals held.
void SignalTracker::Find() {
  const int last = std::min(topBin_, lastBin_ - 1);
  for (int k = FIRST_BIN; k <= last; ++k) {
    const auto i = static_cast<std::size_t>(k);
    if (sums_[i] < sums_[i - 1] || sums_[i] <= sums_[i + 1] || !Stands(k)) continue;
    bool fresh = true;
    Track* freeSlot = nullptr;
    for (Track& track : tracks_) {
      if (track.bin == 0) {
        if (freeSlot == nullptr) freeSlot = &track;
        continue;
      }
      if (std::abs(track.bin - k) <= SAME_SIGNAL_BINS) fresh = false;
    }
    const auto nearFirst = sums_.begin() + std::max(0, k - SPLATTER_BINS);
    const auto nearLast = sums_.begin() + std::min(lastBin_, k + SPLATTER_BINS) + 1;
    if (sums_[i] < SPLATTER_SHARE * *std::max_element(nearFirst, nearLast)) fresh = false;
    if (!fresh || freeSlot == nullptr) continue;
    Track& track = *freeSlot;
    track = Track{};
    track.bin = k;
    track.pitchHz = k * BIN_WIDTH_HZ;
    track.signal.lastSeconds = Seconds();
  }
}

void SignalTracker::Sort() {
  listedCount_ = 0;
  for (int slot = 0; slot < MAX_SIGNALS; ++slot) {
    if (!tracks_[static_cast<std::size_t>(slot)].signal.listed) continue;
    int i = listedCount_++;
    const double hz = Slot(slot).hz;
    for (; i > 0 && Slot(listed_[static_cast<std::size_t>(i - 1)]).hz > hz; --i)
      listed_[static_cast<std::size_t>(i)] = listed_[static_cast<std::size_t>(i - 1)];
    listed_[static_cast<std::size_t>(i)] = slot;
  }
}

}  // namespace keblor
