#include "winapi/wide_text.h"

#include <windows.h>

namespace keblor {

std::wstring Widen(std::string_view utf8) {
  if (utf8.empty()) return {};
  const int size = static_cast<int>(utf8.size());
  const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
  std::wstring out(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, out.data(), length);
  return out;
}

std::string Narrow(std::wstring_view utf16) {
  if (utf16.empty()) return {};
  const int size = static_cast<int>(utf16.size());
  const int length = WideCharToMultiByte(CP_UTF8, 0, utf16.data(), size, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, utf16.data(), size, out.data(), length, nullptr, nullptr);
  return out;
}

int WidenInto(std::string_view utf8, wchar_t* out, int capacity) {
  if (capacity <= 0) return 0;
  int length = 0;
  if (!utf8.empty()) {
    length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out, capacity - 1);
    // Too long for the buffer: as much as fits, character by character.
    if (length == 0) {
      for (std::size_t i = 0; i < utf8.size() && length < capacity - 1; ++i) out[length++] = static_cast<wchar_t>(utf8[i] & 0x7f);
    }
  }
  out[length] = L'\0';
  return length;
}

}  // namespace keblor
