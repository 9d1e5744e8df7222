#pragma once
// Morse keyed as a test signal: text to a sine at a pitch with raised-cosine edges, at a speed,
// weight and Farnsworth spacing, in seeded white Gaussian noise at an SNR measured in 500 Hz;
// and the character error rate of a decoded text.

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/cw_decoder.h"
#include "analysis/morse_table.h"

namespace keblor {

struct Keying {
  double pitchHz = 700.0;      // at the start
  double driftHzPerSecond = 0.0;
  bool markPhases = false;     // each mark starts at a phase of its own, not one running carrier
  double wpm = 25.0;           // character speed: a dot lasts 1.2 / wpm seconds
  double farnsworthWpm = 0.0;  // the slower overall speed the gaps are stretched to; 0: none
  double dashDots = 3.0;       // the dash's length in dots
  double jitter = 0.0;         // each element and gap lengthened or shortened by up to this share
  double snrDb = 200.0;        // tone power over the noise power in 500 Hz
  double amplitude = 0.25;
  unsigned seed = 1;
  double leadSeconds = 0.5;    // of noise alone before the first mark
};

// When the key is down while `text` is keyed from `start` seconds: the marks' start and end, and
// the end of the last character's gap. Letters, digits, punctuation, prosigns written "<AR>", any
// pattern written "[.-..-]", spaces between words.
struct KeyedText {
  std::vector<std::pair<double, double>> marks;
  double end = 0.0;
};
inline KeyedText KeyMarks(std::string_view text, const Keying& k, double start) {
  const double dot = 1.2 / k.wpm;
  // Farnsworth: the extra time of a word spread over its 19 units of character and word gaps.
  const double spread = k.farnsworthWpm > 0.0 ? (60.0 * k.wpm - 37.2 * k.farnsworthWpm) / (k.wpm * k.farnsworthWpm) / 19.0 : dot;
  std::mt19937 random(k.seed + 1);
  std::uniform_real_distribution<double> jitter(-k.jitter, k.jitter);
  KeyedText keyed;
  double t = start;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == ' ') {
      t += 4.0 * spread;  // with the character gap before it, 7
      continue;
    }
    std::size_t n = 1;
    if (text[i] == '<' || text[i] == '[') n = text.find(text[i] == '<' ? '>' : ']', i) - i + 1;
    const std::string_view pattern = text[i] == '[' ? text.substr(i + 1, n - 2) : MorsePattern(text.substr(i, n));
    for (char e : pattern) {
      const double length = (e == '-' ? k.dashDots : 1.0) * dot * (1.0 + jitter(random));
      keyed.marks.emplace_back(t, t + length);
      t += length + dot * (1.0 + jitter(random));
    }
    t += 3.0 * spread - dot;
    i += n - 1;
  }
  keyed.end = t;
  return keyed;
}

// The key at `s` seconds for the marks of `keyed`, from `m` on (moved past the marks that have
// ended): 0 up, 1 down, raised-cosine edges of 5 ms centred on the marks' ends.
inline double KeyAt(const KeyedText& keyed, double s, std::size_t& m) {
  constexpr double edge = 0.005;
  while (m < keyed.marks.size() && keyed.marks[m].second + edge < s) ++m;
  if (m >= keyed.marks.size()) return 0.0;
  const double up = std::clamp((s - keyed.marks[m].first + edge / 2) / edge, 0.0, 1.0);
  const double down = std::clamp((keyed.marks[m].second + edge / 2 - s) / edge, 0.0, 1.0);
  return 0.5 - 0.5 * std::cos(std::numbers::pi * std::min(up, down));
}

// `text` keyed after k.leadSeconds of silence and followed by two seconds of it.
inline std::vector<float> KeyedCw(std::string_view text, const Keying& k) {
  const double rate = CW_SAMPLE_RATE;
  const KeyedText keyed = KeyMarks(text, k, k.leadSeconds);
  std::mt19937 random(k.seed);
  const double t = keyed.end;
  std::vector<float> x(static_cast<std::size_t>((t + 2.0) * rate));
  std::normal_distribution<double> noise(0.0, k.amplitude * std::sqrt(0.5 * rate / 2.0 / 500.0 * std::pow(10.0, -k.snrDb / 10.0)));
  std::size_t m = 0;
  for (std::size_t i = 0; i < x.size(); ++i) {
    const double s = static_cast<double>(i) / rate;
    const double key = KeyAt(keyed, s, m);
    const double cycles = (k.pitchHz + 0.5 * k.driftHzPerSecond * s) * s + (k.markPhases ? 0.37 * static_cast<double>(m * m) : 0.0);
    x[i] = static_cast<float>(key * k.amplitude * std::sin(2.0 * std::numbers::pi * cycles) + noise(random));
  }
  return x;
}

// `x` through a decoder at `pitchHz`, in blocks of 1024.
inline std::string Decode(const std::vector<float>& x, double pitchHz, CwDecoder& d) {
  d.Start(pitchHz);
  for (std::size_t i = 0; i < x.size(); i += 1024) d.Push(x.data() + i, static_cast<int>(std::min<std::size_t>(1024, x.size() - i)));
  return std::string(d.Text());
}

// Edits (insertions, deletions, substitutions) from `sent` to `got`, each without spaces at its
// ends, over the length of `sent`.
inline double CharacterErrorRate(std::string_view sent, std::string_view got) {
  auto trim = [](std::string_view s) {
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
  };
  sent = trim(sent);
  got = trim(got);
  std::vector<std::size_t> row(got.size() + 1), next(got.size() + 1);
  for (std::size_t j = 0; j <= got.size(); ++j) row[j] = j;
  for (std::size_t i = 1; i <= sent.size(); ++i) {
    next[0] = i;
    for (std::size_t j = 1; j <= got.size(); ++j)
      next[j] = std::min({row[j] + 1, next[j - 1] + 1, row[j - 1] + (sent[i - 1] == got[j - 1] ? 0 : 1)});
    std::swap(row, next);
  }
  return static_cast<double>(row[got.size()]) / static_cast<double>(std::max<std::size_t>(sent.size(), 1));
}

}  // namespace keblor
