#pragma once
// The menu and accelerator resources: the main menu "menu", the pop-up menus 126 and 127 and
// the accelerator table 113. Texts are as in a resource script: "&" marks the mnemonic,
// "&&" is a literal ampersand, "\t" separates the shortcut text.

#include <string>
#include <vector>

namespace keblor {

struct MenuNode {
  std::string text;
  int id = 0;                   // 0 for a submenu
  std::vector<MenuNode> items;  // a submenu's entries
};

// What a toolkit does with a menu table's entries, in table order; a submenu's entries come
// between its OpenSubmenu and CloseSubmenu. An entry without text or id is a separator.
class MenuBuilder {
 public:
  virtual ~MenuBuilder() = default;
  virtual void OpenSubmenu(const std::string& text) = 0;
  virtual void CloseSubmenu() = 0;
  virtual void AddItem(int id, const std::string& text) = 0;
  virtual void AddSeparator() = 0;
};
void WalkMenu(const std::vector<MenuNode>& nodes, MenuBuilder& builder);

// Top-level entries of the menu bar ("&Settings", "&Display", "&Window", "&Help").
const std::vector<MenuNode>& MainMenuResource();
// Pop-up menu 126 or 127: its single untitled pop-up's entries; empty for other ids.
const std::vector<MenuNode>& PopupMenuResource(int resourceId);

enum class AcceleratorKey { F1, F2, F3, F4, F5, F6, F7, F8, F9, F10, F11, F12, KeypadPlus, KeypadMinus, Z, W, T, D, L, N, P };

struct AcceleratorEntry {
  AcceleratorKey key;
  bool ctrl = false;
  int id = 0;
};

const std::vector<AcceleratorEntry>& AcceleratorTable();  // table 113, the zoom, waterfall and rig keys

// Ids of every item of the main menu (not submenus).
std::vector<int> MainMenuItemIds();

}  // namespace keblor
