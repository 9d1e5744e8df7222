#pragma once
// The main menu's check marks, greyed items and run-time texts, derived from the state by one
// function after every change; the views show it and the accelerator gate reads it.

#include <map>
#include <string>
#include <vector>

#include "core/display_state.h"
#include "core/menus.h"
#include "core/settings.h"

namespace keblor {

struct MenuItemState {
  bool checked = false;
  bool enabled = true;
  std::string text;  // empty: the item keeps its resource text
};

// The inputs Settings > Input lists after "Default input", in the back end's order, and the one
// in use.
struct InputChoice {
  static constexpr int DEFAULT = -1;   // the default input is in use
  static constexpr int UNLISTED = -2;  // an input that is not in the list (none is checked)
  struct Entry {
    std::string name;  // for people; may repeat
    std::string id;    // the back end's
  };
  std::vector<Entry> inputs;
  int inUse = DEFAULT;  // an index into `inputs`, DEFAULT or UNLISTED
};

struct MenuModel {
  std::map<int, MenuItemState> items;  // by command id; items not listed are enabled, unchecked
  // The texts of the items after "Default input": cmd::InputFirst + index, at most
  // cmd::MAX_INPUT_ITEMS. A name that two inputs share is followed by the id in brackets.
  std::vector<std::string> inputItems;
  bool IsChecked(int id) const;
  bool IsEnabled(int id) const;
  friend bool operator==(const MenuModel&, const MenuModel&) = default;
};

MenuModel DeriveMenu(const Settings& settings, const DisplayState& display, const InputChoice& inputs = {});

// The items a spectrum window's pop-up menu shows checked: its marker switch and its range.
std::vector<int> PopupCheckedItems(const Settings& settings, Vfo vfo);

// The accelerator gate: the command id for a key, or 0 when the key is not in the table or
// its id is that of a main-menu item that is greyed.
int TranslateAccelerator(const MenuModel& menu, AcceleratorKey key, bool ctrl);

}  // namespace keblor
