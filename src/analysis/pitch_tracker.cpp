#include "analysis/pitch_tracker.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace keblor {

namespace {

constexpr int FIRST_BIN = 2;   // above the 8-bit format's offset
constexpr int GUARD = 3;       // a tone's own lobe reaches this many bins either side, or nearly
constexpr int REACH = 10;      // the neighbourhood: bins GUARD..REACH either side of a tone
constexpr int MIN_SIDE_BINS = 3;
constexpr int LOBE = 2;        // bins either side of a tone whose power is weighed
// Noise magnitudes are Rayleigh-distributed: their spread is sqrt(4 / pi - 1) of their mean,
// and their mean power 4 / pi times their squared mean.
const double RAYLEIGH_SPREAD = std::sqrt(4.0 / std::numbers::pi - 1.0);
constexpr double RAYLEIGH_POWER = 4.0 / std::numbers::pi;
// A tone stands this many spreads of the neighbourhood's mean above it.
constexpr double GATE_SPREADS = 6.0;
// A block holds the tone when its power there is at least this share of the strongest block's.
constexpr double KEY_DOWN_SHARE = 0.2;
// A new estimate replaces the reading when it lies this many of its uncertainties away.
constexpr double STEADY_SPREADS = 3.0;
// An estimate this much sharper than the reading's replaces it: a tone just found is read from
// more blocks a moment later.
constexpr double SHARPER = 0.5;

}  // namespace

PitchTracker::PitchTracker() = default;

void PitchTracker::Restart() {
  sums_.fill(0.0);
  count_ = 0;
  next_ = 0;
  readingHz_ = 0.0;
  readingSigmaHz_ = 0.0;
  sinceToneBlocks_ = 0;
}

void PitchTracker::Push(const SpectrumAccumulator& magnitudes, int topBin) {
  if (topBin != topBin_) {
    Restart();
    topBin_ = topBin;
    lastBin_ = std::min(ACCUMULATED_BINS - 1, std::max(topBin, FIRST_BIN + 1) + REACH);
  }
  const auto bins = static_cast<std::size_t>(lastBin_ + 1);
  SpectrumAccumulator& slot = blocks_[static_cast<std::size_t>(next_)];
  if (count_ == PITCH_WINDOW_BLOCKS)
    for (std::size_t k = 0; k < bins; ++k) sums_[k] -= slot[k];
  for (std::size_t k = 0; k < bins; ++k) {
    slot[k] = magnitudes[k];
    sums_[k] += magnitudes[k];
  }
  next_ = (next_ + 1) % PITCH_WINDOW_BLOCKS;
  count_ = std::min(count_ + 1, PITCH_WINDOW_BLOCKS);
  prefix_[0] = 0.0;
  for (std::size_t k = 0; k < bins; ++k) prefix_[k + 1] = prefix_[k] + sums_[k];

  Tone tone;
  Estimate estimate;
  if (FindTone(tone) && EstimateTone(tone, estimate)) {
    sinceToneBlocks_ = estimate.newestAge;
    const double allowed = std::max(PITCH_STEADY_HZ, STEADY_SPREADS * std::hypot(estimate.sigmaHz, readingSigmaHz_));
    const bool sharper = estimate.sigmaHz < SHARPER * readingSigmaHz_;
    if (readingHz_ == 0.0 || sharper || std::fabs(estimate.hz - readingHz_) > allowed) {
      readingHz_ = estimate.hz;
      readingSigmaHz_ = estimate.sigmaHz;
    }
  } else {
    ++sinceToneBlocks_;
  }
  if (sinceToneBlocks_ >= PITCH_WINDOW_BLOCKS) readingHz_ = 0.0;
}

// The neighbourhood's sum per bin: the higher of the mean sums below and above the tone.
double PitchTracker::FloorSum(int bin) const {
  auto sideMean = [this](int first, int last) {
    const int n = last - first + 1;
    if (n < MIN_SIDE_BINS) return 0.0;
    return (prefix_[static_cast<std::size_t>(last + 1)] - prefix_[static_cast<std::size_t>(first)]) / n;
  };
  return std::max(sideMean(std::max(FIRST_BIN, bin - REACH), bin - GUARD),
                  sideMean(bin + GUARD, std::min(lastBin_, bin + REACH)));
}

bool PitchTracker::FindTone(Tone& tone) const {
  const double gate = 1.0 + GATE_SPREADS * RAYLEIGH_SPREAD / std::sqrt(static_cast<double>(count_));
  const int last = std::min(topBin_, ACCUMULATED_BINS - 2);
  double strongest = 0.0;
  for (int k = FIRST_BIN; k <= last; ++k) {
    const double s = sums_[static_cast<std::size_t>(k)];
    if (s <= strongest || s < sums_[static_cast<std::size_t>(k - 1)] || s < sums_[static_cast<std::size_t>(k + 1)])
      continue;
    const double floor = FloorSum(k);
    if (!(floor > 0.0) || s < gate * floor) continue;
    strongest = s;
    tone.bin = k;
    tone.floorMagnitude = floor / count_;
  }
  return strongest > 0.0;
}

bool PitchTracker::EstimateTone(const Tone& tone, Estimate& estimate) const {
  const double noisePower = RAYLEIGH_POWER * tone.floorMagnitude * tone.floorMagnitude;
  std::array<double, PITCH_WINDOW_BLOCKS> power{};   // per block, newest first
  std::array<double, PITCH_WINDOW_BLOCKS> moment{};  // power times bins from the tone's bin
  double strongest = 0.0;
  for (int age = 0; age < count_; ++age) {
    const int slot = (next_ - 1 - age + 2 * PITCH_WINDOW_BLOCKS) % PITCH_WINDOW_BLOCKS;
    const SpectrumAccumulator& m = blocks_[static_cast<std::size_t>(slot)];
    const auto a = static_cast<std::size_t>(age);
    for (int offset = -LOBE; offset <= LOBE; ++offset) {
      const int k = tone.bin + offset;
      if (k < 0 || k > lastBin_) continue;
      const double v = m[static_cast<std::size_t>(k)];
      const double p = v * v - noisePower;
      power[a] += p;
      moment[a] += offset * p;
    }
    strongest = std::max(strongest, power[a]);
  }
  if (!(strongest > 0.0)) return false;

  double total = 0.0;
  double totalMoment = 0.0;
  estimate.newestAge = -1;
  for (int age = 0; age < count_; ++age) {
    const auto a = static_cast<std::size_t>(age);
    if (power[a] < KEY_DOWN_SHARE * strongest) continue;
    if (estimate.newestAge < 0) estimate.newestAge = age;
    total += power[a];
    totalMoment += moment[a];
  }
  const double centre = std::clamp(totalMoment / total, -1.0, 1.0);

  // The centre's variance: each bin's power varies by 2 S N + N^2 for a signal power S in a
  // noise power N, weighted by its distance from the centre.
  double variance = 0.0;
  for (int age = 0; age < count_; ++age) {
    const auto a = static_cast<std::size_t>(age);
    if (power[a] < KEY_DOWN_SHARE * strongest) continue;
    const int slot = (next_ - 1 - age + 2 * PITCH_WINDOW_BLOCKS) % PITCH_WINDOW_BLOCKS;
    const SpectrumAccumulator& m = blocks_[static_cast<std::size_t>(slot)];
    for (int offset = -LOBE; offset <= LOBE; ++offset) {
      const int k = tone.bin + offset;
      if (k < 0 || k > lastBin_) continue;
      const double v = m[static_cast<std::size_t>(k)];
      const double signal = std::max(0.0, v * v - noisePower);
      const double distance = offset - centre;
      variance += distance * distance * (2.0 * signal * noisePower + noisePower * noisePower);
    }
  }
  estimate.hz = (tone.bin + centre) * BIN_HZ;
  estimate.sigmaHz = std::sqrt(variance) / total * BIN_HZ;
  return true;
}

}  // namespace keblor
