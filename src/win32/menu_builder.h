#pragma once
// Win32 menus built from the program's menu tables: the command id is the item's id.

#include <vector>

#include "core/menus.h"

struct HMENU__;

namespace keblor {

// Appends the entries to `menu`; the submenu that holds the item `findId`, if any.
HMENU__* AppendMenuTable(HMENU__* menu, const std::vector<MenuNode>& nodes, int findId = 0);

}  // namespace keblor
