#pragma once
// One channel's skimmer: every CW signal the tracker lists, each with a decoder of its own.

#include <array>
#include <cstdint>
#include <string_view>
#include <type_traits>

#include "analysis/cw_decoder.h"
#include "analysis/fft_engine.h"
#include "analysis/signal_tracker.h"

namespace keblor {

// A listed signal as the operator sees it. text and call view the decoder's state: valid until
// the next Push or Reset.
struct HeardSignal {
  int id = 0;                // stable while heard; never reused within a run
  double hz = 0.0;           // pitch at its last key-down, 0.1 Hz, steadied (see SteadyPitch)
  double snrDb = 0.0;        // in a 500 Hz bandwidth
  double wpm = 0.0;          // 0 until known
  double firstSeconds = 0.0; // stream time at which it was first listed
  double lastSeconds = 0.0;  // stream time of its last key-down
  std::string_view text;     // the last DECODED_TEXT_CHARS characters decoded
  std::string_view call;
};

// Fixed-size state (large: keep it off the stack); nothing is allocated after construction. A
// decoder is built in its place when a signal first takes its slot, so that, made without value
// initialisation (std::make_unique_for_overwrite), a skimmer is resident only as far as signals
// have used it: a quiet band's skimmer takes a few of its 16 decoders' memory, not all of it.
// A signal's decoder starts when the signal is listed and first hears the last
// SKIMMER_REPLAY_BLOCKS blocks, so the text begins at the signal's first key-down.
inline constexpr int SKIMMER_REPLAY_BLOCKS = 40;
// A signal listed beside a decoder's signal and much stronger (RESTART_DB in SNR, within
// RESTART_HZ) starts that decoder afresh, with the new neighbour taken out from the first block
// it hears, while the blocks kept (SKIMMER_HISTORY_BLOCKS) still reach back to that block.
inline constexpr int SKIMMER_HISTORY_BLOCKS = 100;
inline constexpr double RESTART_DB = 9.0;
inline constexpr double RESTART_HZ = 160.0;
// A signal's decoder hears the channel only while the signal has been keyed down within this
// long: longer than a word's gap at 5 WPM, so its last word is written, and short enough that a
// stronger neighbour heard through the filter once it falls silent writes no text of its own.
inline constexpr double DECODE_HOLD_SECONDS = 2.5;
// Once the decoder hears a pause (CwDecoder::Paused), it stops hearing this many of its word gaps
// after the last key-down instead, so that noise between overs writes nothing.
inline constexpr double PAUSE_HOLD_WORDS = 3.0;
// When the signal comes back, its decoder first hears up to this many of the blocks it missed, so
// that it meets the first mark with its filters settled on what came before.
inline constexpr int DECODE_LEAD_BLOCKS = 10;

class Skimmer {
 public:
  void Reset();
  // One block: its samples (float, full scale +-1, FFT_SIZE of them) and its half spectrum
  // magnitudes (bins 0..topBin) on any scale that stays the same from block to block.
  void Push(const float* samples, const float* halfSpectrumMagnitudes, int topBin);
  int Count() const { return tracker_.ListedCount(); }
  HeardSignal Signal(int i) const;  // i < Count(), sorted by pitch
  double Seconds() const { return tracker_.Seconds(); }  // stream time of the blocks pushed

 private:
  void Replay(CwDecoder& decoder, int count, const float* newest);
  bool StrongerListed(int slot) const;  // a much stronger signal near it was listed this block

  SignalTracker tracker_;
  // A decoder's place, left uninitialised (so untouched) until its slot is first used.
  union DecoderPlace {
    DecoderPlace() {}
    CwDecoder decoder;
  };
  static_assert(std::is_trivially_destructible_v<CwDecoder>);
  CwDecoder& DecoderOf(std::size_t slot);  // built on first use
  std::array<DecoderPlace, MAX_SIGNALS> decoders_;
  std::array<bool, MAX_SIGNALS> built_{};
  std::array<int, MAX_SIGNALS> decoderIds_{};    // the signal each decoder decodes; 0 none
  std::array<double, MAX_SIGNALS> decoderHz_{};  // the pitch it is tuned to
  // Each signal's pitch as shown: its decoder's carrier once that is known, else the tracker's, as
  // at its last key-down.
  std::array<double, MAX_SIGNALS> heardHz_{};
  std::array<int, MAX_SIGNALS> unheard_{};       // blocks its decoder did not hear since it last did
  std::array<bool, MAX_SIGNALS> fresh_{};        // listed this block
  std::array<int, MAX_SIGNALS> heardFrom_{};     // blocks pushed before the first its decoder heard
  // The blocks kept for replay, as 16-bit samples: what a sound card gives, at half the memory.
  std::array<std::array<std::int16_t, FFT_SIZE>, SKIMMER_HISTORY_BLOCKS> history_{};
  std::array<float, FFT_SIZE> replayBlock_{};  // one kept block as the decoders hear it
  int historyNext_ = 0;
  int historyCount_ = 0;
  int blocks_ = 0;  // pushed since the reset
};

}  // namespace keblor
