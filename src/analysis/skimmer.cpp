#include "analysis/skimmer.h"

#include <algorithm>
#include <cmath>
#include <memory>

namespace keblor {

namespace {
// How long a decoder hears the channel after its signal's last key-down: long enough to read on
// through a fade that the tracker misses, short once the decoder too hears a pause.
double HoldSeconds(const CwDecoder& decoder) {
  const double word = decoder.WordGapSeconds();
  if (!decoder.Paused() || word == 0.0) return DECODE_HOLD_SECONDS;
  return std::min(PAUSE_HOLD_WORDS * word, DECODE_HOLD_SECONDS);
}
}  // namespace

void Skimmer::Reset() {
  tracker_.Reset();
  decoderIds_.fill(0);
  decoderHz_.fill(0.0);
  heardHz_.fill(0.0);
  unheard_.fill(0);
  historyNext_ = 0;
  historyCount_ = 0;
  blocks_ = 0;
}

void Skimmer::Push(const float* samples, const float* halfSpectrumMagnitudes, int topBin) {
  std::transform(samples, samples + FFT_SIZE, history_[static_cast<std::size_t>(historyNext_)].begin(), [](float x) {
    return static_cast<std::int16_t>(std::lrint(std::clamp(x * 32768.0f, -32768.0f, 32767.0f)));
  });
  historyNext_ = historyNext_ + 1 == SKIMMER_HISTORY_BLOCKS ? 0 : historyNext_ + 1;
  historyCount_ = std::min(historyCount_ + 1, SKIMMER_HISTORY_BLOCKS);
  ++blocks_;
  tracker_.Push(halfSpectrumMagnitudes, topBin);
  // Every listed signal's pitch: each decoder's neighbours (its own, 0 Hz away, it leaves out).
  // The carriers' pitches put the nulls deeper than the tracker's could.
  std::array<double, MAX_SIGNALS> pitches{};
  int listed = 0;
  for (int slot = 0; slot < MAX_SIGNALS; ++slot) {
    const auto i = static_cast<std::size_t>(slot);
    const TrackedSignal& signal = tracker_.Slot(slot);
    if (signal.id != 0) pitches[static_cast<std::size_t>(listed++)] = signal.id == decoderIds_[i] ? heardHz_[i] : signal.hz;
    fresh_[i] = signal.id != 0 && signal.id != decoderIds_[i];
  }

  for (int slot = 0; slot < MAX_SIGNALS; ++slot) {
    const auto i = static_cast<std::size_t>(slot);
    const TrackedSignal& signal = tracker_.Slot(slot);
    if (signal.id == 0) {
      decoderIds_[i] = 0;
      heardHz_[i] = 0.0;
      continue;
    }
    const bool restart = signal.id == decoderIds_[i] && blocks_ - heardFrom_[i] <= historyCount_ && StrongerListed(slot);
    if (signal.id != decoderIds_[i] || restart) {
      // A signal just listed, or one whose decoder starts again (see RESTART_DB): its decoder hears
      // the blocks kept since it first heard any, this one included.
      const int count = restart ? blocks_ - heardFrom_[i] : std::min(historyCount_, SKIMMER_REPLAY_BLOCKS);
      if (!restart) {
        decoderIds_[i] = signal.id;
        decoderHz_[i] = signal.hz;
        heardHz_[i] = 0.0;
        heardFrom_[i] = blocks_ - count;
      }
      unheard_[i] = 0;
      CwDecoder& decoder = DecoderOf(i);
      decoder.Start(decoderHz_[i]);
      decoder.SetNeighbours(pitches.data(), listed);
      Replay(decoder, count, samples);
    } else if (tracker_.Seconds() - signal.lastSeconds > HoldSeconds(decoders_[i].decoder)) {
      ++unheard_[i];
    } else {
      // The blocks missed that it does not hear now pass it by, so that it meets a drifting
      // tone where the tracker found it.
      const int lead = std::min({unheard_[i], DECODE_LEAD_BLOCKS, historyCount_ - 1});
      CwDecoder& decoder = decoders_[i].decoder;
      if (unheard_[i] > lead) decoder.Skip((unheard_[i] - lead) * FFT_SIZE);
      if (signal.hz != decoderHz_[i]) {
        decoderHz_[i] = signal.hz;
        decoder.Retune(signal.hz);
      }
      decoder.SetNeighbours(pitches.data(), listed);
      Replay(decoder, lead + 1, samples);
      unheard_[i] = 0;
    }
    // As it was at its last key-down: after that the tracker and the carrier loop alike carry a
    // drift on through the silence, which may be long.
    const bool keyed = tracker_.Seconds() - signal.lastSeconds < 0.5 * BLOCK_SECONDS;
    const double carrierHz = decoders_[i].decoder.CarrierHz();
    if (keyed || heardHz_[i] == 0.0) heardHz_[i] = SteadyPitch(heardHz_[i], carrierHz != 0.0 ? carrierHz : signal.hz);
  }
}

bool Skimmer::StrongerListed(int slot) const {
  const TrackedSignal& own = tracker_.Slot(slot);
  for (int other = 0; other < MAX_SIGNALS; ++other) {
    const TrackedSignal& s = tracker_.Slot(other);
    if (fresh_[static_cast<std::size_t>(other)] && std::abs(s.hz - own.hz) < RESTART_HZ && s.snrDb >= own.snrDb + RESTART_DB) return true;
  }
  return false;
}

CwDecoder& Skimmer::DecoderOf(std::size_t slot) {
  if (!built_[slot]) std::construct_at(&decoders_[slot].decoder);
  built_[slot] = true;
  return decoders_[slot].decoder;
}

// The last `count` blocks kept, this one (`newest`, as it came) the last of them.
void Skimmer::Replay(CwDecoder& decoder, int count, const float* newest) {
  int block = (historyNext_ - count + SKIMMER_HISTORY_BLOCKS) % SKIMMER_HISTORY_BLOCKS;
  for (int n = 0; n < count - 1; ++n) {
    const auto& kept = history_[static_cast<std::size_t>(block)];
    std::transform(kept.begin(), kept.end(), replayBlock_.begin(), [](std::int16_t x) { return x * (1.0f / 32768.0f); });
    decoder.Push(replayBlock_.data(), FFT_SIZE);
    block = block + 1 == SKIMMER_HISTORY_BLOCKS ? 0 : block + 1;
  }
  decoder.Push(newest, FFT_SIZE);
}

HeardSignal Skimmer::Signal(int i) const {
  const int slot = tracker_.Listed(i);
  const TrackedSignal& s = tracker_.Slot(slot);
  const CwDecoder& decoder = decoders_[static_cast<std::size_t>(slot)].decoder;  // built when the signal was listed
  return {s.id, heardHz_[static_cast<std::size_t>(slot)], s.snrDb, decoder.Wpm(), s.firstSeconds, s.lastSeconds, decoder.Text(), decoder.Callsign()};
}

}  // namespace keblor
