// libFuzzer target for the spot feed's bytes: any bytes, in any pieces, are cut into lines of at
// most MAX_SPOT_LINE_BYTES with nothing longer held; each line parsed as a spot gives a call and
// a spotter of the characters they may have, a frequency above zero, a comment without runs of
// blanks, and a mode that is CW exactly when IsCwSpot says so for a named mode. Which lines mean
// which spots is the unit tests' to pin down.
//
// Input: one byte for the size of the pieces (1 to 4336), then the stream.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "spots/feed_lines.h"
#include "spots/spot.h"

namespace {

void Check(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "spot_line_fuzzer: %s\n", what);
  std::fflush(stderr);
  __builtin_trap();
}

bool OnlyChars(std::string_view text, std::string_view others) {
  for (char c : text)
    if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || others.find(c) != std::string_view::npos)) return false;
  return true;
}

void CheckSpot(std::string_view line) {
  const auto spot = keblor::ParseSpotLine(line);
  if (!spot) return;
  Check(!spot->call.empty() && OnlyChars(spot->call, "/"), "a call of other characters");
  Check(!spot->spotter.empty() && OnlyChars(spot->spotter, "/-#"), "a spotter of other characters");
  Check(spot->hz > 0, "a frequency of zero or below");
  Check(spot->comment.find("  ") == std::string::npos && spot->comment.size() <= line.size(), "a comment with a run of blanks");
  Check(spot->time.empty() || (spot->time.size() == 5 && spot->time[4] == 'Z'), "a time of another shape");
  if (!spot->mode.empty()) Check(keblor::IsCwSpot(*spot) == (spot->mode == "CW"), "a named mode not deciding");
}

void CheckLine(std::string_view line) {
  Check(!line.empty() && line.size() <= keblor::MAX_SPOT_LINE_BYTES, "an empty line or one over the limit");
  Check(line.find_first_of("\r\n") == std::string_view::npos, "a line holds its end");
  CheckSpot(line);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::size_t piece = 1 + std::size_t{data[0]} * 17;
  const std::string_view stream(reinterpret_cast<const char*>(data) + 1, size - 1);

  keblor::FeedLines lines;
  for (std::size_t at = 0; at < stream.size(); at += piece) {
    lines.Push(stream.substr(at, piece), CheckLine);
    Check(lines.Pending().size() <= keblor::MAX_SPOT_LINE_BYTES, "more than a line held");
    keblor::IsLoginPrompt(lines.Pending());
  }
  CheckSpot(stream.substr(0, keblor::MAX_SPOT_LINE_BYTES));  // the stream as one line, ends and all
  return 0;
}
