#include "win32/accelerator_keys.h"

#include <windows.h>

namespace keblor {

KeyboardKey KeyboardKeyOf(unsigned virtualKey) {
  if (virtualKey >= VK_F1 && virtualKey <= VK_F12) {
    return static_cast<KeyboardKey>(static_cast<int>(KeyboardKey::F1) + static_cast<int>(virtualKey - VK_F1));
  }
  switch (virtualKey) {
    case VK_ADD: return KeyboardKey::KeypadPlus;
    case VK_SUBTRACT: return KeyboardKey::KeypadMinus;
    case VK_OEM_PLUS: return KeyboardKey::Plus;
    case VK_OEM_MINUS: return KeyboardKey::Minus;
    case 'Z': return KeyboardKey::Z;
    case 'W': return KeyboardKey::W;
    case 'T': return KeyboardKey::T;
    case 'D': return KeyboardKey::D;
    case 'L': return KeyboardKey::L;
    case 'N': return KeyboardKey::N;
    case 'P': return KeyboardKey::P;
    default: return KeyboardKey::Other;
  }
}

}  // namespace keblor
