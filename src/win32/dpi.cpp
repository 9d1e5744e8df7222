#include "win32/dpi.h"

#include <windows.h>

namespace keblor {
namespace {

template <typename Function>
Function User32(const char* name) {
  HMODULE user32 = GetModuleHandleW(L"user32.dll");
  return user32 == nullptr ? nullptr : reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(user32, name)));
}

}  // namespace

void EnablePerMonitorDpi() {
  using SetContext = BOOL(WINAPI*)(DPI_AWARENESS_CONTEXT);
  // The manifest asks for the same; this covers a copy started without it. A refusal (already set)
  // changes nothing.
  if (auto set = User32<SetContext>("SetProcessDpiAwarenessContext")) {
    set(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
  }
}

int WindowDpi(HWND__* window) {
  using GetDpi = UINT(WINAPI*)(HWND);
  static const GetDpi get = User32<GetDpi>("GetDpiForWindow");
  const UINT dpi = get != nullptr && window != nullptr ? get(window) : 0;
  return dpi == 0 ? USER_DEFAULT_SCREEN_DPI : static_cast<int>(dpi);
}

void AdjustWindowRectForDpi(tagRECT* rect, std::uint32_t style, bool menu, std::uint32_t exStyle, int dpi) {
  using Adjust = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
  static const Adjust adjust = User32<Adjust>("AdjustWindowRectExForDpi");
  if (adjust != nullptr) {
    adjust(rect, style, menu, exStyle, static_cast<UINT>(dpi));
  } else {
    AdjustWindowRectEx(rect, style, menu, exStyle);
  }
}

}  // namespace keblor
