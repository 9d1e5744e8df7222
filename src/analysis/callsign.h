#pragma once
// Amateur callsigns in decoded Morse text.

#include <string_view>

namespace keblor {

// Whether `word` has the shape of an amateur callsign: a prefix of one to three letters or
// digits with at least one letter, a digit, and a suffix of one to four letters (DL1ABC, K1AB,
// 9A2XY), optionally with short parts around it after a '/' (VK2/DL1ABC, DL1ABC/P). Upper case.
bool IsCallsign(std::string_view word);

// The callsign in `text`: the one sent after the last DE, else the one repeated most often
// (the latest of equals), else "". The result is a view into `text`.
std::string_view FindCallsign(std::string_view text);

}  // namespace keblor
