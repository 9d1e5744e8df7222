#pragma once
// The signals window's table, drawn by the program: a line of column names over a line per
// signal, the selected one highlighted, quiet ones faded, a cell too narrow for its text showing
// the text's end (the newest words). Qt's item views would cost the open list some 2 MiB of
// memory, most of it their code; this costs a few pages. Assistive technologies read it as a
// table (rows, columns, headers) through signals_table_accessible.

#include <QAccessible>
#include <QString>
#include <QWidget>
#include <array>
#include <functional>
#include <vector>

#include "core/signal_list.h"

namespace keblor {

class SignalsTable : public QWidget {
 public:
  static constexpr int COLUMNS = static_cast<int>(SIGNAL_COLUMNS.size());
  static constexpr int HEADER = -1;  // the row of column names

  explicit SignalsTable(QWidget* parent);
  ~SignalsTable() override;

  std::function<void(int row)> onSelected;  // the user selected a row
  std::function<void(int row)> onChosen;    // Enter or a double click on a row

  // The rows and the selection as the list has them now; tells onSelected nothing.
  void Show(const SignalList& list);

  int RowCount() const { return static_cast<int>(rows_.size()); }
  const QString& Cell(int row, int column) const;  // row HEADER: the column's name
  int Selected() const { return selected_; }
  // Selects row as a click on it does (a row outside the table selects nothing).
  void SelectAsUser(int row);
  // Where a cell is drawn, in the table's coordinates; empty while scrolled out of sight.
  QRect CellRect(int row, int column) const;

  // The slot of the accessible id of a cell, 0 until its interface is first asked for.
  QAccessible::Id& CellIdSlot(int row, int column);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  struct Row {
    std::array<QString, COLUMNS> cells;
    bool quiet = false;
  };

  int LineHeight() const;
  int VisibleRows() const;
  int ColumnLeft(int column) const;
  int ColumnWidth(int column) const;
  int RowAt(int y) const;
  void ScrollTo(int top);
  void KeepSelectedInSight();
  void ForgetCellsFrom(int row);

  std::array<QString, COLUMNS> header_;
  std::vector<Row> rows_;
  int selected_ = -1;
  int top_ = 0;  // the first row in sight
  std::vector<QAccessible::Id> cellIds_;  // (row + 1) * COLUMNS + column
};

}  // namespace keblor
