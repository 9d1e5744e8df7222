#include "core/keyboard_keys.h"

namespace keblor {

std::optional<AcceleratorKey> AcceleratorKeyFor(KeyboardKey key, bool shift, bool alt) {
  if (alt || key == KeyboardKey::Other) return std::nullopt;
  if (key == KeyboardKey::Plus) return AcceleratorKey::KeypadPlus;
  if (shift) return std::nullopt;
  if (key >= KeyboardKey::F1 && key <= KeyboardKey::F12) {
    return static_cast<AcceleratorKey>(static_cast<int>(AcceleratorKey::F1) + static_cast<int>(key) -
                                       static_cast<int>(KeyboardKey::F1));
  }
  switch (key) {
    case KeyboardKey::KeypadPlus:
    case KeyboardKey::Equals: return AcceleratorKey::KeypadPlus;
    case KeyboardKey::KeypadMinus:
    case KeyboardKey::Minus: return AcceleratorKey::KeypadMinus;
    case KeyboardKey::Z: return AcceleratorKey::Z;
    case KeyboardKey::W: return AcceleratorKey::W;
    case KeyboardKey::T: return AcceleratorKey::T;
    case KeyboardKey::D: return AcceleratorKey::D;
    case KeyboardKey::L: return AcceleratorKey::L;
    case KeyboardKey::N: return AcceleratorKey::N;
    case KeyboardKey::P: return AcceleratorKey::P;
    default: return std::nullopt;
  }
}

}  // namespace keblor
