#include "display/trace_rendering.h"

#include <gtest/gtest.h>

#include "display/raster_rows.h"

namespace keblor::test {
namespace {

// With the marker off (its pitch on column 100) only the trace is drawn.
TEST(TraceRaster, FlatFloorIsOneLineOnTheBottomRowAcrossTheTraceColumns) {
  TraceRaster raster{};
  RenderTraceRaster(raster, FlatRow(127), false, 500, 1);
  for (int c = 0; c < TRACE_COLUMNS; ++c) EXPECT_EQ(LitRows(raster, c), std::vector<int>{127}) << "column " << c;
  for (int c = TRACE_COLUMNS; c < RASTER_WIDTH; ++c) EXPECT_TRUE(LitRows(raster, c).empty()) << "column " << c;
}

TEST(TraceRaster, PixelsUseMostSignificantBitFirstAndTwentySixBytesARow) {
  TraceRaster raster{};
  DisplayRow row = FlatRow(127);
  RenderTraceRaster(raster, row, true, 45, 2);  // marker on column 5 (bit 2 of byte 0)
  EXPECT_EQ(raster[0], 0x04);
  EXPECT_EQ(raster[26 * 126], 0x04);
  // The bottom row: trace over columns 0..199 = 25 full bytes, the 26th byte dark.
  for (int b = 0; b < 25; ++b) EXPECT_EQ(raster[26 * 127 + b], 0xFF) << b;
  EXPECT_EQ(raster[26 * 127 + 25], 0x00);
}

// A jump from the floor to the top in column 1: the run of column 0 climbs to row 1 and
// row 0 starts the next column's run, so one full-scale entry is a spike two columns wide.
TEST(TraceRaster, RunStopsOneRowShortOfTheNextEntry) {
  TraceRaster raster{};
  DisplayRow row = FlatRow(127);
  row[1] = 0;
  RenderTraceRaster(raster, row, false, 0, 1);
  EXPECT_EQ(LitRows(raster, 0), RowRange(1, 127));
  EXPECT_EQ(LitRows(raster, 1), RowRange(0, 126));
  EXPECT_EQ(LitRows(raster, 2), std::vector<int>{127});
}

TEST(TraceRaster, LastEntryOnlySteersTheLastColumn) {
  TraceRaster raster{};
  DisplayRow row = FlatRow(127);
  row[199] = 50;
  row[200] = 60;
  RenderTraceRaster(raster, row, false, 0, 1);
  EXPECT_EQ(LitRows(raster, 199), RowRange(50, 59));
  EXPECT_TRUE(LitRows(raster, 200).empty());

  row[200] = 50;
  RenderTraceRaster(raster, row, false, 0, 1);
  EXPECT_EQ(LitRows(raster, 199), std::vector<int>{50});
}

TEST(TraceRaster, RenderingReplacesThePreviousPicture) {
  TraceRaster raster{};
  raster.fill(0xFF);
  RenderTraceRaster(raster, FlatRow(127), false, 0, 1);
  EXPECT_EQ(LitRows(raster, 10), std::vector<int>{127});
  EXPECT_TRUE(LitRows(raster, 205).empty());
}

TEST(TraceRaster, EntriesBeyondTheFloorAreDrawnOnTheFloor) {
  TraceRaster raster{};
  DisplayRow row = FlatRow(255);
  RenderTraceRaster(raster, row, false, 0, 1);
  EXPECT_EQ(LitRows(raster, 0), std::vector<int>{127});
  EXPECT_EQ(LitRows(raster, 199), std::vector<int>{127});
}

TEST(TraceMarker, MarkerCoversAllButTheBottomRowAndMergesWithTheTrace) {
  TraceRaster raster{};
  RenderTraceRaster(raster, FlatRow(127), true, 500, 2);  // column 50
  EXPECT_EQ(LitRows(raster, 50), RowRange(0, 127));

  DisplayRow high = FlatRow(20);
  RenderTraceRaster(raster, high, true, 500, 2);
  // Column 0 runs from the anchor (127) up to row 21; the marker alone reaches row 126.
  EXPECT_EQ(LitRows(raster, 50), RowRange(0, 126));
  EXPECT_EQ(LitRows(raster, 49), std::vector<int>{20});
}

TEST(TraceMarker, ColumnRoundsHalvesAwayFromZeroPerRange) {
  EXPECT_EQ(MarkerColumn(498, 0), 199);
  EXPECT_EQ(MarkerColumn(500, 0), 200);
  EXPECT_EQ(MarkerColumn(503, 1), 101);
  EXPECT_EQ(MarkerColumn(2992, 3), 199);
  EXPECT_EQ(MarkerColumn(2993, 3), 200);
  EXPECT_EQ(MarkerColumn(0, 3), 0);
  EXPECT_EQ(MarkerColumn(-15, 2), -2);  // -1.5 rounds away from zero
}

// The last drawable pitch of each range lights column 199; the next one draws no marker
// but leaves the trace as it is.
TEST(TraceMarker, LastColumnAndOffTheEndInEveryRange) {
  struct Case { int range, lastDrawn, firstOff; };
  const Case cases[] = {{0, 498, 500}, {1, 997, 998}, {2, 1994, 1995}, {3, 2992, 2993}, {4, 3989, 3990}};
  for (const Case& k : cases) {
    TraceRaster raster{};
    RenderTraceRaster(raster, FlatRow(127), true, k.lastDrawn, k.range);
    EXPECT_EQ(LitRows(raster, 199), RowRange(0, 127)) << "range " << k.range;
    RenderTraceRaster(raster, FlatRow(127), true, k.firstOff, k.range);
    for (int c = 0; c < TRACE_COLUMNS; ++c)
      ASSERT_EQ(LitRows(raster, c), std::vector<int>{127}) << "range " << k.range << " column " << c;
    for (int c = TRACE_COLUMNS; c < RASTER_WIDTH; ++c) ASSERT_TRUE(LitRows(raster, c).empty()) << c;
  }
}

TEST(TraceMarker, ZeroPitchIsColumnZeroAndNegativePitchDrawsNoMarker) {
  TraceRaster raster{};
  RenderTraceRaster(raster, FlatRow(127), true, 0, 4);
  EXPECT_EQ(LitRows(raster, 0), RowRange(0, 127));
  RenderTraceRaster(raster, FlatRow(127), true, -20, 2);
  EXPECT_EQ(LitRows(raster, 0), std::vector<int>{127});
}

}  // namespace
}  // namespace keblor::test
