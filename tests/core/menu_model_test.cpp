#include "core/menu_model.h"

#include <gtest/gtest.h>

#include "core/command_ids.h"

namespace keblor {
namespace {

TEST(MenuModel, ChecksFollowTheSettingsAndTheOpenWindows) {
  Settings s;
  s.Channels = 2;
  s.VFO_A = {700, 0, 4};
  s.VFO_B = {700, 1, 0};
  s.Pitch2 = 700;  // presets 2 and 3 match both: the first one is checked
  DisplayState d;
  d.openB = true;
  const MenuModel m = DeriveMenu(s, d);
  EXPECT_FALSE(m.IsChecked(cmd::MainVfoA));
  EXPECT_TRUE(m.IsChecked(cmd::SubVfoB));
  EXPECT_FALSE(m.IsChecked(cmd::PitchOnOffA));
  EXPECT_TRUE(m.IsChecked(cmd::PitchOnOffB));
  EXPECT_TRUE(m.IsChecked(cmd::RangeA4));
  EXPECT_FALSE(m.IsChecked(cmd::RangeA1));
  EXPECT_TRUE(m.IsChecked(cmd::RangeB0));
  EXPECT_TRUE(m.IsChecked(cmd::AlwaysOnTop));
  EXPECT_TRUE(m.IsChecked(cmd::Preset2));
  EXPECT_FALSE(m.IsChecked(cmd::Preset3));
  EXPECT_EQ(m.items.at(cmd::Preset1).text, "300 Hz");
  EXPECT_EQ(PopupCheckedItems(s, Vfo::A), std::vector<int>{cmd::RangeA4});
  EXPECT_EQ(PopupCheckedItems(s, Vfo::B), (std::vector<int>{cmd::PitchOnOffB, cmd::RangeB0}));

  s.VFO_B.PitchFreq = 300;  // on preset 1 alone: no preset is both VFOs'
  const MenuModel apart = DeriveMenu(s, d);
  for (int id : {cmd::Preset1, cmd::Preset2, cmd::Preset3}) EXPECT_FALSE(apart.IsChecked(id)) << id;
}

// Mono greys everything of VFO-B; frozen greys what would change the picture; with no window
// open, Freez and Clear grey and Freez shows unchecked though the display stays frozen.
TEST(MenuModel, GreyingRules) {
  Settings s;
  DisplayState d;
  d.openA = true;
  MenuModel m = DeriveMenu(s, d);
  for (int id : {cmd::SubVfoB, cmd::RangeB2, cmd::PitchOnOffB, cmd::PitchUpB, cmd::ArrangeVertically, cmd::Ft1000mp})
    EXPECT_FALSE(m.IsEnabled(id)) << id;
  EXPECT_FALSE(m.IsChecked(cmd::RangeB3));  // VFO-B's range shows only in stereo
  EXPECT_TRUE(m.IsEnabled(cmd::RangeA2));

  s.Channels = 2;
  d.frozen = true;
  m = DeriveMenu(s, d);
  EXPECT_TRUE(m.IsChecked(cmd::Freeze));
  for (int id : {cmd::AveragesUp, cmd::PitchOnOffA, cmd::PitchDownB, cmd::RangeA0, cmd::RangeB4, cmd::Ft1000mp})
    EXPECT_FALSE(m.IsEnabled(id)) << id;
  EXPECT_TRUE(m.IsEnabled(cmd::SubVfoB));
  EXPECT_TRUE(m.IsEnabled(cmd::Preset1));

  d.openA = false;
  m = DeriveMenu(s, d);
  EXPECT_FALSE(m.IsChecked(cmd::Freeze));
  EXPECT_FALSE(m.IsEnabled(cmd::Freeze));
  EXPECT_FALSE(m.IsEnabled(cmd::Clear));
}

// Settings > Input: "Default input", then the inputs by name in their order with the one in use
// checked. Names show as they are (an ampersand is no mnemonic); a name two inputs share is told
// apart by the id; the list stops at the ids set aside for it.
TEST(MenuModel, TheInputItemsNameTheInputsAndCheckTheOneInUse) {
  const Settings s;
  const DisplayState d;
  InputChoice choice;
  choice.inputs = {{"USB Audio CODEC", "alsa_input.usb-codec"},
                   {"Monitor of Null Output", "cw.monitor"},
                   {"Monitor of Null Output", "cw2.monitor"},
                   {"Rig & Co\tline", "rig"}};
  MenuModel m = DeriveMenu(s, d, choice);
  EXPECT_EQ(m.inputItems, (std::vector<std::string>{"USB Audio CODEC", "Monitor of Null Output (cw.monitor)",
                                                     "Monitor of Null Output (cw2.monitor)", "Rig && Co line"}));
  EXPECT_TRUE(m.IsChecked(cmd::InputDefault));
  EXPECT_FALSE(m.IsChecked(cmd::InputFirst));

  choice.inUse = 2;
  m = DeriveMenu(s, d, choice);
  EXPECT_FALSE(m.IsChecked(cmd::InputDefault));
  EXPECT_TRUE(m.IsChecked(cmd::InputFirst + 2));
  EXPECT_FALSE(m.IsChecked(cmd::InputFirst + 1));

  choice.inUse = InputChoice::UNLISTED;
  m = DeriveMenu(s, d, choice);
  EXPECT_FALSE(m.IsChecked(cmd::InputDefault));
  for (int i = 0; i < 4; ++i) EXPECT_FALSE(m.IsChecked(cmd::InputFirst + i));

  choice.inputs.assign(cmd::MAX_INPUT_ITEMS + 5, {"Line", "line"});
  m = DeriveMenu(s, d, choice);
  EXPECT_EQ(m.inputItems.size(), static_cast<std::size_t>(cmd::MAX_INPUT_ITEMS));
  EXPECT_TRUE(cmd::IsInputItem(cmd::InputFirst + cmd::MAX_INPUT_ITEMS - 1));
  EXPECT_FALSE(cmd::IsInputItem(cmd::InputFirst + cmd::MAX_INPUT_ITEMS));
}

// Keys of greyed main-menu items do nothing; F11 and F12 carry ids of no item and always act.
TEST(MenuModel, AcceleratorGate) {
  Settings s;
  DisplayState d;  // mono, no window open
  const MenuModel m = DeriveMenu(s, d);
  EXPECT_EQ(TranslateAccelerator(m, AcceleratorKey::F3, false), cmd::PitchOnOffA);
  EXPECT_EQ(TranslateAccelerator(m, AcceleratorKey::F4, false), 0);
  EXPECT_EQ(TranslateAccelerator(m, AcceleratorKey::F11, false), cmd::ClearKey);
  EXPECT_EQ(TranslateAccelerator(m, AcceleratorKey::KeypadPlus, true), cmd::RangeStepUpB);
  EXPECT_EQ(TranslateAccelerator(m, AcceleratorKey::F3, true), 0);
}

}  // namespace
}  // namespace keblor
