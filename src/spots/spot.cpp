#include "spots/spot.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <vector>

namespace keblor {
namespace {

constexpr std::size_t MAX_NAME_CHARS = 20;            // a spotter or a call, "VP2E/K1ABC/QRP" and the like
constexpr std::int64_t MAX_KHZ = 300'000'000;         // 300 GHz, the top of the amateur bands

// The CW segments, in kHz: where a cluster spot that names no mode is taken for CW.
struct Segment {
  std::int64_t lowKhz;
  std::int64_t highKhz;
};
constexpr std::array<Segment, 9> CW_SEGMENTS{{{1800, 1840},
                                              {3500, 3570},
                                              {7000, 7040},
                                              {10100, 10130},
                                              {14000, 14070},
                                              {18068, 18095},
                                              {21000, 21070},
                                              {24890, 24915},
                                              {28000, 28070}}};

// Modes a comment may name, upper case.
constexpr std::array<std::string_view, 20> MODES{"CW",    "RTTY",  "PSK31", "PSK63", "PSK125", "BPSK31", "BPSK63",
                                                 "FT8",   "FT4",   "JT65",  "JT9",   "MSK144", "Q65",    "SSB",
                                                 "USB",   "LSB",   "AM",    "FM",    "SSTV",   "OLIVIA"};

bool IsSpace(char c) { return static_cast<unsigned char>(c) <= ' '; }  // blanks and control characters
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

std::string UpperCase(std::string_view text) {
  std::string upper(text);
  std::transform(upper.begin(), upper.end(), upper.begin(), Upper);
  return upper;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return Upper(x) == Upper(y); });
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsSpace(text.back())) text.remove_suffix(1);
  return text;
}

std::vector<std::string_view> Words(std::string_view text) {
  std::vector<std::string_view> words;
  std::size_t at = 0;
  while (at < text.size()) {
    while (at < text.size() && IsSpace(text[at])) ++at;
    const std::size_t start = at;
    while (at < text.size() && !IsSpace(text[at])) ++at;
    if (at > start) words.push_back(text.substr(start, at - start));
  }
  return words;
}

bool ParseInt(std::string_view text, int& value) {
  if (text.empty() || text.size() > 6) return false;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size();
}

// "14025.0" kHz: whole kHz, then up to three decimals.
std::optional<std::int64_t> ParseKhzAsHz(std::string_view text) {
  const std::size_t point = text.find('.');
  const std::string_view whole = text.substr(0, point);
  const std::string_view fraction = point == std::string_view::npos ? std::string_view() : text.substr(point + 1);
  if (whole.empty() || whole.size() > 9 || fraction.size() > 3) return std::nullopt;
  if (!std::all_of(whole.begin(), whole.end(), IsDigit) || !std::all_of(fraction.begin(), fraction.end(), IsDigit))
    return std::nullopt;
  std::int64_t khz = 0;
  for (char c : whole) khz = khz * 10 + (c - '0');
  std::int64_t hz = 0;
  for (std::size_t i = 0; i < 3; ++i) hz = hz * 10 + (i < fraction.size() ? fraction[i] - '0' : 0);
  if (khz > MAX_KHZ) return std::nullopt;
  hz += khz * 1000;
  if (hz <= 0) return std::nullopt;
  return hz;
}

// A call: letters, digits and strokes, with at least one letter and one digit.
bool IsCall(std::string_view text) {
  return text.size() >= 3 && text.size() <= MAX_NAME_CHARS &&
         std::all_of(text.begin(), text.end(), [](char c) { return IsLetter(c) || IsDigit(c) || c == '/'; }) &&
         std::any_of(text.begin(), text.end(), IsLetter) && std::any_of(text.begin(), text.end(), IsDigit);
}

// A spotter: a call, perhaps with a suffix such as a skimmer's "-#" or a node's "-2".
bool IsSpotter(std::string_view text) {
  return !text.empty() && text.size() <= MAX_NAME_CHARS &&
         std::all_of(text.begin(), text.end(), [](char c) { return IsLetter(c) || IsDigit(c) || c == '/' || c == '-' || c == '#'; }) &&
         std::any_of(text.begin(), text.end(), IsLetter);
}

// "1234Z": hours and minutes of UTC.
bool IsTime(std::string_view word) {
  if (word.size() != 5 || Upper(word[4]) != 'Z' || !std::all_of(word.begin(), word.end() - 1, IsDigit)) return false;
  return (word[0] - '0') * 10 + (word[1] - '0') < 24 && word[2] < '6';
}

// The number of "23 dB" or "23dB" (unit "DB"), "25 WPM" or "25WPM" (unit "WPM") in the words.
std::optional<int> NumberBefore(const std::vector<std::string_view>& words, std::string_view unit) {
  for (std::size_t i = 0; i < words.size(); ++i) {
    int value = 0;
    const std::string_view word = words[i];
    if (i + 1 < words.size() && EqualsNoCase(words[i + 1], unit) && ParseInt(word, value)) return value;
    if (word.size() > unit.size() && EqualsNoCase(word.substr(word.size() - unit.size()), unit) &&
        ParseInt(word.substr(0, word.size() - unit.size()), value))
      return value;
  }
  return std::nullopt;
}

}  // namespace

std::optional<Spot> ParseSpotLine(std::string_view line) {
  if (line.size() > MAX_SPOT_LINE_BYTES) return std::nullopt;
  line = Trim(line);
  constexpr std::string_view LEAD = "DX de";
  if (line.size() <= LEAD.size() || !EqualsNoCase(line.substr(0, LEAD.size()), LEAD) || !IsSpace(line[LEAD.size()]))
    return std::nullopt;
  line.remove_prefix(LEAD.size());
  const std::size_t colon = line.find(':');
  if (colon == std::string_view::npos) return std::nullopt;

  Spot spot;
  const std::string_view spotter = Trim(line.substr(0, colon));
  if (!IsSpotter(spotter)) return std::nullopt;
  spot.spotter = UpperCase(spotter);

  const std::vector<std::string_view> words = Words(line.substr(colon + 1));
  if (words.size() < 2) return std::nullopt;
  const std::optional<std::int64_t> hz = ParseKhzAsHz(words[0]);
  if (!hz || !IsCall(words[1])) return std::nullopt;
  spot.hz = *hz;
  spot.call = UpperCase(words[1]);

  // The time is the last word of its shape; what follows it (a locator) is not the comment's.
  std::size_t commentEnd = words.size();
  for (std::size_t i = words.size(); i > 2; --i) {
    if (IsTime(words[i - 1])) {
      spot.time = UpperCase(words[i - 1]);
      commentEnd = i - 1;
      break;
    }
  }
  const std::vector<std::string_view> comment(words.begin() + 2, words.begin() + static_cast<std::ptrdiff_t>(commentEnd));
  for (std::string_view word : comment) {
    if (!spot.comment.empty()) spot.comment += ' ';
    spot.comment += word;
    if (spot.mode.empty()) {
      const std::string upper = UpperCase(word);
      if (std::find(MODES.begin(), MODES.end(), upper) != MODES.end()) spot.mode = upper;
    }
  }
  spot.snrDb = NumberBefore(comment, "DB");
  spot.wpm = NumberBefore(comment, "WPM");
  return spot;
}

bool InCwSegment(std::int64_t hz) {
  return std::any_of(CW_SEGMENTS.begin(), CW_SEGMENTS.end(),
                     [hz](const Segment& s) { return hz >= s.lowKhz * 1000 && hz <= s.highKhz * 1000; });
}

bool IsCwSpot(const Spot& spot) { return spot.mode.empty() ? InCwSegment(spot.hz) : spot.mode == "CW"; }

}  // namespace keblor
