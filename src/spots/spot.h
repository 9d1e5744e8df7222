#pragma once
// A spot: a station heard on a frequency, as a DX cluster or the Reverse Beacon Network reports
// it in a line "DX de SPOTTER: FREQ CALL COMMENT TIME". Platform-free; nothing here throws.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace keblor {

// Lines longer than this are not spots (a feed's lines are under 100 bytes).
inline constexpr std::size_t MAX_SPOT_LINE_BYTES = 1024;

struct Spot {
  std::string spotter;         // as the line gives it, "W3LPL" or a skimmer's "KM3T-#"
  std::string call;            // upper case, "DL1ABC" or "K1ABC/P"
  std::int64_t hz = 0;         // the line's kHz with up to three decimals, in Hz
  std::string comment;         // runs of spaces made one; may be empty
  std::string mode;            // "CW", "RTTY", "FT8", ... when the comment names one, else empty
  std::optional<int> snrDb;    // "23 dB" in the comment
  std::optional<int> wpm;      // "25 WPM" in the comment
  std::string time;            // "1234Z" (UTC), empty when the line was cut before it

  friend bool operator==(const Spot&, const Spot&) = default;
};

// The spot a feed line carries; nothing for any other line (prompts, announcements, talk),
// lines over MAX_SPOT_LINE_BYTES, and lines without a usable spotter, frequency or call.
// Spacing may be anything; a line cut short after the call still gives a spot.
std::optional<Spot> ParseSpotLine(std::string_view line);

// Whether a spot is of a CW signal: the mode its comment names when it names one (the RBN's
// always do), otherwise whether its frequency lies in the CW segment of an amateur band.
bool IsCwSpot(const Spot& spot);

// Whether `hz` lies in the CW segment of an amateur band, 160 m to 10 m, edges included.
bool InCwSegment(std::int64_t hz);

}  // namespace keblor
