#include "analysis/display_row_mapping.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <tuple>
#include <utility>
#include <vector>

namespace keblor {
namespace {

constexpr float REF16 = 16777216.0f;
constexpr float REF8 = 65536.0f;

// The magnitude that lies levelDb below the reference.
float AtLevel(double levelDb, float ref = REF16) {
  return static_cast<float>(ref / std::pow(10.0, levelDb / 20.0));
}

struct Mapping {
  SpectrumAccumulator accA{};
  SpectrumAccumulator accB{};
  DisplayRow rowA{};
  DisplayRow rowB{};
  DisplayMappingInput input{16, 2, 2, 2, false};

  void Run() { MapDisplayRows(accA, accB, input, rowA, rowB); }
  void Ranges(int range) {
    input.rangeA = range;
    input.rangeB = range;
  }
};

// Columns other than the listed ones must be at the floor.
void ExpectOnlyColumns(const DisplayRow& row, const std::vector<std::pair<int, int>>& columns) {
  EXPECT_EQ(row[0], 127);
  for (int c = 1; c < DISPLAY_ROW_LENGTH; ++c) {
    int expected = 127;
    for (const auto& [column, value] : columns) {
      if (column == c) expected = value;
    }
    ASSERT_EQ(row[static_cast<std::size_t>(c)], expected) << "column " << c;
  }
}

TEST(LevelToRowValue, ClampsAndQuantisesInStepsOfTwoOverFivePointOneDecibels) {
  EXPECT_EQ(LevelToRowValue(0.0), 0);
  EXPECT_EQ(LevelToRowValue(-20.0), 0);
  EXPECT_EQ(LevelToRowValue(0.1), 0);
  EXPECT_EQ(LevelToRowValue(0.3), 1);
  EXPECT_EQ(LevelToRowValue(49.7), 126);
  EXPECT_EQ(LevelToRowValue(49.9), 127);
  EXPECT_EQ(LevelToRowValue(50.0), 127);
  EXPECT_EQ(LevelToRowValue(300.0), 127);
  EXPECT_EQ(LevelToRowValue(std::nan("")), 127);
  // The factor sits one unit in the last place above 5.1: these products land on the half
  // and round up; with the plain 5.1 they would fall just short of it.
  EXPECT_EQ(LevelToRowValue(5.0), 13);
  EXPECT_EQ(LevelToRowValue(25.0), 64);
}

TEST(MapDisplayRows, SilenceIsTheFloorOnEverySpanWithOrWithoutTheTilt) {
  for (int range = 0; range < RANGE_COUNT; ++range) {
    for (bool ft : {false, true}) {
      Mapping m;
      m.Ranges(range);
      m.input.ft1000mp = ft;
      m.rowA.fill(3);
      m.rowB.fill(3);
      m.Run();
      SCOPED_TRACE(::testing::Message() << "range " << range << " ft " << ft);
      ExpectOnlyColumns(m.rowA, {});
      ExpectOnlyColumns(m.rowB, {});
    }
  }
}

TEST(MapDisplayRows, FullScaleReferenceFollowsTheSampleSize) {
  for (auto [bits, ref] : {std::pair{16, REF16}, std::pair{8, REF8}}) {
    Mapping m;
    m.input.bitsPerSample = bits;
    m.accA[10] = ref;                   // 0 dB: top
    m.accA[11] = ref * 10.0f;           // 20 dB above: clamped to the top
    m.accA[12] = AtLevel(50.0, ref);    // 50 dB below: bottom
    m.accA[13] = AtLevel(20.0, ref);    // R = 102
    m.Run();
    SCOPED_TRACE(bits);
    ExpectOnlyColumns(m.rowA, {{10, 0}, {11, 0}, {13, 51}});
  }
}

// How each span takes bins to columns. Levels are dB below the reference; the listed columns
// are the only ones off the floor.
TEST(MapDisplayRows, EachSpanMapsBinsToItsColumns) {
  struct Case {
    const char* what;
    int range;
    std::vector<std::pair<int, double>> bins;
    std::vector<std::pair<int, int>> columns;
  };
  const Case cases[] = {
      {"2000 Hz: one bin a column; DC and bins past the span are not shown", 2,
       {{100, 0.0}, {1, 20.0}, {200, 20.0}, {201, 0.0}, {0, 0.0}}, {{1, 51}, {100, 0}, {200, 51}}},
      // From the anchor 127 to 10 the column between is 68; from 10 back to 127 it is 69.
      {"1000 Hz: halfway between bins", 1, {{50, 4.0}, {1, 4.0}},
       {{1, 68}, {2, 10}, {3, 69}, {99, 68}, {100, 10}, {101, 69}}},
      {"500 Hz: three columns between bins", 0, {{1, 4.0}, {50, 4.0}, {51, 0.0}},
       {{1, 97}, {2, 68}, {3, 39}, {4, 10}, {5, 40}, {6, 69}, {7, 98}, {197, 97}, {198, 68}, {199, 39}, {200, 10}}},
      {"3000 Hz: 50 Hz feeds no column", 3, {{5, 0.0}}, {}},
      {"3000 Hz: 60 Hz is column 4 and the lower of column 5's pair", 3, {{6, 0.0}}, {{4, 0}, {5, 0}}},
      {"3000 Hz: DC counts as zero", 3, {{0, 0.0}, {300, 20.0}, {301, 0.0}}, {{200, 51}}},
      {"3000 Hz: the stronger of bins 4 and 3 is column 3", 3, {{1, 20.0}, {4, 40.0}, {3, 20.0}},
       {{1, 51}, {2, 51}, {3, 51}}},
      {"4000 Hz: bin 3 is column 2", 4, {{3, 0.0}}, {{2, 0}}},
      {"4000 Hz: the stronger of two bins", 4, {{399, 20.0}, {400, 40.0}, {0, 0.0}, {1, 40.0}}, {{1, 102}, {200, 51}}},
      {"4000 Hz: the last bin", 4, {{400, 20.0}}, {{200, 51}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Mapping m;
    m.Ranges(c.range);
    for (const auto& [bin, db] : c.bins) m.accA[static_cast<std::size_t>(bin)] = AtLevel(db);
    m.Run();
    ExpectOnlyColumns(m.rowA, c.columns);
  }
}

TEST(MapDisplayRows, MonoMapsOnlyVfoAAndIgnoresTheTilt) {
  Mapping m;
  m.input.channels = 1;
  m.input.ft1000mp = true;
  m.accA[200] = AtLevel(20.0);
  m.accB[200] = REF16;
  m.rowB.fill(9);
  m.Run();
  ExpectOnlyColumns(m.rowA, {{200, 51}});
  for (std::uint8_t v : m.rowB) ASSERT_EQ(v, 9);
}

TEST(MapDisplayRows, RangesMapEachChannelWithItsOwnSpan) {
  Mapping m;
  m.input.rangeA = 2;
  m.input.rangeB = 4;
  m.accA[100] = REF16;
  m.accB[100] = REF16;
  m.Run();
  ExpectOnlyColumns(m.rowA, {{100, 0}});
  ExpectOnlyColumns(m.rowB, {{50, 0}});
}

TEST(Ft1000mpCorrection, RaisesVfoBOnlyByTheTabledAmounts) {
  // 20 dB at 2000 Hz is raised by 16.714 dB; at 700 Hz nothing changes; VFO-A stays put.
  Mapping m;
  m.input.ft1000mp = true;
  m.accA[200] = AtLevel(20.0);
  m.accB[200] = AtLevel(20.0);
  m.accB[70] = AtLevel(20.0);
  m.Run();
  ExpectOnlyColumns(m.rowA, {{200, 51}});
  ExpectOnlyColumns(m.rowB, {{70, 51}, {200, 8}});

  // The ends of the wider spans: 3000 Hz 60 dB down (off the bottom) is raised by 27 dB into
  // view, 4000 Hz 40 dB down by 25.71 dB.
  for (auto [range, bin, db, value] : {std::tuple{3, 300, 60.0, 84}, std::tuple{4, 400, 40.0, 36}}) {
    Mapping wide;
    wide.Ranges(range);
    wide.input.ft1000mp = true;
    wide.accB[static_cast<std::size_t>(bin)] = AtLevel(db);
    wide.Run();
    ExpectOnlyColumns(wide.rowB, {{200, value}});
  }
}

TEST(Ft1000mpCorrection, ChangesSlopeAtEachSpansKnee) {
  // A flat spectrum 20.30 dB down: uncorrected every anchor column is 52, and one step lies
  // 0.03 dB above it, so the smallest correction moves the value.
  struct Case {
    int range;
    int column;
    int value;
  };
  const Case cases[] = {
      {0, 4, 44},    {0, 200, 49},                                   // bins 1 and 50
      {1, 138, 51},  {1, 140, 52},  {1, 142, 51},  {1, 200, 42},     // bins 69, 70, 71, 100
      {2, 69, 51},   {2, 70, 52},   {2, 71, 51},   {2, 200, 9},
      {3, 49, 51},   {3, 50, 52},   {3, 51, 51},   {3, 200, 0},
      {4, 34, 51},   {4, 35, 52},   {4, 36, 51},   {4, 99, 10},  {4, 100, 9}, {4, 200, 0},
  };
  for (int range = 0; range < RANGE_COUNT; ++range) {
    Mapping m;
    m.Ranges(range);
    m.input.ft1000mp = true;
    m.accA.fill(AtLevel(20.30));
    m.accB.fill(AtLevel(20.30));
    m.Run();
    for (const Case& c : cases) {
      if (c.range != range) continue;
      SCOPED_TRACE(::testing::Message() << "range " << range << " column " << c.column);
      EXPECT_EQ(m.rowA[static_cast<std::size_t>(c.column)], 52);
      EXPECT_EQ(m.rowB[static_cast<std::size_t>(c.column)], c.value);
    }
  }
}

}  // namespace
}  // namespace keblor
