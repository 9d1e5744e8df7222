// States: a pattern begun is a node, its code as in MorseText (a leading 1, then a bit per
// element, 1 a dash); node c has the states 4c to 4c + 2 for the first to third cell of its last
// element and 4c + 3 for the one-cell gap after it. States 0 to 5, below every node, are the gap
// after a character from its second cell on: 0 the second, 1 the third, 2 to 4 the fourth to
// sixth, 5 the seventh and after.

#include "analysis/morse_lattice.h"

#include <array>
#include <cmath>
#include <string_view>

#include "analysis/morse_table.h"

namespace keblor {
namespace {
constexpr int CODES = 2 << MORSE_MAX_ELEMENTS;
// After a character's gap of three cells: the next character begins, or the gap goes on to a
// word gap (about one character in four ends a word).
constexpr double NEXT_CHARACTER = 0.74;

// How likely a character is, against a letter's 1.
double Weight(unsigned code) {
  const std::string_view text = MorseText(code);
  if (text == "*") return 0.005;
  if (text.size() > 1 || text == "/" || text == "?") return 0.3;  // prosigns
  const char c = text[0];
  return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ? 1.0 : 0.05;
}

int Length(int code) {
  int n = 0;
  for (; code > 1; code >>= 1) ++n;
  return n;
}
}  // namespace

const MorseLattice& MorseLattice::Get() {
  static const MorseLattice lattice;
  return lattice;
}

void MorseLattice::Add(int from, int to, double p) {
  steps_[count_++] = {static_cast<std::uint16_t>(from), static_cast<std::uint16_t>(to), static_cast<float>(std::log(p))};
}

MorseLattice::MorseLattice() {
  // below[c]: the weight of every pattern that begins with node c's, its own included.
  std::array<double, CODES> below{};
  for (int c = CODES - 1; c >= 2; --c) {
    below[static_cast<std::size_t>(c)] += Weight(static_cast<unsigned>(c));
    if (c >= 4) below[static_cast<std::size_t>(c / 2)] += below[static_cast<std::size_t>(c)];
  }
  const double all = below[2] + below[3];
  for (int c = 2; c < CODES; ++c) {
    const int first = 4 * c, gap = first + 3;
    if (c & 1) {  // a dash: three cells
      Add(first, first + 1, 1.0);
      Add(first + 1, first + 2, 1.0);
      Add(first + 2, gap, 1.0);
    } else {
      Add(first, gap, 1.0);
    }
    const double here = below[static_cast<std::size_t>(c)];
    if (Length(c) < MORSE_MAX_ELEMENTS) {
      for (int child = 2 * c; child <= 2 * c + 1; ++child) Add(gap, 4 * child, below[static_cast<std::size_t>(child)] / here);
    }
    Add(gap, 0, Weight(static_cast<unsigned>(c)) / here);  // the character ends
  }
  Add(0, 1, 1.0);
  for (int root = 2; root <= 3; ++root) {
    Add(1, 4 * root, NEXT_CHARACTER * below[static_cast<std::size_t>(root)] / all);
    Add(KEY_UP, 4 * root, below[static_cast<std::size_t>(root)] / all);
  }
  Add(1, 2, 1.0 - NEXT_CHARACTER);
  Add(2, 3, 1.0);
  Add(3, 4, 1.0);
  Add(4, KEY_UP, 1.0);
  Add(KEY_UP, KEY_UP, 1.0);
}

}  // namespace keblor
