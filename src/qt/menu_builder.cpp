#include "qt/menu_builder.h"

#include <QAction>
#include <algorithm>

namespace keblor {

namespace {

class QtMenuBuilder : public MenuBuilder {
 public:
  QtMenuBuilder(QMenu* menu, const std::function<void(int)>& onPick, std::map<int, std::vector<QAction*>>* actions)
      : menus_{menu}, onPick_(onPick), actions_(actions) {}
  void OpenSubmenu(const std::string& text) override {
    menus_.push_back(menus_.back()->addMenu(QString::fromStdString(text)));
  }
  void CloseSubmenu() override { menus_.pop_back(); }
  void AddSeparator() override { menus_.back()->addSeparator(); }
  void AddItem(int id, const std::string& text) override {
    QAction* action = menus_.back()->addAction(QString::fromStdString(text));
    action->setData(id);
    QObject::connect(action, &QAction::triggered, menus_.back(), [onPick = onPick_, id] { onPick(id); });
    if (actions_ != nullptr) (*actions_)[id].push_back(action);
  }

 private:
  std::vector<QMenu*> menus_;  // the innermost open one last
  const std::function<void(int)>& onPick_;
  std::map<int, std::vector<QAction*>>* actions_;
};

}  // namespace

void BuildMenu(QMenu* menu, const std::vector<MenuNode>& nodes, const std::function<void(int)>& onPick,
               std::map<int, std::vector<QAction*>>* actions) {
  QtMenuBuilder builder(menu, onPick, actions);
  WalkMenu(nodes, builder);
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
