#include "analysis/display_row_mapping.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <initializer_list>
#include <utility>

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
void ExpectOnlyColumns(const DisplayRow& row, std::initializer_list<std::pair<int, int>> columns) {
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

TEST(MapDisplayRows, TwoThousandHertzSpanIsOneBinPerColumn) {
  Mapping m;
  m.accA[100] = REF16;
  m.accA[1] = AtLevel(20.0);
  m.accA[200] = AtLevel(20.0);
  m.accA[201] = REF16;  // beyond the span
  m.accA[0] = REF16;    // DC is never shown
  m.Run();
  ExpectOnlyColumns(m.rowA, {{1, 51}, {100, 0}, {200, 51}});
}

TEST(MapDisplayRows, ThousandHertzSpanInterpolatesHalfwayBetweenBins) {
  Mapping m;
  m.Ranges(1);
  m.accA[50] = AtLevel(4.0);  // value 10
  m.accA[1] = AtLevel(4.0);
  m.Run();
  // From the anchor 127 to 10 the column between is 68; from 10 back to 127 it is 69.
  ExpectOnlyColumns(m.rowA, {{1, 68}, {2, 10}, {3, 69}, {99, 68}, {100, 10}, {101, 69}});
}

TEST(MapDisplayRows, FiveHundredHertzSpanInterpolatesThreeColumnsPerBin) {
  Mapping m;
  m.Ranges(0);
  m.accA[1] = AtLevel(4.0);   // value 10
  m.accA[50] = AtLevel(4.0);
  m.accA[51] = REF16;         // beyond the span
  m.Run();
  ExpectOnlyColumns(m.rowA, {{1, 97}, {2, 68}, {3, 39}, {4, 10}, {5, 40}, {6, 69}, {7, 98},
                             {197, 97}, {198, 68}, {199, 39}, {200, 10}});
}

TEST(MapDisplayRows, ThreeThousandHertzSpanSkipsEveryThirdBinAndPairsDownwards) {
  {
    Mapping m;
    m.Ranges(3);
    m.accA[5] = REF16;  // 50 Hz feeds no column
    m.Run();
    ExpectOnlyColumns(m.rowA, {});
  }
  {
    Mapping m;
    m.Ranges(3);
    m.accA[6] = REF16;  // 60 Hz: column 4 on it, column 5 as the lower of its pair
    m.Run();
    ExpectOnlyColumns(m.rowA, {{4, 0}, {5, 0}});
  }
  {
    Mapping m;
    m.Ranges(3);
    m.accA[0] = REF16;  // counts as zero for column 1, and is cleared
    m.accA[300] = AtLevel(20.0);
    m.accA[301] = REF16;
    m.Run();
    ExpectOnlyColumns(m.rowA, {{200, 51}});
    EXPECT_EQ(m.accA[0], 0.0f);
  }
  {
    Mapping m;
    m.Ranges(3);
    m.accA[1] = AtLevel(20.0);
    m.accA[4] = AtLevel(40.0);
    m.accA[3] = AtLevel(20.0);  // the stronger of bins 4 and 3 wins column 3; column 2 is bin 3
    m.Run();
    ExpectOnlyColumns(m.rowA, {{1, 51}, {2, 51}, {3, 51}});
  }
}

TEST(MapDisplayRows, FourThousandHertzSpanKeepsTheStrongerOfTwoBins) {
  {
    Mapping m;
    m.Ranges(4);
    m.accA[3] = REF16;
    m.Run();
    ExpectOnlyColumns(m.rowA, {{2, 0}});
  }
  {
    Mapping m;
    m.Ranges(4);
    m.accA[399] = AtLevel(20.0);
    m.accA[400] = AtLevel(40.0);
    m.accA[0] = REF16;
    m.accA[1] = AtLevel(40.0);
    m.Run();
    ExpectOnlyColumns(m.rowA, {{1, 102}, {200, 51}});
    EXPECT_EQ(m.accA[0], 0.0f);
  }
  {
    Mapping m;
    m.Ranges(4);
    m.accA[400] = AtLevel(20.0);
    m.Run();
    ExpectOnlyColumns(m.rowA, {{200, 51}});
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
  {
    // 20 dB at 2000 Hz is raised by 16.714 dB; at 700 Hz nothing changes; VFO-A stays put.
    Mapping m;
    m.input.ft1000mp = true;
    m.accA[200] = AtLevel(20.0);
    m.accB[200] = AtLevel(20.0);
    m.accB[70] = AtLevel(20.0);
    m.Run();
    ExpectOnlyColumns(m.rowA, {{200, 51}});
    ExpectOnlyColumns(m.rowB, {{70, 51}, {200, 8}});
  }
  {
    // 3000 Hz span: bin 300 at 60 dB below (off the bottom) is raised by 27 dB into view.
    Mapping m;
    m.Ranges(3);
    m.input.ft1000mp = true;
    m.accB[300] = AtLevel(60.0);
    m.Run();
    ExpectOnlyColumns(m.rowB, {{200, 84}});
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

TEST(Ft1000mpCorrection, WidestSpanEndsRaisedAndEmptyColumnsStayAtTheFloor) {
  Mapping m;
  m.Ranges(4);
  m.input.ft1000mp = true;
  m.accB[400] = AtLevel(40.0);  // raised by 25.71 dB
  m.Run();
  ExpectOnlyColumns(m.rowB, {{200, 36}});
}

}  // namespace
}  // namespace keblor
