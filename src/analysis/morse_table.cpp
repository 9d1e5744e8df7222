#include "analysis/morse_table.h"

#include <array>
#include <cctype>

namespace keblor {
namespace {

struct Entry {
  std::string_view symbol;
  std::string_view pattern;
};

// The prosigns come first: where a character has the same pattern the prosign is decoded.
constexpr Entry MORSE[] = {
    {"<AR>", ".-.-."}, {"<SK>", "...-.-"}, {"<BT>", "-...-"}, {"<KN>", "-.--."},
    {"A", ".-"},     {"B", "-..."},   {"C", "-.-."},   {"D", "-.."},    {"E", "."},
    {"F", "..-."},   {"G", "--."},    {"H", "...."},   {"I", ".."},     {"J", ".---"},
    {"K", "-.-"},    {"L", ".-.."},   {"M", "--"},     {"N", "-."},     {"O", "---"},
    {"P", ".--."},   {"Q", "--.-"},   {"R", ".-."},    {"S", "..."},    {"T", "-"},
    {"U", "..-"},    {"V", "...-"},   {"W", ".--"},    {"X", "-..-"},   {"Y", "-.--"},
    {"Z", "--.."},   {"0", "-----"},  {"1", ".----"},  {"2", "..---"},  {"3", "...--"},
    {"4", "....-"},  {"5", "....."},  {"6", "-...."},  {"7", "--..."},  {"8", "---.."},
    {"9", "----."},  {".", ".-.-.-"}, {",", "--..--"}, {"?", "..--.."}, {"/", "-..-."},
    {"=", "-...-"},  {"+", ".-.-."},  {"-", "-....-"}, {"'", ".----."}, {"(", "-.--."},
    {")", "-.--.-"}, {":", "---..."}, {";", "-.-.-."}, {"\"", ".-..-."}, {"@", ".--.-."},
};

constexpr unsigned CodeOf(std::string_view pattern) {
  unsigned code = 1;
  for (char c : pattern) code = code * 2 + (c == '-' ? 1u : 0u);
  return code;
}

constexpr std::size_t CODES = std::size_t{2} << MORSE_MAX_ELEMENTS;

constexpr std::array<std::string_view, CODES> BuildTexts() {
  std::array<std::string_view, CODES> texts{};
  for (const Entry& e : MORSE) {
    std::string_view& t = texts[CodeOf(e.pattern)];
    if (t.empty()) t = e.symbol;
  }
  return texts;
}

constexpr std::array<std::string_view, CODES> TEXTS = BuildTexts();

}  // namespace

std::string_view MorsePattern(std::string_view symbol) {
  const bool single = symbol.size() == 1;
  for (const Entry& e : MORSE) {
    if (single ? e.symbol.size() == 1 && e.symbol[0] == std::toupper(static_cast<unsigned char>(symbol[0]))
               : e.symbol == symbol)
      return e.pattern;
  }
  return {};
}

std::string_view MorseText(unsigned code) {
  if (code < CODES && !TEXTS[code].empty()) return TEXTS[code];
  return "*";
}

}  // namespace keblor
