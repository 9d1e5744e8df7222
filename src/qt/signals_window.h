#pragma once
// The signals window on Qt Widgets: a table of every signal heard, one row each, which assistive
// technologies read as a table (rows, columns, headers). Enter or a double click chooses a row;
// the close box, a pick and a choice go to Program.

#include <QWidget>

#include "app/views.h"

namespace keblor {

class Program;
class SignalsTable;

class SignalsWindow : public QWidget, public SignalsView {
 public:
  SignalsWindow(QWidget* parent, Program* program);

  void Show(const SignalList& list) override;
  void Announce(const std::string& text) override;
  Rect OuterRect() override;  // the frame's top-left, the client's size
  SignalsTable* Table() const { return table_; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  Program* program_;
  SignalsTable* table_;
};

}  // namespace keblor
