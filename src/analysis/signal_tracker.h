#pragma once
// Every CW signal of one channel, found in the per-block half spectra and followed while it is
// heard: the pitch readout's tracker (pitch_tracker.h) generalised from the strongest tone to
// all of them.

#include <array>
#include <cmath>

#include "analysis/display_row_mapping.h"

namespace keblor {

inline constexpr int MAX_SIGNALS = 16;              // per channel
inline constexpr double BLOCK_SECONDS = 0.1;        // 1024 frames at 10240 Hz
inline constexpr int SIGNAL_WINDOW_BLOCKS = 20;     // two seconds: the mean a signal is found in
inline constexpr int SIGNAL_PITCH_BLOCKS = 10;      // the key-down blocks a pitch is read from
inline constexpr double SIGNAL_SILENCE_SECONDS = 60.0;  // a signal unheard this long leaves
inline constexpr double PITCH_STEP_HZ = 0.3;  // the least change of a shown pitch

// A shown pitch (0: none yet) that moves to `hz`, to 0.1 Hz, only when that is more than
// PITCH_STEP_HZ away, so that a steady tone's number does not flicker.
inline double SteadyPitch(double shownHz, double hz) {
  if (shownHz != 0.0 && std::fabs(hz - shownHz) <= PITCH_STEP_HZ) return shownHz;
  return std::round(hz * 10.0) / 10.0;
}

struct TrackedSignal {
  int id = 0;                 // 0 until listed; then stable while heard, never reused
  bool listed = false;        // confirmed; a candidate (or a free slot) until then
  double hz = 0.0;            // pitch, steadied to PITCH_STEP_HZ
  double snrDb = 0.0;         // its key-down power over the noise in 500 Hz
  double firstSeconds = 0.0;  // stream time at which it was listed
  double lastSeconds = 0.0;   // stream time of its last key-down block
};

// Fixed-size state for one channel; nothing is allocated after construction.
//
// The noise floor: per block, a low quantile of each run of sixteen bins, followed quickly down
// and slowly up (blocks in which the signals there are keyed up count most; quickly, until it
// meets it, after a tenfold jump, as when noise starts after digital silence), each run taking the
// higher of its own and its neighbours' levels (so that the slope of a receiver's filter is not
// taken for a signal). A signal is found where the two-second mean magnitude peaks and stands out
// of that floor by eight spreads of a mean of noise (an hour of noise lists nothing), and not
// within 100 Hz of a peak 16.5 dB stronger (its keying sidebands). It is listed once it has
// stood for half a second and been keyed down in three blocks in which no signal near it was ten
// times stronger. Each signal then reads its own blocks: a block is keyed down when the power
// within two bins of it (not past halfway to a neighbour) stands out of the noise; its pitch is
// the centre of that power over its last key-down blocks (for any keying envelope and the Hann
// window that centre is the tone's frequency), carried on by the drift those centres show. It
// leaves after SIGNAL_SILENCE_SECONDS without a key-down block.
class SignalTracker {
 public:
  SignalTracker();

  // One block's half spectrum magnitudes, bins 0..topBin (topBin <= ACCUMULATED_BINS - 1), on
  // any scale that stays the same from block to block. A topBin other than the last one's
  // starts afresh.
  void Push(const float* magnitudes, int topBin);

  // Forgets every block and signal; ids go on counting.
  void Reset();

  // Slots, each free, a candidate or a listed signal (id not 0); a signal keeps its slot.
  const TrackedSignal& Slot(int slot) const { return tracks_[static_cast<std::size_t>(slot)].signal; }
  // The listed signals sorted by pitch: Listed(i) is a slot number, i < ListedCount().
  int ListedCount() const { return listedCount_; }
  int Listed(int i) const { return listed_[static_cast<std::size_t>(i)]; }

  double Seconds() const { return blocks_ * BLOCK_SECONDS; }  // stream time after the blocks pushed

 private:
  struct Track {
    TrackedSignal signal;
    int bin = 0;                   // the bin nearest its pitch
    double pitchHz = 0.0;          // unsteadied estimate
    double driftHzPerBlock = 0.0;
    int lastKeyedBlock = 0;
    bool keyedNow = false;         // the last block was keyed down
    bool overNoise = false;        // the last block stood out of the noise
    double blockNoise = 0.0;       // the noise's power in its lobe
    double blockPower = 0.0;       // the last block's lobe power over the noise
    double blockMoment = 0.0;      // its moment about the bin, in bins
    double nearPeak = 0.0;         // the block's strongest bin power beside the lobe, over its falloff
    double keyDownPower = 0.0;     // lobe power over the noise in key-down blocks
    double recentPower = 0.0;      // the same as it is now, sunk into a fade
    // The last key-down blocks: the centre of their power, its weight and when.
    std::array<double, SIGNAL_PITCH_BLOCKS> centreHz{};
    std::array<double, SIGNAL_PITCH_BLOCKS> weight{};
    std::array<int, SIGNAL_PITCH_BLOCKS> block{};
    int standing = 0;              // blocks in a row its bin stood out, while a candidate
    int keyedBlocks = 0;
    int aloneBlocks = 0;           // keyed down with no much stronger neighbour keyed
  };

  void UpdateFloor(const float* magnitudes);
  double Floor(int bin) const { return floor_[static_cast<std::size_t>(bin)]; }
  double NoisePower(int bin) const;  // the noise's mean power in a bin, from its floor
  void Follow(Track& track, const float* magnitudes);
  void Settle(Track& track);
  void KeyedBlock(Track& track, double total, double moment, bool alone);
  void Find();
  bool Stands(int bin) const;
  bool KeyedAlone(const Track& track) const;
  void Sort();

  std::array<Track, MAX_SIGNALS> tracks_{};
  std::array<int, MAX_SIGNALS> listed_{};
  int listedCount_ = 0;
  int nextId_ = 1;
  int blocks_ = 0;  // over six years of blocks

  std::array<SpectrumAccumulator, SIGNAL_WINDOW_BLOCKS> window_{};
  SpectrumAccumulator sums_{};
  int count_ = 0;  // blocks in window_
  double gate_ = 0.0;  // a mean standing out of the floor by this factor stands
  int next_ = 0;
  int sinceExact_ = 0;
  int topBin_ = -1;
  int lastBin_ = 0;
  static constexpr int FLOOR_SEGMENTS = (ACCUMULATED_BINS + 15) / 16;
  std::array<double, FLOOR_SEGMENTS> segmentFloor_{};  // mean noise magnitude per block
  std::array<bool, FLOOR_SEGMENTS> segmentCatching_{};  // rising fast to noise far above it
  SpectrumAccumulator floor_{};
  bool floorStarted_ = false;
};

}  // namespace keblor
