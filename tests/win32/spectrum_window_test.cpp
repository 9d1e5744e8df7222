// The Win32 spectrum window through the checks every toolkit's window passes: a real window under
// Wine, its client area read back from the screen, clicks sent as the system sends them.

#include <windows.h>

#include <gtest/gtest.h>

#include "views/spectrum_view_checks.h"
#include "win32/spectrum_window.h"

namespace keblor::test {
namespace {

class Win32ViewDriver : public SpectrumViewDriver {
 public:
  Win32ViewDriver() : window_(Recorder()) {
    parent_ = CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 300, nullptr, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
    window_.Open(parent_, "Main VFO-A", 0, 0, WindowScale{});
  }
  ~Win32ViewDriver() override {
    window_.Close();
    DestroyWindow(parent_);
  }
  // The client area as painted, copied once into `screen_`.
  void Show(const SpectrumPicture& picture) override {
    window_.Show(picture);
    UpdateWindow(window_.Window());
    HDC window = GetDC(window_.Window());
    HDC copy = CreateCompatibleDC(window);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), CLIENT_WIDTH, -CLIENT_HEIGHT, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(copy, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(copy, bitmap);
    BitBlt(copy, 0, 0, CLIENT_WIDTH, CLIENT_HEIGHT, window, 0, 0, SRCCOPY);
    GdiFlush();
    const auto* pixels = static_cast<const std::uint32_t*>(bits);
    screen_.assign(pixels, pixels + CLIENT_WIDTH * CLIENT_HEIGHT);
    SelectObject(copy, old);
    DeleteObject(bitmap);
    DeleteDC(copy);
    ReleaseDC(window_.Window(), window);
  }
  Rgb Pixel(int x, int y) override {
    const std::uint32_t c = screen_[static_cast<std::size_t>(y * CLIENT_WIDTH + x)];  // 0x00RRGGBB
    return {static_cast<std::uint8_t>(c >> 16), static_cast<std::uint8_t>(c >> 8), static_cast<std::uint8_t>(c)};
  }
  void Click(Button button, bool shift, int x, int y) override {
    const bool left = button == Button::Left;
    const WPARAM held = shift ? MK_SHIFT : 0;
    const LPARAM at = MAKELPARAM(x, y);
    SendMessageW(window_.Window(), left ? WM_LBUTTONDOWN : WM_MBUTTONDOWN, held | (left ? MK_LBUTTON : MK_MBUTTON), at);
    SendMessageW(window_.Window(), left ? WM_LBUTTONUP : WM_MBUTTONUP, held, at);
  }

 private:
  HWND parent_ = nullptr;
  Win32SpectrumWindow window_;
  std::vector<std::uint32_t> screen_;
};

TEST(Win32SpectrumWindow, TheRigsDialAtTheTopLeftOfTheTrace) {
  Win32ViewDriver view;
  CheckTheRigsDialAtTheTopLeftOfTheTrace(view);
}

TEST(Win32SpectrumWindow, TheDecodeLineAlongTheTracesBottom) {
  Win32ViewDriver view;
  CheckTheDecodeLineAlongTheTracesBottom(view);
}

TEST(Win32SpectrumWindow, SpotsStandBelowTheTopTextsAtTheirColumns) {
  Win32ViewDriver view;
  CheckSpotsStandBelowTheTopTextsAtTheirColumns(view);
}

TEST(Win32SpectrumWindow, TheTuningClick) {
  Win32ViewDriver view;
  CheckTheTuningClick(view);
}

}  // namespace
}  // namespace keblor::test
