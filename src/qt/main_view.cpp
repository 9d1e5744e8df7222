#include "qt/main_view.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMenuBar>
#include <QProxyStyle>
#include <QThread>
#include <QWindow>

#include <optional>

#include "app/window_frames.h"
#include "core/command_ids.h"
#include "core/keyboard_keys.h"
#include "core/screen_placement.h"
#include "desktop/desktop_tools.h"
#include "desktop/window_placement.h"
#include "qt/menu_builder.h"
#include "qt/signals_window.h"
#include "qt/spectrum_window.h"

namespace keblor {

namespace {

// The frame the layout sizes count with: 3 pixels each side, a 19-pixel caption and a 19-pixel
// menu bar. Qt draws its own frame and menu bar, so the outer size is kept by giving the client
// area what such a frame leaves it.


// The mono window is only 208 pixels wide inside: with the style's usual margins and spacing the
// last menu would be pushed into an overflow button, so the menu bar packs its items closer.
class CompactMenuBarStyle : public QProxyStyle {
 public:
  int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override {
    switch (metric) {
      case PM_MenuBarItemSpacing:
      case PM_MenuBarHMargin:
      case PM_MenuBarPanelWidth:
        return 0;
      default:
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
  }
};

// Qt's key codes as core/keyboard_keys.h names the keys; the keypad's "=" is no key of the table.
KeyboardKey KeyboardKeyOf(const QKeyEvent& event) {
  const int code = event.key();
  const bool keypad = (event.modifiers() & Qt::KeypadModifier) != 0;
  if (code >= Qt::Key_F1 && code <= Qt::Key_F12) {
    return static_cast<KeyboardKey>(static_cast<int>(KeyboardKey::F1) + (code - Qt::Key_F1));
  }
  switch (code) {
    case Qt::Key_Plus: return keypad ? KeyboardKey::KeypadPlus : KeyboardKey::Plus;
    case Qt::Key_Minus: return keypad ? KeyboardKey::KeypadMinus : KeyboardKey::Minus;
    case Qt::Key_Equal: return keypad ? KeyboardKey::Other : KeyboardKey::Equals;
    case Qt::Key_Z: return KeyboardKey::Z;
    case Qt::Key_W: return KeyboardKey::W;
    case Qt::Key_T: return KeyboardKey::T;
    case Qt::Key_D: return KeyboardKey::D;
    case Qt::Key_L: return KeyboardKey::L;
    case Qt::Key_N: return KeyboardKey::N;
    case Qt::Key_P: return KeyboardKey::P;
    default: return KeyboardKey::Other;
  }
}

}  // namespace

class MainWindowWidget : public QMainWindow {
 public:
  std::function<void()> onClose;

 protected:
  // The program decides what closing means and destroys the window itself.
  void closeEvent(QCloseEvent* event) override {
    event->ignore();
    if (onClose) onClose();
  }
};

QtMainView::QtMainView() = default;

QtMainView::~QtMainView() {
  if (qApp != nullptr) qApp->removeEventFilter(this);
  delete window_.data();
}

void QtMainView::Create(const std::string& title, const Rect& outer) {
  delete window_.data();
  actions_.clear();
  auto* window = new MainWindowWidget;
  window_ = window;
  window->onClose = [this] {
    if (program_ != nullptr) program_->OnMainClose();
  };
  window->setWindowTitle(QString::fromStdString(title));
  window->setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                         Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
  window->setWindowIcon(ProgramIcon());

  auto* menuStyle = new CompactMenuBarStyle;
  menuStyle->setParent(window->menuBar());
  window->menuBar()->setStyle(menuStyle);
  for (const MenuNode& node : MainMenuResource()) {
    QMenu* menu = window->menuBar()->addMenu(QString::fromStdString(node.text));
    BuildMenu(menu, node.items, [this](int id) { PostCommand(id); }, &actions_);
  }
  inputTexts_.clear();
  inputActions_.clear();
  inputMenu_ = qobject_cast<QMenu*>(MenuActions(cmd::InputDefault).front()->parent());
  // The inputs come and go (a USB codec plugged in): the list is read again as the menu opens.
  connect(inputMenu_, &QMenu::aboutToShow, this, [this] {
    if (program_ != nullptr) program_->OnInputMenuShown();
  });

  auto* client = new QWidget(window);
  client->setObjectName(QStringLiteral("client"));
  client->setAutoFillBackground(true);
  QPalette palette = client->palette();
  palette.setColor(QPalette::Window, QColor(128, 128, 128));  // the application workspace
  client->setPalette(palette);
  window->setCentralWidget(client);

  Move(outer);
  qApp->installEventFilter(this);
  window->show();
  window->update();
}

// A pick reaches the program once the menu has closed, as a posted command does.
void QtMainView::PostCommand(int id) {
  QMetaObject::invokeMethod(
      this,
      [this, id] {
        // Qt flips a checkable item on its own when clicked; the menu the program shows after
        // the command puts it right.
        if (program_ != nullptr) program_->OnCommand(static_cast<std::uint32_t>(id));
      },
      Qt::QueuedConnection);
}

const std::vector<QAction*>& QtMainView::MenuActions(int id) const {
  static const std::vector<QAction*> none;
  const auto it = actions_.find(id);
  return it == actions_.end() ? none : it->second;
}

void QtMainView::ShowInputItems(const std::vector<std::string>& texts) {
  if (texts == inputTexts_ || !inputMenu_) return;
  for (QAction* action : inputActions_) {
    inputMenu_->removeAction(action);
    action->deleteLater();  // may be the one whose pick is being handled
  }
  inputActions_.clear();
  for (int id = cmd::InputFirst; id < cmd::InputFirst + static_cast<int>(inputTexts_.size()); ++id) actions_.erase(id);
  inputTexts_ = texts;
  if (texts.empty()) return;
  inputActions_.push_back(inputMenu_->addSeparator());
  std::vector<MenuNode> items;
  for (std::size_t i = 0; i < texts.size(); ++i) items.push_back({texts[i], cmd::InputFirst + static_cast<int>(i), {}});
  const int before = static_cast<int>(inputMenu_->actions().size());
  BuildMenu(inputMenu_, items, [this](int id) { PostCommand(id); }, &actions_);
  const QList<QAction*> all = inputMenu_->actions();
  inputActions_.insert(inputActions_.end(), all.begin() + before, all.end());
}

void QtMainView::ShowMenu(const MenuModel& menu) {
  ShowInputItems(menu.inputItems);
  for (const auto& [id, actions] : actions_) {
    const auto item = menu.items.find(id);
    const MenuItemState state = item == menu.items.end() ? MenuItemState{} : item->second;
    for (QAction* action : actions) {
      ShowCheck(action, state.checked);
      action->setEnabled(state.enabled);
      if (!state.text.empty()) action->setText(QString::fromStdString(state.text));
    }
  }
}

Rect QtMainView::OuterRect() {
  if (!window_) return {};
  const QPoint topLeft = window_->pos();
  const QSize client = ClientArea()->size() / zoom_;  // in the 1x sizes the layouts count in
  return Rect{topLeft.x(), topLeft.y(), topLeft.x() + client.width() + MAIN_FRAME_EXTRA_WIDTH,
              topLeft.y() + client.height() + MAIN_FRAME_EXTRA_HEIGHT};
}

Point QtMainView::RestoredTopLeft() {
  if (!window_) return {};
  // The window cannot be maximised; while minimised its position is the restored one.
  const QPoint topLeft = window_->pos();
  return Point{topLeft.x(), topLeft.y()};
}

void QtMainView::Move(const Rect& outer) {
  if (!window_) return;
  const QSize client(std::max(0, outer.right - outer.left - MAIN_FRAME_EXTRA_WIDTH) * zoom_,
                     std::max(0, outer.bottom - outer.top - MAIN_FRAME_EXTRA_HEIGHT) * zoom_);
  ClientArea()->setFixedSize(client);
  window_->setFixedSize(client.width(), client.height() + window_->menuBar()->sizeHint().height());
  // A place off the screens (one gone since the place was saved) comes back onto the nearest
  // screen; the settings keep the place as read until a save. The window counts with its frame:
  // as drawn once shown, but never less than the layout's allowance for it.
  const QSize frame = (window_->frameGeometry().size() - window_->size())
                          .expandedTo(QSize(MAIN_FRAME_EXTRA_WIDTH,
                                            MAIN_FRAME_EXTRA_HEIGHT - window_->menuBar()->sizeHint().height()));
  const QSize size = window_->size() + frame;
  const Rect placed =
      PlaceOnScreens({outer.left, outer.top, outer.left + size.width(), outer.top + size.height()}, AvailableScreenAreas());
  window_->move(placed.left, placed.top);
  window_->update();
}

void QtMainView::SetTopmost(bool topmost) {
  if (!window_) return;
  // Changing the flag on the native window keeps it in place; QWidget::setWindowFlag would
  // re-create and hide it.
  if (QWindow* handle = window_->windowHandle()) {
    handle->setFlag(Qt::WindowStaysOnTopHint, topmost);
  } else {
    window_->setWindowFlag(Qt::WindowStaysOnTopHint, topmost);
  }
}

// The client area and the spectrum windows grow or shrink in place; a window the user dragged
// keeps its place relative to the others.
void QtMainView::SetZoom(int zoom) {
  if (zoom == zoom_ || zoom < 1) return;
  const Rect outer = OuterRect();
  const int old = zoom_;
  zoom_ = zoom;
  Move(outer);
  for (const QPointer<SpectrumWindow>& spectrum : spectra_) {
    if (!spectrum) continue;
    const QPoint at = spectrum->pos() / old;
    spectrum->SetZoom(zoom);
    spectrum->move(at * zoom);
  }
}

void QtMainView::SetWaterfall(bool shown) {
  waterfall_ = shown;
  for (const QPointer<SpectrumWindow>& spectrum : spectra_)
    if (spectrum) spectrum->SetWaterfall(shown);
}

SpectrumView& QtMainView::OpenSpectrum(Vfo vfo, const std::string& title, Point at) {
  CloseSpectrum(vfo);
  auto* spectrum = new SpectrumWindow(ClientArea(), QString::fromStdString(title));
  spectrum->SetZoom(zoom_);
  spectrum->SetWaterfall(waterfall_);
  spectrum->move(at.x * zoom_, at.y * zoom_);
  spectrum->Events() = SpectrumEventsFor(program_, vfo, [this](int id) { PostCommand(id); });
  spectra_[SlotOf(vfo)] = spectrum;
  spectrum->show();
  return *spectrum;
}

void QtMainView::CloseSpectrum(Vfo vfo) {
  SpectrumWindow* spectrum = spectra_[SlotOf(vfo)].data();
  spectra_[SlotOf(vfo)] = nullptr;
  if (spectrum == nullptr) return;
  spectrum->hide();
  spectrum->deleteLater();  // the close box's click is still being handled
}

SignalsView& QtMainView::OpenSignals(const Rect& outer) {
  CloseSignals();
  auto* list = new SignalsWindow(window_.data(), program_);
  signals_ = list;
  const Rect placed = PlaceOnScreens(outer, AvailableScreenAreas());
  list->resize(placed.right - placed.left, placed.bottom - placed.top);
  list->move(placed.left, placed.top);
  list->show();
  return *list;
}

void QtMainView::CloseSignals() {
  SignalsWindow* list = signals_.data();
  signals_ = nullptr;
  if (list == nullptr) return;
  list->hide();
  list->deleteLater();  // the close box's click is still being handled
}

void QtMainView::Destroy() {
  if (window_) {
    CloseSignals();
    qApp->removeEventFilter(this);
    actions_.clear();
    inputActions_.clear();
    inputTexts_.clear();
    for (Vfo vfo : BOTH_VFOS) CloseSpectrum(vfo);
    window_->hide();
    window_->deleteLater();  // may be inside one of its own event handlers
    window_ = nullptr;
  }
  // Outside any event loop (a start that failed, or after the loop) there is nothing to end,
  // and a quit left queued would end a later loop.
  if (QThread::currentThread()->loopLevel() > 0)
    QMetaObject::invokeMethod(qApp, [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
}

QMainWindow* QtMainView::Window() const { return window_.data(); }

QWidget* QtMainView::ClientArea() const { return window_ ? window_->centralWidget() : nullptr; }

SpectrumWindow* QtMainView::Spectrum(Vfo vfo) const { return spectra_[SlotOf(vfo)].data(); }

SignalsWindow* QtMainView::Signals() const { return signals_.data(); }

// Qt sends a drag to the widget where the button went down. The spectrum windows do not capture
// the pointer: a drag that started elsewhere in the main window's client area (or in the other
// spectrum window) reaches the spectrum window under the pointer, as any pointer move would.
void QtMainView::RouteDragToWindowUnderPointer(QWidget* receiver, const QMouseEvent& event) {
  const bool move = event.type() == QEvent::MouseMove;
  if (move ? event.buttons() == Qt::NoButton : event.button() != Qt::LeftButton) return;
  if (receiver != ClientArea() && dynamic_cast<SpectrumClient*>(receiver) == nullptr) return;
  const QPoint global = event.globalPosition().toPoint();
  auto* target = dynamic_cast<SpectrumClient*>(QApplication::widgetAt(global));
  if (target == nullptr || target == receiver) return;
  target->DeliverPointer(target->mapFromGlobal(global), event.buttons(), event.modifiers());
}

// The accelerator table sees every key pressed in the main window or its children, except
// while a modal dialog or a menu has the keyboard.
bool QtMainView::eventFilter(QObject* watched, QEvent* event) {
  if (!watched->isWidgetType() || !window_) return false;
  auto* widget = static_cast<QWidget*>(watched);
  if (event->type() == QEvent::MouseMove || event->type() == QEvent::MouseButtonRelease) {
    if (widget->window() == window_.data()) RouteDragToWindowUnderPointer(widget, static_cast<const QMouseEvent&>(*event));
    return false;
  }
  // The signals window's keys too; Enter is no key of the table and chooses the table's row.
  const bool inSignals = signals_ && widget->window() == signals_.data();
  if (event->type() != QEvent::KeyPress || (widget->window() != window_.data() && !inSignals)) return false;
  if (QApplication::activeModalWidget() != nullptr || QApplication::activePopupWidget() != nullptr) return false;
  const auto& keyEvent = static_cast<const QKeyEvent&>(*event);
  const Qt::KeyboardModifiers modifiers = keyEvent.modifiers();
  const std::optional<AcceleratorKey> key = AcceleratorKeyFor(
      KeyboardKeyOf(keyEvent), (modifiers & Qt::ShiftModifier) != 0, (modifiers & (Qt::AltModifier | Qt::MetaModifier)) != 0);
  if (!key) return false;
  if (program_ != nullptr) program_->OnKey(*key, (modifiers & Qt::ControlModifier) != 0);
  return true;
}

}  // namespace keblor
