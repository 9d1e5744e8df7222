#include "analysis/callsign.h"

#include <array>
#include <cstddef>

namespace keblor {
namespace {

bool IsLetter(char c) { return c >= 'A' && c <= 'Z'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsWordChar(char c) { return IsLetter(c) || IsDigit(c) || c == '/'; }

bool IsCore(std::string_view s) {
  if (s.size() < 3 || s.size() > 7) return false;
  const std::size_t digit = s.find_last_of("0123456789");
  if (digit == std::string_view::npos || digit == 0 || digit > 3) return false;
  const std::size_t suffix = s.size() - digit - 1;
  if (suffix < 1 || suffix > 4) return false;
  bool letter = false;
  for (std::size_t i = 0; i < digit; ++i) {
    if (!IsLetter(s[i]) && !IsDigit(s[i])) return false;
    letter = letter || IsLetter(s[i]);
  }
  return letter;
}

bool IsModifier(std::string_view s) {
  if (s.empty() || s.size() > 4) return false;
  for (char c : s)
    if (!IsLetter(c) && !IsDigit(c)) return false;
  return true;
}

// The text's words, as views; at most WORDS, the latest kept.
constexpr std::size_t WORDS = 64;
struct Words {
  std::array<std::string_view, WORDS> word{};
  std::size_t count = 0;
};

Words Split(std::string_view text) {
  Words w;
  std::size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && !IsWordChar(text[i])) ++i;
    const std::size_t start = i;
    while (i < text.size() && IsWordChar(text[i])) ++i;
    if (i == start) break;
    if (w.count == WORDS) {
      for (std::size_t k = 1; k < WORDS; ++k) w.word[k - 1] = w.word[k];
      --w.count;
    }
    w.word[w.count++] = text.substr(start, i - start);
  }
  return w;
}

}  // namespace

bool IsCallsign(std::string_view word) {
  int cores = 0;
  int parts = 0;
  std::size_t start = 0;
  while (start <= word.size()) {
    std::size_t end = word.find('/', start);
    if (end == std::string_view::npos) end = word.size();
    const std::string_view part = word.substr(start, end - start);
    if (++parts > 3) return false;
    if (IsCore(part)) ++cores;
    else if (!IsModifier(part)) return false;
    start = end + 1;
  }
  return cores >= 1;
}

std::string_view FindCallsign(std::string_view text) {
  const Words w = Split(text);
  for (std::size_t i = w.count; i-- > 1;) {
    if (w.word[i - 1] == "DE" && IsCallsign(w.word[i])) return w.word[i];
  }
  std::string_view best;
  int bestCount = 1;
  for (std::size_t i = w.count; i-- > 0;) {
    if (!IsCallsign(w.word[i])) continue;
    int n = 0;
    for (std::size_t k = 0; k < w.count; ++k) n += w.word[k] == w.word[i] ? 1 : 0;
    if (n > bestCount) {
      best = w.word[i];
      bestCount = n;
    }
  }
  return best;
}

}  // namespace keblor
