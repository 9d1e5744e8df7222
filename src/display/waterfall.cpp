#include "display/waterfall.h"

#include <algorithm>

#include "display/trace_rendering.h"

namespace keblor {

namespace {

constexpr int LEVELS = RASTER_HEIGHT;  // display row values 0..127
constexpr int TOP_SHADE = WATERFALL_SHADES - 1;

constexpr int SquareRootFloor(int n) {
  int r = 0;
  while ((r + 1) * (r + 1) <= n) ++r;
  return r;
}

// The shade of a column `excess` steps above the noise floor.
constexpr std::array<std::uint8_t, LEVELS> SHADE_OF_EXCESS = [] {
  std::array<std::uint8_t, LEVELS> shades{};
  for (int e = 0; e < LEVELS; ++e) {
    const int s = SquareRootFloor(e * TOP_SHADE * TOP_SHADE / WATERFALL_SATURATION_STEPS);
    shades[static_cast<std::size_t>(e)] = static_cast<std::uint8_t>(std::min(s, TOP_SHADE));
  }
  return shades;
}();

struct PaletteStop {
  int shade;
  Rgb color;
};
constexpr PaletteStop PALETTE_STOPS[] = {
    {0, {0, 0, 0}}, {8, {0, 0, 176}}, {16, {0, 150, 255}}, {24, {255, 230, 0}}, {TOP_SHADE, {255, 255, 255}},
};

constexpr std::uint8_t Between(std::uint8_t a, std::uint8_t b, int at, int span) {
  return static_cast<std::uint8_t>(a + ((b - a) * at + span / 2) / span);
}

constexpr std::array<Rgb, WATERFALL_COLOURS> PALETTE = [] {
  std::array<Rgb, WATERFALL_COLOURS> palette{};
  palette[WATERFALL_SPOT] = WATERFALL_SPOT_COLOUR;
  for (std::size_t i = 0; i + 1 < std::size(PALETTE_STOPS); ++i) {
    const PaletteStop& from = PALETTE_STOPS[i];
    const PaletteStop& to = PALETTE_STOPS[i + 1];
    const int span = to.shade - from.shade;
    for (int at = 0; at <= span; ++at) {
      palette[static_cast<std::size_t>(from.shade + at)] = {Between(from.color.r, to.color.r, at, span),
                                                            Between(from.color.g, to.color.g, at, span),
                                                            Between(from.color.b, to.color.b, at, span)};
    }
  }
  return palette;
}();

// A display row value as a strength: 0 for the floor of the scale, 127 for full scale.
int StrengthOf(std::uint8_t value) { return LEVELS - 1 - std::min<int>(value, LEVELS - 1); }

}  // namespace

const std::array<Rgb, WATERFALL_COLOURS>& WaterfallPalette() { return PALETTE; }

void ShadeRow(const DisplayRow& row, WaterfallRow& shades) {
  // Column 0 is the row's anchor, always at the floor of the scale: it takes no part in the median.
  std::array<int, LEVELS> count{};
  for (int c = 1; c < TRACE_COLUMNS; ++c)
    ++count[static_cast<std::size_t>(StrengthOf(row[static_cast<std::size_t>(c)]))];
  constexpr int MIDDLE = TRACE_COLUMNS / 2;  // the 100th of 199 values
  int floor = 0;
  for (int seen = count[0]; seen < MIDDLE; seen += count[static_cast<std::size_t>(floor)]) ++floor;

  for (int c = 0; c < TRACE_COLUMNS; ++c) {
    const int excess = StrengthOf(row[static_cast<std::size_t>(c)]) - floor;
    shades[static_cast<std::size_t>(c)] = excess > 0 ? SHADE_OF_EXCESS[static_cast<std::size_t>(excess)] : 0;
  }
}

void Waterfall::Push(const DisplayRow& row, const VfoSettings& vfo) {
  KeepRange(vfo.Range);
  newest_ = (newest_ + 1) % WATERFALL_ROWS;
  WaterfallRow& shades = rows_[static_cast<std::size_t>(newest_)];
  ShadeRow(row, shades);
  for (std::size_t c = 0; c < spots_.size(); ++c)
    if (spots_[c]) shades[c] = WATERFALL_SPOT;
  spots_.fill(false);
  const int m = vfo.Pitch != 0 ? MarkerColumn(vfo.PitchFreq, vfo.Range) : -1;
  marker_ = m >= 0 && m < TRACE_COLUMNS ? m : -1;
  ++serial_;
}

void Waterfall::MarkSpot(int column) {
  if (column >= 0 && column < TRACE_COLUMNS) spots_[static_cast<std::size_t>(column)] = true;
}

void Waterfall::KeepRange(int range) {
  if (range == range_) return;
  range_ = range;
  Clear();
}

void Waterfall::Clear() {
  for (WaterfallRow& r : rows_) r.fill(0);
  marker_ = -1;
  serial_ += WATERFALL_ROWS;
}

void Waterfall::Follow(const DisplayEffects& effects, Vfo vfo, int range) {
  if (vfo == Vfo::A ? effects.clearWaterfallA : effects.clearWaterfallB) Clear();
  KeepRange(range);
}

const WaterfallRow& Waterfall::Row(int age) const {
  return rows_[static_cast<std::size_t>(((newest_ - age) % WATERFALL_ROWS + WATERFALL_ROWS) % WATERFALL_ROWS)];
}

}  // namespace keblor
