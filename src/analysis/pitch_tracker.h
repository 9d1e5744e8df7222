#pragma once
// The pitch readout of one channel: the strongest tone of the last second, measured on the
// blocks that hold it and held through the key-up gaps of Morse.

#include <array>

#include "analysis/display_row_mapping.h"

namespace keblor {

inline constexpr double BIN_HZ = 10.0;          // 10240 frames a second over 1024 points
inline constexpr int PITCH_WINDOW_BLOCKS = 10;  // one second: the blocks a reading is made from
inline constexpr double PITCH_STEADY_HZ = 0.6;  // the least change of a reading

// Fixed-size state for one channel; nothing is allocated after construction.
//
// A tone is a bin whose mean magnitude over the last second stands out of its own
// neighbourhood (a few bins either side, the higher side counting, so that the slope of a CW
// filter or a noise hump is not taken for a tone) by six spreads of noise magnitudes averaged
// over as many blocks: noise alone shows a reading in a few pictures in a thousand. Of the
// tones found the strongest is read.
// Its pitch is the centre of the power within two bins of it, over the blocks in which it is
// keyed down: for any keying envelope and the Hann window that centre is the tone's frequency,
// so a block the key cut is read as well as a whole one, and weighs by its power. Blocks where
// the key was up are left out. That centre lies at the blocks' mean age, half a second back:
// a track of the pitch and its drift, taken block by block from each held block's own centre,
// carries it to the newest block, its drift shrunk while it is uncertain. A block far off the
// track, several in a row, starts a new track (the tone was retuned).
// A reading changes only when a new one differs from it by more than their uncertainty (and at
// least PITCH_STEADY_HZ), so that it does not flicker, or while the window still holds blocks
// from before a retune; it is held until a second after the last block that held the tone,
// then blanks.
class PitchTracker {
 public:
  PitchTracker();

  // One block's half spectrum (not an average): bins from 0 up, their magnitudes `scale` times
  // |re + i im|. The tone is looked for in bins 2..topBin (topBin <= 400); a topBin other than
  // the last one's starts afresh.
  void Push(const float* re, const float* im, float scale, int topBin);

  // The reading in Hz after the blocks pushed so far; 0 when there is none. Looks for the tone
  // only when blocks came since the last call, so a picture every few blocks costs less.
  double ReadHz();

  // Forgets every block and the reading.
  void Restart();

 private:
  struct Tone {
    int bin = 0;
    double floorMagnitude = 0.0;  // the neighbourhood's mean magnitude per block
  };
  struct Estimate {
    double hz = 0.0;
    double sigmaHz = 0.0;
    int newestAge = 0;  // blocks since the newest block that held the tone
    bool drifting = false;  // the track's drift stands well above its uncertainty
  };

  // The pitch followed block by block with its drift (a Kalman filter): hz and drift (Hz per
  // block) at the newest block tracked, and their covariance.
  struct Track {
    bool on = false;
    double hz = 0.0;
    double drift = 0.0;
    double p00 = 0.0, p01 = 0.0, p11 = 0.0;
    int offTrack = 0;  // blocks in a row that lay off the track
    int blocks = 0;    // blocks since the track started
    bool retuned = false;  // started because the tone moved off the track before
    void Predict();
    void Measure(double hz, double variance);
  };

  bool FindTone(Tone& tone);
  double FloorSum(int bin) const;
  bool EstimateTone(const Tone& tone, Estimate& estimate);

  std::array<SpectrumAccumulator, PITCH_WINDOW_BLOCKS> blocks_{};
  // Single precision, which takes half the time of double: sums_ over the blocks held, added to
  // and taken from as blocks come and go, and summed afresh now and then so that nothing drifts.
  SpectrumAccumulator sums_{};
  SpectrumAccumulator sides_{};  // sums of 8 neighbouring bins of sums_, from bin k up
  int sinceExact_ = 0;  // blocks since sums_ was summed afresh
  int count_ = 0;  // blocks held
  int next_ = 0;   // the slot the next block goes to
  int topBin_ = -1;
  int lastBin_ = 0;  // the highest bin kept: topBin_ and its neighbourhood
  double readingHz_ = 0.0;
  double readingSigmaHz_ = 0.0;
  int sinceToneBlocks_ = 0;  // blocks since the newest block that held the tone, at the last read
  int unreadBlocks_ = 0;     // blocks pushed since the last read
  Track track_;
  int untrackedBlocks_ = 0;  // blocks pushed since the track last went on
};

}  // namespace keblor
