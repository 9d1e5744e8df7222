// From the layouts' pixels to the screen's: the layouts' numbers come back unchanged at 96 DPI
// with the frames they count, the real frames take the counted ones' places, and pointer
// positions go back to 1x pixels.

#include <gtest/gtest.h>

#include "app/window_frames.h"
#include "win32/accelerator_keys.h"
#include "win32/window_scale.h"

#include <windows.h>

namespace keblor {
namespace {

int Width(int design, int frame, const WindowScale& scale) {
  return ClientLength(design, SPECTRUM_FRAME_WIDTH, frame, scale);
}
int Height(int design, int frame, const WindowScale& scale) {
  return ClientLength(design, SPECTRUM_FRAME_HEIGHT, frame, scale);
}

TEST(WindowScale, TheLayoutsPlacesHoldTheRealFrames) {
  const WindowScale plain{1, 96};
  // Client areas (outer less 6 x 44) and spectrum places of the four layouts, with the frames
  // they count: unchanged.
  for (int design : {0, 205, 208, 411}) EXPECT_EQ(Width(design, SPECTRUM_FRAME_WIDTH, plain), design);
  for (int design : {2, 186, 187, 190, 372}) EXPECT_EQ(Height(design, SPECTRUM_FRAME_HEIGHT, plain), design);

  // A spectrum frame 6 pixels taller than counted (a 24-pixel caption): VFO-B below VFO-A moves
  // down by 6, and the client area grows by 6 per window it holds.
  EXPECT_EQ(Height(2, 190, plain), 2);
  EXPECT_EQ(Height(186, 190, plain), 192);
  EXPECT_EQ(Height(187, 190, plain), 193);
  EXPECT_EQ(Height(372, 190, plain), 384);
  // Side by side, VFO-B overlaps VFO-A's frame by one pixel whatever the frame.
  EXPECT_EQ(Width(205, 210, plain), 209);
  EXPECT_EQ(Width(411, 210, plain), 419);

  // At 2x on a 144-DPI monitor the gaps and margins grow threefold; frames are the system's.
  const WindowScale big{2, 144};
  EXPECT_EQ(Height(2, 520, big), 6);
  EXPECT_EQ(Height(186, 520, big), 526);
  EXPECT_EQ(Width(208, 610, big), 616);
}

TEST(WindowScale, PointerPositionsGoBackToThePixelTheyShow) {
  const WindowScale scale{1, 144};  // 1.5 screen pixels per 1x pixel
  EXPECT_EQ(scale.Px(200), 300);
  EXPECT_EQ(scale.ToDesign(0), 0);
  EXPECT_EQ(scale.ToDesign(1), 0);
  EXPECT_EQ(scale.ToDesign(2), 1);
  EXPECT_EQ(scale.ToDesign(299), 199);
  const WindowScale zoomed{3, 96};
  for (int x = 0; x < 200; ++x) {
    EXPECT_EQ(zoomed.ToDesign(zoomed.Px(x)), x);
    EXPECT_EQ(zoomed.ToDesign(zoomed.Px(x) + 2), x);
  }
}

TEST(AcceleratorKeys, ShiftAndAltTakeKeysOutOfTheTableButNotTheMainKeyboardsPlus) {
  AcceleratorKey key{};
  ASSERT_TRUE(ToAcceleratorKey(VK_F10, false, false, key));
  EXPECT_EQ(key, AcceleratorKey::F10);
  ASSERT_TRUE(ToAcceleratorKey(VK_SUBTRACT, false, false, key));
  EXPECT_EQ(key, AcceleratorKey::KeypadMinus);
  ASSERT_TRUE(ToAcceleratorKey(VK_OEM_MINUS, false, false, key));
  EXPECT_EQ(key, AcceleratorKey::KeypadMinus);
  ASSERT_TRUE(ToAcceleratorKey(VK_OEM_PLUS, true, false, key));  // Shift+= is "+"
  EXPECT_EQ(key, AcceleratorKey::KeypadPlus);
  ASSERT_TRUE(ToAcceleratorKey('Z', false, false, key));
  EXPECT_EQ(key, AcceleratorKey::Z);
  ASSERT_TRUE(ToAcceleratorKey('W', false, false, key));
  EXPECT_EQ(key, AcceleratorKey::W);
  EXPECT_FALSE(ToAcceleratorKey('W', true, false, key));
  ASSERT_TRUE(ToAcceleratorKey('T', false, false, key));
  EXPECT_EQ(key, AcceleratorKey::T);
  EXPECT_FALSE(ToAcceleratorKey(VK_F4, false, true, key)) << "Alt+F4 is the window's close";
  EXPECT_FALSE(ToAcceleratorKey(VK_F6, true, false, key));
  EXPECT_FALSE(ToAcceleratorKey(VK_ADD, true, false, key));
  EXPECT_FALSE(ToAcceleratorKey('A', false, false, key));
}

}  // namespace
}  // namespace keblor
