// The About box and the main window's input menu and size on Win32, run under Wine: the About box is
// driven by keys and messages posted from a timer on its own modal loop.

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "core/command_ids.h"
#include "core/menu_model.h"
#include "win32/dialogs.h"
#include "win32/main_view.h"

namespace keblor {
namespace {

// Steps run one per timer tick once the About box is up; a step returns false to wait a tick.
struct AboutScript {
  std::vector<std::function<bool(HWND)>> steps;
  std::size_t next = 0;
  int ticks = 0;
};
AboutScript* script = nullptr;

void CALLBACK RunStep(HWND, UINT, UINT_PTR, DWORD) {
  HWND dialog = FindWindowW(L"#32770", L"About CW Keblor");
  if (++script->ticks > 250) {  // five seconds: end it rather than hang the tests
    if (dialog != nullptr) EndDialog(dialog, 99);
    return;
  }
  if (dialog == nullptr || script->next >= script->steps.size()) return;
  if (script->steps[script->next](dialog)) ++script->next;
}

// Runs the About box through `steps`; its result.
int RunAbout(std::vector<std::function<bool(HWND)>> steps) {
  AboutScript run{std::move(steps)};
  script = &run;
  const UINT_PTR timer = SetTimer(nullptr, 0, 20, RunStep);
  const int result = RunAboutBox(nullptr);
  KillTimer(nullptr, timer);
  script = nullptr;
  return result;
}

// A key pressed and released at the dialog's focused control, through the dialog's own loop.
bool Press(HWND dialog, WPARAM key) {
  HWND target = GetFocus() != nullptr ? GetFocus() : dialog;
  PostMessageW(target, WM_KEYDOWN, key, 1);
  PostMessageW(target, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001u));
  return true;
}

TEST(Win32About, OkEnterAndTheCloseBoxEndItButNotEscape) {
  EXPECT_EQ(RunAbout({[](HWND d) { return Press(d, VK_RETURN); }}), 0);
  EXPECT_EQ(RunAbout({[](HWND d) {
              SendMessageW(GetDlgItem(d, IDOK), BM_CLICK, 0, 0);
              return true;
            }}),
            0);
  EXPECT_EQ(RunAbout({[](HWND d) { return PostMessageW(d, WM_CLOSE, 0, 0) != 0; }}), 1);

  bool openAfterEscape = false;
  EXPECT_EQ(RunAbout({[](HWND d) { return Press(d, VK_ESCAPE); },
                      [](HWND d) { return PostMessageW(d, WM_COMMAND, IDCANCEL, 0) != 0; },
                      [&openAfterEscape](HWND d) {
                        openAfterEscape = IsWindowVisible(d) != 0;
                        return Press(d, VK_RETURN);
                      }}),
            0);
  EXPECT_TRUE(openAfterEscape);
}

// The submenu of `menu` that holds the item `id`, at any depth.
HMENU MenuHolding(HMENU menu, UINT id) {
  for (int i = 0; i < GetMenuItemCount(menu); ++i) {
    if (GetMenuItemID(menu, i) == id) return menu;
    if (HMENU sub = GetSubMenu(menu, i)) {
      if (HMENU found = MenuHolding(sub, id)) return found;
    }
  }
  return nullptr;
}

// The menu model doubles an ampersand in an input's name once; the Win32 menu shows its text as
// it is, so "Rig & Co" reads "Rig & Co" and not "Rig && Co".
TEST(Win32MainMenu, AnInputsAmpersandIsDoubledOnce) {
  Win32MainView view;
  view.Create("CW Keblor", {0, 0, 214, 231});
  ASSERT_NE(view.Window(), nullptr);
  MenuModel model;
  model.inputItems = {"Rig && Co", "USB Audio CODEC"};
  view.ShowMenu(model);
  HMENU inputs = MenuHolding(GetMenu(view.Window()), cmd::InputFirst);
  ASSERT_NE(inputs, nullptr);
  wchar_t text[64] = {};
  GetMenuStringW(inputs, cmd::InputFirst, text, 64, MF_BYCOMMAND);
  EXPECT_EQ(std::wstring(text), L"Rig && Co");
  GetMenuStringW(inputs, cmd::InputFirst + 1, text, 64, MF_BYCOMMAND);
  EXPECT_EQ(std::wstring(text), L"USB Audio CODEC");
  view.Destroy();
}

// Narrow in mono, the main window's menu bar wraps. Taller for the waterfall, the window gets its
// whole height in one move: a second resize hard on the first was lost under Wine.
TEST(Win32MainWindow, AWrappedMenuBarsWindowGrowsInOneMove) {
  Win32MainView view;
  view.Create("CW Keblor", {0, 0, 214, 231});
  static HWND window = view.Window();
  static int resizes = 0;
  HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROC, [](int code, WPARAM wParam, LPARAM lParam) -> LRESULT {
    const auto* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (call->hwnd == window && call->message == WM_WINDOWPOSCHANGING &&
        (reinterpret_cast<const WINDOWPOS*>(call->lParam)->flags & SWP_NOSIZE) == 0) ++resizes;
    return CallNextHookEx(nullptr, code, wParam, lParam);
  }, nullptr, GetCurrentThreadId());
  view.Move({0, 0, 214, 231 + 64});
  UnhookWindowsHookEx(hook);
  EXPECT_EQ(resizes, 1);
  view.Destroy();
}

}  // namespace
}  // namespace keblor
