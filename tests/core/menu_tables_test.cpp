#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "core/command_ids.h"
#include "core/menus.h"

namespace keblor {
namespace {

// What the walk hands a toolkit, as one line per call: "[Title", "]", "-", "id text".
class RecordingBuilder : public MenuBuilder {
 public:
  std::vector<std::string> calls;
  std::vector<int> ids;
  void OpenSubmenu(const std::string& text) override { calls.push_back("[" + text); }
  void CloseSubmenu() override { calls.push_back("]"); }
  void AddSeparator() override { calls.push_back("-"); }
  void AddItem(int id, const std::string& text) override {
    calls.push_back(std::to_string(id) + " " + text);
    ids.push_back(id);
  }
};

// Submenus close after their own entries, nested ones inside; an entry with neither text nor
// id is a separator, one with an id is an item.
TEST(MenuWalk, VisitsEntriesInOrderWithSubmenusAroundTheirOwn) {
  const std::vector<MenuNode> table = {
      {"&File", 0, {{"&Open", 1, {}}, {"", 0, {}}, {"&Recent", 0, {{"a", 2, {}}, {"b", 3, {}}}}, {"E&xit", 4, {}}}},
      {"&Help", 0, {{"&About", 5, {}}}},
  };
  RecordingBuilder builder;
  WalkMenu(table, builder);
  EXPECT_EQ(builder.calls, (std::vector<std::string>{"[&File", "1 &Open", "-", "[&Recent", "2 a", "3 b", "]",
                                                     "4 E&xit", "]", "[&Help", "5 &About", "]"}));
}

// The main menu: the four titles of the bar, every item id once and in the order MainMenuItemIds
// gives, no key-only id among them, shortcut texts after a real tab.
TEST(MenuTables, MainMenuItemsAreUniqueAndKeyOnlyIdsAreNotItems) {
  RecordingBuilder builder;
  WalkMenu(MainMenuResource(), builder);
  std::vector<std::string> titles;
  for (const MenuNode& top : MainMenuResource()) titles.push_back(top.text);
  EXPECT_EQ(titles, (std::vector<std::string>{"&Settings", "&Display", "&Window", "&Help"}));
  EXPECT_EQ(builder.ids, MainMenuItemIds());
  const std::set<int> unique(builder.ids.begin(), builder.ids.end());
  EXPECT_EQ(unique.size(), builder.ids.size());
  for (int keyOnly : {cmd::ClearKey, cmd::FreezeKey, cmd::RangeStepUpA, cmd::RangeStepDownA, cmd::RangeStepUpB,
                      cmd::RangeStepDownB})
    EXPECT_EQ(unique.count(keyOnly), 0u) << keyOnly;
  for (const std::string& call : builder.calls) EXPECT_EQ(call.find('\\'), std::string::npos) << call;
}

// A window's pop-up menu: its VFO's range items as the main menu has them, then its marker switch.
TEST(MenuTables, PopupMenusHoldTheirVfosRangesAndMarkerSwitch) {
  const std::vector<MenuNode>& display = MainMenuResource()[1].items;
  const auto ranges = std::find_if(display.begin(), display.end(), [](const MenuNode& n) { return n.text == "Freq. &range"; });
  ASSERT_NE(ranges, display.end());
  for (const auto& [resource, vfo, marker] : {std::tuple{126, "VFO-&A", 357}, std::tuple{127, "VFO-&B", 358}}) {
    const std::vector<MenuNode>& popup = PopupMenuResource(resource);
    ASSERT_EQ(popup.size(), 2u) << resource;
    EXPECT_EQ(popup[0].text, "Freq. &range");
    RecordingBuilder fromPopup, fromMain;
    WalkMenu(popup[0].items, fromPopup);
    for (const MenuNode& sub : ranges->items)
      if (sub.text == vfo) WalkMenu(sub.items, fromMain);
    EXPECT_EQ(fromPopup.calls.size(), 5u) << resource;
    EXPECT_EQ(fromPopup.calls, fromMain.calls) << resource;
    EXPECT_EQ(popup[1].text, "&Pitch on/off");
    EXPECT_EQ(popup[1].id, marker);
  }
  EXPECT_TRUE(PopupMenuResource(113).empty());
}

// No key of the accelerator table is there twice: the second would never fire.
TEST(MenuTables, EachAcceleratorKeyIsThereOnce) {
  std::set<std::pair<AcceleratorKey, bool>> keys;
  for (const AcceleratorEntry& entry : AcceleratorTable())
    EXPECT_TRUE(keys.emplace(entry.key, entry.ctrl).second) << static_cast<int>(entry.key);
  EXPECT_EQ(keys.size(), AcceleratorTable().size());
}

}  // namespace
}  // namespace keblor
