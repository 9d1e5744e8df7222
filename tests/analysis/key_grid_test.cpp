// A weak machine-keyed signal decided on its timing grid: found between the units learned, and
// followed for minutes.

#include "analysis/key_grid.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/morse_table.h"

namespace keblor {
namespace {

// Random Morse-like keying on cells of `unit` samples from sample `start`: elements of one or
// three cells, gaps of one within a character, three between characters, seven between words.
std::vector<int> Keying(double unit, double start, int characters) {
  std::mt19937 random(5);
  std::vector<int> cells;
  for (int c = 0; c < characters; ++c) {
    const int elements = 1 + static_cast<int>(random() % 4);
    for (int e = 0; e < elements; ++e) {
      cells.insert(cells.end(), random() % 2 ? 3 : 1, 1);
      if (e + 1 < elements) cells.push_back(0);
    }
    cells.insert(cells.end(), random() % 5 == 0 ? 7 : 3, 0);
  }
  std::vector<int> key(static_cast<std::size_t>(start), 0);
  for (std::size_t k = 0; k < cells.size(); ++k) key.resize(static_cast<std::size_t>(start + static_cast<double>(k + 1) * unit), cells[k]);
  return key;
}

// Patterns ('.' and '-', a space between characters, '|' between words) keyed on cells of
// `unit` samples from sample `start`.
std::vector<int> KeyOf(std::string_view morse, double unit, double start) {
  std::vector<int> cells;
  for (std::size_t i = 0; i < morse.size(); ++i) {
    const char c = morse[i];
    if (c == '.' || c == '-') {
      cells.insert(cells.end(), c == '-' ? 3 : 1, 1);
      const bool more = i + 1 < morse.size() && (morse[i + 1] == '.' || morse[i + 1] == '-');
      if (more) cells.push_back(0);
    } else {
      cells.insert(cells.end(), c == '|' ? 7 : 3, 0);
    }
  }
  std::vector<int> key(static_cast<std::size_t>(start), 0);
  for (std::size_t k = 0; k < cells.size(); ++k) key.resize(static_cast<std::size_t>(start + static_cast<double>(k + 1) * unit), cells[k]);
  return key;
}

// Decided samples read back as patterns, as KeyOf writes them.
std::string PatternsOf(const std::vector<int>& decided, double unit) {
  std::string morse;
  std::size_t i = 0;
  while (i < decided.size() && decided[i] == 0) ++i;
  while (i < decided.size()) {
    std::size_t j = i;
    while (j < decided.size() && decided[j] == decided[i]) ++j;
    const double cells = static_cast<double>(j - i) / unit;
    if (decided[i]) {
      morse += cells > 2.0 ? '-' : '.';
    } else if (j < decided.size() && cells > 2.0) {
      morse += cells > 5.0 ? '|' : ' ';
    }
    i = j;
  }
  return morse;
}

// The characters of `got` that differ from `want`'s (edit distance, patterns as characters) over
// how many `want` has.
double CharacterErrors(const std::string& got, const std::string& want) {
  const auto split = [](const std::string& morse) {
    std::vector<std::string> characters(1);
    for (char c : morse) {
      if (c == '.' || c == '-') {
        characters.back() += c;
      } else if (!characters.back().empty()) {
        characters.emplace_back();
      }
    }
    if (characters.back().empty()) characters.pop_back();
    return characters;
  };
  const std::vector<std::string> a = split(got), b = split(want);
  std::vector<std::size_t> row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diagonal = row[0];
    row[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t up = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1])});
      diagonal = up;
    }
  }
  return static_cast<double>(row[b.size()]) / static_cast<double>(b.size());
}

// `key` in noise, as evidence: log p(mark) - log p(gap) of samples whose marks stand `mu` times
// above the noise of one.
std::vector<float> Evidence(const std::vector<int>& key, double mu) {
  std::mt19937 random(7);
  std::normal_distribution<double> noise(0.0, 1.0);
  std::vector<float> evidence(key.size());
  for (std::size_t i = 0; i < key.size(); ++i) evidence[i] = static_cast<float>(mu * (key[i] * mu + noise(random) - 0.5 * mu));
  return evidence;
}

// The share of samples from `from` to `to` decided unlike `key`. Samples, not characters: an edge
// a sample off counts.
double Errors(const std::vector<int>& decided, const std::vector<int>& key, std::size_t from, std::size_t to) {
  int wrong = 0;
  for (std::size_t i = from; i < to; ++i) wrong += decided[i] != key[i];
  return static_cast<double>(wrong) / static_cast<double>(to - from);
}

// A weak signal's speed, learned from its runs, can be a fifth off either way and the first found
// a third short: the grid is sought between the two and beyond, where at marks 0.9 times the
// noise of a sample finer grids fit it better, and found on the signal's own unit. It then
// decides four hundred characters, the last as well as the first, found afresh halfway near a
// unit learned 15 % long: it keeps its own unit, the samples kept, nothing decided twice or lost.
// Without the loop on the edges, the unit found a little off puts one sample in eight wrong.
// A slow signal's span may reach past the slowest unit a grid takes: the units within are tried.
TEST(KeyGrid, FoundOnItsOwnUnitBetweenTwoWrongOnesAndFollowed) {
  constexpr double UNIT = 12.8;
  const std::vector<int> key = Keying(UNIT, 3.1, 400);
  const std::vector<float> evidence = Evidence(key, 0.9);
  KeyGrid grid;
  ASSERT_TRUE(grid.Find(evidence.data(), 2000, UNIT * 1.2, UNIT * 0.64));
  EXPECT_NEAR(grid.Unit(), UNIT, 0.01 * UNIT);
  std::vector<int> decided;
  const auto take = [&](int n) {
    for (int k = 0; k < n; ++k) {
      EXPECT_EQ(grid.Value(k), static_cast<float>(decided.size()));
      decided.push_back(grid.Mark(k) ? 1 : 0);
    }
  };
  for (std::size_t i = 0; i < evidence.size(); ++i) {
    take(grid.Push(evidence[i], static_cast<float>(i)));
    if (i + 1 == key.size() / 2) take(grid.Refind(UNIT * 1.15));
  }
  take(grid.Finish());
  ASSERT_EQ(decided.size(), key.size());
  EXPECT_NEAR(grid.Unit(), UNIT, 0.01 * UNIT);
  EXPECT_LT(Errors(decided, key, 0, key.size() / 4), 0.08);
  EXPECT_LT(Errors(decided, key, 3 * key.size() / 4, key.size()), 0.08);

  constexpr double SLOW = 40.0;
  const std::vector<int> slowKey = Keying(SLOW, 3.1, 60);
  const std::vector<float> slowEvidence = Evidence(slowKey, 0.9);
  ASSERT_TRUE(grid.Find(slowEvidence.data(), static_cast<int>(slowEvidence.size()), 3.0 * SLOW * 0.7, SLOW * 0.7));
  EXPECT_NEAR(grid.Unit(), SLOW, 0.01 * SLOW);
}

// After a pause of 30.5 cells the keyer starts afresh, half a cell off the old grid: the grid is
// found again on its first marks. Left to the loop on the edges, a fifth of the samples of the
// next forty cells are wrong, and as many of the forty after.
TEST(KeyGrid, AKeyerStartingAfreshAfterAPauseIsMetOnItsNewGrid) {
  constexpr double UNIT = 12.8;
  std::vector<int> key = Keying(UNIT, 3.1, 120);
  const std::size_t resume = key.size() + static_cast<std::size_t>(30.5 * UNIT);
  key.resize(resume, 0);
  const std::vector<int> next = Keying(UNIT, 0.0, 120);
  key.insert(key.end(), next.begin(), next.end());
  const std::vector<float> evidence = Evidence(key, 0.9);
  KeyGrid grid;
  ASSERT_TRUE(grid.Find(evidence.data(), 2000, UNIT));
  std::vector<int> decided;
  for (std::size_t i = 0; i <= evidence.size(); ++i) {
    for (int k = 0, n = i < evidence.size() ? grid.Push(evidence[i], 0.0f) : grid.Finish(); k < n; ++k) decided.push_back(grid.Mark(k));
  }
  ASSERT_EQ(decided.size(), key.size());
  const auto cells = [&](double n) { return resume + static_cast<std::size_t>(n * UNIT); };
  EXPECT_LT(Errors(decided, key, resume, cells(40)), 0.08);
  EXPECT_LT(Errors(decided, key, cells(40), cells(80)), 0.08);
}

// The grid reads characters: at marks 0.9 times the noise of a sample, random letters and digits
// come out a fifth wrong, where a key that takes every pattern of up to six elements as alike
// gets two in five wrong. A pattern that is no character, keyed clearly, is still decided as keyed.
TEST(KeyGrid, ReadsMorseCharactersAndKeepsAClearPatternOutsideThem) {
  constexpr double UNIT = 12.8;
  std::mt19937 random(3);
  std::string morse;
  for (int c = 0; c < 300; ++c) {
    const char symbol = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"[random() % 36];
    morse += MorsePattern(std::string_view(&symbol, 1));
    morse += random() % 5 == 0 ? '|' : ' ';
  }
  std::vector<int> key = KeyOf(morse, UNIT, 3.1);
  KeyGrid grid;
  const auto decide = [&](const std::vector<float>& evidence) {
    std::vector<int> decided;
    EXPECT_TRUE(grid.Find(evidence.data(), std::min<int>(2000, static_cast<int>(evidence.size())), UNIT));
    for (std::size_t i = 0; i <= evidence.size(); ++i) {
      for (int k = 0, n = i < evidence.size() ? grid.Push(evidence[i], 0.0f) : grid.Finish(); k < n; ++k) decided.push_back(grid.Mark(k));
    }
    return decided;
  };
  const std::vector<int> weak = decide(Evidence(key, 0.9));
  ASSERT_EQ(weak.size(), key.size());
  EXPECT_LT(CharacterErrors(PatternsOf(weak, UNIT), morse), 0.3);

  key = KeyOf("-.-. --.- ..-- -.. . ..-- ..--|-.-. --.- ..-- ", UNIT, 3.1);
  const std::vector<int> clear = decide(Evidence(key, 3.0));
  ASSERT_EQ(clear.size(), key.size());
  EXPECT_EQ(PatternsOf(clear, UNIT), "-.-. --.- ..-- -.. . ..-- ..--|-.-. --.- ..--");
}

}  // namespace
}  // namespace keblor
