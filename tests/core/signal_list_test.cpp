// The signals list from two channels' skimmers fed keyed stations: its order, the contest rule,
// the decode line's reach and the steps through the rows.

#include "core/signal_list.h"

#include <gtest/gtest.h>

#include "analysis/skimmed_channel.h"

namespace keblor::test {
namespace {

constexpr double NOISE = 0.01;

class SignalListTest : public ::testing::Test {
 protected:
  SkimmedChannel a{CwBand({{640, 12, 22, "CQ DE DL1ABC"}, {760, 12, 25, "CQ DE G4XYZ"}, {700, 12, 20, "TEST DE OK1RR", 12.0}},
                   NOISE, 3)};
  SkimmedChannel b{CwBand({{500, 12, 24, "CQ DE K1AB"}}, NOISE, 4)};
  SignalList list;
  Settings settings;

  bool Update() { return list.Update({a.skimmer.get(), b.skimmer.get()}, settings); }
  std::vector<std::string> Calls() {
    std::vector<std::string> calls;
    for (int i = 0; i < list.Count(); ++i) calls.push_back(list.Row(i).call);
    return calls;
  }
};

// Rows come by offset from their markers; a station heard later takes its place by offset while
// the rows there were keep theirs, even when a marker moves past them. With the decode line off
// the list keeps pitch, speed and SNR but shows no call or text. A call counts as heard once.
TEST_F(SignalListTest, RowsKeepTheirPlaceAndTheContestRuleHidesWhatWasDecoded) {
  settings.VFO_B.PitchFreq = 600;  // B's station at -100 Hz comes first
  a.RunTo(10.0);
  b.RunTo(10.0);
  EXPECT_TRUE(Update());
  ASSERT_EQ(list.Count(), 3);
  EXPECT_EQ(list.Row(0).vfo, Vfo::B);
  EXPECT_NEAR(list.Row(0).offsetHz, -100.0, 2.0);
  EXPECT_NEAR(list.Row(1).hz, 640.0, 2.0);
  EXPECT_NEAR(list.Row(2).hz, 760.0, 2.0);
  EXPECT_GT(list.Row(1).wpm, 0.0);
  EXPECT_GT(list.Row(1).snrDb, 5.0);
  EXPECT_EQ(Calls(), (std::vector<std::string>{"", "", ""}));
  EXPECT_FALSE(Update());  // nothing new to show
  EXPECT_EQ(list.CallsHeard(), 0);

  settings.Skimmer.Decode = 1;
  settings.VFO_B.PitchFreq = 300;  // B's station now at +200 Hz: its row stays first
  a.RunTo(20.0);
  b.RunTo(20.0);
  EXPECT_TRUE(Update());
  EXPECT_EQ(Calls(), (std::vector<std::string>{"K1AB", "DL1ABC", "OK1RR", "G4XYZ"}));
  EXPECT_NE(list.Row(1).words.find("DL1ABC"), std::string::npos);
  EXPECT_EQ(list.CallsHeard(), 4);  // each new call once, which the window shows at once
  Update();
  EXPECT_EQ(list.CallsHeard(), 4);
}

// A spot of a call the list hears within 50 Hz joins that row; one farther off, or of a call not
// heard, has a row of its own, "not heard". The same spots again change nothing.
TEST_F(SignalListTest, SpotsJoinTheRowHearingTheirCall) {
  settings.Skimmer.Decode = 1;
  a.RunTo(12.0);
  b.RunTo(12.0);
  Update();
  ASSERT_EQ(Calls(), (std::vector<std::string>{"K1AB", "DL1ABC", "G4XYZ"}));
  const std::vector<PlacedSpot> spotsA{{Vfo::A, "DL1ABC", list.Row(1).hz + 50.0, 3, 2, 22},
                                       {Vfo::A, "G4XYZ", list.Row(2).hz + 50.5, 1, 0, {}},
                                       {Vfo::A, "W1AW", 900.0, 2, 5, {}}};
  const auto update = [&] { return list.Update({a.skimmer.get(), b.skimmer.get()}, settings, {spotsA, {}}); };
  EXPECT_TRUE(update());
  EXPECT_EQ(Calls(), (std::vector<std::string>{"K1AB", "DL1ABC", "G4XYZ", "G4XYZ", "W1AW"}));
  EXPECT_EQ(list.Row(1).spotters, 3);
  EXPECT_EQ(list.Row(2).spotters, 0);  // 50.5 Hz from its spot
  EXPECT_EQ(list.Row(3).spotters, 1);
  EXPECT_EQ(list.Spoken(4), "VFO-A plus 400 hertz, W1AW, spotted by 2, 5 minutes ago, not heard");
  EXPECT_FALSE(update());
}

// The decode line shows the nearest signal of its own channel within 25 Hz of the marker, with
// its call and speed; none beyond, none with decoding off.
TEST_F(SignalListTest, TheDecodeLineReachesTwentyFiveHertz) {
  settings.Skimmer.Decode = 1;
  a.RunTo(12.0);
  b.RunTo(12.0);
  Update();
  ASSERT_EQ(list.Row(1).call, "DL1ABC");
  const double pitch = list.Row(1).hz;
  settings.VFO_A.PitchFreq = static_cast<int>(std::lround(pitch)) - 24;
  settings.VFO_B.PitchFreq = static_cast<int>(std::lround(pitch));  // B's station is far from it
  Update();
  EXPECT_EQ(list.LineOf(Vfo::A).label, "DL1ABC 22");
  EXPECT_NE(list.LineOf(Vfo::A).text.find("CQ DE DL1ABC"), std::string_view::npos);
  EXPECT_TRUE(list.LineOf(Vfo::B).label.empty());
  settings.VFO_A.PitchFreq = static_cast<int>(std::lround(pitch)) - 27;
  Update();
  EXPECT_TRUE(list.LineOf(Vfo::A).text.empty());
  settings.VFO_A.PitchFreq = static_cast<int>(std::lround(pitch));
  settings.Skimmer.Decode = 0;
  Update();
  EXPECT_TRUE(list.LineOf(Vfo::A).text.empty());
}

// N and P go round the ends; a row is spoken with its window, offset, call, speed and SNR.
TEST_F(SignalListTest, StepsGoRoundAndARowIsSpokenWhole) {
  EXPECT_FALSE(list.Step(+1));
  settings.Skimmer.Decode = 1;
  a.RunTo(12.0);
  b.RunTo(12.0);
  Update();
  ASSERT_EQ(list.Count(), 3);
  EXPECT_TRUE(list.Step(-1));
  EXPECT_EQ(list.Selected(), 2);
  list.Step(+1);
  EXPECT_EQ(list.Selected(), 0);
  list.Step(+1);
  EXPECT_EQ(list.Selected(), 1);
  const SignalRow& row = list.Row(1);
  EXPECT_EQ(list.Spoken(1), "VFO-A plus " + std::to_string(std::lround(row.offsetHz)) + " hertz, DL1ABC, 22 words per minute, " +
                                std::to_string(std::lround(row.snrDb)) + " dB");
}

}  // namespace
}  // namespace keblor::test
