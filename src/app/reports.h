#pragma once
// Where the program's reports go, handed in by the adapters like the desktop: nothing below the
// adapters prints. GUI thread only.

#include <string>

namespace keblor {

class Reports {
 public:
  virtual ~Reports() = default;
  // One line for the log (standard error); the sink puts the program's name in front.
  virtual void Line(const std::string& text) = 0;
  // Something the user must see: the default beep, then a modal box with the text, the caption
  // and OK.
  virtual void Box(const std::string& text, const std::string& caption) = 0;
  // Both: the line for the log and the box for the user.
  void Tell(const std::string& text, const std::string& caption) {
    Line(text);
    Box(text, caption);
  }
};

}  // namespace keblor
