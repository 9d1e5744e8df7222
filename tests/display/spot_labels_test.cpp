#include "display/spot_labels.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace keblor::test {
namespace {

SpotMark Mark(int column, const char* call, bool heard = false) {
  SpotMark mark{column, {}, 0, heard};
  std::memcpy(mark.call.data(), call, std::strlen(call));
  return mark;
}

std::vector<int> Lines(const SpotLabels& placed, std::size_t count) {
  std::vector<int> lines;
  for (std::size_t i = 0; i < count; ++i) lines.push_back(placed.labels[i].line);
  return lines;
}
// With a font six pixels a character wide.
SpotLabels Place(const std::vector<SpotMark>& marks, WindowScale scale = {}) {
  return PlaceSpotLabels(marks, scale,
                         [](std::string_view text) { return TextExtent{6 * static_cast<int>(text.size()), 0}; });
}

// A call is centred on its tick ("AB*" when heard) but stays inside the trace's 200 columns; on a
// 144-DPI monitor the tick of column 10 is screen pixels 15 and 16.
TEST(SpotLabels, CentredOnTheTickInsideTheTrace) {
  const SpotLabels placed = Place({Mark(0, "K1ABC"), Mark(199, "K1ABC"), Mark(100, "AB", true)});
  EXPECT_EQ(placed.labels[0].left, 0);
  EXPECT_EQ(placed.labels[1].left, 170);
  EXPECT_EQ(placed.labels[2].left, 91);
  EXPECT_EQ(placed.lines, 1);
  const SpotLabel label = Place({Mark(10, "AB")}, {1, 144}).labels[0];
  EXPECT_EQ((std::vector<int>{label.left, label.tickLeft, label.tickWidth}), (std::vector<int>{10, 15, 2}));
}

// "AB" at column 50 takes [44, 56): a label from 59 or one ending at 41 shares its line, one a
// pixel closer on either side goes on the next line.
TEST(SpotLabels, ALabelTakesTheFirstLineItClearsByTheGap) {
  const SpotLabels placed = Place({Mark(50, "AB"), Mark(65, "AB"), Mark(64, "AB"), Mark(36, "AB"), Mark(35, "AB")});
  EXPECT_EQ(Lines(placed, 5), (std::vector<int>{0, 0, 1, 1, 0}));
  EXPECT_EQ(placed.lines, 2);
}

TEST(SpotLabels, AMarkNoLineHasRoomForIsLeftOut) {
  const SpotLabels placed = Place({Mark(100, "A"), Mark(100, "B"), Mark(100, "C"), Mark(100, "D"), Mark(20, "")});
  EXPECT_EQ(Lines(placed, 5), (std::vector<int>{0, 1, 2, -1, -1}));
  EXPECT_EQ(placed.lines, SPOT_LINES);
}

}  // namespace
}  // namespace keblor::test
