#pragma once
// What a spectrum window shows: in its 200 x 160 client area four labels, the level readout, the
// one-bit trace and, over the trace, the input's notice, the pitch readout and the rig's dial;
// below them the waterfall while one is shown. The picture is a value except for the waterfall,
// which it points to; a view paints what it holds and nothing else.

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "analysis/display_row_mapping.h"
#include "base/geometry.h"
#include "core/display_state.h"
#include "core/signal_list.h"
#include "display/trace_raster.h"

namespace keblor {

class Waterfall;

struct Rgb {
  std::uint8_t r = 0, g = 0, b = 0;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

inline constexpr Rgb TEXT_BLACK{0, 0, 0};
inline constexpr Rgb TEXT_RED{255, 0, 0};
inline constexpr Rgb LABEL_BACKGROUND{194, 194, 194};   // text boxes and lit trace pixels
inline constexpr Rgb WINDOW_BACKGROUND{192, 192, 192};  // the client area around them
inline constexpr Rgb TRACE_DARK{0, 0, 0};

inline constexpr int CLIENT_WIDTH = 200;
inline constexpr int CLIENT_HEIGHT = 160;

// The text boxes; right-aligned texts end at the client area's right edge.
inline constexpr Rect PITCH_BOX{0, 0, 150, 14};
inline constexpr Rect AVERAGES_BOX{110, 0, 200, 14};
inline constexpr Rect SCALE_START_BOX{0, 145, 30, 159};
inline constexpr Rect LEVEL_BOX{40, 145, 140, 159};
inline constexpr Rect SCALE_END_BOX{140, 145, 200, 159};
inline constexpr int RIGHT_ANCHOR_X = 200;
// Trace row r lies at client row TRACE_TOP + r, columns 0..199.
inline constexpr int TRACE_TOP = 16;

enum class TextAlign { Left, Right };

// A box filled with LABEL_BACKGROUND and its text drawn clipped to it, from the box's
// top-left (Left) or ending at RIGHT_ANCHOR_X (Right).
struct TextBox {
  Rect box;
  TextAlign align = TextAlign::Left;
  std::string text;
  Rgb color = TEXT_BLACK;
  friend bool operator==(const TextBox&, const TextBox&) = default;
};

// The level readout's box: not drawn after a repaint until the next frame, drawn empty after
// the readout is switched off, or showing the last frame's peak.
enum class LevelShown { None, Empty, Peak };

// What a window keeps between frames: the last trace drawn and the state of its level readout.
struct WindowTrace {
  TraceRaster raster{};  // outlives the window: a reopened window shows its last frame
  LevelShown level = LevelShown::None;
  std::string levelText;
  bool levelRed = false;
  double pitchHz = 0.0;  // the last frame's strongest tone; 0 for none
};

// How the input is doing, as a window says it across its trace area.
enum class InputNotice {
  None,
  Stalled,  // no blocks for a while: the trace area is blanked and says "No input"
  TooFast,  // blocks come faster than the sound card's rate allows: "Input too fast" over the trace
};

// A spot of the DX cluster or the RBN drawn over the trace: its call at the column where its
// signal is heard at the rig's dial.
inline constexpr int MAX_SPOT_MARKS = 12;  // per window, the newest
inline constexpr int SPOT_AGES = 4;
struct SpotMark {
  int column = 0;               // 0..199, as the marker's column of the spot's pitch
  std::array<char, 16> call{};  // ended by a zero
  int age = 0;                  // 0 (new) .. SPOT_AGES - 1 (soon gone): drawn greyer as it ages
  bool heard = false;           // the decoder hears this call there
  friend bool operator==(const SpotMark&, const SpotMark&) = default;
};

struct SpectrumPicture {
  static constexpr int BOX_COUNT = 5;
  std::array<TextBox, BOX_COUNT> boxes;  // drawn in order; the level box may be missing
  int boxCount = 0;
  TraceRaster raster{};
  std::string notice;   // drawn centred in the trace area, in the lit colour; empty for none
  // The pitch readout, drawn in the lit colour at the trace area's top right on a dark box of
  // its own, so that neither the marker nor the trace runs through it; empty for none.
  std::string readout;
  std::string readoutSpoken;  // the same for a screen reader: "712 hertz, 12 above the pitch"
  // The window's waterfall, drawn below the labels; null while none is shown. Owned by the
  // program: a view reads it while the program calls the view (Show, a new zoom or size), never
  // in a paint of its own.
  const Waterfall* waterfall = nullptr;
  // The rig's dial or its notice, drawn at the trace area's top left; empty for none. Held in
  // place, ended by a zero: longer than a short string, it would cost an allocation a picture.
  std::array<char, 40> rig{};
  // While decoding is shown, a line along the trace area's bottom on a dark box: the call and speed
  // of the signal on the marker at its left, then the end of its text, as much as fits (the view
  // drops its start). Both empty for a blank line. Held in place like the dial.
  bool decodeLine = false;
  std::array<char, 24> decodeLabel{};
  std::array<char, 80> decodeText{};
  // The spots in the window's span, newest first: drawn in the trace area's upper rows, below the
  // top texts, the newest on top where they crowd.
  std::array<SpotMark, MAX_SPOT_MARKS> spots{};
  int spotCount = 0;
};

struct PictureOptions {
  int numberOfAverages = 1;
  bool pitchReadout = false;
  InputNotice notice = InputNotice::None;
  const Waterfall* waterfall = nullptr;  // null: no waterfall shown
  std::string_view rig{};  // what the window shows of the rig; empty for nothing
  bool decodeLine = false;
  DecodeLine decode{};     // the line's texts; the end of a long text is kept
  std::span<const SpotMark> spots{};  // newest first; those past MAX_SPOT_MARKS are left out
};

// The picture of a window from its trace, its VFO's settings and the state of the input. The
// pitch readout is the strongest tone and its offset from the marker: "712 Hz  +12", spoken
// "712 hertz, 12 above the pitch" (or "below the pitch", or "on the pitch").
SpectrumPicture ComposePicture(const WindowTrace& trace, const VfoSettings& vfo, const PictureOptions& options);

// A completed averaging cycle: the level readout (when `level` is on) from the peak, the trace
// from the display row with the marker where the settings put it now, and the strongest tone.
void DrawFrame(WindowTrace& trace, const DisplayRow& row, float peak, const VfoSettings& vfo, bool level,
               int bitsPerSample, double pitchHz = 0.0);

// A full repaint of a window: the level readout goes until the next frame, and a pending clear
// blanks the trace; while running it is used up by the first window painted, while frozen it
// blanks every window painted until the display runs again.
void Repaint(WindowTrace& trace, DisplayState& display);

// The readout switched off: its box stays, empty.
void BlankLevel(WindowTrace& trace);

// "500 Hz" .. "4000 Hz" for RangeIndex 0..4, "" for anything else.
const char* RangeLabelText(int range);

}  // namespace keblor
