#include "qt/signals_table_accessible.h"

#include <QAccessibleWidget>
#include <QPointer>
#include <QWindow>

#include "qt/signals_table.h"

namespace keblor {
namespace {

constexpr int COLUMNS = SignalsTable::COLUMNS;

// A cell, or a column's header. It has no QObject of its own: the table keeps it by its id.
class CellInterface : public QAccessibleInterface, public QAccessibleTableCellInterface {
 public:
  CellInterface(SignalsTable* table, int row, int column) : table_(table), row_(row), column_(column) {}

  int ChildIndex() const { return (row_ + 1) * COLUMNS + column_; }
  const SignalsTable* Table() const { return table_.data(); }

  bool isValid() const override { return table_ && row_ < table_->RowCount(); }
  QObject* object() const override { return nullptr; }
  QWindow* window() const override { return table_ ? table_->window()->windowHandle() : nullptr; }
  QAccessibleInterface* childAt(int, int) const override { return nullptr; }
  QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(table_.data()); }
  QAccessibleInterface* child(int) const override { return nullptr; }
  int childCount() const override { return 0; }
  int indexOfChild(const QAccessibleInterface*) const override { return -1; }
  QString text(QAccessible::Text t) const override {
    return t == QAccessible::Name && isValid() ? table_->Cell(row_, column_) : QString();
  }
  void setText(QAccessible::Text, const QString&) override {}
  QRect rect() const override {
    if (!isValid()) return {};
    const QRect cell = table_->CellRect(row_, column_);
    return cell.isEmpty() ? QRect() : QRect(table_->mapToGlobal(cell.topLeft()), cell.size());
  }
  QAccessible::Role role() const override { return row_ == SignalsTable::HEADER ? QAccessible::ColumnHeader : QAccessible::Cell; }
  QAccessible::State state() const override {
    QAccessible::State state;
    state.readOnly = true;
    state.invisible = !isValid() || !table_->isVisible() || table_->CellRect(row_, column_).isEmpty();
    if (row_ != SignalsTable::HEADER) {
      state.selectable = state.focusable = true;
      state.selected = isSelected();
      state.focused = state.selected && table_->hasFocus();
    }
    return state;
  }
  void* interface_cast(QAccessible::InterfaceType type) override {
    if (type == QAccessible::TableCellInterface && row_ != SignalsTable::HEADER)
      return static_cast<QAccessibleTableCellInterface*>(this);
    return nullptr;
  }

  bool isSelected() const override { return isValid() && row_ != SignalsTable::HEADER && table_->Selected() == row_; }
  QList<QAccessibleInterface*> columnHeaderCells() const override {
    if (!table_) return {};
    return {QAccessible::accessibleInterface(CellId(table_.data(), SignalsTable::HEADER, column_))};
  }
  QList<QAccessibleInterface*> rowHeaderCells() const override { return {}; }
  int columnIndex() const override { return column_; }
  int rowIndex() const override { return row_; }
  int columnExtent() const override { return 1; }
  int rowExtent() const override { return 1; }
  QAccessibleInterface* table() const override { return parent(); }

 private:
  QPointer<SignalsTable> table_;
  int row_;
  int column_;
};

// The table: its headers, then its cells row by row; one row selected at most.
class TableInterface : public QAccessibleWidget, public QAccessibleTableInterface {
 public:
  explicit TableInterface(SignalsTable* table) : QAccessibleWidget(table, QAccessible::Table) {}

  void* interface_cast(QAccessible::InterfaceType type) override {
    if (type == QAccessible::TableInterface) return static_cast<QAccessibleTableInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
  }

  int childCount() const override { return (Table()->RowCount() + 1) * COLUMNS; }
  QAccessibleInterface* child(int index) const override {
    if (index < 0 || index >= childCount()) return nullptr;
    return Interface(index / COLUMNS - 1, index % COLUMNS);
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    const auto* cell = dynamic_cast<const CellInterface*>(child);
    return cell != nullptr && cell->Table() == Table() && cell->isValid() ? cell->ChildIndex() : -1;
  }
  QAccessibleInterface* childAt(int x, int y) const override {
    const QPoint at = Table()->mapFromGlobal(QPoint(x, y));
    for (int row = SignalsTable::HEADER; row < Table()->RowCount(); ++row)
      for (int column = 0; column < COLUMNS; ++column)
        if (Table()->CellRect(row, column).contains(at)) return Interface(row, column);
    return nullptr;
  }

  QAccessibleInterface* caption() const override { return nullptr; }
  QAccessibleInterface* summary() const override { return nullptr; }
  QAccessibleInterface* cellAt(int row, int column) const override {
    if (row < 0 || row >= rowCount() || column < 0 || column >= COLUMNS) return nullptr;
    return Interface(row, column);
  }
  int selectedCellCount() const override { return selectedRowCount() * COLUMNS; }
  QList<QAccessibleInterface*> selectedCells() const override {
    QList<QAccessibleInterface*> cells;
    for (int column = 0; column < COLUMNS && Table()->Selected() >= 0; ++column)
      cells.append(Interface(Table()->Selected(), column));
    return cells;
  }
  QString columnDescription(int column) const override {
    return column >= 0 && column < COLUMNS ? Table()->Cell(SignalsTable::HEADER, column) : QString();
  }
  QString rowDescription(int) const override { return {}; }
  int selectedColumnCount() const override { return 0; }
  int selectedRowCount() const override { return Table()->Selected() >= 0 ? 1 : 0; }
  int columnCount() const override { return COLUMNS; }
  int rowCount() const override { return Table()->RowCount(); }
  QList<int> selectedColumns() const override { return {}; }
  QList<int> selectedRows() const override {
    if (Table()->Selected() < 0) return {};
    return {Table()->Selected()};
  }
  bool isColumnSelected(int) const override { return false; }
  bool isRowSelected(int row) const override { return row >= 0 && row == Table()->Selected(); }
  bool selectRow(int row) override {
    if (row < 0 || row >= rowCount()) return false;
    Table()->SelectAsUser(row);
    return true;
  }
  bool selectColumn(int) override { return false; }
  bool unselectRow(int) override { return false; }
  bool unselectColumn(int) override { return false; }
  void modelChange(QAccessibleTableModelChangeEvent*) override {}  // cells read the table as asked

 private:
  SignalsTable* Table() const { return static_cast<SignalsTable*>(widget()); }
  QAccessibleInterface* Interface(int row, int column) const {
    return QAccessible::accessibleInterface(CellId(Table(), row, column));
  }
};

QAccessibleInterface* Factory(const QString&, QObject* object) {
  if (auto* table = dynamic_cast<SignalsTable*>(object)) return new TableInterface(table);
  return nullptr;
}

}  // namespace

void InstallSignalsTableAccessibility() {
  static const bool installed = [] {
    QAccessible::installFactory(&Factory);
    return true;
  }();
  (void)installed;
}

QAccessible::Id CellId(SignalsTable* table, int row, int column) {
  QAccessible::Id& id = table->CellIdSlot(row, column);
  if (id == 0) id = QAccessible::registerAccessibleInterface(new CellInterface(table, row, column));
  return id;
}

void ForgetCell(QAccessible::Id id) {
  if (id != 0) QAccessible::deleteAccessibleInterface(id);
}

void TellRowsChanged(SignalsTable* table) {
  if (!QAccessible::isActive()) return;
  QAccessibleTableModelChangeEvent event(table, QAccessibleTableModelChangeEvent::ModelReset);
  QAccessible::updateAccessibility(&event);
}

void TellSelectedRow(SignalsTable* table) {
  if (!QAccessible::isActive()) return;
  QAccessibleEvent selection(table, QAccessible::Selection);
  QAccessible::updateAccessibility(&selection);
  if (table->Selected() < 0 || !table->hasFocus()) return;
  QAccessibleEvent focus(QAccessible::accessibleInterface(CellId(table, table->Selected(), 0)), QAccessible::Focus);
  QAccessible::updateAccessibility(&focus);
}

}  // namespace keblor
