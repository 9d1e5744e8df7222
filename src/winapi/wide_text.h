#pragma once
// UTF-8 <-> UTF-16 for the Win32 calls, which take UTF-16 throughout.

#include <cstddef>
#include <string>
#include <string_view>

namespace keblor {

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);

// `utf8` into a fixed buffer, cut off to fit and always terminated; the UTF-16 length. For text
// drawn with every picture, which must not allocate.
int WidenInto(std::string_view utf8, wchar_t* out, int capacity);

}  // namespace keblor
