#pragma once
// The main menu's check marks, greyed items and texts, kept in the core (the accelerator gate
// reads them) and pushed to the window layer on every change.

#include <map>
#include <string>

namespace keblor {

struct AppState;

struct MenuItemState {
  bool checked = false;
  bool enabled = true;
  std::string text;  // only for items whose text changes at run time
};

struct MenuState {
  std::map<int, MenuItemState> items;  // by command id; items never touched read as defaults
  bool IsChecked(int id) const;
  bool IsEnabled(int id) const;
};

void CheckMenuItem(AppState& app, int id, bool checked);
void EnableMenuItem(AppState& app, int id, bool enabled);
void SetMenuItemText(AppState& app, int id, const std::string& text);

}  // namespace keblor
