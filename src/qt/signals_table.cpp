#include "qt/signals_table.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>

#include "qt/signals_table_accessible.h"

namespace keblor {

namespace {

constexpr int PAD = 4;           // pixels between a cell's edge and its text
constexpr int LINE_SPACE = 6;    // pixels of a line beyond the font's height
constexpr int WHEEL_ROWS = 3;    // rows a step of the wheel scrolls
constexpr int SCROLL_MARK = 4;   // the width of the mark of where the rows in sight are
constexpr int WHEEL_STEP = 120;  // angle units of one step of a wheel

}  // namespace

SignalsTable::SignalsTable(QWidget* parent) : QWidget(parent) {
  InstallSignalsTableAccessibility();
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_OpaquePaintEvent);
  for (int c = 0; c < COLUMNS; ++c) header_[static_cast<std::size_t>(c)] = QString::fromUtf8(SIGNAL_COLUMNS[static_cast<std::size_t>(c)]);
  rows_.reserve(MAX_SIGNAL_ROWS);
}

SignalsTable::~SignalsTable() { ForgetCellsFrom(HEADER); }

void SignalsTable::Show(const SignalList& list) {
  const int count = list.Count();
  const bool resized = count != RowCount();
  if (count < RowCount()) ForgetCellsFrom(count);
  rows_.resize(static_cast<std::size_t>(count));
  for (int r = 0; r < count; ++r) {
    Row& row = rows_[static_cast<std::size_t>(r)];
    row.quiet = list.Row(r).quiet;
    for (int c = 0; c < COLUMNS; ++c) row.cells[static_cast<std::size_t>(c)] = QString::fromStdString(SignalCell(list.Row(r), c));
  }
  if (resized) TellRowsChanged(this);
  const int selected = list.Selected();
  if (selected != selected_) {
    selected_ = selected;
    KeepSelectedInSight();
    TellSelectedRow(this);
  }
  ScrollTo(top_);  // fewer rows may leave the last ones in sight
  update();
}

const QString& SignalsTable::Cell(int row, int column) const {
  const std::size_t c = static_cast<std::size_t>(column);
  return row == HEADER ? header_[c] : rows_[static_cast<std::size_t>(row)].cells[c];
}

void SignalsTable::SelectAsUser(int row) {
  if (row < 0 || row >= RowCount()) return;
  if (row != selected_) {
    selected_ = row;
    TellSelectedRow(this);
  }
  KeepSelectedInSight();
  update();
  if (onSelected) onSelected(row);
}

QRect SignalsTable::CellRect(int row, int column) const {
  const int line = LineHeight();
  const QRect cell(ColumnLeft(column), 0, ColumnWidth(column), line);
  if (row == HEADER) return cell;
  if (row < top_ || row >= top_ + VisibleRows()) return {};
  return cell.translated(0, line * (row - top_ + 1));
}

QAccessible::Id& SignalsTable::CellIdSlot(int row, int column) {
  const std::size_t at = static_cast<std::size_t>((row + 1) * COLUMNS + column);
  if (cellIds_.size() <= at) cellIds_.resize(at + 1, 0);
  return cellIds_[at];
}

void SignalsTable::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QPalette& colours = palette();
  const int line = LineHeight();
  painter.fillRect(rect(), colours.base());
  painter.fillRect(0, 0, width(), line, colours.button());
  const QColor rule = colours.color(QPalette::Mid);
  painter.setPen(rule);
  painter.drawLine(0, line - 1, width() - 1, line - 1);

  const QPalette::ColorGroup group = hasFocus() ? QPalette::Active : QPalette::Inactive;
  const int last = std::min(RowCount(), top_ + VisibleRows());
  for (int r = HEADER; r < last; r = r == HEADER ? top_ : r + 1) {
    QColor ink = colours.color(QPalette::Text);
    if (r == HEADER) {
      ink = colours.color(QPalette::ButtonText);
    } else if (r == selected_) {
      painter.fillRect(0, CellRect(r, 0).top(), width(), line, colours.color(group, QPalette::Highlight));
      ink = colours.color(group, QPalette::HighlightedText);
    } else if (rows_[static_cast<std::size_t>(r)].quiet) {
      ink = colours.color(QPalette::Disabled, QPalette::Text);
    }
    for (int c = 0; c < COLUMNS; ++c) {
      const QRect text = CellRect(r, c).adjusted(PAD, 0, -PAD, 0);
      painter.setPen(ink);
      painter.drawText(text, Qt::AlignVCenter | Qt::AlignLeft,
                       fontMetrics().elidedText(Cell(r, c), Qt::ElideLeft, text.width()));
      if (r == HEADER) {
        painter.setPen(rule);
        painter.drawLine(text.right() + PAD, 0, text.right() + PAD, line - 2);
      }
    }
  }
  if (RowCount() > VisibleRows() && VisibleRows() > 0) {  // where the rows in sight are among all
    const int track = height() - line;
    const int top = line + track * top_ / RowCount();
    const int length = std::max(PAD, track * VisibleRows() / RowCount());
    painter.fillRect(width() - SCROLL_MARK, top, SCROLL_MARK, length, rule);
  }
}

void SignalsTable::keyPressEvent(QKeyEvent* event) {
  const int page = std::max(1, VisibleRows() - 1);
  const int from = selected_ < 0 ? top_ - 1 : selected_;  // none selected: Down or Up takes the first in sight
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (selected_ >= 0 && onChosen) onChosen(selected_);
      return;
    case Qt::Key_Up: SelectAsUser(selected_ < 0 ? top_ : std::max(0, from - 1)); return;
    case Qt::Key_Down: SelectAsUser(std::min(RowCount() - 1, from + 1)); return;
    case Qt::Key_PageUp: SelectAsUser(std::max(0, from - page)); return;
    case Qt::Key_PageDown: SelectAsUser(std::min(RowCount() - 1, from + page)); return;
    case Qt::Key_Home: SelectAsUser(0); return;
    case Qt::Key_End: SelectAsUser(RowCount() - 1); return;
    default: QWidget::keyPressEvent(event);
  }
}

void SignalsTable::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) SelectAsUser(RowAt(event->position().toPoint().y()));
}

void SignalsTable::mouseDoubleClickEvent(QMouseEvent* event) {
  const int row = RowAt(event->position().toPoint().y());
  if (event->button() == Qt::LeftButton && row >= 0 && onChosen) onChosen(row);
}

void SignalsTable::wheelEvent(QWheelEvent* event) {
  ScrollTo(top_ - event->angleDelta().y() * WHEEL_ROWS / WHEEL_STEP);
}

void SignalsTable::resizeEvent(QResizeEvent*) { ScrollTo(top_); }

int SignalsTable::LineHeight() const { return fontMetrics().height() + LINE_SPACE; }

int SignalsTable::VisibleRows() const { return std::max(0, (height() - LineHeight()) / LineHeight()); }

int SignalsTable::ColumnLeft(int column) const {
  int left = 0;
  for (int c = 0; c < column; ++c) left += SIGNAL_COLUMN_WIDTHS[static_cast<std::size_t>(c)];
  return left;
}

// The last column takes what the others leave of the width.
int SignalsTable::ColumnWidth(int column) const {
  const int width = SIGNAL_COLUMN_WIDTHS[static_cast<std::size_t>(column)];
  return column == COLUMNS - 1 ? std::max(width, this->width() - ColumnLeft(column)) : width;
}

int SignalsTable::RowAt(int y) const {
  const int row = top_ + y / LineHeight() - 1;
  return y >= LineHeight() && row < RowCount() ? row : -1;
}

void SignalsTable::ScrollTo(int top) {
  const int clamped = std::clamp(top, 0, std::max(0, RowCount() - VisibleRows()));
  if (clamped == top_) return;
  top_ = clamped;
  update();
}

void SignalsTable::KeepSelectedInSight() {
  if (selected_ < 0) return;
  if (selected_ < top_) ScrollTo(selected_);
  else if (selected_ >= top_ + VisibleRows()) ScrollTo(selected_ - VisibleRows() + 1);
}

void SignalsTable::ForgetCellsFrom(int row) {
  const std::size_t from = static_cast<std::size_t>((row + 1) * COLUMNS);
  for (std::size_t at = from; at < cellIds_.size(); ++at) ForgetCell(cellIds_[at]);
  if (cellIds_.size() > from) cellIds_.resize(from);
}

}  // namespace keblor
