#include "qt/signals_window.h"

#include <QAccessibleWidget>
#include <QCloseEvent>
#include <QHeaderView>
#include <QTableWidget>
#include <QVBoxLayout>
#include <cmath>

#include "app/program.h"

namespace keblor {

namespace {

QStringList Columns() {
  QStringList columns;
  for (const char* column : SIGNAL_COLUMNS) columns << QString::fromUtf8(column);
  return columns;
}

// A plain widget is a filler to assistive technologies; this one is a window, which screen
// readers name by its title when it comes to the front.
QAccessibleInterface* AccessibleWindow(const QString&, QObject* object) {
  if (auto* window = dynamic_cast<SignalsWindow*>(object)) return new QAccessibleWidget(window, QAccessible::Window);
  return nullptr;
}

}  // namespace

SignalsWindow::SignalsWindow(QWidget* parent, Program* program)
    : QWidget(parent, Qt::Window), program_(program), table_(new QTableWidget(this)) {
  static const bool accessible = [] {
    QAccessible::installFactory(&AccessibleWindow);
    return true;
  }();
  (void)accessible;
  setWindowTitle(QStringLiteral("Signals"));
  setAccessibleName(QStringLiteral("Signals"));
  table_->setAccessibleName(QStringLiteral("Signals"));
  table_->setColumnCount(static_cast<int>(SIGNAL_COLUMNS.size()));
  table_->setHorizontalHeaderLabels(Columns());
  table_->verticalHeader()->hide();
  table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 6);
  for (int c = 0; c < static_cast<int>(SIGNAL_COLUMN_WIDTHS.size()); ++c)
    table_->setColumnWidth(c, SIGNAL_COLUMN_WIDTHS[static_cast<std::size_t>(c)]);
  table_->horizontalHeader()->setStretchLastSection(true);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setSelectionMode(QAbstractItemView::SingleSelection);
  table_->setWordWrap(false);
  table_->setTextElideMode(Qt::ElideLeft);  // the newest words, at the right, stay
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(table_);
  connect(table_, &QTableWidget::itemSelectionChanged, this, [this] {
    if (showing_ || program_ == nullptr) return;
    const QList<QTableWidgetItem*> picked = table_->selectedItems();
    program_->OnSignalSelected(picked.isEmpty() ? -1 : picked.front()->row());
  });
  // Enter on the current row or a double click, as the platform activates items.
  connect(table_, &QTableWidget::activated, this, [this](const QModelIndex& index) {
    if (program_ != nullptr) program_->OnSignalChosen(index.row());
  });
}

void SignalsWindow::Show(const SignalList& list) {
  showing_ = true;
  table_->setRowCount(list.Count());
  const QColor faded = palette().color(QPalette::Disabled, QPalette::Text);
  const QColor normal = palette().color(QPalette::Active, QPalette::Text);
  for (int r = 0; r < list.Count(); ++r) {
    for (int c = 0; c < static_cast<int>(SIGNAL_COLUMNS.size()); ++c) {
      const QString cell = QString::fromStdString(SignalCell(list.Row(r), c));
      QTableWidgetItem* item = table_->item(r, c);
      if (item == nullptr) table_->setItem(r, c, item = new QTableWidgetItem);
      if (item->text() != cell) item->setText(cell);
      item->setForeground(list.Row(r).quiet ? faded : normal);
    }
  }
  const int selected = list.Selected();
  if (selected < 0) {
    table_->clearSelection();
  } else if (table_->currentRow() != selected || table_->selectedItems().isEmpty()) {
    table_->setCurrentCell(selected, 0);
    table_->selectRow(selected);
  }
  showing_ = false;
}

void SignalsWindow::Announce(const std::string& text) {
  const QString told = QString::fromStdString(text);
  table_->setAccessibleDescription(told);
  setAccessibleDescription(told);
}

Rect SignalsWindow::OuterRect() {
  const QPoint at = pos();
  return {at.x(), at.y(), at.x() + width(), at.y() + height()};
}

// The program decides what closing means and closes the window itself.
void SignalsWindow::closeEvent(QCloseEvent* event) {
  event->ignore();
  if (program_ != nullptr) program_->OnSignalsClose();
}

}  // namespace keblor
