#pragma once
// Per-monitor DPI awareness, where the system has it (Windows 10 1703 and later, Wine 8); on older
// systems every call falls back to 96 DPI and the plain frame metrics.

#include <cstdint>

struct HWND__;
struct tagRECT;

namespace keblor {

void EnablePerMonitorDpi();
int WindowDpi(HWND__* window);  // 96 when unknown
// AdjustWindowRectExForDpi, or AdjustWindowRectEx where that is missing.
void AdjustWindowRectForDpi(tagRECT* rect, std::uint32_t style, bool menu, std::uint32_t exStyle, int dpi);

}  // namespace keblor
