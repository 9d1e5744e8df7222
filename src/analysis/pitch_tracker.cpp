#include "analysis/pitch_tracker.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cmath>
#include <numbers>

namespace keblor {

namespace {

constexpr int FIRST_BIN = 2;   // above the 8-bit format's offset
constexpr int GUARD = 3;       // a tone's own lobe reaches this many bins either side, or nearly
constexpr int REACH = 10;      // the neighbourhood: bins GUARD..REACH either side of a tone
constexpr int SIDE_BINS = REACH - GUARD + 1;
static_assert(SIDE_BINS == 8, "a side is summed as eight bins");
constexpr int MIN_SIDE_BINS = 3;
constexpr int LOBE = 2;        // bins either side of a tone whose power is weighed
constexpr int EXACT_EVERY = 100;  // blocks between two fresh sums
// Noise magnitudes are Rayleigh-distributed: their spread is sqrt(4 / pi - 1) of their mean,
// and their mean power 4 / pi times their squared mean.
const double RAYLEIGH_SPREAD = std::sqrt(4.0 / std::numbers::pi - 1.0);
constexpr double RAYLEIGH_POWER = 4.0 / std::numbers::pi;
// A tone stands this many spreads above its neighbourhood's mean.
constexpr double GATE_SPREADS = 6.0;
// A block holds the tone when its power there is at least this share of the strongest block's.
constexpr double KEY_DOWN_SHARE = 0.2;
// A new estimate replaces the reading when it lies this many of its uncertainties away.
constexpr double STEADY_SPREADS = 3.0;
// An estimate this much sharper than the reading's replaces it: a tone just found is read from
// more blocks a moment later.
constexpr double SHARPER = 0.5;
// The pitch's track: how far pitch and drift may wander from one block to the next (Hz, and
// Hz per block), how uncertain a new track's drift is, how many spreads a block may lie off the
// track, and how many blocks in a row off it start a new track (the tone was retuned).
constexpr double WANDER_HZ = 0.02;
constexpr double DRIFT_WANDER = 0.002;
constexpr double NEW_DRIFT = 0.2;
constexpr double TRACK_GATE_SPREADS = 5.0;
constexpr int OFF_TRACK_BLOCKS = 4;
// A block's own centre is never taken as sharper than this: even without noise a key's edges
// move it a little.
constexpr double LEAST_SPREAD_HZ = 0.1;
// A drift counts at its full value only when it stands well above its own spread.
constexpr double DRIFT_SHRINK = 2.0;

}  // namespace

PitchTracker::PitchTracker() = default;

void PitchTracker::Restart() {
  for (SpectrumAccumulator& block : blocks_) block.fill(0.0f);
  sums_.fill(0.0f);
  sinceExact_ = 0;
  count_ = 0;
  next_ = 0;
  readingHz_ = 0.0;
  readingSigmaHz_ = 0.0;
  sinceToneBlocks_ = 0;
  unreadBlocks_ = 0;
  track_ = {};
}

void PitchTracker::Track::Predict() {
  ++blocks;
  hz += drift;
  p00 += 2.0 * p01 + p11 + WANDER_HZ * WANDER_HZ;
  p01 += p11;
  p11 += DRIFT_WANDER * DRIFT_WANDER;
}

void PitchTracker::Track::Measure(double z, double variance) {
  const double innovation = z - hz;
  const double s = p00 + variance;
  if (on && innovation * innovation > TRACK_GATE_SPREADS * TRACK_GATE_SPREADS * s && ++offTrack < OFF_TRACK_BLOCKS)
    return;
  if (!on || offTrack > 0) {
    *this = {true, z, 0.0, variance, 0.0, NEW_DRIFT * NEW_DRIFT, 0, 0, on};
    return;
  }
  const double k0 = p00 / s;
  const double k1 = p01 / s;
  hz += k0 * innovation;
  drift += k1 * innovation;
  p11 -= k1 * p01;
  p01 -= k0 * p01;
  p00 -= k0 * p00;
}

void PitchTracker::Push(const float* re, const float* im, float scale, int topBin) {
  if (topBin != topBin_) {
    Restart();
    topBin_ = topBin;
    lastBin_ = std::min(ACCUMULATED_BINS - 1, std::max(topBin, FIRST_BIN + 1) + REACH);
  }
  // The oldest block leaves the sums as the new one takes its place (slots not yet used hold 0).
  const auto bins = static_cast<std::size_t>(lastBin_ + 1);
  SpectrumAccumulator& slot = blocks_[static_cast<std::size_t>(next_)];
  for (std::size_t k = 0; k < bins; ++k) {
    const float magnitude = scale * std::sqrt(re[k] * re[k] + im[k] * im[k]);
    sums_[k] += magnitude - slot[k];
    slot[k] = magnitude;
  }
  next_ = next_ + 1 == PITCH_WINDOW_BLOCKS ? 0 : next_ + 1;
  count_ = std::min(count_ + 1, PITCH_WINDOW_BLOCKS);
  if (++sinceExact_ == EXACT_EVERY) {
    sinceExact_ = 0;
    sums_.fill(0.0f);
    for (const SpectrumAccumulator& block : blocks_)
      for (std::size_t k = 0; k < bins; ++k) sums_[k] += block[k];
  }
  ++unreadBlocks_;
}

double PitchTracker::ReadHz() {
  if (unreadBlocks_ == 0 || count_ == 0) return readingHz_;
  // Sums of SIDE_BINS neighbouring bins.
  const auto bins = static_cast<std::size_t>(lastBin_ + 1);
  for (std::size_t k = 0; k + SIDE_BINS <= bins; ++k) {
    const float* b = &sums_[k];
    sides_[k] = ((b[0] + b[1]) + (b[2] + b[3])) + ((b[4] + b[5]) + (b[6] + b[7]));
  }

  Tone tone;
  Estimate estimate;
  if (FindTone(tone) && EstimateTone(tone, estimate)) {
    sinceToneBlocks_ = estimate.newestAge;
    // A drifting tone's reading grows stale: only the new estimate's uncertainty holds it.
    const double both = estimate.drifting ? estimate.sigmaHz
                                          : std::sqrt(estimate.sigmaHz * estimate.sigmaHz + readingSigmaHz_ * readingSigmaHz_);
    const double allowed = std::max(PITCH_STEADY_HZ, STEADY_SPREADS * both);
    const bool sharper = estimate.sigmaHz < SHARPER * readingSigmaHz_;
    // While the window still holds blocks from before the tone was retuned, each estimate is
    // better than the last.
    const bool settling = track_.retuned && track_.blocks < PITCH_WINDOW_BLOCKS;
    if (readingHz_ == 0.0 || sharper || settling || std::fabs(estimate.hz - readingHz_) > allowed) {
      readingHz_ = estimate.hz;
      readingSigmaHz_ = estimate.sigmaHz;
    }
  } else {
    sinceToneBlocks_ += unreadBlocks_;
    untrackedBlocks_ += unreadBlocks_;
  }
  unreadBlocks_ = 0;
  if (sinceToneBlocks_ >= PITCH_WINDOW_BLOCKS) {
    readingHz_ = 0.0;
    track_ = {};
    untrackedBlocks_ = 0;
  }
  return readingHz_;
}

// The neighbourhood's mean sum per bin: the higher of the sides below and above the tone. A
// side cut short by the span's ends counts with at least MIN_SIDE_BINS bins.
double PitchTracker::FloorSum(int bin) const {
  auto side = [this](int first, int last) {
    const int n = last - first + 1;
    if (n == SIDE_BINS) return static_cast<double>(sides_[static_cast<std::size_t>(first)]) / SIDE_BINS;
    if (n < MIN_SIDE_BINS) return 0.0;
    double sum = 0.0;
    for (int k = first; k <= last; ++k) sum += sums_[static_cast<std::size_t>(k)];
    return sum / n;
  };
  return std::max(side(std::max(FIRST_BIN, bin - REACH), bin - GUARD),
                  side(bin + GUARD, std::min(lastBin_, bin + REACH)));
}

// Most bins hold noise, and a branch per bin would mostly guess wrong: the bins whose sides lie
// whole within the bins kept are weighed in one pass without branches; the few near the ends,
// whose sides are cut short, one by one.
bool PitchTracker::FindTone(Tone& tone) {
  const double gate = 1.0 + GATE_SPREADS * RAYLEIGH_SPREAD / std::sqrt(static_cast<double>(count_));
  const int last = std::min(topBin_, ACCUMULATED_BINS - 2);
  const int firstWhole = std::min(last + 1, FIRST_BIN + REACH);
  const int lastWhole = std::max(firstWhole - 1, std::min(last, lastBin_ - REACH));
  // A bin's sum where it stands as a tone, else 0, as an integer: floats of 0 and above order as
  // their bits do, and the compiler takes the maximum of integers several at a time.
  auto standing = [this, gate](int k, double floor) {
    const float s = sums_[static_cast<std::size_t>(k)];
    return floor > 0.0 && s >= gate * floor ? std::bit_cast<std::int32_t>(s) : 0;
  };
  std::int32_t strongest = 0;
  // Near the low end the lower side holds the bins from FIRST_BIN up, summed as k rises.
  double lowSum = 0.0;
  for (int k = FIRST_BIN; k < firstWhole; ++k) {
    const int top = k - GUARD;
    if (top >= FIRST_BIN) lowSum += sums_[static_cast<std::size_t>(top)];
    const int n = top - FIRST_BIN + 1;
    const double low = n >= MIN_SIDE_BINS ? lowSum / n : 0.0;
    const double high = k + REACH <= lastBin_ ? static_cast<double>(sides_[static_cast<std::size_t>(k + GUARD)]) / SIDE_BINS
                                              : FloorSum(k);
    strongest = std::max(strongest, standing(k, std::max(low, high)));
  }
  for (int k = lastWhole + 1; k <= last; ++k) strongest = std::max(strongest, standing(k, FloorSum(k)));
  const auto sideGate = static_cast<float>(gate / SIDE_BINS);
  for (auto k = static_cast<std::size_t>(firstWhole); k <= static_cast<std::size_t>(lastWhole); ++k) {
    const float s = sums_[k];
    const float floor = std::max(sides_[k - REACH], sides_[k + GUARD]);
    const bool clears = (floor > 0.0f) & (s >= sideGate * floor);
    strongest = std::max(strongest, clears ? std::bit_cast<std::int32_t>(s) : 0);
  }
  if (strongest <= 0) return false;
  // The strongest is the peak of its lobe: a bin beside it has less and a higher side. A bin
  // before it with the same sum that does not stand is passed over.
  tone.bin = FIRST_BIN;
  while (std::bit_cast<std::int32_t>(sums_[static_cast<std::size_t>(tone.bin)]) != strongest ||
         standing(tone.bin, FloorSum(tone.bin)) == 0)
    ++tone.bin;
  tone.floorMagnitude = FloorSum(tone.bin) / count_;
  return true;
}

bool PitchTracker::EstimateTone(const Tone& tone, Estimate& estimate) {
  constexpr int LOBE_BINS = 2 * LOBE + 1;
  const double noisePower = RAYLEIGH_POWER * tone.floorMagnitude * tone.floorMagnitude;
  // Per block, newest first: the tone's power in each bin of its lobe over the noise's, and
  // in all of them.
  std::array<std::array<double, LOBE_BINS>, PITCH_WINDOW_BLOCKS> lobe{};
  std::array<double, PITCH_WINDOW_BLOCKS> power{};
  const int first = std::max(0, tone.bin - LOBE);
  const int last = std::min(lastBin_, tone.bin + LOBE);
  double strongest = 0.0;
  int slot = next_;
  for (std::size_t age = 0; age < static_cast<std::size_t>(count_); ++age) {
    slot = slot == 0 ? PITCH_WINDOW_BLOCKS - 1 : slot - 1;
    const SpectrumAccumulator& m = blocks_[static_cast<std::size_t>(slot)];
    for (int k = first; k <= last; ++k) {
      const double v = m[static_cast<std::size_t>(k)];
      const double p = v * v - noisePower;
      lobe[age][static_cast<std::size_t>(k - tone.bin + LOBE)] = p;
      power[age] += p;
    }
    strongest = std::max(strongest, power[age]);
  }
  if (!(strongest > 0.0)) return false;

  // The blocks that hold the tone, bin by bin.
  std::array<double, LOBE_BINS> held{};
  int blocksHeld = 0;
  estimate.newestAge = -1;
  double powerAge = 0.0;
  for (std::size_t age = 0; age < static_cast<std::size_t>(count_); ++age) {
    if (power[age] < KEY_DOWN_SHARE * strongest) continue;
    if (estimate.newestAge < 0) estimate.newestAge = static_cast<int>(age);
    ++blocksHeld;
    powerAge += static_cast<double>(age) * power[age];
    for (std::size_t i = 0; i < held.size(); ++i) held[i] += lobe[age][i];
  }
  double total = 0.0;
  double moment = 0.0;
  for (std::size_t i = 0; i < held.size(); ++i) {
    total += held[i];
    moment += (static_cast<int>(i) - LOBE) * held[i];
  }
  const double centre = std::clamp(moment / total, -1.0, 1.0);
  estimate.hz = (tone.bin + centre) * BIN_HZ;
  // The centre's variance: a bin's power varies by 2 S N + N^2 for a signal power S in a noise
  // power N in each block, and moves the centre by its distance from it.
  double variance = 0.0;
  for (std::size_t i = 0; i < held.size(); ++i) {
    const double distance = (static_cast<int>(i) - LOBE) - centre;
    variance += distance * distance * (2.0 * std::max(0.0, held[i]) * noisePower + blocksHeld * noisePower * noisePower);
  }
  estimate.sigmaHz = std::sqrt(variance) / total * BIN_HZ;

  // The track goes on through the blocks since it last did, oldest first, taking each held
  // block's own centre.
  for (; untrackedBlocks_ > 0; --untrackedBlocks_) track_.Predict();
  for (int age = std::min(unreadBlocks_, count_) - 1; age >= 0; --age) {
    track_.Predict();
    const auto a = static_cast<std::size_t>(age);
    if (power[a] < KEY_DOWN_SHARE * strongest) continue;
    double own = 0.0;
    double ownMoment = 0.0;
    for (std::size_t i = 0; i < held.size(); ++i) {
      own += lobe[a][i];
      ownMoment += (static_cast<int>(i) - LOBE) * lobe[a][i];
    }
    if (!(own > 0.0)) continue;
    const double c = std::clamp(ownMoment / own, -1.0, 1.0);
    // A block weighs by its power, as in the window's centre: its variance is the window's
    // times the window's power over its own.
    const double blockVariance = estimate.sigmaHz * estimate.sigmaHz * total / own;
    track_.Measure((tone.bin + c) * BIN_HZ, std::max(LEAST_SPREAD_HZ * LEAST_SPREAD_HZ, blockVariance));
  }
  // The window's centre lies at its blocks' mean age (weighed by power); the track's drift
  // carries it to the newest block, shrunk by its own uncertainty so that a drift not yet
  // learnt, or a steady tone's, adds little noise.
  const double lag = powerAge / total;
  const double drift = track_.drift;
  const double certain = drift * drift + DRIFT_SHRINK * track_.p11;
  const double shrunk = certain > 0.0 ? drift * drift / certain : 0.0;
  estimate.hz += shrunk * drift * lag;
  estimate.drifting = shrunk > 0.5;
  estimate.sigmaHz = std::sqrt(estimate.sigmaHz * estimate.sigmaHz + shrunk * shrunk * track_.p11 * lag * lag);
  return true;
}

}  // namespace keblor
