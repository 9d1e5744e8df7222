#include "core/display_commands.h"

#include <gtest/gtest.h>

#include "core/command_ids.h"

namespace keblor {
namespace {

struct Stereo {
  Settings s;
  DisplayState d;
  Stereo() {
    s.Channels = 2;
    d.openA = d.openB = true;
  }
  DisplayEffects Run(int id) { return ApplyDisplayCommand(s, d, id).value(); }
};

// Window and tool commands are not display commands.
TEST(DisplayCommands, OnlyDisplayIdsApply) {
  Stereo t;
  for (int id : {cmd::MainVfoA, cmd::Save, cmd::SoundCard, cmd::About, 9999})
    EXPECT_FALSE(ApplyDisplayCommand(t.s, t.d, id).has_value()) << id;
}

// Every command that changes the picture is refused while frozen, except freeze itself and clear.
TEST(DisplayCommands, FrozenDisplayRefusesChangesButClearAndThaw) {
  Stereo t;
  t.Run(cmd::FreezeKey);
  const Settings before = t.s;
  for (int id : {cmd::AveragesUp, cmd::PitchUpA, cmd::PitchDownB, cmd::PitchOnOffA, cmd::Preset3, cmd::RangeA4,
                 cmd::RangeStepUpB}) {
    const DisplayEffects e = t.Run(id);
    EXPECT_FALSE(e.repaintA || e.repaintB || e.restartAveraging) << id;
  }
  EXPECT_EQ(t.s.NumberOfAverages, before.NumberOfAverages);
  EXPECT_EQ(t.s.VFO_A.PitchFreq, before.VFO_A.PitchFreq);
  EXPECT_EQ(t.s.VFO_A.Range, before.VFO_A.Range);
  EXPECT_EQ(t.s.VFO_B.Range, before.VFO_B.Range);

  EXPECT_TRUE(t.Run(cmd::Clear).repaintB);
  EXPECT_TRUE(t.d.clearRequested);
  t.Run(cmd::Freeze);  // thawing drops a pending clear
  EXPECT_FALSE(t.d.frozen);
  EXPECT_FALSE(t.d.clearRequested);
}

TEST(DisplayCommands, AveragesStayWithinOneToAHundredAndRestartTheCycle) {
  Stereo t;
  EXPECT_FALSE(t.Run(cmd::AveragesDown).restartAveraging);
  EXPECT_EQ(t.s.NumberOfAverages, 1);
  t.s.NumberOfAverages = 99;
  EXPECT_TRUE(t.Run(cmd::AveragesUp).restartAveraging);
  EXPECT_FALSE(t.Run(cmd::AveragesUp).restartAveraging);
  EXPECT_EQ(t.s.NumberOfAverages, 100);
}

// Pitch steps of 10 Hz: up only below the range's ceiling (an off-grid pitch may pass it),
// down to 0 at the least, and only for an open window.
TEST(DisplayCommands, PitchStepsKeepToTheRangeAndTheOpenWindow) {
  Stereo t;
  t.s.VFO_A = {990, 1, 1};  // 1000 Hz span
  t.Run(cmd::PitchUpA);
  EXPECT_EQ(t.s.VFO_A.PitchFreq, 1000);
  t.Run(cmd::PitchUpA);
  EXPECT_EQ(t.s.VFO_A.PitchFreq, 1000);
  t.s.VFO_A.PitchFreq = 995;
  t.Run(cmd::PitchUpA);
  EXPECT_EQ(t.s.VFO_A.PitchFreq, 1005);
  t.Run(cmd::PitchUpA);
  EXPECT_EQ(t.s.VFO_A.PitchFreq, 1005);
  t.s.VFO_B.PitchFreq = 4;
  t.Run(cmd::PitchDownB);
  EXPECT_EQ(t.s.VFO_B.PitchFreq, 0);
  t.d.openA = false;
  t.Run(cmd::PitchDownA);
  EXPECT_EQ(t.s.VFO_A.PitchFreq, 1005);
}

// A range lowers the pitch to its limit and repaints its window; the keypad steps clamp at the
// ends and still select (so the limit applies).
TEST(DisplayCommands, RangesLimitThePitchAndStepsClamp) {
  Stereo t;
  t.s.VFO_B = {3500, 1, 4};
  DisplayEffects e = t.Run(cmd::RangeB3);
  EXPECT_EQ(t.s.VFO_B.Range, 3);
  EXPECT_EQ(t.s.VFO_B.PitchFreq, 3000);
  EXPECT_TRUE(e.repaintB);
  EXPECT_FALSE(e.repaintA);
  t.Run(cmd::RangeB4);  // no limit on the widest span
  t.s.VFO_B.PitchFreq = 3900;
  e = t.Run(cmd::RangeStepUpB);
  EXPECT_EQ(t.s.VFO_B.Range, 4);
  EXPECT_TRUE(e.repaintB);
  t.s.VFO_A = {800, 1, 0};
  t.Run(cmd::RangeStepDownA);
  EXPECT_EQ(t.s.VFO_A.Range, 0);
  EXPECT_EQ(t.s.VFO_A.PitchFreq, 500);
}

TEST(DisplayCommands, PresetsSetBothVfosAndLevelOffBlanksTheReadout) {
  Stereo t;
  t.d.openB = false;
  t.s.VFO_B.Range = 0;
  const DisplayEffects e = t.Run(cmd::Preset3);
  EXPECT_EQ(t.s.VFO_A.PitchFreq, 700);
  EXPECT_EQ(t.s.VFO_B.PitchFreq, 700);  // closed and beyond its span: taken as it is
  EXPECT_TRUE(e.repaintA);
  EXPECT_FALSE(e.repaintB);

  EXPECT_FALSE(t.Run(cmd::SignalLevel).blankLevel);
  EXPECT_EQ(t.s.Level, 1);
  EXPECT_TRUE(t.Run(cmd::SignalLevel).blankLevel);
  EXPECT_EQ(t.s.Level, 0);
}

}  // namespace
}  // namespace keblor
