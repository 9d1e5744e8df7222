#pragma once
// Windows whose messages go to the C++ object that owns them.

#include <windows.h>

namespace keblor {

// The window procedure of a window made with CreateWindowExW(..., owner) as its last argument:
// the owner is kept in the window from WM_NCCREATE on, and from then every message goes to
// owner->OnMessage. The owner takes its handle from WM_NCCREATE and gives it back as Window();
// messages for any other window go to DefWindowProcW.
template <class Owner>
LRESULT CALLBACK ForwardToOwner(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* owner = reinterpret_cast<Owner*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (owner == nullptr || (owner->Window() != window && message != WM_NCCREATE)) {
    return DefWindowProcW(window, message, wParam, lParam);
  }
  return owner->OnMessage(window, message, wParam, lParam);
}

// A message-only window of the class `className` (registered with `proc` on first use), with
// `owner` kept in it for MessageWindowOwner. Null when it cannot be made.
HWND CreateMessageWindow(const wchar_t* className, WNDPROC proc, void* owner);

template <class Owner>
Owner* MessageWindowOwner(HWND window) {
  return reinterpret_cast<Owner*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

}  // namespace keblor
