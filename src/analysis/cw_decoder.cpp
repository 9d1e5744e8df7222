// What this decoder does and why.
//
// It turns one keyed tone into text while the skimmer tracks its pitch, at a cost small enough
// for 32 of them per block. The channel is mixed down at the pitch and summed to 320 Hz, which
// still resolves the shortest element (20 ms at 60 WPM) and leaves the real filtering to a rate
// where it is cheap. There the filter is matched to a Morse element, a sum over most of a dot,
// which for a rectangular mark in white noise is near the best linear detector; so its
// bandwidth follows the learned speed.
//
// A transmitter keys one running carrier, so the marks share its phase: the filter's output
// is projected on that phase, which a loop follows through the marks, instead of taking its
// magnitude. Noise then adds only half its power and no Rayleigh floor, worth some 2 dB at the
// weak signals where it matters. A tone that drifts moves faster than the loop follows alone,
// so the rate at which the retunes move the pitch is fed to it. A clear mark far off the phase
// (the first after a pause) takes its own. Some keyers start each mark at a phase of its own:
// their marks lie off the carrier, and then the key follows the filter's magnitude instead.
// The key is decided against a threshold halfway between the levels of the marks and of the
// gaps, with hysteresis; changes shorter than a third of a dot are taken for noise.
//
// A weak signal (its marks, when the speed is found, below about 1.4 times the noise of one
// baseband sample) is keyed differently: against a threshold, a dash splits where noise dips
// under it for a moment and a gap fills where noise peaks over it, one element at a time. Its
// key is the most likely run of marks and gaps (KeyTrellis) given each baseband sample along the
// carrier, whose noise is its own and Gaussian, so that each sample's log-likelihood ratio adds
// up over a run; a change must pay for itself, and a mark is a dot or a dash of the lengths
// learned. It is decided about a third of a second late, which the text barely shows. Stronger
// signals keep the threshold, which is as good there and cheaper.
//
// A machine keys on a grid of unit-long cells, and a weak signal's key is best decided on it:
// each cell one decision on all its samples' evidence, where the trellis must also find where
// each run begins and ends; and the cells are read only as Morse characters (MorseLattice), so
// that where noise bends a pattern into one no character has, the likeliest character is read.
// The grid (KeyGrid) is sought over the baseband kept once the speed is known; from then on it
// writes the text while the trellis still teaches the timing, and it is found afresh when the
// unit learned moves. A hand's timing fits no grid, and it reads worse.
//
// Until the speed is known, filters for 60, 30 and 15 WPM look for marks that fall into two
// tight clusters, dots and dashes, with gaps as long as the dots. That and a mark level well
// above the gap level over a few seconds are what noise alone does not give, so it writes
// nothing. Once the speed is known, the baseband kept (51 s) is decoded from its start, so the
// first characters are not lost: a weak signal's speed may take half a minute to show. Kept
// that long, the baseband holds a step at each of the many retunes to a weak signal's wandering
// pitch, so it is first turned to one steadily moving pitch (see Remix).
//
// A weak station beside a strong one hears it through its filters: a matched filter as short
// as a dot passes a carrier 40 Hz away little weakened. The skimmer tells each decoder where
// the other signals are, and the baseband gets a zero at each of the nearest few, which takes
// out their carriers whatever their strength. Their keys' edges no null takes out: each key
// change leaves a burst of a few samples, each up to about twice the neighbour's amplitude over
// |1 - c| (c its turn per sample), which a filter would sum into a mark. A mark of this signal
// lasts longer than such a burst, so the bursts are blanked (EdgeBlanker): a floor under the
// marks as high as the bursts, tried first, took a weak station's marks with them. Blanking
// many bursts takes much of the signal with them, so a neighbour far stronger than this signal
// is first taken out of the baseband whole, its marks and its edges, as far as its carrier's
// phase and level tell them apart from this signal (NeighbourCanceller).
//
// The speed follows mark and gap lengths, not levels: marks are split into dots and dashes
// where their lengths cluster (so hand keying with dashes of 2.5 to 4 dots still splits), and
// the dot time comes from a mark plus the gap after it, a sum that neither the threshold's
// height nor the keying weight biases. Gaps between characters and between words are told
// apart where their lengths cluster too, so Farnsworth spacing (long gaps at a fast character
// speed) reads as such.

#include "analysis/cw_decoder.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <numbers>
#include <utility>

#include "analysis/morse_table.h"

namespace keblor {
namespace {

constexpr double ENV_RATE = static_cast<double>(CW_SAMPLE_RATE) / 32.0;  // envelope samples per second
constexpr double MIN_UNIT = 0.9 * 1.2 / 60.0 * ENV_RATE;  // a dot at 60 WPM, less some slack
constexpr double MAX_UNIT = 1.1 * 1.2 / 5.0 * ENV_RATE;   // a dot at 5 WPM, plus some slack
constexpr double FILTER_DOTS = 0.7;    // the matched filter's length
constexpr double HYSTERESIS = 0.1;     // of the distance between the gap and mark levels
constexpr double SHORTEST = 0.38;      // dots: a shorter mark or gap is taken for noise
constexpr double LONGEST_MARK = 10.0;  // dots: a longer mark is no element
// A weak signal's key (see KeyTrellis): its marks' level, when the speed is found, below this
// many times the noise of one baseband sample across the carrier makes a signal weak; a change
// of its key must be worth this much (log-likelihood); a run lasts at least this many dots, a
// mark at most this many times a dash, and none lies within DOT_DASH_GAP of the geometric mean
// of a dot and a dash, either way. One sample says at most EVIDENCE_CAP.
constexpr double WEAK_SIGNAL = 1.4;
// A signal that is not weak, but whose marks summed over a matched filter at the unit learned
// stand less than KEYER_SIGNAL times the noise summed alike (that ratio times the square root of
// the filter's length), is read as a weak one while the grid finds its key a keyer's: once
// HAND_EDGES edges have come and they lie HAND_EDGE_ERROR of a unit or more off the grid's
// boundaries (a keyer's lie within about 0.2 even at 40 WPM and 0 dB, a hand's at 0.35 or more),
// it is taken for a hand and decided on its threshold for good. There the grid reads a fast
// keyer, whose short dots the filter barely sees, far better than the threshold does.
constexpr double KEYER_SIGNAL = 6.0;
constexpr int HAND_EDGES = 48;
constexpr double HAND_EDGE_ERROR = 0.27;
constexpr double SWITCH_COST = 3.0;
constexpr double TRELLIS_SHORTEST = 0.5;
constexpr double LONGEST_DASH = 1.4;
constexpr double DOT_DASH_GAP = 1.2;
constexpr double EVIDENCE_CAP = 8.0;
constexpr double REFIND_SHARE = 0.08;  // of the unit: the timing grid is found afresh when the unit learned moves this far
constexpr double NOISE_WEIGHT = 1.0 / 512.0;  // of one sample in the noise's mean square
// Dots: a longer gap is a pause, not a word gap; and once a few are known, one three times
// the shortest word gap.
constexpr double LONGEST_GAP = 60.0;
// Envelope samples after the speed is first found within which a restart of the speed (see Learn)
// decodes the baseband kept again: noise before the signal can pass for its dots at first.
constexpr std::int64_t REDO_SPAN = 1024;
// A weak signal's first speed may be wrong by half or more (noise splits and joins its first
// marks), and learning then brings the unit round over many seconds, its text garbled all the
// while. Once the unit has moved this share away from the one the baseband kept was last decoded
// at, within REDO_UNIT_SPAN envelope samples of the speed first found, the baseband kept is
// decoded afresh at the unit learned.
constexpr double REDO_UNIT_SHARE = 0.25;
constexpr auto REDO_UNIT_SPAN = static_cast<std::int64_t>(25.0 * ENV_RATE);
// Most often that first unit is too short. So a weak signal's timing grid is first sought over
// units from the one found up to UNIT_CHECK_SPAN times it: when the grid that fits the whole
// baseband kept best has a unit longer by more than UNIT_WRONG_SHARE, that unit is taken at once
// and the baseband kept decoded afresh at it.
constexpr double UNIT_CHECK_SPAN = 2.7;
constexpr double UNIT_WRONG_SHARE = 0.3;
// Envelope samples kept, at least, for a replay to meet them remixed (see Remix): more than a
// clear signal's first replay holds once the skimmer lists it (the 4 s before, and the second or
// two its speed takes to show). Over a few seconds the retunes are few and small, steps the
// carrier loop rides, and a line fitted to so few says nothing of a drift.
constexpr auto REMIX_SPAN = static_cast<std::int64_t>(8.0 * ENV_RATE);
constexpr int ACQUIRE_MARKS = 8;       // marks that show a first speed
constexpr int DOTS_FOR_SPEED = 4;      // dots that tell the speed shown, from a hand whose dashes are DASH_DOTS_OFF
                                       // dots or more off three dots
constexpr double DASH_DOTS_OFF = 0.35;
constexpr double MAX_SPREAD = 0.2;     // of the marks' logarithms within dots and dashes
// The mark level over the gap level, over a few seconds, that lets text through. Noise alone
// gives 2.3 (the means of a Rayleigh envelope above and below the middle between them).
constexpr double SQUELCH_OPEN = 2.55;
constexpr double SQUELCH_CLOSE = 2.45;
// A weak signal keyed along one carrier is told from noise better by its levels along the carrier:
// how far apart the marks' and the gaps' lie, in the spread of the matched filter's output in
// noise. Noise alone gives about 2 (1.6 for independent samples; the decimation's overlapping
// windows make neighbouring samples alike). A 40 WPM signal at -5 dB gives 2.6 to 3.3 there,
// where its magnitudes' ratio (2.4 to 2.7) lies about the squelch's and shut out part of its text.
constexpr double APART_OPEN = 2.5;
constexpr double APART_CLOSE = 2.4;
// A gap of this many word gaps is a pause (between overs, say). After one, a mark counts only
// when its peak rises this far from the gap level towards the marks' usual peak: noise that
// crosses the threshold in a pause seldom does, and the first mark of the next over nearly always.
constexpr double PAUSE_WORDS = 3.0;
constexpr double PAUSE_MARK = 0.8;
// A signal alone (see Alone) need rise only this far, so that an over that begins in a fade is
// read: its marks stand ALONE_CLEAR times its gaps' level or more, and no neighbour lies within
// ALONE_HZ.
constexpr double PAUSE_MARK_ALONE = 0.4;
constexpr double ALONE_CLEAR = 4.0;
constexpr double ALONE_HZ = 100.0;
constexpr double ELEMENT_SHARE = 0.7;  // of a dot: a mark as long may be one
constexpr double PEAK_WEIGHT = 1.0 / 8.0;  // of one mark's peak in the marks' usual peak
constexpr double SLOW = 1.0 / 640.0;         // the squelch levels' weight of one envelope sample
constexpr double TURN_WEIGHT = 1.0 / 256.0;  // the carrier's first frequency, over about 0.8 s
constexpr double LOOP_GAIN = 0.03;           // the carrier loop's, per envelope sample
constexpr double SNAP_GAIN = 0.1;            // its phase's, when far off
constexpr double RELOCK_LEVEL = 0.6;         // of a mark's magnitude: a filter output that is a mark
constexpr double RELOCK_ALONG = 0.5;         // of it along the phase: less, and the phase is lost
constexpr double COHERENCE_WEIGHT = 1.0 / 64.0;  // of one mark sample in the coherence
constexpr double COHERENCE_MARK = 0.75;      // of the mark level: samples as high are of marks
// The mark level over the gap level above which the coherence is judged; below it, noise turns
// even a running carrier's marks off its phase, and the carrier's gain matters most.
constexpr double COHERENCE_CLEAR = 3.0;
constexpr double RELOCK_WEIGHT = 0.25;       // of a relock, as mark samples off the carrier, in it
constexpr double RELOCK_MARKS = 18.0;        // mark samples of COHERENCE_WEIGHT that weigh as much
constexpr double COHERENT_OFF = 0.6;         // coherence below which the key follows the magnitude
// The same over the baseband kept, where the loop ran over it three times and so found more
// marks along it.
constexpr double REPLAY_COHERENT = 0.8;
constexpr double RELOCK_CLEAR = 5.0;         // the mark level over the gap level of a clear signal
constexpr double DRIFT_SPAN = 2.0 * ENV_RATE;  // envelope samples over which the drift is measured
constexpr double MAX_DRIFT = 2.0;            // Hz per second: faster is a jump, not a drift
constexpr double MIN_DRIFT = 0.3;            // Hz per second: slower the carrier loop follows unaided
constexpr double DRIFT_WEIGHT = 0.3;         // of a new measure of the drift in the estimate
// A neighbour nearer than this (after folding at the envelope rate) is too close to null without
// taking this signal's own keying with it.
constexpr double MIN_NULL_HZ = 25.0;
// The most that a nulled neighbour's key edge can put into one baseband sample, in its amplitude
// over |1 - c|: a step through one null leaves that much, and the nulls' product and the
// neighbour's level as followed leave some more.
constexpr double EDGE_SCALE = 2.0;
// Following a neighbour's level: sums over this many envelope samples, and the factor by which
// its squared peak decays from one sum to the next (halving in about a second).
constexpr int FOLLOW_HOPS = 4;
constexpr float NEIGHBOUR_DECAY = 1.0f - 1.0f / 80.0f;

// Float magnitude: quicker, and precise enough for a level.
double Magnitude(std::complex<double> z) {
  return std::sqrt(static_cast<float>(z.real() * z.real() + z.imag() * z.imag()));
}

// Four floats that the compiler keeps in one vector register (GCC and Clang).
using Float4 = float __attribute__((vector_size(16)));
Float4 Load4(const float* p) {
  Float4 v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

// Two clusters of lengths: the means of the shorter and the longer, split where the lengths'
// logarithms divide best (largest between-cluster variance). `two` says whether they differ by
// more than `ratio`; if not, both means are the mean of all. `spread` is the standard deviation
// of the logarithms within their clusters.
struct Clusters {
  double low = 0.0, high = 0.0, spread = 0.0;
  int lowCount = 0;  // lengths in the shorter cluster
  bool two = false;
};

template <std::size_t N>
Clusters Cluster(std::array<float, N> v, int n, double ratio) {
  std::sort(v.begin(), v.begin() + n);
  std::array<double, N> logs{};
  double total = 0.0, logTotal = 0.0, logSquares = 0.0;
  for (int i = 0; i < n; ++i) {
    total += v[i];
    logs[i] = std::log(std::max(v[i], 1e-3f));
    logTotal += logs[i];
    logSquares += logs[i] * logs[i];
  }
  Clusters c;
  c.low = c.high = total / n;
  const double logMean = logTotal / n;
  c.spread = std::sqrt(std::max(logSquares / n - logMean * logMean, 0.0));
  int split = 0;
  double best = 0.0, below = 0.0, belowLog = 0.0;
  for (int k = 1; k < n; ++k) {
    below += v[k - 1];
    belowLog += logs[k - 1];
    const double m0 = belowLog / k, m1 = (logTotal - belowLog) / (n - k);
    const double score = static_cast<double>(k) * (n - k) * (m1 - m0) * (m1 - m0);
    if (score > best) {
      best = score;
      split = k;
    }
  }
  if (split == 0) return c;
  below = 0.0;
  for (int i = 0; i < split; ++i) below += v[i];
  const double low = below / split, high = (total - below) / (n - split);
  if (high <= ratio * low) return c;
  c.two = true;
  c.lowCount = split;
  c.low = low;
  c.high = high;
  c.spread = std::sqrt(std::max(c.spread * c.spread - best / (static_cast<double>(n) * n), 0.0));
  return c;
}

}  // namespace

void CwDecoder::History::Add(double v) {
  value[next] = static_cast<float>(v);
  next = (next + 1) % HISTORY;
  count = std::min(count + 1, HISTORY);
}

double CwDecoder::History::MiddleMean() const {
  std::array<float, HISTORY> v = value;
  std::sort(v.begin(), v.begin() + count);
  const int from = count / 4, to = count - count / 4;
  double total = 0.0;
  for (int k = from; k < to; ++k) total += v[k];
  return total / (to - from);
}

void CwDecoder::Start(double pitchHz) {
  // Built afresh in place: a temporary of this size would not belong on the stack.
  std::destroy_at(this);
  std::construct_at(this);
  driftFromHz_ = pitchHz;
  SetTables(pitchHz);
}

void CwDecoder::Retune(double pitchHz) {
  // The carrier at the filter's output turns the other way by as much as the mixing moved, from
  // the first sample mixed anew, which reaches the filter after the neighbours' canceller.
  const double turn = 2.0 * std::numbers::pi * (pitchHz - pitchHz_) * HOP / CW_SAMPLE_RATE;
  pendingTurn_ = retuneFrom_ > envCount_ ? pendingTurn_ + turn : turn;
  retuneFrom_ = envCount_ + NeighbourCanceller::DELAY;
  NoteRetune(pitchHz - pitchHz_);
  SetTables(pitchHz);
  // A tone that drifts moves on between retunes too, faster than the carrier loop follows
  // unaided: its rate, from the pitch's movement over a few seconds, is fed to the loop.
  const auto span = static_cast<double>(envCount_ - driftFrom_);
  // A weak signal's pitch, as a tracker finds it, wanders by hertz either way: what the carrier
  // loop finds alone is far nearer.
  if (span < DRIFT_SPAN || (weak_ && coherentKey_)) return;
  double hzPerSecond = std::clamp((pitchHz - driftFromHz_) * ENV_RATE / span, -MAX_DRIFT, MAX_DRIFT);
  if (std::abs(hzPerSecond) < MIN_DRIFT) hzPerSecond = 0.0;  // a steady tone's pitch as the tracker wavers
  drift_ += (2.0 * std::numbers::pi * hzPerSecond / (ENV_RATE * ENV_RATE) - drift_) * (drift_ == 0.0 ? 1.0 : DRIFT_WEIGHT);
  driftFromHz_ = pitchHz;
  driftFrom_ = envCount_;
}

void CwDecoder::Skip(int count) {
  osc_ *= std::polar(1.0, -2.0 * std::numbers::pi * pitchHz_ * count / CW_SAMPLE_RATE);
  const double hops = static_cast<double>(count) / HOP;
  if (unit_ > 0.0) carrier_.frequency += drift_ * hops;
  driftFrom_ -= std::llround(hops);
}

// A retune, noted while the baseband kept may yet be decoded again from its start (see Remix).
void CwDecoder::NoteRetune(double hzMoved) {
  if (unit_ > 0.0 && envCount_ - acquiredAt_ >= std::max(REDO_SPAN, REDO_UNIT_SPAN)) {
    retunes_ = 0;
    return;
  }
  if (retunes_ == MAX_RETUNES) {  // the oldest two become one, at the later: only the samples between them turn wrong
    retuneTurn_[1] += retuneTurn_[0];
    std::move(retuneAt_.begin() + 1, retuneAt_.end(), retuneAt_.begin());
    std::move(retuneTurn_.begin() + 1, retuneTurn_.end(), retuneTurn_.begin());
    --retunes_;
  }
  retuneAt_[static_cast<std::size_t>(retunes_)] = retuneFrom_;
  retuneTurn_[static_cast<std::size_t>(retunes_)] = 2.0 * std::numbers::pi * hzMoved * HOP / CW_SAMPLE_RATE;
  ++retunes_;
}

// The baseband kept, each sample mixed down at the pitch of its time, as if mixed all along at a
// pitch that moves steadily: the line fitted to the mixing's pitches, through the present one. A
// replay then meets one tone, not a step at every retune, whether the tracker's pitch wandered
// about a steady tone (the line is flat) or followed a drift (the line is the drift).
void CwDecoder::Remix() {
  const std::int64_t kept = std::min<std::int64_t>(envCount_, RING);
  if (retunes_ == 0 || kept < REMIX_SPAN) {
    retunes_ = 0;
    return;
  }
  // Visits the samples kept from the newest back: m samples back, the mixing's pitch then as a
  // turn per sample below the present one.
  const auto walk = [&](auto&& visit) {
    int next = retunes_ - 1;
    double below = 0.0;
    for (std::int64_t m = 1; m <= kept; ++m) {
      for (; next >= 0 && retuneAt_[static_cast<std::size_t>(next)] > envCount_ - m; --next) below += retuneTurn_[static_cast<std::size_t>(next)];
      visit(m, below);
    }
  };
  // Its least-squares slope against m,
  double sumM = 0.0, sumMM = 0.0, sumB = 0.0, sumMB = 0.0;
  walk([&](std::int64_t m, double below) {
    const auto x = static_cast<double>(m);
    sumM += x;
    sumMM += x * x;
    sumB += below;
    sumMB += x * below;
  });
  const auto count = static_cast<double>(kept);
  const double spread = sumMM - sumM * sumM / count;
  const double slope = spread > 0.0 ? (sumMB - sumM * sumB / count) / spread : 0.0;
  // and each sample turned by what the mixing at the line would have turned it since.
  double phase = 0.0;
  walk([&](std::int64_t m, double below) {
    phase += below - slope * static_cast<double>(m);
    std::complex<float>& z = ring_[static_cast<std::size_t>((envCount_ - m) & (RING - 1))];
    z *= std::polar(1.0f, static_cast<float>(std::remainder(phase, 2.0 * std::numbers::pi)));
  });
  retunes_ = 0;
}

void CwDecoder::SetNeighbours(const double* pitchesHz, int count) {
  std::array<double, MAX_NULLS> nearest{};
  int n = 0;
  for (int i = 0; i < count; ++i) {
    const double distance = std::abs(pitchesHz[i] - pitchHz_);
    if (distance < MIN_NULL_HZ) continue;
    // Nearest first: insert in order of distance, the farthest dropping out when full.
    int at = n;
    while (at > 0 && std::abs(nearest[static_cast<std::size_t>(at - 1)] - pitchHz_) > distance) --at;
    if (at == MAX_NULLS) continue;
    for (int k = std::min(n, MAX_NULLS - 1); k > at; --k) nearest[static_cast<std::size_t>(k)] = nearest[static_cast<std::size_t>(k - 1)];
    nearest[static_cast<std::size_t>(at)] = pitchesHz[i];
    n = std::min(n + 1, MAX_NULLS);
  }
  if (n == neighbours_ && std::equal(nearest.begin(), nearest.begin() + n, neighbourHz_.begin())) return;
  neighbourHz_ = nearest;
  neighbours_ = n;
  SetNulls();
}

void CwDecoder::SetNulls() {
  // The product of (1 - c z^-1) over the neighbours, c the turn per envelope sample of a tone at
  // the neighbour's offset, then divided by its value at this signal's carrier (z = 1).
  std::array<std::complex<double>, NULL_TAPS> h{};
  std::array<std::complex<double>, MAX_NULLS> turns{};
  h[0] = 1.0;
  neighbourEdge_ = {};
  int taps = 1;
  for (int k = 0; k < neighbours_; ++k) {
    const double offset = neighbourHz_[static_cast<std::size_t>(k)] - pitchHz_;
    const double folded = offset - ENV_RATE * std::round(offset / ENV_RATE);  // as the decimation folds it
    if (std::abs(folded) < MIN_NULL_HZ) continue;
    const std::complex<double> c = std::polar(1.0, 2.0 * std::numbers::pi * folded / ENV_RATE);
    const auto j = static_cast<std::size_t>(taps - 1);
    turns[j] = c;
    turnRe_[j] = static_cast<float>(c.real());
    turnIm_[j] = static_cast<float>(c.imag());
    neighbourEdge_[j] = static_cast<float>(EDGE_SCALE / std::abs(1.0 - c));
    for (int i = taps; i > 0; --i) h[static_cast<std::size_t>(i)] -= c * h[static_cast<std::size_t>(i - 1)];
    ++taps;
  }
  std::complex<double> gain{};
  for (int i = 0; i < taps; ++i) gain += h[static_cast<std::size_t>(i)];
  for (std::size_t i = 0; i < NULL_TAPS; ++i) nullTaps_[i] = std::complex<float>(h[i] / gain);
  nullTapCount_ = taps;
  canceller_.SetTurns(turns.data(), taps - 1);
}

void CwDecoder::SetTables(double pitchHz) {
  pitchHz_ = pitchHz;
  const double w = 2.0 * std::numbers::pi * pitchHz / CW_SAMPLE_RATE;
  const std::complex<double> rotate = std::polar(1.0, -w);
  std::complex<double> phase = 1.0;
  // A triangle over two hops, scaled so that a tone of amplitude A gives A/2.
  const double scale = 1.0 / (HOP * HOP);
  for (int n = 0; n < HOP; ++n, phase *= rotate) {
    const std::complex<double> h = phase * ((n + 0.5) * scale);
    headRe_[n] = static_cast<float>(h.real());
    headIm_[n] = static_cast<float>(h.imag());
  }
  oscStep_ = phase / std::abs(phase);
  for (int n = 0; n < HOP; ++n, phase *= rotate) {
    const std::complex<double> t = phase * ((HOP - n - 0.5) * scale);
    tailRe_[n] = static_cast<float>(t.real());
    tailIm_[n] = static_cast<float>(t.imag());
  }
  if (neighbours_ > 0) SetNulls();
}

void CwDecoder::Push(const float* samples, int count) {
  int i = 0;
  while (i < count) {
    if (hopPos_ == 0 && count - i >= HOP) {
      // A whole hop, four products at a time.
      const float* x = samples + i;
      Float4 hr{}, hi{}, tr{}, ti{};
      for (int n = 0; n < HOP; n += 4) {
        const Float4 v = Load4(x + n);
        hr += v * Load4(headRe_.data() + n);
        hi += v * Load4(headIm_.data() + n);
        tr += v * Load4(tailRe_.data() + n);
        ti += v * Load4(tailIm_.data() + n);
      }
      const float shr = (hr[0] + hr[1]) + (hr[2] + hr[3]), shi = (hi[0] + hi[1]) + (hi[2] + hi[3]);
      const float str = (tr[0] + tr[1]) + (tr[2] + tr[3]), sti = (ti[0] + ti[1]) + (ti[2] + ti[3]);
      head_ = {shr, shi};
      tail_ = {str, sti};
      i += HOP;
      Hop(open_ + tail_);
      open_ = head_;
      head_ = tail_ = {};
      continue;
    }
    const float x = samples[i++];
    head_ += std::complex<float>(x * headRe_[hopPos_], x * headIm_[hopPos_]);
    tail_ += std::complex<float>(x * tailRe_[hopPos_], x * tailIm_[hopPos_]);
    if (++hopPos_ == HOP) {
      hopPos_ = 0;
      Hop(open_ + tail_);
      open_ = head_;
      head_ = tail_ = {};
    }
  }
  osc_ /= std::abs(osc_);  // the recursion's rounding must not grow or shrink it
}

void CwDecoder::Levels::Add(double e) {
  if (signalWeight == 0.0 && noiseWeight == 0.0) {
    noise = slowNoise = slowSignal = e;
    signal = 3.0 * e;
  }
  // Quick at first, then over about 0.1 s of marks and 0.5 s of gaps. The mark level sinks
  // slowly towards the gaps', so that one taken from noise or a first key-down is let go.
  if (e > Middle()) {
    slowSignal += (e - slowSignal) * SLOW;
    if (signalWeight < 32.0) signalWeight += 1.0;
    signal += (e - signal) * (signalWeight < 32.0 ? 1.0 / signalWeight : 1.0 / 32.0);
  } else {
    slowNoise += (e - slowNoise) * SLOW;
    if (noiseWeight < 160.0) noiseWeight += 1.0;
    noise += (e - noise) * (noiseWeight < 160.0 ? 1.0 / noiseWeight : 1.0 / 160.0);
  }
  signal -= (signal - noise) * (1.0 / 3000.0);
}

void CwDecoder::Hop(std::complex<float> window) {
  const std::complex<double> mixed = osc_ * std::complex<double>(window);
  osc_ *= oscStep_;
  const std::complex<float> cancelled = canceller_.Next(std::complex<float>(mixed));
  if (primed_ < NeighbourCanceller::DELAY) {  // what comes out before the first sample is none
    ++primed_;
    return;
  }
  std::complex<double> z = cancelled;
  if (nullTapCount_ > 1) {
    z = Null(cancelled);
    FollowNeighbours(mixed);
    z = blanker_.Next(z, edgeBound_);
  }
  if (envCount_ == retuneFrom_) carrier_.frequency -= std::exchange(pendingTurn_, 0.0);
  ring_[static_cast<std::size_t>(envCount_ & (RING - 1))] = std::complex<float>(z);
  ++envCount_;
  if (unit_ > 0.0) {
    carrier_.frequency += drift_;
    const double m = Step(filter_);
    filter_.levels.Add(m);
    const Levels& levels = filter_.levels;
    const double c = carrier_.Project(filter_.sum, levels.signal * filter_.length, levels.signal > RELOCK_CLEAR * levels.noise) * filter_.scale;
    coherent_.Add(c);
    Cohere(c, m);
    const double along = weak_ && coherentKey_ ? Along(z, filter_.length) : 0.0;  // only the trellis weighs it
    Decide(coherentKey_ ? c : m, along, FilterTime(filter_.length), true, true);
    const std::int64_t sinceFound = envCount_ - acquiredAt_;
    if (std::exchange(restarted_, false) && sinceFound < REDO_SPAN) Redo();
    else if (std::abs(unit_ - decodedUnit_) > REDO_UNIT_SHARE * decodedUnit_ && sinceFound < REDO_UNIT_SPAN) Redo();
    return;
  }
  // Each search filter decides the key on its own, until one of them finds a speed.
  for (int k = 0; k < SEARCH_FILTERS; ++k) {
    Search& s = search_[k];
    if (s.filter.length == 0) {
      s.filter.length = 4 << k;  // 4, 8 and 16: matched to 60, 30 and 15 WPM
      s.filter.scale = 1.0 / s.filter.length;
    }
    const double e = Step(s.filter);
    s.filter.levels.Add(e);
    bool mark = false;
    double length = 0.0;
    if (s.key.Next(e, FilterTime(s.filter.length), s.filter.levels, 2.0, mark, length) && Hold(s, mark, length) &&
        Acquire(s)) {
      acquiredAt_ = envCount_;
      Replay();
      return;
    }
  }
}

// One baseband sample through the neighbours' nulls.
std::complex<float> CwDecoder::Null(std::complex<float> mixed) {
  std::complex<float> z = nullTaps_[0] * mixed;
  for (int i = 1; i < nullTapCount_; ++i) z += nullTaps_[static_cast<std::size_t>(i)] * nullInputs_[static_cast<std::size_t>(i - 1)];
  std::move_backward(nullInputs_.begin(), nullInputs_.begin() + nullTapCount_ - 2, nullInputs_.begin() + nullTapCount_ - 1);
  nullInputs_[0] = mixed;
  return z;
}

// Each neighbour's mark level: its carrier summed over FOLLOW_HOPS samples (Horner's scheme,
// the sum turning on by the neighbour's turn each sample), which takes this signal, MIN_NULL_HZ
// or more away, down a few dB; the level is a peak of these sums that decays. In real
// arithmetic over all MAX_NULLS (unused ones weigh nothing), which vectorises.
void CwDecoder::FollowNeighbours(std::complex<double> mixed) {
  const auto xr = static_cast<float>(mixed.real()), xi = static_cast<float>(mixed.imag());
  for (std::size_t i = 0; i < MAX_NULLS; ++i) {
    const float re = sumRe_[i] * turnRe_[i] - sumIm_[i] * turnIm_[i] + xr;
    const float im = sumRe_[i] * turnIm_[i] + sumIm_[i] * turnRe_[i] + xi;
    sumRe_[i] = re;
    sumIm_[i] = im;
  }
  if (++followHops_ < FOLLOW_HOPS) return;
  followHops_ = 0;
  edgeBound_ = 0.0f;
  for (std::size_t i = 0; i < MAX_NULLS; ++i) {
    const float level = (sumRe_[i] * sumRe_[i] + sumIm_[i] * sumIm_[i]) * (1.0f / (FOLLOW_HOPS * FOLLOW_HOPS));
    neighbourLevel_[i] = std::max(level, neighbourLevel_[i] * NEIGHBOUR_DECAY);
    sumRe_[i] = sumIm_[i] = 0.0f;
    edgeBound_ += neighbourEdge_[i] * std::sqrt(neighbourLevel_[i]);
  }
}

// The filter's next envelope sample, from the newest baseband sample in the ring.
double CwDecoder::Step(Filter& f) {
  const auto at = [&](std::int64_t c) { return std::complex<double>(ring_[static_cast<std::size_t>(c & (RING - 1))]); };
  f.sum += at(envCount_ - 1) - at(envCount_ - 1 - f.length);
  return Magnitude(f.sum) * f.scale + 1e-7;  // a floor far below any real noise, for digital silence
}

bool CwDecoder::Key::Next(double e, double t, const Levels& levels, double shortest, bool& mark, double& length) {
  const double span = levels.signal - levels.noise;
  const double middle = levels.Middle();
  const double high = middle + HYSTERESIS * span, low = middle - HYSTERESIS * span;
  const bool above = raw ? e > low : e > high;
  if (above != raw) {
    const double level = above ? high : low;
    const double frac = e != lastEnv ? std::clamp((level - lastEnv) / (e - lastEnv), 0.0, 1.0) : 1.0;
    raw = above;
    pending = raw != down;
    pendingStart = t - 1.0 + frac;
  }
  lastEnv = e;
  if (!pending || t - pendingStart < shortest) return false;
  pending = false;
  mark = down;
  length = pendingStart - since;
  down = raw;
  since = pendingStart;
  return true;
}

// One envelope sample of the filter's output: along the carrier and its magnitude.
void CwDecoder::Cohere(double projected, double magnitude) {
  // A mark that took a phase of its own counts as several off the carrier: a running carrier
  // seldom needs it, a keyer that starts each mark afresh nearly always.
  if (carrier_.relocked) coherence_ -= coherence_ * RELOCK_WEIGHT;
  const Levels& levels = filter_.levels;
  if (magnitude <= COHERENCE_MARK * levels.signal || levels.signal < COHERENCE_CLEAR * levels.noise) return;
  coherence_ += (projected / magnitude - coherence_) * COHERENCE_WEIGHT;
  if (coherence_ < COHERENT_OFF) coherentKey_ = false;  // for good: a transmitter keeps its ways
}

void CwDecoder::Decide(double e, double along, double t, bool learn, bool decode) {
  const Levels& levels = filter_.levels;
  if (weak_ && coherentKey_) {
    const double apart = (coherent_.slowSignal - coherent_.slowNoise) / std::sqrt(std::max(noiseSquares_, 1e-18) / filter_.length);
    if (apart > APART_OPEN) squelchOpen_ = true;
    if (apart < APART_CLOSE) squelchOpen_ = false;
  } else {
    if (levels.slowSignal > SQUELCH_OPEN * levels.slowNoise) squelchOpen_ = true;
    if (levels.slowSignal < SQUELCH_CLOSE * levels.slowNoise) squelchOpen_ = false;
  }
  if (!coherentKey_ || !weak_) {
    if (std::exchange(trellisUsed_, false)) {
      const bool gridded = grid_.Found();  // then the grid has written the text, and the trellis only taught
      for (int k = 0, n = trellis_.Finish(); k < n; ++k) Run(trellis_.Mark(k), trellis_.Value(k), learn, decode && !gridded);
      for (int k = 0, n = grid_.Finish(); k < n; ++k) RunGrid(grid_.Mark(k), grid_.Value(k));
      key_.raw = key_.down;
      key_.pending = false;
    }
    runPeak_ = std::max(runPeak_, e);
    bool mark = false;
    double length = 0.0;
    if (key_.Next(e, t, coherentKey_ ? coherent_ : levels, std::max(1.5, SHORTEST * unit_), mark, length)) EndRun(mark, length, learn, decode, runPeak_);
    if (!key_.down && !key_.pending) InGap(t - key_.since, decode);
    return;
  }
  // A coherent key is decided on the baseband's samples along the carrier, each of which has
  // noise of its own: Gaussian about 0 in a gap and about the mark level in a mark.
  if (!trellisUsed_) {
    trellisUsed_ = true;
    keyTime_ = t + 0.5 * (filter_.length - 1);  // the newest baseband sample's time
    gridKeyTime_ = keyTime_;
    gridKey_ = key_;
    gridPeak_ = 0.0;
  }
  const double evidence = Evidence(along);
  // Once the grid is found it writes the text, and the trellis goes on teaching the timing: the
  // grid follows the unit learned, found afresh when that moves.
  const bool gridded = grid_.Found() && decode;
  if (gridded) {
    for (int k = 0, n = grid_.Push(evidence, static_cast<float>(e)); k < n; ++k) RunGrid(grid_.Mark(k), grid_.Value(k));
    if (keyerTrial_ && grid_.Edges() >= HAND_EDGES && grid_.EdgeError() >= HAND_EDGE_ERROR) {
      keyerTrial_ = false;
      handKeyed_ = true;
      weak_ = false;  // from the next sample on
    }
    if (std::abs(unit_ - gridSoughtAt_) > REFIND_SHARE * unit_) {
      gridSoughtAt_ = unit_;
      for (int k = 0, n = grid_.Refind(unit_); k < n; ++k) RunGrid(grid_.Mark(k), grid_.Value(k));
    }
  }
  const bool trellisDecodes = decode && !gridded;
  for (int k = 0, n = trellis_.Push(evidence, static_cast<float>(e)); k < n; ++k) Run(trellis_.Mark(k), trellis_.Value(k), learn, trellisDecodes);
  // The lengths follow the timing learned, not its every wobble: a change decides all open samples.
  const int shortest = static_cast<int>(std::lround(TRELLIS_SHORTEST * unit_));
  const int longest = static_cast<int>(std::lround(LONGEST_DASH * dashMark_));
  if (std::abs(shortest - trellis_.Shortest()) * 8 > trellis_.Shortest() || std::abs(longest - trellis_.Longest()) * 8 > trellis_.Longest()) {
    for (int k = 0, n = SetTrellisLengths(); k < n; ++k) Run(trellis_.Mark(k), trellis_.Value(k), learn, trellisDecodes);
  }
}

// A baseband sample along the carrier as evidence for a mark: log p(mark) - log p(gap), its noise
// Gaussian and its own, about 0 in a gap and about the mark level in a mark.
double CwDecoder::Evidence(double along) const {
  const double span = std::max(coherent_.slowSignal - coherent_.slowNoise, 0.0);
  const double threshold = 0.5 * (coherent_.slowSignal + coherent_.slowNoise);
  return std::clamp(span * (along - threshold) / std::max(noiseSquares_, 1e-18), -EVIDENCE_CAP, EVIDENCE_CAP);
}

// The trellis's lengths from the timing learned; returns how many samples that decided.
int CwDecoder::SetTrellisLengths() {
  const double middle = std::sqrt(dotMark_ * dashMark_);
  return trellis_.SetLengths(static_cast<int>(std::lround(TRELLIS_SHORTEST * unit_)), static_cast<int>(middle / DOT_DASH_GAP),
                             static_cast<int>(std::ceil(middle * DOT_DASH_GAP)), static_cast<int>(std::lround(LONGEST_DASH * dashMark_)));
}

// One sample of the key as the trellis decided it, KeyTrellis::DELAY samples or more after it came.
void CwDecoder::Run(bool down, double e, bool learn, bool decode) { Run(key_, keyTime_, runPeak_, down, e, learn, decode); }

// The same for a key of its own: its state, the time of its next sample and its run's peak.
void CwDecoder::Run(Key& key, double& time, double& peak, bool down, double e, bool learn, bool decode) {
  const double t = time;
  time += 1.0;
  if (down != key.down) {
    const double edge = t - 0.5;
    const bool mark = key.down;
    const double length = edge - key.since;
    key.down = down;
    key.since = edge;
    EndRun(mark, length, learn, decode, peak);
  }
  peak = std::max(peak, e);
  if (!key.down) InGap(t - key.since, decode);
}

// A mark or a gap ended: it teaches the timing, makes text, or both.
void CwDecoder::EndRun(bool mark, double length, bool learn, bool decode, double& peak) {
  const Levels& keyLevels = coherentKey_ ? coherent_ : filter_.levels;
  const bool alone = mark && paused_ && Alone();  // only a mark after a pause asks
  const bool clear = peak >= keyLevels.noise + (alone ? PAUSE_MARK_ALONE : PAUSE_MARK) * (markPeak_ - keyLevels.noise);
  if (!mark || !paused_ || clear) {
    if (mark) {
      paused_ = false;
      markPeak_ += (peak - markPeak_) * (markPeak_ == 0.0 ? 1.0 : PEAK_WEIGHT);
    }
    if (learn) Learn(mark, length);
    if (decode) Assemble(mark, length);
  } else if (alone && length >= ELEMENT_SHARE * dotMark_) {
    // A mark short of the usual peak, but as long as an element, is then most likely the station
    // come back weaker, which a few such marks let through.
    markPeak_ += (peak - markPeak_) * PEAK_WEIGHT;
  }
  peak = 0.0;
}

// The signal stands far out of its noise, which so seldom crosses its threshold, and no
// neighbour is near enough to be heard through its filters.
bool CwDecoder::Alone() const {
  if (filter_.levels.slowSignal < ALONE_CLEAR * filter_.levels.slowNoise) return false;
  return std::none_of(neighbourHz_.begin(), neighbourHz_.begin() + neighbours_,
                      [&](double hz) { return std::abs(hz - pitchHz_) < ALONE_HZ; });
}

void CwDecoder::RunGrid(bool down, double e) { Run(gridKey_, gridKeyTime_, gridPeak_, down, e, false, true); }

// The key has been up for `gap` envelope samples.
void CwDecoder::InGap(double gap, bool decode) {
  if (gap >= PAUSE_WORDS * wordDots_ * unit_) paused_ = true;
  if (!decode) return;
  if (charOpen_ && gap >= CharSplit()) EmitChar();
  if (wordOpen_ && gap >= wordDots_ * unit_) {
    Emit(" ");
    wordOpen_ = false;
  }
}

// Holds a search filter's run; whether it was added as a run of its own.
bool CwDecoder::Hold(Search& s, bool mark, double length) {
  if (s.count == 0 && !mark) return false;  // silence before the first mark
  // A run too short for an element at any speed joins the runs either side of it.
  if (s.count > 0 && (length < 0.5 * MIN_UNIT || (s.runs[s.count - 1] > 0.0f) == mark)) {
    s.runs[s.count - 1] += static_cast<float>(s.runs[s.count - 1] > 0.0f ? length : -length);
    return false;
  }
  if (s.count == ACQUIRE_RUNS) {
    std::move(s.runs.begin() + 2, s.runs.end(), s.runs.begin());
    s.count -= 2;
  }
  s.runs[s.count++] = static_cast<float>(mark ? length : -length);
  return true;
}

// A first speed from a search filter's runs, once its marks stand clearly out of the noise and
// fall into two tight clusters, dots and dashes, the shorter gaps are about as long as the
// dots, and the filter is no longer than a dot; noise seldom does all that.
bool CwDecoder::Acquire(Search& s) {
  std::array<float, ACQUIRE_RUNS> marks{}, gaps{};
  int nm = 0, ng = 0;
  for (int k = 0; k < s.count; ++k) {
    if (s.runs[k] > 0.0f) marks[nm++] = s.runs[k];
    else gaps[ng++] = -s.runs[k];
  }
  const Levels& levels = s.filter.levels;
  if (nm < ACQUIRE_MARKS || levels.slowSignal < SQUELCH_OPEN * levels.slowNoise) return false;
  if (nm >= 2 * ACQUIRE_MARKS) {  // the oldest mark and gap make way
    std::move(s.runs.begin() + 2, s.runs.begin() + s.count, s.runs.begin());
    s.count -= 2;
  }
  const Clusters c = Cluster(marks, nm, 1.8);
  if (!c.two || c.lowCount < 2 || c.lowCount > nm - 2 || c.spread > MAX_SPREAD) return false;
  std::sort(gaps.begin(), gaps.begin() + ng);
  const double shortGap = gaps[ng / 4];
  if (shortGap < 0.4 * c.low || shortGap > 1.8 * c.low) return false;
  const double unit = 0.5 * (c.low + shortGap);
  if (unit < MIN_UNIT || unit > MAX_UNIT || s.filter.length > 1.3 * unit) return false;
  dotMark_ = c.low;
  dashMark_ = c.high;
  SetUnit(unit);
  return true;
}

// Means above and below the middle between them, found afresh over `n` values.
CwDecoder::Levels CwDecoder::LevelsOf(const float* v, int n) {
  Levels levels;
  levels.noise = *std::min_element(v, v + n);
  levels.signal = *std::max_element(v, v + n);
  for (int pass = 0; pass < 8; ++pass) {
    std::array<double, 2> total{}, count{};
    for (int k = 0; k < n; ++k) {
      const int high = v[k] > levels.Middle() ? 1 : 0;
      total[high] += v[k];
      count[high] += 1.0;
    }
    levels.noise = total[0] / std::max(count[0], 1.0);
    levels.signal = total[1] / std::max(count[1], 1.0);
  }
  levels.signalWeight = 32.0;
  levels.noiseWeight = 160.0;
  levels.slowSignal = levels.signal;
  levels.slowNoise = levels.noise;
  return levels;
}

// Decodes the baseband kept so far with the matched filter, from levels found over all of it.
void CwDecoder::Replay(bool checkUnit) {
  Remix();
  const double foundUnit = unit_;
  const int length = filter_.length;
  const std::int64_t first = std::max<std::int64_t>(envCount_ - RING, 0) + length;
  const int n = static_cast<int>(envCount_ - first);
  const auto at = [&](std::int64_t c) { return std::complex<double>(ring_[static_cast<std::size_t>(c & (RING - 1))]); };
  std::complex<double> sum{};
  for (std::int64_t c = first - length; c < first; ++c) sum += at(c);
  const std::complex<double> start = sum;
  for (int k = 0; k < n; ++k) {  // the carrier's offset first, from all of it
    sum += at(first + k) - at(first + k - length);
    carrier_.Turn(sum);
  }
  carrier_.Follow();
  std::array<float, RING> magnitude{}, coherent{}, alongs{};
  sum = start;
  for (int k = 0; k < n; ++k) {
    sum += at(first + k) - at(first + k - length);
    magnitude[k] = static_cast<float>(Magnitude(sum) / length + 1e-7);
  }
  filter_.levels = LevelsOf(magnitude.data(), n);
  // The carrier loop locks over it all, runs back to the start, locked, and forward again.
  const double level = filter_.levels.signal * length;
  const bool relock = filter_.levels.signal > RELOCK_CLEAR * filter_.levels.noise;
  sum = start;
  for (int k = 0; k < n; ++k) {
    sum += at(first + k) - at(first + k - length);
    carrier_.Project(sum, level, relock);
  }
  carrier_.frequency = -carrier_.frequency;
  for (int k = n - 1; k >= 0; --k) {
    carrier_.Project(sum, level, relock);
    sum -= at(first + k) - at(first + k - length);
  }
  carrier_.frequency = -carrier_.frequency;
  double relocks = 0.0;
  noiseSquares_ = 0.0;
  noiseWeight_ = 0.0;
  for (int k = 0; k < n; ++k) {
    sum += at(first + k) - at(first + k - length);
    coherent[k] = static_cast<float>(carrier_.Project(sum, level, relock) / length);
    if (carrier_.relocked) relocks += 1.0;
    alongs[k] = static_cast<float>(Along(at(first + k), length));
  }
  coherent_ = LevelsOf(coherent.data(), n);
  double along = 0.0, marks = 0.0;
  for (int k = 0; k < n; ++k) {
    if (magnitude[k] <= COHERENCE_MARK * filter_.levels.signal) continue;
    along += coherent[k] / magnitude[k];
    marks += 1.0;
  }
  marks += relocks * RELOCK_MARKS;  // each as that many mark samples off the carrier
  coherence_ = marks > 0.0 && filter_.levels.signal >= COHERENCE_CLEAR * filter_.levels.noise ? along / marks : 1.0;
  coherentKey_ = coherence_ >= REPLAY_COHERENT;
  const double apart = coherent_.signal - coherent_.noise, noise = std::sqrt(noiseSquares_);
  weak_ = apart < WEAK_SIGNAL * noise;
  keyerTrial_ = false;
  if (weak_ && coherentKey_) drift_ = 0.0;  // learned from the tracker's pitch (see Retune)
  const std::array<float, RING>& keyed = coherentKey_ ? coherent : magnitude;
  filter_.sum = sum;
  squelchOpen_ = true;
  // The timing is learned over it all first, so that even its first gaps are told apart.
  grid_.Reset();
  for (int pass = 0; pass < 2; ++pass) {
    if (pass == 1 && !weak_ && !handKeyed_ && apart * std::sqrt(FILTER_DOTS * unit_) < KEYER_SIGNAL * noise) {
      keyerTrial_ = weak_ = true;  // its matched filter, at the unit learned, sees it barely
    }
    if (pass == 1 && weak_ && coherentKey_) {
      // A weak signal's timing grid, sought over the baseband kept with the unit just learned.
      // Sought between the unit first found and the one learned, either of which may be the
      // wrong one. The magnitudes, which do not key this signal, make way for the evidence.
      std::array<float, RING>& evidence = magnitude;
      for (int k = 0; k < n; ++k) evidence[static_cast<std::size_t>(k)] = static_cast<float>(Evidence(alongs[static_cast<std::size_t>(k)]));
      if (checkUnit && grid_.Find(evidence.data(), n, UNIT_CHECK_SPAN * unit_, unit_) &&
          grid_.Unit() > (1.0 + UNIT_WRONG_SHARE) * unit_) {
        marks_.Clear();
        RestartTiming(grid_.Unit());
        dotMark_ = unit_;
        dashMark_ = 3.0 * unit_;
        Replay(false);  // the filters and levels of that unit, from the start
        return;
      }
      grid_.Find(evidence.data(), n, unit_, foundUnit);
      gridSoughtAt_ = unit_;
    }
    partial_ = first > length;  // the ring may begin within a character
    lastMark_ = 0.0;
    key_ = Key();
    key_.since = static_cast<double>(first) - 0.5 * length;
    trellis_.Reset(0, 0, 0, 0, SWITCH_COST);
    SetTrellisLengths();
    trellisUsed_ = false;
    for (int k = 0; k < n; ++k) Decide(keyed[k], alongs[k], static_cast<double>(first + k + 1) - 0.5 * length, pass == 0, pass == 1);
  }
  restarted_ = false;
  decodedUnit_ = unit_;
}

// The speed, first found, was soon found wrong: the text so far, all of it decoded at the wrong
// speed, gives way to the baseband kept decoded afresh at the right one.
void CwDecoder::Redo() {
  textTotal_ = 0;
  callLength_ = 0;
  elements_ = 0;
  code_ = 1;
  codeLength_ = 0;
  charOpen_ = wordOpen_ = spoilt_ = false;
  Replay();
}

// The newest baseband sample `z` along the carrier, whose phase the loop holds for the middle of
// the filter's window of `length`; the part across it goes into the noise's mean square.
double CwDecoder::Along(std::complex<double> z, int length) {
  const double turn = -carrier_.frequency * 0.5 * (length - 1);  // small: the rotation's first terms are enough
  const std::complex<double> r = z * std::conj(carrier_.phase) * std::complex<double>(1.0 - 0.5 * turn * turn, turn);
  noiseWeight_ = std::min(noiseWeight_ + 1.0, 1.0 / NOISE_WEIGHT);
  noiseSquares_ += (r.imag() * r.imag() - noiseSquares_) / noiseWeight_;
  return r.real();
}

// The carrier's turn over TURN_LAG envelope samples, from the products of filter outputs that
// far apart, which the marks dominate.
void CwDecoder::Carrier::Turn(std::complex<double> sum) {
  std::complex<double>& past = history[static_cast<std::size_t>(next)];
  const std::complex<double> product = sum * std::conj(past);
  turn = turn * (1.0 - TURN_WEIGHT) + product * Magnitude(product);
  past = sum;
  next = (next + 1) % TURN_LAG;
}

// The carrier's first frequency, from the turn measured so far.
void CwDecoder::Carrier::Follow() {
  if (turn != std::complex<double>()) frequency = std::arg(turn) / TURN_LAG;
}

// `sum` projected on the carrier's phase: a mark gives its amplitude, noise alone a value about
// 0 of either sign, and only half the noise of the magnitude gets through. The phase and
// frequency follow the marks in a second-order loop; `level` is a mark's magnitude, so that
// the loop's gain does not depend on the signal's strength.
double CwDecoder::Carrier::Project(std::complex<double> sum, double level, bool relock) {
  // A clear mark well off the phase (the first after a pause, which the loop could not follow)
  // takes its own: a mark half turned from the phase would read as a gap until the loop came
  // round. Not for weak signals, whose noise would take the phase as often.
  const double size = Magnitude(sum);
  relocked = relock && size > RELOCK_LEVEL * level && sum.real() * phase.real() + sum.imag() * phase.imag() < RELOCK_ALONG * size;
  if (relocked) phase = sum / size;
  const double along = sum.real() * phase.real() + sum.imag() * phase.imag();
  const double across = sum.imag() * phase.real() - sum.real() * phase.imag();
  const double error = level > 0.0 ? std::clamp(across * Magnitude(sum) / (level * level), -1.0, 1.0) : 0.0;
  frequency += LOOP_GAIN * LOOP_GAIN / 4.0 * error;
  // A mark far off the phase (the first after a long gap) pulls it in quicker.
  const double step = frequency + (std::abs(error) > 0.5 ? SNAP_GAIN : LOOP_GAIN) * error;  // small: the rotation's first terms are enough
  phase *= std::complex<double>(1.0 - 0.5 * step * step, step);
  phase *= 1.5 - 0.5 * std::norm(phase);  // back to length 1
  return along;
}

void CwDecoder::SetUnit(double unit) {
  unit_ = std::clamp(unit, MIN_UNIT, MAX_UNIT);
  const int length = std::clamp(static_cast<int>(std::lround(FILTER_DOTS * unit_)), 3, RING / 8);
  if (std::abs(length - filter_.length) * 8 <= filter_.length) return;  // small changes are not worth a jump
  filter_.length = length;
  filter_.scale = 1.0 / length;
  filter_.sum = {};
  for (int k = 1; k <= length; ++k) filter_.sum += std::complex<double>(ring_[static_cast<std::size_t>((envCount_ - k) & (RING - 1))]);
}

// The timing learned so far gives way to `unit`.
void CwDecoder::RestartTiming(double unit) {
  units_.Clear();
  dotUnits_.Clear();
  longGaps_.Clear();
  SetUnit(unit);
  wordDots_ = 5.0;
}

void CwDecoder::Learn(bool mark, double length) {
  if (mark) {
    if (length > 4.0 * dashMark_) return;  // a held key, not an element
    marks_.Add(length);
    const Clusters c = Cluster(marks_.value, marks_.count, 1.8);
    const double weight = dashMark_ / dotMark_;
    if (c.two) {
      dotMark_ = c.low;
      dashMark_ = c.high;
      // Dots unlike the dot time for a few marks in a row: the speed changed; start again from them.
      // Not to shorter dots on a weak signal, whose noise makes marks as short as its key lets
      // through, and would so shorten them further.
      const bool faster = c.low < 0.6 * unit_ && !(weak_ && coherentKey_);
      speedDoubts_ = c.low > 1.6 * unit_ || faster ? speedDoubts_ + 1 : 0;
      if (speedDoubts_ == 3) {
        speedDoubts_ = 0;
        RestartTiming(c.low);
        restarted_ = true;
      }
    } else if (c.low < 2.0 * unit_) {
      dotMark_ = c.low;
      dashMark_ = weight * c.low;
    } else {
      dashMark_ = c.low;
      dotMark_ = c.low / weight;
    }
    lastMark_ = length;
    return;
  }
  if (lastMark_ > 0.0 && length < CharSplit()) {
    const bool dash = lastMark_ * lastMark_ > dotMark_ * dashMark_;
    units_.Add((lastMark_ + length) / (dash ? 4.0 : 2.0));
    if (!dash) dotUnits_.Add((lastMark_ + length) / 2.0);
    SetUnit(units_.MiddleMean());
  } else if (lastMark_ > 0.0 && length < (longGaps_.count < 4 ? LONGEST_GAP : std::min(LONGEST_GAP, 3.0 * wordDots_)) * unit_) {
    // Character gaps (3 dots, more with Farnsworth spacing) and word gaps (7/3 of them) split
    // where their lengths cluster; while all are alike, they are taken for character gaps.
    // Held in dots, so that they follow a change of speed.
    longGaps_.Add(length / unit_);
    const Clusters c = Cluster(longGaps_.value, longGaps_.count, 1.6);
    wordDots_ = std::max(5.0, c.two ? std::sqrt(c.low * c.high) : 1.55 * c.low);
  }
  lastMark_ = 0.0;
}

void CwDecoder::Assemble(bool mark, double length) {
  if (mark) {
    charOpen_ = true;
    if (length > LONGEST_MARK * unit_ || codeLength_ == MORSE_MAX_ELEMENTS) {
      spoilt_ = true;
      return;
    }
    code_ = code_ * 2 + (length * length > dotMark_ * dashMark_ ? 1u : 0u);
    ++codeLength_;
    ++elements_;
    return;
  }
  if (charOpen_ && length >= CharSplit()) EmitChar();
  if (length >= CharSplit()) partial_ = false;
  if (wordOpen_ && length >= wordDots_ * unit_) {
    Emit(" ");
    wordOpen_ = false;
  }
}

void CwDecoder::EmitChar() {
  const std::string_view text = spoilt_ ? std::string_view("*") : MorseText(code_);
  code_ = 1;
  codeLength_ = 0;
  charOpen_ = spoilt_ = false;
  if (!squelchOpen_ || std::exchange(partial_, false)) return;
  Emit(text);
  wordOpen_ = true;
}

void CwDecoder::Emit(std::string_view s) {
  if (s == " ") {
    if (textTotal_ == 0 || Text().back() == ' ') return;
  }
  for (char c : s) {
    const auto at = static_cast<std::size_t>(textTotal_ % DECODED_TEXT_CHARS);
    text_[at] = text_[at + DECODED_TEXT_CHARS] = c;
    ++textTotal_;
  }
  if (s == " ") {
    const std::string_view call = FindCallsign(Text());
    if (!call.empty() && call.size() <= call_.size()) {
      std::copy(call.begin(), call.end(), call_.begin());
      callLength_ = static_cast<int>(call.size());
    }
  }
}

std::string_view CwDecoder::Text() const {
  if (textTotal_ <= DECODED_TEXT_CHARS) return {text_.data(), static_cast<std::size_t>(textTotal_)};
  return {text_.data() + textTotal_ % DECODED_TEXT_CHARS, static_cast<std::size_t>(DECODED_TEXT_CHARS)};
}

double CwDecoder::CarrierHz() const {
  if (unit_ == 0.0 || !coherentKey_) return 0.0;
  return pitchHz_ + carrier_.frequency * ENV_RATE / (2.0 * std::numbers::pi);
}

// A hand whose dashes are not three dots long (2.5 to 4) stretches or shrinks the unit that the
// timing is decided by, which weighs dashes too, but not the speed the operator keys: that comes
// from the dots alone once there are a few. (The dash's length over the dot's is taken from
// their difference, which a threshold that lengthens every mark leaves alone.)
double CwDecoder::Wpm() const {
  if (unit_ == 0.0) return 0.0;
  double unit = unit_;
  if (dotUnits_.count >= DOTS_FOR_SPEED) {
    const double dotUnit = dotUnits_.MiddleMean();
    if (std::abs((dashMark_ - dotMark_) / dotUnit - 2.0) > DASH_DOTS_OFF) unit = dotUnit;
  }
  return 1.2 * ENV_RATE / unit;
}

double CwDecoder::WordGapSeconds() const { return unit_ > 0.0 ? wordDots_ * unit_ / ENV_RATE : 0.0; }

int CwDecoder::Elements() const { return elements_; }

std::string_view CwDecoder::Callsign() const { return {call_.data(), static_cast<std::size_t>(callLength_)}; }

}  // namespace keblor
