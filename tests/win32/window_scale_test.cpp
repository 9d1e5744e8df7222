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

// The virtual-key codes that differ from their keys' names; the rule itself is the core's.
TEST(AcceleratorKeys, VirtualKeysNameTheKeyboardsKeys) {
  EXPECT_EQ(KeyboardKeyOf(VK_F1), KeyboardKey::F1);
  EXPECT_EQ(KeyboardKeyOf(VK_F12), KeyboardKey::F12);
  EXPECT_EQ(KeyboardKeyOf(VK_ADD), KeyboardKey::KeypadPlus);
  EXPECT_EQ(KeyboardKeyOf(VK_SUBTRACT), KeyboardKey::KeypadMinus);
  EXPECT_EQ(KeyboardKeyOf(VK_OEM_PLUS), KeyboardKey::Plus);  // Shift+= is "+"
  EXPECT_EQ(KeyboardKeyOf(VK_OEM_MINUS), KeyboardKey::Minus);
  EXPECT_EQ(KeyboardKeyOf('T'), KeyboardKey::T);
  EXPECT_EQ(KeyboardKeyOf('A'), KeyboardKey::Other);
  EXPECT_EQ(KeyboardKeyOf(VK_F13), KeyboardKey::Other);
}

}  // namespace
}  // namespace keblor
