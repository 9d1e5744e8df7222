#pragma once
// What a spectrum window reports of the user's input, and the one way both toolkits wire it to
// the program.

#include <functional>

#include "core/display_state.h"

namespace keblor {

class Program;

struct SpectrumEvents {
  std::function<void(unsigned keys, int x, int y)> pointer;  // moves and left-button changes
  std::function<void(int x, int y)> rightButton;
  std::function<void(int x, int y)> tune;  // a middle click or Shift + left click
  std::function<void()> close;            // the close box or the system menu's Close
  std::function<void(int id)> popupPick;  // a pop-up menu item, after the menu closed
};

// The window of `vfo` reporting to the program `program` points to when the input comes (none
// yet: dropped); a pop-up pick goes to `postCommand`, to reach the program after the menu closed.
// `program` must outlive the events.
SpectrumEvents SpectrumEventsFor(Program* const& program, Vfo vfo, std::function<void(int id)> postCommand);

}  // namespace keblor
