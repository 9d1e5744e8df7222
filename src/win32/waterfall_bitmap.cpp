#include "win32/waterfall_bitmap.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

namespace keblor {

namespace {

// Rows of an 8-bit DIB are DWORD aligned: 200 bytes need no padding.
constexpr int ROW_BYTES = (TRACE_COLUMNS + 3) / 4 * 4;

struct PaletteBitmapInfo {
  BITMAPINFOHEADER header;
  RGBQUAD colors[WATERFALL_COLOURS];
};

}  // namespace

WaterfallBitmap::WaterfallBitmap() {
  PaletteBitmapInfo info{};
  info.header.biSize = sizeof(BITMAPINFOHEADER);
  info.header.biWidth = TRACE_COLUMNS;
  info.header.biHeight = -WATERFALL_ROWS;  // top row first
  info.header.biPlanes = 1;
  info.header.biBitCount = 8;
  info.header.biCompression = BI_RGB;
  info.header.biClrUsed = WATERFALL_COLOURS;
  for (int shade = 0; shade < WATERFALL_COLOURS; ++shade) {
    const Rgb c = WaterfallPalette()[static_cast<std::size_t>(shade)];
    info.colors[shade] = RGBQUAD{c.b, c.g, c.r, 0};
  }
  dc_ = CreateCompatibleDC(nullptr);
  void* bits = nullptr;
  bitmap_ = CreateDIBSection(dc_, reinterpret_cast<const BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits, nullptr, 0);
  bits_ = static_cast<std::uint8_t*>(bits);
  if (bits_ != nullptr) std::memset(bits_, 0, static_cast<std::size_t>(ROW_BYTES * WATERFALL_ROWS));
  oldBitmap_ = SelectObject(dc_, bitmap_);
  markerBrush_ = CreateSolidBrush(RGB(WATERFALL_MARKER.r, WATERFALL_MARKER.g, WATERFALL_MARKER.b));
}

WaterfallBitmap::~WaterfallBitmap() {
  SelectObject(dc_, static_cast<HGDIOBJ>(oldBitmap_));
  DeleteObject(bitmap_);
  DeleteObject(markerBrush_);
  DeleteDC(dc_);
}

void WaterfallBitmap::Update(const Waterfall& waterfall) {
  if (bits_ == nullptr) return;
  const std::uint64_t behind = drawn_ ? waterfall.Serial() - serial_ : WATERFALL_ROWS;
  const int fresh = static_cast<int>(std::min<std::uint64_t>(behind, WATERFALL_ROWS));
  if (fresh == 0) return;
  // The rows drawn before move down by the new ones; the oldest fall off the bottom.
  if (fresh < WATERFALL_ROWS) BitBlt(dc_, 0, fresh, TRACE_COLUMNS, WATERFALL_ROWS - fresh, dc_, 0, 0, SRCCOPY);
  GdiFlush();  // the blit is done before the bits are written
  for (int age = 0; age < fresh; ++age)
    std::memcpy(bits_ + static_cast<std::size_t>(age * ROW_BYTES), waterfall.Row(age).data(), TRACE_COLUMNS);
  drawn_ = true;
  serial_ = waterfall.Serial();
}

void WaterfallBitmap::DrawInto(HDC__* dc, const WindowScale& scale, int marker) const {
  const int top = scale.Px(WATERFALL_TOP);
  const int bottom = scale.Px(WATERFALL_TOP + WATERFALL_ROWS);
  SetStretchBltMode(dc, COLORONCOLOR);
  StretchBlt(dc, 0, top, scale.Px(TRACE_COLUMNS), bottom - top, dc_, 0, 0, TRACE_COLUMNS, WATERFALL_ROWS, SRCCOPY);
  if (marker < 0) return;
  const RECT column{scale.Px(marker), top, scale.Px(marker + 1), bottom};
  FillRect(dc, &column, markerBrush_);
}

}  // namespace keblor
