#pragma once
// The keyboard's virtual-key codes as core/keyboard_keys.h names the keys.

#include "core/keyboard_keys.h"

namespace keblor {

// VK_OEM_PLUS is Plus: "=" and, shifted, "+" on US keyboards, "+" on others.
KeyboardKey KeyboardKeyOf(unsigned virtualKey);

}  // namespace keblor
