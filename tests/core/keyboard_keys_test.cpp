// Which key press stands for which key of the accelerator table, with Shift and Alt.

#include "core/keyboard_keys.h"

#include <gtest/gtest.h>

namespace keblor {
namespace {

using K = KeyboardKey;
using A = AcceleratorKey;

TEST(AcceleratorKeys, EachTableKeyOnItsOwnAndThroughTheMainKeyboard) {
  EXPECT_EQ(AcceleratorKeyFor(K::F1, false, false), A::F1);
  EXPECT_EQ(AcceleratorKeyFor(K::F10, false, false), A::F10);
  EXPECT_EQ(AcceleratorKeyFor(K::F12, false, false), A::F12);
  EXPECT_EQ(AcceleratorKeyFor(K::KeypadPlus, false, false), A::KeypadPlus);
  EXPECT_EQ(AcceleratorKeyFor(K::Equals, false, false), A::KeypadPlus);
  EXPECT_EQ(AcceleratorKeyFor(K::Plus, false, false), A::KeypadPlus);
  EXPECT_EQ(AcceleratorKeyFor(K::KeypadMinus, false, false), A::KeypadMinus);
  EXPECT_EQ(AcceleratorKeyFor(K::Minus, false, false), A::KeypadMinus);
  EXPECT_EQ(AcceleratorKeyFor(K::Z, false, false), A::Z);
  EXPECT_EQ(AcceleratorKeyFor(K::W, false, false), A::W);
  EXPECT_EQ(AcceleratorKeyFor(K::T, false, false), A::T);
  EXPECT_EQ(AcceleratorKeyFor(K::Other, false, false), std::nullopt);
}

TEST(AcceleratorKeys, ShiftAndAltTakeKeysOutOfTheTableButShiftNotTheMainKeyboardsPlus) {
  EXPECT_EQ(AcceleratorKeyFor(K::Plus, true, false), A::KeypadPlus);  // "+" needs Shift on many layouts
  EXPECT_EQ(AcceleratorKeyFor(K::Plus, false, true), std::nullopt);
  for (const K key : {K::F6, K::KeypadPlus, K::Equals, K::Minus, K::W}) {
    EXPECT_EQ(AcceleratorKeyFor(key, true, false), std::nullopt) << static_cast<int>(key);
  }
  EXPECT_EQ(AcceleratorKeyFor(K::F4, false, true), std::nullopt) << "Alt+F4 is the window's close";
}

}  // namespace
}  // namespace keblor
