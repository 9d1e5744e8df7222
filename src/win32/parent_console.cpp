#include "win32/parent_console.h"

#include <windows.h>

#include <string>

#include "winapi/wide_text.h"

namespace keblor {
namespace {

bool Usable(HANDLE handle) {
  return handle != nullptr && handle != INVALID_HANDLE_VALUE && GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

// The parent's console output, attached once; null when the parent has no console.
HANDLE ParentConsole() {
  static const HANDLE console = [] {
    if (!AttachConsole(ATTACH_PARENT_PROCESS)) return HANDLE{nullptr};
    const HANDLE opened = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      nullptr, OPEN_EXISTING, 0, nullptr);
    return opened == INVALID_HANDLE_VALUE ? HANDLE{nullptr} : opened;
  }();
  return console;
}

}  // namespace

void WriteToParent(ParentStream stream, std::string_view text) {
  HANDLE target = GetStdHandle(stream == ParentStream::Output ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
  if (!Usable(target)) target = ParentConsole();
  if (target == nullptr) return;
  DWORD written = 0;
  DWORD mode = 0;
  if (GetConsoleMode(target, &mode)) {
    const std::wstring wide = Widen(text);
    WriteConsoleW(target, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
  } else {
    WriteFile(target, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  }
}

}  // namespace keblor
