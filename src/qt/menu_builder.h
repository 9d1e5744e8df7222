#pragma once
// Qt menus built from the program's menu tables: the command id in QAction::data(), the
// shortcut text shown inside the item text, no QAction shortcuts (keys go through the
// accelerator table).

#include <QMenu>
#include <functional>
#include <map>
#include <vector>

#include "core/menus.h"

namespace keblor {

// Adds the nodes to `menu`; a pick calls `onPick` with the item's id.
// Every item action is also recorded in `actions` by id when given.
void BuildMenu(QMenu* menu, const std::vector<MenuNode>& nodes, const std::function<void(int)>& onPick,
               std::map<int, std::vector<QAction*>>* actions = nullptr);

// Shows the ids in `checked` with a check mark and the others without (only checked items are
// checkable, so unchecked ones show no empty box).
void ShowChecks(QMenu& menu, const std::vector<int>& checked);
void ShowCheck(QAction* action, bool checked);

}  // namespace keblor
