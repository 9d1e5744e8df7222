#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "core/command_ids.h"
#include "core/menus.h"

namespace keblor {
namespace {

// Every item of a menu tree with the path of submenu titles that leads to it.
struct FlatItem {
  std::string path;
  std::string text;
  int id;
};

void Flatten(const std::vector<MenuNode>& nodes, const std::string& path, std::vector<FlatItem>& out) {
  for (const MenuNode& node : nodes) {
    if (node.id != 0) {
      EXPECT_TRUE(node.items.empty()) << "item " << node.id << " also has entries";
      out.push_back({path, node.text, node.id});
    } else {
      EXPECT_FALSE(node.items.empty()) << "empty submenu " << node.text;
      Flatten(node.items, path + "/" + node.text, out);
    }
  }
}

std::vector<FlatItem> FlatMainMenu() {
  std::vector<FlatItem> items;
  Flatten(MainMenuResource(), "", items);
  return items;
}

// Each main-menu item's id, text and place: a typo or a wrong id here reaches the user's menu.
TEST(MenuTables, MainMenuHoldsEveryItemInOrder) {
  const std::vector<FlatItem> expected = {
      {"/&Settings", "&Always on top", 359},
      {"/&Settings", "&FT-1000MP CW", 374},
      {"/&Settings", "Sound &card...", 372},
      {"/&Settings/In&put", "&Default input", 1000},
      {"/&Settings", "&Input controls...", 377},
      {"/&Settings", "&Output controls...", 378},
      {"/&Settings", "&Save", 107},
      {"/&Settings", "Save && exi&t", 360},
      {"/&Settings", "&Exit", 112},
      {"/&Display", "&Freez \tF12", 300},
      {"/&Display", "&Clear\tF11", 104},
      {"/&Display", "&Signal level\tF2", 384},
      {"/&Display", "Pitch r&eadout", 385},
      {"/&Display", "Running a&verage", 386},
      {"/&Display/&Zoom", "&1x", 387},
      {"/&Display/&Zoom", "&2x", 388},
      {"/&Display/&Zoom", "&3x", 389},
      {"/&Display/&Zoom", "&4x", 390},
      {"/&Display/&Zoom", "&Next\tZ", 391},
      {"/&Display/&Averages", "&Up\tF10", 362},
      {"/&Display/&Averages", "&Down\tF9", 361},
      {"/&Display/Pitch", "", 379},
      {"/&Display/Pitch", "", 380},
      {"/&Display/Pitch", "", 381},
      {"/&Display/&Pitch on/off", "VFO-&A\tF3", 357},
      {"/&Display/&Pitch on/off", "VFO-&B\tF4", 358},
      {"/&Display/Pi&tch freq./VFO-&A", "&Up\tF6", 363},
      {"/&Display/Pi&tch freq./VFO-&A", "&Down\tF5", 364},
      {"/&Display/Pi&tch freq./VFO-&B", "&Up\tF8", 366},
      {"/&Display/Pi&tch freq./VFO-&B", "&Down\tF7", 365},
      {"/&Display/Freq. &range/VFO-&A", "500 Hz", 382},
      {"/&Display/Freq. &range/VFO-&A", "&1000 Hz", 351},
      {"/&Display/Freq. &range/VFO-&A", "&2000 Hz", 352},
      {"/&Display/Freq. &range/VFO-&A", "&3000 Hz", 375},
      {"/&Display/Freq. &range/VFO-&A", "&4000 Hz", 353},
      {"/&Display/Freq. &range/VFO-&B", "500 Hz", 383},
      {"/&Display/Freq. &range/VFO-&B", "&1000 Hz", 354},
      {"/&Display/Freq. &range/VFO-&B", "&2000 Hz", 355},
      {"/&Display/Freq. &range/VFO-&B", "&3000 Hz", 376},
      {"/&Display/Freq. &range/VFO-&B", "&4000 Hz", 356},
      {"/&Window", "Main VFO-&A", 101},
      {"/&Window", "Sub VFO-&B", 301},
      {"/&Window", "Arrange &vertically", 373},
      {"/&Help", "&Contents\tF1", 307},
      {"/&Help", "&About...", 111},
  };
  const std::vector<FlatItem> actual = FlatMainMenu();
  ASSERT_EQ(actual.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(actual[i].path, expected[i].path) << "item " << i;
    EXPECT_EQ(actual[i].text, expected[i].text) << "item " << i;
    EXPECT_EQ(actual[i].id, expected[i].id) << "item " << i;
  }

  std::vector<std::string> titles;
  for (const MenuNode& top : MainMenuResource()) titles.push_back(top.text);
  EXPECT_EQ(titles, (std::vector<std::string>{"&Settings", "&Display", "&Window", "&Help"}));

  // The shortcut text follows a real tab character, not a backslash and a "t".
  for (const FlatItem& item : actual) EXPECT_EQ(item.text.find('\\'), std::string::npos) << item.text;
}

// Ids of keys and of no item must not appear in the menu; every item id appears once.
TEST(MenuTables, MainMenuItemIdsAreTheItemsOnly) {
  std::vector<int> ids = MainMenuItemIds();
  EXPECT_EQ(ids.size(), 45u);
  std::set<int> unique(ids.begin(), ids.end());
  EXPECT_EQ(unique.size(), ids.size());
  for (int keyOnly : {cmd::ClearKey, cmd::FreezeKey, cmd::RangeStepUpA, cmd::RangeStepDownA, cmd::RangeStepUpB,
                      cmd::RangeStepDownB})
    EXPECT_EQ(unique.count(keyOnly), 0u) << keyOnly;
  std::vector<int> fromTree;
  for (const FlatItem& item : FlatMainMenu()) fromTree.push_back(item.id);
  EXPECT_EQ(ids, fromTree);
}

// A window's pop-up menu: its VFO's range items as the main menu has them, then its marker switch.
TEST(MenuTables, PopupMenusHoldTheirVfosRangesAndMarkerSwitch) {
  const std::vector<MenuNode>& ranges = MainMenuResource()[1].items;  // &Display
  for (const auto& [resource, vfo, marker] : {std::tuple{126, "VFO-&A", 357}, std::tuple{127, "VFO-&B", 358}}) {
    const std::vector<MenuNode>& popup = PopupMenuResource(resource);
    ASSERT_EQ(popup.size(), 2u) << resource;
    EXPECT_EQ(popup[0].text, "Freq. &range");
    const auto main = std::find_if(ranges.begin(), ranges.end(), [](const MenuNode& n) { return n.text == "Freq. &range"; });
    ASSERT_NE(main, ranges.end());
    std::vector<FlatItem> fromPopup, fromMain;
    Flatten(popup[0].items, "", fromPopup);
    for (const MenuNode& sub : main->items)
      if (sub.text == vfo) Flatten(sub.items, "", fromMain);
    ASSERT_EQ(fromPopup.size(), 5u) << resource;
    ASSERT_EQ(fromMain.size(), 5u) << resource;
    for (std::size_t i = 0; i < 5; ++i) {
      EXPECT_EQ(fromPopup[i].id, fromMain[i].id) << resource;
      EXPECT_EQ(fromPopup[i].text, fromMain[i].text) << resource;
    }
    EXPECT_EQ(popup[1].text, "&Pitch on/off");
    EXPECT_EQ(popup[1].id, marker);
  }
  EXPECT_TRUE(PopupMenuResource(113).empty());
}

TEST(MenuTables, AcceleratorTableHasTheSixteenKeysAndTheZoomKey) {
  using K = AcceleratorKey;
  const std::map<std::pair<K, bool>, int> expected = {
      {{K::F1, false}, 307},         {{K::F2, false}, 384},          {{K::F3, false}, 357},
      {{K::F4, false}, 358},         {{K::F5, false}, 364},          {{K::F6, false}, 363},
      {{K::F7, false}, 365},         {{K::F8, false}, 366},          {{K::F9, false}, 361},
      {{K::F10, false}, 362},        {{K::F11, false}, 305},         {{K::F12, false}, 306},
      {{K::KeypadPlus, false}, 368}, {{K::KeypadMinus, false}, 369}, {{K::KeypadPlus, true}, 370},
      {{K::KeypadMinus, true}, 371}, {{K::Z, false}, 391},
  };
  const std::vector<AcceleratorEntry>& table = AcceleratorTable();
  ASSERT_EQ(table.size(), 17u);
  std::map<std::pair<K, bool>, int> actual;
  for (const AcceleratorEntry& entry : table) {
    EXPECT_TRUE(actual.emplace(std::make_pair(entry.key, entry.ctrl), entry.id).second) << "duplicate key";
  }
  EXPECT_EQ(actual, expected);
}

}  // namespace
}  // namespace keblor
