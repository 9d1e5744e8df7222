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

struct MenuModel {
  std::map<int, MenuItemState> items;  // by command id; items not listed are enabled, unchecked
  bool IsChecked(int id) const;
  bool IsEnabled(int id) const;
  friend bool operator==(const MenuModel&, const MenuModel&) = default;
};

MenuModel DeriveMenu(const Settings& settings, const DisplayState& display);

// The items a spectrum window's pop-up menu shows checked: its marker switch and its range.
std::vector<int> PopupCheckedItems(const Settings& settings, Vfo vfo);

// The accelerator gate: the command id for a key, or 0 when the key is not in the table or
// its id is that of a main-menu item that is greyed.
int TranslateAccelerator(const MenuModel& menu, AcceleratorKey key, bool ctrl);

}  // namespace keblor
