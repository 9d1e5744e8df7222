#pragma once
// The waterfall of a Win32 spectrum window: an 8-bit DIB section of 200 x 64 pixels whose colour
// table is the waterfall's palette, so that a row of shades goes in as it is. As pictures come,
// the rows drawn before are scrolled down with BitBlt and only the new ones are copied in; the
// window stretches the bitmap into its client area and lays the marker's column over it.

#include <cstdint>

#include "display/waterfall.h"
#include "win32/window_scale.h"

struct HDC__;
struct HBITMAP__;
struct HBRUSH__;

namespace keblor {

class WaterfallBitmap {
 public:
  WaterfallBitmap();
  ~WaterfallBitmap();
  WaterfallBitmap(const WaterfallBitmap&) = delete;
  WaterfallBitmap& operator=(const WaterfallBitmap&) = delete;

  // Brings the bitmap up to `waterfall`: nothing when it holds no new row.
  void Update(const Waterfall& waterfall);
  // The bitmap over the waterfall's place in a client area drawn on `dc` at `scale`, with the
  // marker's column (-1: none) over it.
  void DrawInto(HDC__* dc, const WindowScale& scale, int marker) const;

 private:
  HDC__* dc_ = nullptr;
  HBITMAP__* bitmap_ = nullptr;
  void* oldBitmap_ = nullptr;
  HBRUSH__* markerBrush_ = nullptr;
  std::uint8_t* bits_ = nullptr;  // top row first, TRACE_COLUMNS bytes a row
  bool drawn_ = false;
  std::uint64_t serial_ = 0;  // the waterfall's serial when its rows were last drawn
};

}  // namespace keblor
