#include "qt/signals_window.h"

#include <QAccessibleWidget>
#include <QCloseEvent>
#include <QVBoxLayout>

#include "app/program.h"
#include "qt/signals_table.h"

namespace keblor {

namespace {

// A plain widget is a filler to assistive technologies; this one is a window, which screen
// readers name by its title when it comes to the front.
QAccessibleInterface* AccessibleWindow(const QString&, QObject* object) {
  if (auto* window = dynamic_cast<SignalsWindow*>(object)) return new QAccessibleWidget(window, QAccessible::Window);
  return nullptr;
}

}  // namespace

SignalsWindow::SignalsWindow(QWidget* parent, Program* program)
    : QWidget(parent, Qt::Window), program_(program), table_(new SignalsTable(this)) {
  static const bool accessible = [] {
    QAccessible::installFactory(&AccessibleWindow);
    return true;
  }();
  (void)accessible;
  setWindowTitle(QStringLiteral("Signals"));
  setAccessibleName(QStringLiteral("Signals"));
  table_->setAccessibleName(QStringLiteral("Signals"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(table_);
  table_->onSelected = [this](int row) {
    if (program_ != nullptr) program_->OnSignalSelected(row);
  };
  table_->onChosen = [this](int row) {
    if (program_ != nullptr) program_->OnSignalChosen(row);
  };
}

void SignalsWindow::Show(const SignalList& list) { table_->Show(list); }

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
