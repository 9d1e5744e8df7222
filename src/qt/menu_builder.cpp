#include "qt/menu_builder.h"

#include <QAction>
#include <algorithm>

namespace keblor {

void BuildMenu(QMenu* menu, const std::vector<MenuNode>& nodes, const std::function<void(int)>& onPick,
               std::map<int, std::vector<QAction*>>* actions) {
  for (const MenuNode& node : nodes) {
    const QString text = QString::fromStdString(node.text);
    if (!node.items.empty()) {
      BuildMenu(menu->addMenu(text), node.items, onPick, actions);
    } else if (node.id == 0) {
      menu->addSeparator();
    } else {
      QAction* action = menu->addAction(text);
      action->setData(node.id);
      QObject::connect(action, &QAction::triggered, menu, [onPick, id = node.id] { onPick(id); });
      if (actions != nullptr) (*actions)[node.id].push_back(action);
    }
  }
}

void ShowCheck(QAction* action, bool checked) {
  action->setCheckable(checked);
  action->setChecked(checked);
}

void ShowChecks(QMenu& menu, const std::vector<int>& checked) {
  for (QAction* action : menu.findChildren<QAction*>()) {
    bool ok = false;
    const int id = action->data().toInt(&ok);
    ShowCheck(action, ok && std::find(checked.begin(), checked.end(), id) != checked.end());
  }
}

}  // namespace keblor
