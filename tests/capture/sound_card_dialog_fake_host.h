#pragma once
// A dialog host for driving dialog procedures without a desktop: radio buttons that behave as
// groups, the user's clicks, and the result the dialog ended with.

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/dialog_host.h"

namespace keblor {

class FakeDialogHost : public DialogHost {
 public:
  // Radio groups as the dialog template defines them, first..last.
  std::vector<std::pair<int, int>> groups{{1078, 1079}, {1080, 1081}};
  std::map<int, bool> buttons;
  std::vector<std::string> calls;
  std::optional<int> result;  // set by EndDialog
  int endCount = 0;

  void CheckRadioButton(int first, int last, int id) override {
    calls.push_back("CheckRadioButton " + std::to_string(first) + " " + std::to_string(last) + " " +
                    std::to_string(id));
    for (int b = first; b <= last; ++b) buttons[b] = b == id;
  }
  bool IsButtonChecked(int id) override {
    auto it = buttons.find(id);
    return it != buttons.end() && it->second;
  }
  void EndDialog(int r) override {
    calls.push_back("EndDialog " + std::to_string(r));
    result = r;
    ++endCount;
  }

  // The user clicking an automatic radio button: it is selected, the rest of its group cleared.
  void Click(int id) {
    for (auto [first, last] : groups)
      if (id >= first && id <= last)
        for (int b = first; b <= last; ++b) buttons[b] = b == id;
  }
};

}  // namespace keblor
