#include "display/spot_labels.h"

#include <gtest/gtest.h>

#include <vector>

namespace keblor::test {
namespace {

SpotMark Mark(int column, std::string_view call, bool heard = false) {
  SpotMark mark{column, {}, 0, heard};
  call.copy(mark.call.data(), call.size());
  return mark;
}

// With a font six pixels a character wide; `lines` gets each mark's line.
SpotLabels Place(const std::vector<SpotMark>& marks, std::vector<int>& lines, WindowScale scale = {}) {
  const SpotLabels placed = PlaceSpotLabels(
      marks, scale, [](std::string_view text) { return TextExtent{6 * static_cast<int>(text.size()), 0}; });
  for (std::size_t i = 0; i < marks.size(); ++i) lines.push_back(placed.labels[i].line);
  return placed;
}

// A call is centred on its tick ("AB*" when heard) but stays inside the trace's 200 columns; on a
// 144-DPI monitor the tick of column 10 is screen pixels 15 and 16.
TEST(SpotLabels, CentredOnTheTickInsideTheTrace) {
  std::vector<int> lines;
  const SpotLabels edges = Place({Mark(0, "K1ABC"), Mark(199, "K1ABC"), Mark(100, "AB", true)}, lines);
  EXPECT_EQ((std::vector<int>{edges.labels[0].left, edges.labels[1].left, edges.labels[2].left}),
            (std::vector<int>{0, 170, 91}));
  const SpotLabel tick = Place({Mark(10, "AB")}, lines, {1, 144}).labels[0];
  EXPECT_EQ((std::vector<int>{tick.left, tick.tickLeft, tick.tickWidth}), (std::vector<int>{10, 15, 2}));
}

// "AB" at column 50 takes [44, 56): a label from 59 or one ending at 41 shares its line, one a
// pixel closer on either side goes on the next line. A mark no line has room for is left out.
TEST(SpotLabels, ALabelTakesTheFirstLineItClearsByTheGap) {
  std::vector<int> lines;
  Place({Mark(50, "AB"), Mark(65, "AB"), Mark(64, "AB"), Mark(36, "AB"), Mark(35, "AB")}, lines);
  const SpotLabels full = Place({Mark(100, "A"), Mark(100, "B"), Mark(100, "C"), Mark(100, "D"), Mark(9, "")}, lines);
  EXPECT_EQ(lines, (std::vector<int>{0, 0, 1, 1, 0, 0, 1, 2, -1, -1}));
  EXPECT_EQ(full.lines, SPOT_LINES);
}

}  // namespace
}  // namespace keblor::test
