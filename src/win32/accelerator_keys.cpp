#include "win32/accelerator_keys.h"

#include <windows.h>

namespace keblor {

bool ToAcceleratorKey(unsigned virtualKey, bool shift, bool alt, AcceleratorKey& key) {
  if (alt) return false;
  if (virtualKey == VK_OEM_PLUS) {  // "=" and, shifted, "+" on US keyboards; "+" on others
    key = AcceleratorKey::KeypadPlus;
    return true;
  }
  if (shift) return false;
  if (virtualKey >= VK_F1 && virtualKey <= VK_F12) {
    key = static_cast<AcceleratorKey>(static_cast<int>(AcceleratorKey::F1) + static_cast<int>(virtualKey - VK_F1));
    return true;
  }
  switch (virtualKey) {
    case VK_ADD: key = AcceleratorKey::KeypadPlus; return true;
    case VK_SUBTRACT:
    case VK_OEM_MINUS: key = AcceleratorKey::KeypadMinus; return true;
    case 'Z': key = AcceleratorKey::Z; return true;
    case 'W': key = AcceleratorKey::W; return true;
    case 'T': key = AcceleratorKey::T; return true;
    default: return false;
  }
}

}  // namespace keblor
