#pragma once
// The keys of the accelerator table as the keyboard gives them (virtual-key codes): F1..F12, the
// keypad's plus and minus, Z, W and T. Shift and Alt take a key out of the table, as none of its
// entries names them; the main keyboard's plus (with the Shift it may need, or "=" on its own)
// and minus do what the keypad's do, for keyboards without a keypad. Ctrl goes with the key.

#include "core/menus.h"

namespace keblor {

bool ToAcceleratorKey(unsigned virtualKey, bool shift, bool alt, AcceleratorKey& key);

}  // namespace keblor
