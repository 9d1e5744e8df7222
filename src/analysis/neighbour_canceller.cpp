#include "analysis/neighbour_canceller.h"

#include <algorithm>
#include <cmath>

namespace keblor {
namespace {

constexpr float FULL = 0.85f;   // of the span's level: the span lies in a mark
constexpr float WHOLE = 0.95f;  // of the span's level: no edge in the span, which then teaches the mark amplitude
constexpr float EMPTY = 0.15f;  // of the span's level: the span lies in a gap
constexpr float NEAR = 0.25f;   // of the mark amplitude: the most by which a sample behind an edge is near its mark or gap
constexpr float MOST = 1.2f;    // of the mark amplitude: the most taken out behind an edge
constexpr float STRONGER = 12.0f;  // a neighbour's level over this signal's: only such are taken out
constexpr double MOVED = 0.06;  // a turn per sample that moves this far (3 Hz) is another neighbour's
constexpr float MARK_WEIGHT = 1.0f / 16.0f;          // of a span in a mark in the mark amplitude
constexpr float LEVEL_DECAY = 1.0f - 1.0f / 320.0f;  // per sample: a neighbour's level halves in about 0.7 s
constexpr float OWN_DECAY = 1.0f - 1.0f / 3200.0f;   // per sample: this signal's in about 7 s

}  // namespace

void NeighbourCanceller::SetTurns(const std::complex<double>* turns, int count) {
  for (int n = 0; n < MAX_NEIGHBOURS; ++n) {
    Stage& stage = stages_[static_cast<std::size_t>(n)];
    const bool used = n < count;
    // A neighbour new to its place: its levels are learned afresh, and so is this signal's,
    // which the neighbour's edges may have raised while it was not taken out.
    if (used != stage.used || (used && std::abs(turns[n] - stage.turn) > MOVED)) {
      stage.level = stage.mark = 0.0f;
      ownLevel_ = 0.0f;
    }
    stage.used = used;
    if (!used) continue;
    stage.turn = turns[n];
    for (int k = 0; k < SPAN; ++k) stage.align[static_cast<std::size_t>(k)] = std::complex<float>(std::pow(turns[n], k - SPAN / 2) / static_cast<double>(SPAN));
  }
}

std::complex<float> NeighbourCanceller::Next(std::complex<float> z) {
  const float ownSize = std::sqrt(ownLevel_);
  for (Stage& stage : stages_) z = stage.Next(z, next_, ownLevel_, ownSize);
  outputs_[static_cast<std::size_t>(next_)] = z;
  next_ = next_ + 1 == SPAN ? 0 : next_ + 1;
  float re = 0.0f, im = 0.0f;
  for (const std::complex<float> o : outputs_) {
    re += o.real();
    im += o.imag();
  }
  ownLevel_ = std::max((re * re + im * im) * (1.0f / (SPAN * SPAN)), ownLevel_ * OWN_DECAY);
  return z;
}

std::complex<float> NeighbourCanceller::Stage::Next(std::complex<float> z, int at, float ownLevel, float ownSize) {
  inputs[static_cast<std::size_t>(at)] = z;
  const auto back = [&](int k) { return inputs[static_cast<std::size_t>((at - k) & (SPAN - 1))]; };
  const std::complex<float> out = back(SPAN / 2);
  if (!used) return out;
  // In real arithmetic: a complex product would check for infinities each time.
  float re = 0.0f, im = 0.0f;
  for (int k = 0; k < SPAN; ++k) {
    const std::complex<float> x = back(k), w = align[static_cast<std::size_t>(k)];
    re += x.real() * w.real() - x.imag() * w.imag();
    im += x.real() * w.imag() + x.imag() * w.real();
  }
  const std::complex<float> a{re, im};
  const float power = re * re + im * im;
  level = std::max(power, level * LEVEL_DECAY);
  if (level < STRONGER * ownLevel || power <= EMPTY * EMPTY * level) return out;
  const float size = std::sqrt(power);
  const std::complex<float> along = a / size;
  if (power >= FULL * FULL * level) {
    if (power >= WHOLE * WHOLE * level) mark += (size - mark) * (mark == 0.0f ? 1.0f : MARK_WEIGHT);
    return out - mark * along;
  }
  // An edge lies in the span: the sample is taken for one in the neighbour's mark, or in its
  // gap, where its part along the neighbour's phase lies near either; between them that part is
  // all neighbour.
  const float part = out.real() * along.real() + out.imag() * along.imag();  // along the neighbour's phase
  const float near = std::min(NEAR * mark, ownSize);
  if (part > mark - near) return out - mark * along;
  if (part > near) return out - std::min(part, MOST * mark) * along;
  return out;
}

}  // namespace keblor
