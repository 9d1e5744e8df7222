// Which key press stands for which key of the accelerator table, with Shift and Alt.

#include "core/keyboard_keys.h"

#include <gtest/gtest.h>

namespace keblor {
namespace {

using K = KeyboardKey;
using A = AcceleratorKey;

// The main keyboard's "=", "+" and "-" stand for the keypad's; Shift and Alt take keys out of the
// table, but Shift not the main keyboard's "+", which needs it on many layouts.
TEST(AcceleratorKeys, TheMainKeyboardStandsInForTheKeypadAndModifiersTakeKeysOut) {
  EXPECT_EQ(AcceleratorKeyFor(K::Equals, false, false), A::KeypadPlus);
  EXPECT_EQ(AcceleratorKeyFor(K::Plus, false, false), A::KeypadPlus);
  EXPECT_EQ(AcceleratorKeyFor(K::Minus, false, false), A::KeypadMinus);
  EXPECT_EQ(AcceleratorKeyFor(K::Other, false, false), std::nullopt);
  EXPECT_EQ(AcceleratorKeyFor(K::Plus, true, false), A::KeypadPlus);
  EXPECT_EQ(AcceleratorKeyFor(K::Plus, false, true), std::nullopt);
  for (const K key : {K::F6, K::KeypadPlus, K::Equals, K::Minus, K::W}) {
    EXPECT_EQ(AcceleratorKeyFor(key, true, false), std::nullopt) << static_cast<int>(key);
  }
  EXPECT_EQ(AcceleratorKeyFor(K::F4, false, true), std::nullopt) << "Alt+F4 is the window's close";
}

}  // namespace
}  // namespace keblor
