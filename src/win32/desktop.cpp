#include "win32/desktop.h"

#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <filesystem>

#include "win32/dialogs.h"
#include "win32/main_view.h"
#include "winapi/owned_window.h"
#include "winapi/wide_text.h"

namespace keblor {
namespace {

constexpr const wchar_t* TIMER_CLASS = L"KeblorClock";
constexpr UINT_PTR TICK_TIMER = 1;
constexpr UINT_PTR FIRST_ONCE_TIMER = 2;  // each pending call has a timer of its own from here on
// The session's name space: copies of other users on the same machine do not count.
constexpr const wchar_t* INSTANCE_MUTEX = L"Local\\KLP5012WA ISA LIBRARY TEST";
// The system's Sound settings keep this title on every tab.
constexpr const wchar_t* SOUND_SETTINGS_TITLE = L"Sound";

LRESULT CALLBACK TimerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_TIMER) {
    auto* desktop = MessageWindowOwner<Win32Desktop>(window);
    if (desktop != nullptr) desktop->OnTimer(wParam);
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

Win32Desktop::Win32Desktop(Win32MainView& main)
    : main_(main), startTicks_(GetTickCount64()), nextOnce_(FIRST_ONCE_TIMER) {
  timerWindow_ = CreateMessageWindow(TIMER_CLASS, TimerProc, this);
}

Win32Desktop::~Win32Desktop() {
  if (timerWindow_ != nullptr) DestroyWindow(timerWindow_);
  if (instanceMutex_ != nullptr) CloseHandle(instanceMutex_);
}

bool Win32Desktop::FindRunningCopy() {
  HANDLE mutex = CreateMutexW(nullptr, FALSE, INSTANCE_MUTEX);
  if (mutex != nullptr && GetLastError() != ERROR_ALREADY_EXISTS) {
    instanceMutex_ = mutex;
    return false;
  }
  if (mutex != nullptr) CloseHandle(mutex);
  // The first copy may still be on its way to showing its window.
  for (int attempt = 0; attempt < 20; ++attempt) {
    if (HWND first = FindWindowW(MAIN_WINDOW_CLASS, nullptr)) {
      if (IsIconic(first)) {
        ShowWindow(first, SW_RESTORE);
        SetForegroundWindow(first);
      }
      break;
    }
    Sleep(100);
  }
  return true;
}

void Win32Desktop::Line(const std::string& text) { std::fprintf(stderr, "keblor: %s\n", text.c_str()); }

void Win32Desktop::Box(const std::string& text, const std::string& caption) {
  MessageBeep(MB_OK);
  MessageBoxW(main_.Window(), Widen(text).c_str(), Widen(caption).c_str(), MB_OK);
}

int Win32Desktop::RunSoundCardDialog(int channels, int bitsPerSample, const std::function<int(int, int)>& accept) {
  return keblor::RunSoundCardDialog(main_.Window(), channels, bitsPerSample, accept);
}

void Win32Desktop::ShowAbout() { RunAboutBox(main_.Window()); }

void Win32Desktop::OpenMixer(MixerKind mixer) {
  if (HWND open = FindWindowW(L"#32770", SOUND_SETTINGS_TITLE)) {
    if (IsIconic(open)) ShowWindow(open, SW_RESTORE);
    SetForegroundWindow(open);
    return;
  }
  const wchar_t* tab = mixer == MixerKind::Recording ? L"mmsys.cpl,,1" : L"mmsys.cpl,,0";
  ShellExecuteW(main_.Window(), L"open", L"control.exe", tab, nullptr, SW_SHOWNORMAL);
}

void Win32Desktop::OpenHelp() {
  std::wstring program(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, program.data(), static_cast<DWORD>(program.size()));
    if (length < program.size()) {
      program.resize(length);
      break;
    }
    program.resize(program.size() * 2);
  }
  const std::filesystem::path index = std::filesystem::path(program).parent_path() / L"help" / L"index.html";
  ShellExecuteW(main_.Window(), L"open", index.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

std::int64_t Win32Desktop::NowMs() { return static_cast<std::int64_t>(GetTickCount64() - startTicks_); }

void Win32Desktop::StartTicks(int intervalMs, std::function<void()> tick) {
  tick_ = std::move(tick);
  SetTimer(timerWindow_, TICK_TIMER, static_cast<UINT>(intervalMs), nullptr);
}

void Win32Desktop::CallAfter(int delayMs, std::function<void()> once) {
  const std::uintptr_t id = nextOnce_++;
  once_[id] = std::move(once);
  SetTimer(timerWindow_, id, static_cast<UINT>(delayMs < USER_TIMER_MINIMUM ? USER_TIMER_MINIMUM : delayMs), nullptr);
}

void Win32Desktop::OnTimer(std::uintptr_t id) {
  if (id == TICK_TIMER) {
    if (tick_) tick_();
  } else if (const auto pending = once_.find(id); pending != once_.end()) {
    KillTimer(timerWindow_, id);
    // The call may ask for the next one: it is moved out first.
    std::function<void()> once = std::move(pending->second);
    once_.erase(pending);
    if (once) once();
  }
}

}  // namespace keblor
