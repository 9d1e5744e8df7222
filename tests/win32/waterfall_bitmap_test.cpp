// The waterfall's bitmap on GDI: rows scrolled down with BitBlt from picture to picture look
// exactly as rows drawn whole, the newest on top, in the palette's colours, the marker over them.

#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "display/raster_rows.h"
#include "win32/waterfall_bitmap.h"

namespace keblor {
namespace {

// A client area as a 32-bit DIB section, read back pixel by pixel.
class Client {
 public:
  explicit Client(const WindowScale& scale)
      : width_(scale.Px(CLIENT_WIDTH)), height_(scale.Px(WATERFALL_TOP + WATERFALL_ROWS)) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width_;
    info.bmiHeader.biHeight = -height_;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    dc_ = CreateCompatibleDC(nullptr);
    void* bits = nullptr;
    bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bits_ = static_cast<const std::uint32_t*>(bits);
    old_ = SelectObject(dc_, bitmap_);
  }
  ~Client() {
    SelectObject(dc_, old_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  HDC Dc() const { return dc_; }
  std::uint32_t Pixel(int x, int y) const {
    GdiFlush();
    return bits_[y * width_ + x] & 0xFFFFFFu;
  }
  std::vector<std::uint32_t> WaterfallPixels(const WindowScale& scale) const {
    GdiFlush();
    const int top = scale.Px(WATERFALL_TOP);
    return {bits_ + top * width_, bits_ + height_ * width_};
  }

 private:
  int width_, height_;
  HDC dc_;
  HBITMAP bitmap_;
  HGDIOBJ old_;
  const std::uint32_t* bits_;
};

std::uint32_t Packed(Rgb c) { return static_cast<std::uint32_t>(c.r) << 16 | c.g << 8 | c.b; }

using test::ToneRow;

TEST(WaterfallBitmap, ScrolledRowsLookAsRowsDrawnWhole) {
  for (int zoom : {1, 2}) {
    SCOPED_TRACE(zoom);
    const WindowScale scale{zoom, 96};
    Waterfall waterfall;
    WaterfallBitmap running;
    for (int age = 0; age < WATERFALL_ROWS; ++age) waterfall.Push(ToneRow(1 + age * 3), {500, 1, 1});
    running.Update(waterfall);  // every row holds a tone of its own: the scrolls below move them all
    const VfoSettings vfos[] = {{500, 1, 1}, {500, 1, 1}, {700, 1, 1}, {700, 0, 1}, {700, 1, 2}, {700, 1, 2}};
    int column = 20;
    for (const VfoSettings& vfo : vfos) {
      column += 25;
      waterfall.Push(ToneRow(column), vfo);
      Client shown(scale), alone(scale);
      running.Update(waterfall);
      running.DrawInto(shown.Dc(), scale, waterfall.Marker());
      WaterfallBitmap fresh;
      fresh.Update(waterfall);
      fresh.DrawInto(alone.Dc(), scale, waterfall.Marker());
      EXPECT_TRUE(shown.WaterfallPixels(scale) == alone.WaterfallPixels(scale)) << "tone at column " << column;
    }
    waterfall.Push(ToneRow(140), {500, 1, 2});  // 2000 Hz: the marker at column 50
    waterfall.Push(ToneRow(60), {500, 1, 2});
    running.Update(waterfall);
    Client client(scale);
    running.DrawInto(client.Dc(), scale, waterfall.Marker());
    auto at = [&](int x, int y) { return client.Pixel(x * zoom + zoom - 1, y * zoom + zoom - 1); };
    const std::uint32_t white = 0xFFFFFF, black = 0;
    EXPECT_EQ(at(60, WATERFALL_TOP), white);
    EXPECT_EQ(at(140, WATERFALL_TOP), black);
    EXPECT_EQ(at(140, WATERFALL_TOP + 1), white);
    EXPECT_EQ(at(60, WATERFALL_TOP + 1), black);
    EXPECT_EQ(at(50, WATERFALL_TOP + WATERFALL_ROWS - 1), Packed(WATERFALL_MARKER));
    EXPECT_EQ(at(49, WATERFALL_TOP + WATERFALL_ROWS - 1), black);
  }
}

}  // namespace
}  // namespace keblor
