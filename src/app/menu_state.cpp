#include "app/menu_state.h"

#include "app/app_state.h"

namespace keblor {

bool MenuState::IsChecked(int id) const {
  auto it = items.find(id);
  return it != items.end() && it->second.checked;
}

bool MenuState::IsEnabled(int id) const {
  auto it = items.find(id);
  return it == items.end() || it->second.enabled;
}

void CheckMenuItem(AppState& app, int id, bool checked) {
  app.menu.items[id].checked = checked;
  if (app.windows) app.windows->CheckMenuItem(id, checked);
}

void EnableMenuItem(AppState& app, int id, bool enabled) {
  app.menu.items[id].enabled = enabled;
  if (app.windows) app.windows->EnableMenuItem(id, enabled);
}

void SetMenuItemText(AppState& app, int id, const std::string& text) {
  app.menu.items[id].text = text;
  if (app.windows) app.windows->SetMenuItemText(id, text);
}

}  // namespace keblor
