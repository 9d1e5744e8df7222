#pragma once
// Which key of the keyboard stands for which key of the accelerator table: one rule for every
// toolkit, each of which only maps its own key codes to KeyboardKey.

#include <optional>

#include "core/menus.h"

namespace keblor {

// The keys that can stand for an accelerator key, as the keyboard has them. Plus is the main
// keyboard's key that gives "+" (shifted or not, by layout), Equals the one that gives "=".
enum class KeyboardKey {
  Other,
  F1, F2, F3, F4, F5, F6, F7, F8, F9, F10, F11, F12,
  KeypadPlus, KeypadMinus,
  Plus, Equals, Minus,
  Z, W, T, D, L, N, P,
};

// The accelerator key a press of `key` means, or nothing. Shift and Alt (or another modifier
// besides Ctrl) take a key out of the table, as none of its entries names them; Ctrl goes with
// the key. For keyboards without a keypad the main keyboard's plus (with the Shift it may need,
// or "=" on its own) and minus do what the keypad's do.
std::optional<AcceleratorKey> AcceleratorKeyFor(KeyboardKey key, bool shift, bool alt);

}  // namespace keblor
