#include "win32/menu_builder.h"

#include <windows.h>

#include "winapi/wide_text.h"

namespace keblor {

namespace {

class Win32MenuBuilder : public MenuBuilder {
 public:
  Win32MenuBuilder(HMENU menu, int findId) : menus_{menu}, findId_(findId) {}
  void OpenSubmenu(const std::string& text) override {
    HMENU sub = CreatePopupMenu();
    AppendMenuW(menus_.back(), MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(sub), Widen(text).c_str());
    menus_.push_back(sub);
  }
  void CloseSubmenu() override { menus_.pop_back(); }
  void AddSeparator() override { AppendMenuW(menus_.back(), MF_SEPARATOR, 0, nullptr); }
  void AddItem(int id, const std::string& text) override {
    AppendMenuW(menus_.back(), MF_STRING, static_cast<UINT_PTR>(id), Widen(text).c_str());
    if (id == findId_ && findId_ != 0) found = menus_.back();
  }
  HMENU found = nullptr;

 private:
  std::vector<HMENU> menus_;  // the innermost open one last
  int findId_;
};

}  // namespace

HMENU AppendMenuTable(HMENU menu, const std::vector<MenuNode>& nodes, int findId) {
  Win32MenuBuilder builder(menu, findId);
  WalkMenu(nodes, builder);
  return builder.found;
}

}  // namespace keblor
