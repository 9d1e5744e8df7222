#include "win32/spectrum_window.h"

#include <windows.h>
#include <windowsx.h>

#include <algorithm>
#include <cstring>

#include "core/marker_pointer.h"
#include "core/menus.h"
#include "display/spot_labels.h"
#include "display/top_texts.h"
#include "win32/dpi.h"
#include "win32/menu_builder.h"
#include "winapi/owned_window.h"
#include "winapi/wide_text.h"

namespace keblor {
namespace {

constexpr const wchar_t* WINDOW_CLASS = L"SIGNAL";
constexpr DWORD STYLE = WS_CHILD | WS_CLIPSIBLINGS | WS_CAPTION | WS_SYSMENU;
constexpr int DIB_ROW_BYTES = (RASTER_WIDTH + 31) / 32 * 4;  // rows of a 1-bit DIB are DWORD aligned
constexpr int TEXT_CAPACITY = 96;

COLORREF ToColor(Rgb c) { return RGB(c.r, c.g, c.b); }

void RegisterSpectrumClass() {
  static const ATOM atom = [] {
    WNDCLASSW wc{};
    wc.style = CS_OWNDC | CS_BYTEALIGNCLIENT;
    wc.lpfnWndProc = ForwardToOwner<Win32SpectrumWindow>;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH));
    wc.lpszClassName = WINDOW_CLASS;
    return RegisterClassW(&wc);  // no class cursor: WM_SETCURSOR picks the arrow or the marker's
  }();
  (void)atom;
}

unsigned PointerKeysOf(WPARAM wParam) {
  unsigned keys = 0;
  if (wParam & MK_LBUTTON) keys |= POINTER_LEFT;
  if (wParam & MK_RBUTTON) keys |= POINTER_RIGHT;
  if (wParam & MK_MBUTTON) keys |= POINTER_MIDDLE;
  if (wParam & MK_SHIFT) keys |= POINTER_SHIFT;
  if (wParam & MK_CONTROL) keys |= POINTER_CONTROL;
  return keys;
}

// An uncompressed bitmap of `width` x `height` pixels, top row first.
BITMAPINFOHEADER TopDownHeader(int width, int height, WORD bitsPerPixel) {
  BITMAPINFOHEADER header{};
  header.biSize = sizeof(BITMAPINFOHEADER);
  header.biWidth = width;
  header.biHeight = -height;
  header.biPlanes = 1;
  header.biBitCount = bitsPerPixel;
  header.biCompression = BI_RGB;
  return header;
}

constexpr int SPOT_FONT_PIXELS = 9;

// Screen pixels to whole 1x rows, rounded up.
int RowsUp(int px, const WindowScale& scale) {
  const int per = scale.zoom * scale.dpi;
  return (px * BASE_DPI + per - 1) / per;
}

// A 1-bit DIB with the dark and the lit colour, top row first.
struct TraceBitmapInfo {
  BITMAPINFOHEADER header;
  RGBQUAD colors[2];
};

}  // namespace

// The client area drawn off screen at its full size, copied to the window by WM_PAINT.
struct Win32SpectrumWindow::Surface {
  HDC dc = nullptr;
  HBITMAP bitmap = nullptr;
  HGDIOBJ oldBitmap = nullptr;
  HFONT font = nullptr;
  HGDIOBJ oldFont = nullptr;
  HFONT spotFont = nullptr;
  HBRUSH background = nullptr;
  int width = 0;
  int height = 0;
  TraceBitmapInfo traceInfo{};
  std::array<std::uint8_t, DIB_ROW_BYTES * RASTER_HEIGHT> traceBits{};
  std::array<wchar_t, TEXT_CAPACITY> text{};

  Surface(int w, int h, int fontPixels, int spotFontPixels) : width(w), height(h) {
    dc = CreateCompatibleDC(nullptr);
    BITMAPINFO info{};
    info.bmiHeader = TopDownHeader(w, h, 32);
    void* bits = nullptr;
    bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    oldBitmap = SelectObject(dc, bitmap);
    // A small sans font drawn without smoothing, so that the same text lights the same pixels.
    font = CreateFontW(-fontPixels, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY, VARIABLE_PITCH | FF_SWISS, L"Tahoma");
    oldFont = SelectObject(dc, font);
    spotFont = CreateFontW(-spotFontPixels, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                           OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY, VARIABLE_PITCH | FF_SWISS,
                           L"Tahoma");
    background = CreateSolidBrush(ToColor(WINDOW_BACKGROUND));
    traceInfo.header = TopDownHeader(RASTER_WIDTH, RASTER_HEIGHT, 1);
    traceInfo.header.biClrUsed = 2;
    traceInfo.colors[0] = RGBQUAD{TRACE_DARK.b, TRACE_DARK.g, TRACE_DARK.r, 0};
    traceInfo.colors[1] = RGBQUAD{LABEL_BACKGROUND.b, LABEL_BACKGROUND.g, LABEL_BACKGROUND.r, 0};
  }
  ~Surface() {
    SelectObject(dc, oldFont);
    SelectObject(dc, oldBitmap);
    DeleteObject(font);
    DeleteObject(spotFont);
    DeleteObject(bitmap);
    DeleteObject(background);
    DeleteDC(dc);
  }
  Surface(const Surface&) = delete;
  Surface& operator=(const Surface&) = delete;
};

Win32SpectrumWindow::Win32SpectrumWindow(SpectrumEvents events) : events_(std::move(events)) {}

Win32SpectrumWindow::~Win32SpectrumWindow() { Close(); }

FrameSize Win32SpectrumWindow::Frame(const WindowScale& scale, bool waterfall) {
  RECT rect{0, 0, scale.Px(CLIENT_WIDTH), scale.Px(CLIENT_HEIGHT + (waterfall ? WATERFALL_ROWS : 0))};
  AdjustWindowRectForDpi(&rect, STYLE, false, 0, scale.dpi);
  return {rect.right - rect.left, rect.bottom - rect.top};
}

void Win32SpectrumWindow::Open(HWND__* parent, const std::string& title, int x, int y, const WindowScale& scale) {
  Close();
  RegisterSpectrumClass();
  scale_ = scale;
  MakeSurface();
  const FrameSize frame = Frame(scale, waterfall_ != nullptr);
  const std::wstring wideTitle = Widen(title);
  CreateWindowExW(0, WINDOW_CLASS, wideTitle.c_str(), STYLE, x, y, frame.width, frame.height, parent, nullptr,
                  GetModuleHandleW(nullptr), this);
  // window_ is set by WM_NCCREATE, before the first paint.
  Render();
  ShowWindow(window_, SW_SHOWNORMAL);
  UpdateWindow(window_);
}

void Win32SpectrumWindow::Close() {
  if (window_ == nullptr) return;
  HWND window = window_;
  window_ = nullptr;
  DestroyWindow(window);
  surface_.reset();
}

void Win32SpectrumWindow::Place(int& x, int& y) const {
  RECT rect{};
  GetWindowRect(window_, &rect);
  MapWindowPoints(HWND_DESKTOP, GetParent(window_), reinterpret_cast<POINT*>(&rect), 2);
  x = rect.left;
  y = rect.top;
}

void Win32SpectrumWindow::Rescale(const WindowScale& scale, int x, int y) {
  if (window_ == nullptr) return;
  scale_ = scale;
  MakeSurface();
  Render();
  const FrameSize frame = Frame(scale, waterfall_ != nullptr);
  SetWindowPos(window_, nullptr, x, y, frame.width, frame.height, SWP_NOZORDER | SWP_NOACTIVATE);
  InvalidateRect(window_, nullptr, FALSE);
}

void Win32SpectrumWindow::SetWaterfall(bool shown) {
  if (shown == (waterfall_ != nullptr)) return;
  if (shown) {
    waterfall_ = std::make_unique<WaterfallBitmap>();
  } else {
    waterfall_.reset();
  }
  if (window_ == nullptr) return;
  MakeSurface();
  Render();
  const FrameSize frame = Frame(scale_, shown);
  SetWindowPos(window_, nullptr, 0, 0, frame.width, frame.height, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
  InvalidateRect(window_, nullptr, FALSE);
}

void Win32SpectrumWindow::MakeSurface() {
  const int height = CLIENT_HEIGHT + (waterfall_ != nullptr ? WATERFALL_ROWS : 0);
  surface_ = std::make_unique<Surface>(scale_.Px(CLIENT_WIDTH), scale_.Px(height), scale_.Px(11),
                                       scale_.Px(SPOT_FONT_PIXELS));
}

void Win32SpectrumWindow::Show(const SpectrumPicture& picture) {
  picture_ = picture;
  if (window_ == nullptr) return;
  Render();
  InvalidateRect(window_, nullptr, FALSE);
}

// The whole client area from the picture: background, the text boxes in order, the trace with
// each raster pixel scaled, then the notice, the readout, the rig's dial and the decode line over
// the trace, and the waterfall.
void Win32SpectrumWindow::Render() {
  if (!surface_) return;
  Surface& s = *surface_;
  HDC dc = s.dc;
  const WindowScale& z = scale_;
  RECT all{0, 0, s.width, s.height};
  FillRect(dc, &all, s.background);

  SetBkMode(dc, OPAQUE);
  SetBkColor(dc, ToColor(LABEL_BACKGROUND));
  for (int i = 0; i < picture_.boxCount; ++i) {
    const TextBox& box = picture_.boxes[static_cast<std::size_t>(i)];
    const RECT area{z.Px(box.box.left), z.Px(box.box.top), z.Px(box.box.right), z.Px(box.box.bottom)};
    const int length = WidenInto(box.text, s.text.data(), TEXT_CAPACITY);
    SetTextColor(dc, ToColor(box.color));
    const bool left = box.align == TextAlign::Left;
    SetTextAlign(dc, (left ? TA_LEFT : TA_RIGHT) | TA_TOP);
    ExtTextOutW(dc, left ? area.left : z.Px(RIGHT_ANCHOR_X), area.top, ETO_OPAQUE | ETO_CLIPPED, &area,
                s.text.data(), static_cast<UINT>(length), nullptr);
  }

  for (int row = 0; row < RASTER_HEIGHT; ++row) {
    std::memcpy(&s.traceBits[static_cast<std::size_t>(row * DIB_ROW_BYTES)],
                &picture_.raster[static_cast<std::size_t>(row * RASTER_ROW_BYTES)], RASTER_ROW_BYTES);
  }
  const MeasureText measure = [&s](std::string_view text) {
    const int length = WidenInto(text, s.text.data(), TEXT_CAPACITY);
    RECT size{0, 0, 0, 0};
    DrawTextW(s.dc, s.text.data(), length, &size, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    return TextExtent{size.right - size.left, size.bottom - size.top};
  };
  const TopTexts top = LayOutTopTexts(z, picture_.readout, picture_.rig.data(), measure);
  const Rect& trace = top.trace;
  SetStretchBltMode(dc, COLORONCOLOR);
  StretchDIBits(dc, trace.left, trace.top, trace.right - trace.left, trace.bottom - trace.top, 0, 0, TRACE_COLUMNS,
                RASTER_HEIGHT, s.traceBits.data(), reinterpret_cast<const BITMAPINFO*>(&s.traceInfo), DIB_RGB_COLORS,
                SRCCOPY);
  const TopTexts depth = LayOutTopTexts(z, "0", "", measure);
  DrawSpots(std::min(RASTER_HEIGHT, RowsUp(depth.readoutBox.bottom - trace.top, z)), trace);

  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, ToColor(LABEL_BACKGROUND));
  SetTextAlign(dc, TA_LEFT | TA_TOP);
  // Drawn within `place` (DrawText clips to it), aligned by `format`.
  const auto draw = [&s, dc](std::string_view text, const Rect& place, UINT format) {
    RECT area{place.left, place.top, place.right, place.bottom};
    const int length = WidenInto(text, s.text.data(), TEXT_CAPACITY);
    DrawTextW(dc, s.text.data(), length, &area, format | DT_SINGLELINE | DT_NOPREFIX);
  };
  if (!picture_.notice.empty()) draw(picture_.notice, top.trace, DT_CENTER | DT_VCENTER);
  if (!picture_.readout.empty()) {
    // On a dark box a little larger than the text, so that the marker or the trace never runs
    // through its figures.
    const RECT box{top.readoutBox.left, top.readoutBox.top, top.readoutBox.right, top.readoutBox.bottom};
    FillRect(dc, &box, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    draw(picture_.readout, top.readout, DT_RIGHT | DT_TOP);
  }
  if (top.dialLength > 0) draw({picture_.rig.data(), top.dialLength}, top.dial, DT_LEFT | DT_TOP);
  if (picture_.decodeLine) {
    // On a dark box along the trace area's bottom, one pixel less deep than the readout's at its
    // top: the call and speed at the left, the text's end at the right, its start cut off where
    // the two meet. The next picture without it draws the trace whole again.
    const int one = z.Px(1), two = z.Px(2);
    const Rect box{trace.left, trace.bottom - (depth.readoutBox.bottom - trace.top - one), trace.right, trace.bottom};
    const RECT dark{box.left, box.top, box.right, box.bottom};
    FillRect(dc, &dark, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    const std::string_view label(picture_.decodeLabel.data());
    Rect text{box.left + two, box.top, box.right - two, box.bottom};
    if (!label.empty()) {
      draw(label, text, DT_LEFT | DT_VCENTER);
      text.left += measure(label).width + z.Px(6);
    }
    draw(picture_.decodeText.data(), text, DT_RIGHT | DT_VCENTER);
  }
  SetBkMode(dc, OPAQUE);

  if (waterfall_ != nullptr && picture_.waterfall != nullptr) {
    waterfall_->Update(*picture_.waterfall);
    waterfall_->DrawInto(dc, z, picture_.waterfall->Marker());
  }
}

// The labels where PlaceSpotLabels puts them: each call, and the tick from under it down at its
// column. The lines start a row below `topRows` of the trace, and nothing is drawn outside it.
void Win32SpectrumWindow::DrawSpots(int topRows, const Rect& trace) {
  if (picture_.spotCount == 0) return;
  Surface& s = *surface_;
  HDC dc = s.dc;
  const WindowScale& z = scale_;
  HGDIOBJ labelFont = SelectObject(dc, s.spotFont);
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  const int capHeight = metrics.tmAscent - metrics.tmInternalLeading;
  // Trace rows from a call's top to its tick: its capitals and one row for a '/' below them.
  const int textRows = RowsUp(capHeight, z) + 1;
  const int lineRows = textRows + SPOT_TICK + 1;
  const HRGN clip = CreateRectRgn(trace.left, trace.top, trace.right, trace.bottom);
  SelectClipRgn(dc, clip);
  SetBkMode(dc, TRANSPARENT);
  SetTextAlign(dc, TA_LEFT | TA_BASELINE);
  const auto marks =
      std::span(picture_.spots).first(static_cast<std::size_t>(std::min(picture_.spotCount, MAX_SPOT_MARKS)));
  const SpotLabels placed = PlaceSpotLabels(marks, z, [&](std::string_view text) {
    const int length = WidenInto(text, s.text.data(), TEXT_CAPACITY);
    SIZE size{};
    GetTextExtentPoint32W(dc, s.text.data(), length, &size);
    return TextExtent{static_cast<int>(size.cx), 0};
  });
  for (std::size_t i = 0; i < marks.size(); ++i) {
    const SpotLabel& label = placed.labels[i];
    if (label.line < 0) continue;
    const int rows = topRows + 1 + label.line * lineRows;  // to the line's top
    const COLORREF color = ToColor(SpotColour(marks[i].age));
    SetTextColor(dc, color);
    const int length = WidenInto(SpotLabelText(marks[i]), s.text.data(), TEXT_CAPACITY);
    ExtTextOutW(dc, label.left, trace.top + z.Px(rows) + capHeight, 0, nullptr, s.text.data(),
                static_cast<UINT>(length), nullptr);
    const RECT tick{label.tickLeft, trace.top + z.Px(rows + textRows), label.tickLeft + label.tickWidth,
                    trace.top + z.Px(rows + textRows + SPOT_TICK)};
    SetBkColor(dc, color);
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &tick, nullptr, 0, nullptr);  // a solid rectangle, no brush made
  }
  SelectClipRgn(dc, nullptr);
  DeleteObject(clip);
  SelectObject(dc, labelFont);
  SetTextAlign(dc, TA_LEFT | TA_TOP);
}

void Win32SpectrumWindow::SetMarkerCursor(bool onMarker) {
  markerCursor_ = onMarker;
  POINT at{};
  if (window_ != nullptr && GetCursorPos(&at) && WindowFromPoint(at) == window_) {
    SetCursor(LoadCursorW(nullptr, onMarker ? IDC_SIZEWE : IDC_ARROW));
  }
}

void Win32SpectrumWindow::ShowPopupMenu(int resourceId, Point client, const std::vector<int>& checkedIds) {
  const std::vector<MenuNode>& nodes = PopupMenuResource(resourceId);
  if (nodes.empty() || window_ == nullptr) return;
  HMENU menu = CreatePopupMenu();
  AppendMenuTable(menu, nodes);
  for (int id : checkedIds) CheckMenuItem(menu, static_cast<UINT>(id), MF_BYCOMMAND | MF_CHECKED);
  POINT at{scale_.Px(client.x), scale_.Px(client.y)};
  ClientToScreen(window_, &at);
  const int picked = TrackPopupMenu(menu, TPM_RIGHTBUTTON | TPM_RETURNCMD | TPM_NONOTIFY, at.x, at.y, 0, window_, nullptr);
  DestroyMenu(menu);
  if (picked != 0 && events_.popupPick) events_.popupPick(picked);
}

std::intptr_t Win32SpectrumWindow::OnMessage(HWND__* window, unsigned message, std::uintptr_t wParam,
                                             std::intptr_t lParam) {
  switch (message) {
    case WM_NCCREATE:
      window_ = window;
      break;
    case WM_ERASEBKGND:
      return 1;  // the paint covers the whole client area
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(window, &paint);
      if (surface_) BitBlt(dc, 0, 0, surface_->width, surface_->height, surface_->dc, 0, 0, SRCCOPY);
      EndPaint(window, &paint);
      return 0;
    }
    case WM_SETCURSOR:
      if (LOWORD(lParam) == HTCLIENT) {
        SetCursor(LoadCursorW(nullptr, markerCursor_ ? IDC_SIZEWE : IDC_ARROW));
        return TRUE;
      }
      break;
    case WM_MBUTTONDOWN:
      if (events_.tune) events_.tune(scale_.ToDesign(GET_X_LPARAM(lParam)), scale_.ToDesign(GET_Y_LPARAM(lParam)));
      return 0;
    case WM_LBUTTONDOWN:
      if ((wParam & MK_SHIFT) && events_.tune) {
        events_.tune(scale_.ToDesign(GET_X_LPARAM(lParam)), scale_.ToDesign(GET_Y_LPARAM(lParam)));
      }
      [[fallthrough]];
    case WM_MOUSEMOVE:
    case WM_LBUTTONUP:
      if (events_.pointer) {
        events_.pointer(PointerKeysOf(wParam), scale_.ToDesign(GET_X_LPARAM(lParam)),
                        scale_.ToDesign(GET_Y_LPARAM(lParam)));
      }
      return 0;
    case WM_RBUTTONDOWN:
      if (events_.rightButton) {
        events_.rightButton(scale_.ToDesign(GET_X_LPARAM(lParam)), scale_.ToDesign(GET_Y_LPARAM(lParam)));
      }
      return 0;
    case WM_CLOSE:
      if (events_.close) events_.close();
      return 0;
    default:
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace keblor
