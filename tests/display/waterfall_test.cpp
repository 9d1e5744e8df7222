#include "display/waterfall.h"

#include <gtest/gtest.h>

#include "display/raster_rows.h"

namespace keblor::test {
namespace {

constexpr int TOP_SHADE = WATERFALL_SHADES - 1;

// A flat row at `floor` with one column `above` steps higher.
DisplayRow RowWithPeak(std::uint8_t floor, int column, int above) {
  DisplayRow row = FlatRow(floor);
  row[static_cast<std::size_t>(column)] = static_cast<std::uint8_t>(floor - above);
  return row;
}

WaterfallRow Shades(const DisplayRow& row) {
  WaterfallRow shades{};
  ShadeRow(row, shades);
  return shades;
}

// Silence is dark; a column at the floor is dark and one 64 steps (25 dB) over it is the brightest,
// 63 steps not yet; the same picture on a louder noise floor looks the same.
TEST(WaterfallShades, AreMeasuredFromTheRowsNoiseFloor) {
  for (std::uint8_t s : Shades(FlatRow(127))) ASSERT_EQ(s, 0);

  for (std::uint8_t floor : {std::uint8_t{100}, std::uint8_t{70}}) {
    DisplayRow row = RowWithPeak(floor, 140, WATERFALL_SATURATION_STEPS);
    row[60] = static_cast<std::uint8_t>(floor - (WATERFALL_SATURATION_STEPS - 1));
    row[40] = static_cast<std::uint8_t>(floor + 10);  // below the noise
    const WaterfallRow shades = Shades(row);
    EXPECT_EQ(shades[140], TOP_SHADE) << int{floor};
    EXPECT_EQ(shades[60], TOP_SHADE - 1) << int{floor};
    EXPECT_EQ(shades[40], 0) << int{floor};
    EXPECT_EQ(shades[100], 0) << int{floor};
  }
}

// A weak signal, 4 steps (1.6 dB) over the noise, already has a quarter of the brightness.
TEST(WaterfallShades, AWeakSignalShowsOverTheNoise) {
  const WaterfallRow shades = Shades(RowWithPeak(90, 100, 4));
  EXPECT_GE(shades[100], TOP_SHADE / 4);
  EXPECT_LT(Shades(RowWithPeak(90, 100, 3))[100], shades[100]);
}

// The floor is the median of columns 1..199: with 100 of them loud, the loud ones are the floor;
// with 99 loud, the quiet ones are and the loud ones stand out.
TEST(WaterfallShades, TheFloorIsTheMedianColumn) {
  DisplayRow row = FlatRow(120);
  for (int c = 1; c <= 99; ++c) row[static_cast<std::size_t>(c)] = 60;
  EXPECT_GT(Shades(row)[50], 0);
  row[100] = 60;
  EXPECT_EQ(Shades(row)[50], 0);
}

// Black for nothing, then every shade brighter than the one before, up to white.
TEST(WaterfallPalette, BrightnessRisesWithTheShade) {
  const auto& palette = WaterfallPalette();
  EXPECT_EQ(palette.front(), (Rgb{0, 0, 0}));
  EXPECT_EQ(palette[TOP_SHADE], (Rgb{255, 255, 255}));
  auto luma = [](Rgb c) { return 299 * c.r + 587 * c.g + 114 * c.b; };
  for (int i = 1; i <= TOP_SHADE; ++i) EXPECT_GT(luma(palette[i]), luma(palette[i - 1])) << i;
}

// A spot's arrival marks the next row at its column, and only that row.
TEST(Waterfall, ASpotMarksTheRowItArrivedAt) {
  Waterfall waterfall;
  const VfoSettings vfo{500, 0, 1};
  waterfall.Push(RowWithPeak(100, 30, 64), vfo);
  waterfall.MarkSpot(30);
  waterfall.MarkSpot(200);  // off the trace: nothing
  EXPECT_EQ(waterfall.Row(0)[30], TOP_SHADE);
  waterfall.Push(RowWithPeak(100, 30, 64), vfo);
  waterfall.Push(RowWithPeak(100, 30, 64), vfo);
  EXPECT_EQ(waterfall.Row(1)[30], WATERFALL_SPOT);
  EXPECT_EQ(waterfall.Row(0)[30], TOP_SHADE);
  EXPECT_EQ(waterfall.Row(2)[30], TOP_SHADE);
}

// Each picture's row goes on top; after WATERFALL_ROWS more pictures a row is gone.
TEST(Waterfall, NewestRowOnTopOldestGoes) {
  Waterfall waterfall;
  const VfoSettings vfo{500, 1, 1};
  for (int i = 0; i < WATERFALL_ROWS; ++i) waterfall.Push(RowWithPeak(100, 1 + i, 64), vfo);
  EXPECT_EQ(waterfall.Row(0)[WATERFALL_ROWS], TOP_SHADE);
  EXPECT_EQ(waterfall.Row(1)[WATERFALL_ROWS - 1], TOP_SHADE);
  EXPECT_EQ(waterfall.Row(WATERFALL_ROWS - 1)[1], TOP_SHADE);
  const std::uint64_t serial = waterfall.Serial();
  waterfall.Push(RowWithPeak(100, 150, 64), vfo);
  EXPECT_EQ(waterfall.Serial(), serial + 1);
  EXPECT_EQ(waterfall.Row(0)[150], TOP_SHADE);
  EXPECT_EQ(waterfall.Row(WATERFALL_ROWS - 1)[2], TOP_SHADE);
  for (int age = 0; age < WATERFALL_ROWS; ++age) EXPECT_EQ(waterfall.Row(age)[1], 0) << age;
}

// Rows drawn on one range are dropped when the range changes, by a picture or by a command; a view
// that drew them learns so from the serial, which moves by a whole waterfall.
TEST(Waterfall, AnotherRangeStartsItAfresh) {
  Waterfall waterfall;
  waterfall.Push(RowWithPeak(100, 140, 64), {500, 1, 1});
  waterfall.Push(RowWithPeak(100, 140, 64), {500, 1, 1});
  waterfall.KeepRange(1);
  EXPECT_EQ(waterfall.Row(1)[140], TOP_SHADE);

  std::uint64_t serial = waterfall.Serial();
  waterfall.KeepRange(2);
  EXPECT_EQ(waterfall.Row(0)[140], 0);
  EXPECT_EQ(waterfall.Row(1)[140], 0);
  EXPECT_EQ(waterfall.Marker(), -1);
  EXPECT_EQ(waterfall.Serial(), serial + WATERFALL_ROWS);

  waterfall.Push(RowWithPeak(100, 70, 64), {500, 1, 2});
  waterfall.Push(RowWithPeak(100, 35, 64), {500, 1, 3});
  EXPECT_EQ(waterfall.Row(0)[35], TOP_SHADE);
  EXPECT_EQ(waterfall.Row(1)[70], 0);
}

// The marker's column is the trace's for the picture's pitch and range, none while the marker is
// off or beyond the last column.
TEST(Waterfall, TheMarkerComesWithThePicture) {
  Waterfall waterfall;
  waterfall.Push(FlatRow(127), {700, 1, 1});
  EXPECT_EQ(waterfall.Marker(), 140);
  waterfall.Push(FlatRow(127), {700, 0, 1});
  EXPECT_EQ(waterfall.Marker(), -1);
  waterfall.Push(FlatRow(127), {995, 1, 1});
  EXPECT_EQ(waterfall.Marker(), 199);
  waterfall.Push(FlatRow(127), {1000, 1, 1});
  EXPECT_EQ(waterfall.Marker(), -1);
}

}  // namespace
}  // namespace keblor::test
