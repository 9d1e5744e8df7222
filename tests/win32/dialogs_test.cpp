// The About box on Win32, run under Wine: driven by keys and messages posted from a timer on its
// own modal loop.

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "win32/dialogs.h"

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

}  // namespace
}  // namespace keblor
