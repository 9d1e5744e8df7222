#pragma once
// The signals of both channels as the operator meets them: the rows of the signals window, the
// one selected, what is said of it, and each window's decode line. Rows keep their place while
// heard: a new signal takes its place by offset among the rows there are, and none moves after.
// Strings are reserved once, so a look at the skimmers allocates nothing once the rows are made.

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "analysis/skimmer.h"
#include "base/vfo.h"
#include "core/settings.h"

namespace keblor {

inline constexpr int MAX_SIGNAL_ROWS = 2 * MAX_SIGNALS + 24;  // the signals heard, and spots
inline constexpr int SPOT_REACH_HZ = 50;  // a spot joins the row hearing its call this near its pitch
inline constexpr double SIGNAL_QUIET_SECONDS = 5.0;  // a row without key-down this long is faded
inline constexpr int DECODE_LINE_REACH_HZ = 25;      // the decode line's signal is this near the marker
inline constexpr std::size_t ROW_WORDS_CHARS = 40;   // the last words a row shows

struct SignalRow {
  Vfo vfo = Vfo::A;
  int id = 0;  // the skimmer's, within its channel
  double hz = 0.0;
  double offsetHz = 0.0;  // from the window's marker
  double wpm = 0.0;
  double snrDb = 0.0;
  bool quiet = false;  // no key-down for SIGNAL_QUIET_SECONDS
  bool heard = true;   // false: a spot's row, where its call would be heard
  int spotters = 0;    // the spot feed's spotters of this call; 0: not spotted
  int spotMinutes = -1;  // since the newest spot; -1: not spotted
  std::string call;    // empty when the decode line is off (the contest rule) or none heard
  std::string words;   // the last words heard, likewise
  std::string text;    // the whole text kept, likewise
};

// A spot of the feed placed in a window: where its signal is heard at the rig's dial.
struct PlacedSpot {
  Vfo vfo = Vfo::A;
  std::string call;
  double pitchHz = 0.0;
  int spotters = 0;    // distinct spotters within the time kept
  int ageMinutes = 0;  // since the newest spot
  std::optional<int> wpm;  // as the spotter heard it
};

// The signals window's columns, and what a row shows in each: "A", "+40 Hz", "702.3", "24",
// "12 dB", "DL1ABC", the last words, "5 spotters, 2 min". A figure not known is left empty.
inline constexpr std::array<const char*, 8> SIGNAL_COLUMNS = {"VFO", "Offset", "Pitch", "WPM",
                                                              "SNR", "Call",   "Heard", "Spotted"};
// Each column's width in pixels at 96 DPI, wide enough for its usual texts.
inline constexpr std::array<int, SIGNAL_COLUMNS.size()> SIGNAL_COLUMN_WIDTHS = {36, 64, 56, 40, 48, 72, 180, 120};
std::string SignalCell(const SignalRow& row, int column);

// A window's decode line: the call and speed at its left ("DL1ABC 24"), then the text.
struct DecodeLine {
  std::string_view label;
  std::string_view text;
};

class SignalList {
 public:
  SignalList();

  // Both channels' signals as they stand now (a null skimmer: a channel with none); the text
  // and calls only with the decode line on. Each window's spots join the rows that hear their
  // call, or have rows of their own. True when the rows read differently than before.
  bool Update(const std::array<const Skimmer*, 2>& skimmers, const Settings& settings,
              const std::array<std::span<const PlacedSpot>, 2>& spots = {});

  int Count() const { return count_; }
  int CallsHeard() const { return callsHeard_; }  // grows by one each time a row hears a new call
  const SignalRow& Row(int i) const { return rows_[static_cast<std::size_t>(i)]; }
  int Selected() const;  // the selected row, -1 for none

  // The next (+1) or previous (-1) row from the selected one, round the ends; the first or the
  // last when none was. False without rows.
  bool Step(int direction);
  void Select(int row);  // -1: none
  // What a screen reader says of a row: "VFO-A plus 40 hertz, DL1ABC, 24 words per minute, 12 dB".
  std::string Spoken(int row) const;

  // The decode line of a window at the last Update: the nearest signal of its channel within
  // DECODE_LINE_REACH_HZ of its marker, empty for none or with the decode line off. Views into the
  // list: valid until the next Update.
  DecodeLine LineOf(Vfo vfo) const;

 private:
  int Insert(Vfo vfo, int id, double offsetHz);
  // The row of a signal, made at its place when new; null when the list is full.
  SignalRow* RowFor(Vfo vfo, int id, double offsetHz, std::array<bool, MAX_SIGNAL_ROWS>& seen, bool& changed);
  bool Add(const PlacedSpot& spot, int marker, std::array<bool, MAX_SIGNAL_ROWS>& seen);  // an empty row at its place by offset; -1: full
  void RemoveUnseen(const std::array<bool, MAX_SIGNAL_ROWS>& seen);
  void LayOutLines(const Settings& settings);

  std::array<SignalRow, MAX_SIGNAL_ROWS> rows_{};
  std::array<std::string, 2> labels_{};  // each window's decode line label
  std::array<int, 2> lineRows_{-1, -1};  // the row each window's decode line shows
  int count_ = 0;
  int callsHeard_ = 0;
  std::optional<std::pair<Vfo, int>> selected_;
};

}  // namespace keblor
