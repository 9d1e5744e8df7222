#pragma once
// International Morse code: letters, digits, common punctuation and the prosigns AR, SK, BT and KN.
// A pattern is written with '.' and '-'. Three prosigns share their pattern with a character:
// AR with '+', BT with '=' and KN with '('. Decoding renders those patterns as the prosign
// (<AR>, <BT>, <KN>), since on the air they are sent as procedure signals far more often.

#include <string_view>

namespace keblor {

inline constexpr int MORSE_MAX_ELEMENTS = 6;  // the longest pattern in the table

// The pattern of one symbol: a character (letters in either case) or a prosign written "<AR>".
// "" when the symbol is not in the table.
std::string_view MorsePattern(std::string_view symbol);

// The text of a pattern held as a code: a leading 1 bit, then one bit per element from the first,
// 1 for a dash (".-" is 0b101). A character, a prosign such as "<SK>", or "*" when the code is
// no pattern of the table.
std::string_view MorseText(unsigned code);

}  // namespace keblor
