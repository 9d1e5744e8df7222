#include "qt/waterfall_image.h"

#include <algorithm>
#include <cstring>

namespace keblor {

namespace {

QRgb ToPixel(Rgb c) { return qRgb(c.r, c.g, c.b); }

QRgb PixelOf(const WaterfallRow& row, int column, int marker) {
  if (column == marker) return ToPixel(WATERFALL_MARKER);
  return ToPixel(WaterfallPalette()[row[static_cast<std::size_t>(column)]]);
}

// Row `age` of the waterfall, each pixel a zoom x zoom square.
void DrawRow(QImage& image, int zoom, int age, const WaterfallRow& row, int marker) {
  const int y = (WATERFALL_TOP + age) * zoom;
  auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
  for (int c = 0; c < TRACE_COLUMNS; ++c) std::fill_n(line + c * zoom, zoom, PixelOf(row, c, marker));
  const std::size_t bytes = sizeof(QRgb) * static_cast<std::size_t>(TRACE_COLUMNS * zoom);
  for (int i = 1; i < zoom; ++i) std::memcpy(image.scanLine(y + i), line, bytes);
}

// One column of row `age`, as the marker or as the row's shade.
void DrawPixel(QImage& image, int zoom, int age, int column, QRgb pixel) {
  for (int i = 0; i < zoom; ++i)
    std::fill_n(reinterpret_cast<QRgb*>(image.scanLine((WATERFALL_TOP + age) * zoom + i)) + column * zoom, zoom, pixel);
}

}  // namespace

QRect WaterfallImage::Update(QImage& image, int zoom, const Waterfall& waterfall) {
  const int z = zoom;
  const int marker = waterfall.Marker();
  const std::uint64_t behind = drawn_ ? waterfall.Serial() - serial_ : WATERFALL_ROWS;
  const int fresh = static_cast<int>(std::min<std::uint64_t>(behind, WATERFALL_ROWS));
  if (fresh == 0 && marker == marker_) return {};

  if (fresh < WATERFALL_ROWS && fresh > 0) {
    // The rows drawn before move down by the new ones; the oldest fall off the bottom.
    const auto lineBytes = static_cast<std::size_t>(image.bytesPerLine());
    std::memmove(image.scanLine((WATERFALL_TOP + fresh) * z), image.scanLine(WATERFALL_TOP * z),
                 static_cast<std::size_t>((WATERFALL_ROWS - fresh) * z) * lineBytes);
  }
  for (int age = 0; age < fresh; ++age) DrawRow(image, z, age, waterfall.Row(age), marker);
  QRect changed = fresh > 0 ? QRect(0, WATERFALL_TOP * z, TRACE_COLUMNS * z, WATERFALL_ROWS * z) : QRect();
  if (marker != marker_ && fresh < WATERFALL_ROWS) {
    // The rows kept still show the marker where it was.
    for (int column : {marker_, marker}) {
      if (column < 0) continue;
      for (int age = fresh; age < WATERFALL_ROWS; ++age)
        DrawPixel(image, z, age, column, PixelOf(waterfall.Row(age), column, marker));
      changed |= QRect(column * z, WATERFALL_TOP * z, z, WATERFALL_ROWS * z);
    }
  }
  drawn_ = true;
  serial_ = waterfall.Serial();
  marker_ = marker;
  return changed;
}

}  // namespace keblor
