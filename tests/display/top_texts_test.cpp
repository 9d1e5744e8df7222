#include "display/top_texts.h"

#include <gtest/gtest.h>

namespace keblor::test {
namespace {

// A font of six pixels a character, 13 high, at 1x; `zoom` times that at a zoom.
MeasureText Font(int zoom = 1) {
  return [zoom](std::string_view text) { return TextExtent{static_cast<int>(text.size()) * 6 * zoom, 13 * zoom}; };
}

// At 1x the readout ends two pixels in and starts one down, its box reaches two pixels further
// across and one down, to the trace's top; the dial starts two in and one down. At 2x on a
// 144-DPI monitor every offset is the scale's (one 1x pixel is 3 screen pixels).
TEST(TopTexts, TheReadoutAtTheTopRightAndTheDialAtTheTopLeft) {
  TopTexts texts = LayOutTopTexts({1, 96}, "712 Hz  +12", "7.030 012 MHz CW", Font());
  EXPECT_EQ(texts.trace, (Rect{0, 16, 200, 144}));
  EXPECT_EQ(texts.readout, (Rect{132, 17, 198, 30}));
  EXPECT_EQ(texts.readoutBox, (Rect{130, 16, 200, 31}));
  EXPECT_EQ(texts.dial, (Rect{2, 17, 98, 30}));
  EXPECT_EQ(texts.dialLength, 16u);

  texts = LayOutTopTexts({2, 144}, "712 Hz  +12", "7.030 012 MHz CW", Font(3));
  EXPECT_EQ(texts.trace, (Rect{0, 48, 600, 432}));
  EXPECT_EQ(texts.readout, (Rect{396, 51, 594, 90}));
  EXPECT_EQ(texts.readoutBox, (Rect{390, 48, 600, 93}));
  EXPECT_EQ(texts.dial, (Rect{6, 51, 294, 90}));

  texts = LayOutTopTexts({}, "", "", Font());
  EXPECT_EQ(texts.readoutBox, Rect{});
  EXPECT_EQ(texts.dial, Rect{});
}

// A dial that would come within four pixels of the readout's box drops its last words: beside
// "1999 Hz  +129" (box from 118) "146.000 000 MHz FM" ends at 110 and stays whole; beside
// "1999 Hz  +1299" (box from 112) it loses its mode. A single word too long is cut short.
TEST(TopTexts, ALongDialDropsItsLastWordsBeforeTheReadout) {
  const std::string_view dial = "146.000 000 MHz FM";
  TopTexts texts = LayOutTopTexts({}, "1999 Hz  +129", dial, Font());
  EXPECT_EQ(texts.dial, (Rect{2, 17, 110, 30}));
  EXPECT_EQ(texts.dialLength, dial.size());
  texts = LayOutTopTexts({}, "1999 Hz  +1299", dial, Font());
  EXPECT_EQ(texts.readoutBox.left, 112);
  EXPECT_EQ(dial.substr(0, texts.dialLength), "146.000 000 MHz");
  EXPECT_EQ(texts.dial, (Rect{2, 17, 92, 30}));
  texts = LayOutTopTexts({}, "1999 Hz  +1299", "146.000000000000000000", Font());
  EXPECT_EQ(texts.dial, (Rect{2, 17, 108, 30}));
  EXPECT_EQ(LayOutTopTexts({}, "", dial, Font(2)).dial, (Rect{2, 17, 182, 43}));  // no readout: the trace's edge
}

}  // namespace
}  // namespace keblor::test
