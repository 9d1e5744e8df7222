#include "qt/qt_window_layer.h"

#include <unistd.h>

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLocalServer>
#include <QLocalSocket>
#include <QMainWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QProxyStyle>
#include <QWindow>

#include "app/main_window.h"
#include "capture/sound_card_dialog.h"
#include "desktop/desktop_tools.h"
#include "display/signal_window.h"
#include "qt/qt_dialogs.h"
#include "qt/signal_frame.h"

namespace keblor {

// The frame the layout sizes count with: 3 pixels each side, a 19-pixel caption and a 19-pixel
// menu bar. Qt draws its own frame and menu bar, so the outer size is kept by giving the client
// area what such a frame leaves it.
constexpr int FRAME_EXTRA_WIDTH = 6;
constexpr int FRAME_EXTRA_HEIGHT = 44;

// The user's name space for the single-instance server: the main window class and the uid.
static QString InstanceServerName() {
  return QStringLiteral("KLP5012WA ISA LIBRARY TEST-%1").arg(static_cast<qulonglong>(::getuid()));
}

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

class MainWindowWidget : public QMainWindow {
 public:
  std::function<void()> onClose;

 protected:
  // The core decides what closing means and destroys the window itself.
  void closeEvent(QCloseEvent* event) override {
    event->ignore();
    if (onClose) onClose();
  }
};

QtWindowLayer::QtWindowLayer(AppState& app) : app_(app), instanceName_(InstanceServerName()) {}

QtWindowLayer::~QtWindowLayer() {
  if (qApp != nullptr) qApp->removeEventFilter(this);
  delete mainWindow_.data();
}

bool QtWindowLayer::FindRunningCopy() {
  const QString& name = instanceName_;
  QLocalSocket probe;
  probe.setSocketOptions(QLocalSocket::AbstractNamespaceOption);
  probe.connectToServer(name);
  if (probe.waitForConnected(1000)) {
    probe.write("restore\n");
    probe.waitForBytesWritten(1000);
    probe.disconnectFromServer();
    return true;
  }
  instanceServer_ = std::make_unique<QLocalServer>();
  instanceServer_->setSocketOptions(QLocalServer::AbstractNamespaceOption);
  connect(instanceServer_.get(), &QLocalServer::newConnection, this, &QtWindowLayer::OnInstanceConnection);
  instanceServer_->listen(name);  // a failure only means a later copy will not find this one
  return false;
}

// A later copy asks this one to come back if it is minimised; a visible window is left as it is.
void QtWindowLayer::OnInstanceConnection() {
  while (QLocalSocket* socket = instanceServer_->nextPendingConnection()) {
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
      if (socket->readAll().contains("restore") && mainWindow_ && mainWindow_->isMinimized()) {
        mainWindow_->showNormal();
      }
    });
  }
}

void QtWindowLayer::CreateMainWindow(const std::string& title, int x, int y, int width, int height) {
  delete mainWindow_.data();
  actions_.clear();
  auto* window = new MainWindowWidget;
  mainWindow_ = window;
  window->onClose = [this] { OnMainClose(app_); };
  window->setWindowTitle(QString::fromStdString(title));
  window->setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                         Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
  window->setWindowIcon(ProgramIcon());

  auto* menuStyle = new CompactMenuBarStyle;
  menuStyle->setParent(window->menuBar());
  window->menuBar()->setStyle(menuStyle);
  for (const MenuNode& node : MainMenuResource()) {
    QMenu* menu = window->menuBar()->addMenu(QString::fromStdString(node.text));
    BuildMenu(menu, node.items, true);
  }

  auto* client = new QWidget(window);
  client->setObjectName(QStringLiteral("client"));
  client->setAutoFillBackground(true);
  QPalette palette = client->palette();
  palette.setColor(QPalette::Window, QColor(128, 128, 128));  // the application workspace
  client->setPalette(palette);
  window->setCentralWidget(client);

  MoveMainWindow(x, y, width, height);
  qApp->installEventFilter(this);
}

void QtWindowLayer::BuildMenu(QMenu* menu, const std::vector<MenuNode>& nodes, bool mainMenu) {
  for (const MenuNode& node : nodes) {
    const QString text = QString::fromStdString(node.text);
    if (!node.items.empty()) {
      BuildMenu(menu->addMenu(text), node.items, mainMenu);
    } else if (node.id == 0) {
      menu->addSeparator();
    } else {
      // The shortcut text after "\t" is shown in the menu; the keys themselves go through the
      // accelerator table, never through QAction shortcuts.
      QAction* action = menu->addAction(text);
      action->setData(node.id);
      connect(action, &QAction::triggered, this, [this, id = node.id] { PostCommand(id); });
      if (mainMenu) actions_[node.id].push_back(action);
    }
  }
}

// A pick reaches the core once the menu has closed, as a posted command does.
void QtWindowLayer::PostCommand(int id) {
  QMetaObject::invokeMethod(
      this,
      [this, id] {
        CommandHandler(app_, static_cast<std::uint32_t>(id));
        // Qt flips a checkable item on its own when clicked; the core's state is the truth.
        const auto it = actions_.find(id);
        if (it == actions_.end()) return;
        for (QAction* action : it->second) {
          action->setCheckable(app_.menu.IsChecked(id));
          action->setChecked(app_.menu.IsChecked(id));
        }
      },
      Qt::QueuedConnection);
}

const std::vector<QAction*>& QtWindowLayer::MenuActions(int id) const {
  static const std::vector<QAction*> none;
  const auto it = actions_.find(id);
  return it == actions_.end() ? none : it->second;
}

void QtWindowLayer::ShowMainWindow() {
  if (!mainWindow_) return;
  mainWindow_->show();
  mainWindow_->update();
}

Rect QtWindowLayer::GetMainWindowRect() {
  if (!mainWindow_) return {};
  const QPoint topLeft = mainWindow_->pos();
  const QSize client = ClientArea()->size();
  return Rect{topLeft.x(), topLeft.y(), topLeft.x() + client.width() + FRAME_EXTRA_WIDTH,
              topLeft.y() + client.height() + FRAME_EXTRA_HEIGHT};
}

Point QtWindowLayer::GetMainWindowRestoredTopLeft() {
  if (!mainWindow_) return {};
  // The window cannot be maximised; while minimised its position is the restored one.
  const QPoint topLeft = mainWindow_->pos();
  return Point{topLeft.x(), topLeft.y()};
}

void QtWindowLayer::MoveMainWindow(int x, int y, int width, int height) {
  if (!mainWindow_) return;
  const QSize client(std::max(0, width - FRAME_EXTRA_WIDTH), std::max(0, height - FRAME_EXTRA_HEIGHT));
  ClientArea()->setFixedSize(client);
  mainWindow_->setFixedSize(client.width(), client.height() + mainWindow_->menuBar()->sizeHint().height());
  mainWindow_->move(x, y);
  mainWindow_->update();
}

void QtWindowLayer::SetMainWindowTopmost(bool topmost) {
  if (!mainWindow_) return;
  // Changing the flag on the native window keeps it in place; QWidget::setWindowFlag would
  // re-create and hide it.
  if (QWindow* handle = mainWindow_->windowHandle()) {
    handle->setFlag(Qt::WindowStaysOnTopHint, topmost);
  } else {
    mainWindow_->setWindowFlag(Qt::WindowStaysOnTopHint, topmost);
  }
}

void QtWindowLayer::DestroyMainWindow() {
  if (!mainWindow_) return;
  qApp->removeEventFilter(this);
  actions_.clear();
  frames_.clear();
  mainWindow_->hide();
  mainWindow_->deleteLater();  // may be inside one of its own event handlers
  mainWindow_ = nullptr;
}

void QtWindowLayer::PostQuit(int exitCode) {
  QMetaObject::invokeMethod(
      qApp, [exitCode] { QCoreApplication::exit(exitCode); }, Qt::QueuedConnection);
}

void QtWindowLayer::SetMenuItemText(int id, const std::string& text) {
  for (QAction* action : MenuActions(id)) action->setText(QString::fromStdString(text));
}

void QtWindowLayer::CheckMenuItem(int id, bool checked) {
  // Only checked items are checkable, so unchecked ones show no empty box.
  for (QAction* action : MenuActions(id)) {
    action->setCheckable(checked);
    action->setChecked(checked);
  }
}

void QtWindowLayer::EnableMenuItem(int id, bool enabled) {
  for (QAction* action : MenuActions(id)) action->setEnabled(enabled);
}

QMainWindow* QtWindowLayer::MainWindow() const { return mainWindow_.data(); }

QWidget* QtWindowLayer::ClientArea() const { return mainWindow_ ? mainWindow_->centralWidget() : nullptr; }

SignalFrame* QtWindowLayer::Frame(WindowHandle window) const {
  const auto it = frames_.find(window);
  return it == frames_.end() ? nullptr : it->second.data();
}

SignalFrame* QtWindowLayer::SignalWindowFrame(WindowHandle window) const { return Frame(window); }

WindowHandle QtWindowLayer::CreateSignalWindow(const std::string& title, int x, int y) {
  if (!mainWindow_) return NO_WINDOW;
  const WindowHandle handle = nextHandle_++;
  auto* frame = new SignalFrame(ClientArea(), QString::fromStdString(title));
  frame->move(x, y);
  frame->hide();
  SignalFrameEvents& events = frame->Events();
  events.mouse = [this, handle](int message, unsigned keys, int mx, int my) {
    BeginMouseMessage();
    OnSignalMouse(app_, handle, static_cast<MouseMessage>(message), keys, mx, my);
    EndMouseMessage();
  };
  events.rightButton = [this, handle](int mx, int my) { OnSignalRightButton(app_, handle, mx, my); };
  events.close = [this, handle] { OnSignalClose(app_, handle); };
  frames_[handle] = frame;
  ApplyCursor();
  return handle;
}

void QtWindowLayer::ShowSignalWindow(WindowHandle window) {
  if (SignalFrame* frame = Frame(window)) frame->show();
}

void QtWindowLayer::DestroySignalWindow(WindowHandle window) {
  SignalFrame* frame = Frame(window);
  frames_.erase(window);
  if (frame == nullptr) return;
  frame->hide();
  frame->deleteLater();  // the close box's click is still being handled
}

void QtWindowLayer::InvalidateSignalWindow(WindowHandle window) {
  SignalFrame* frame = Frame(window);
  if (frame == nullptr || !frame->MarkPaintPending()) return;
  QMetaObject::invokeMethod(
      this,
      [this, window] {
        SignalFrame* target = Frame(window);
        if (target == nullptr) return;
        target->ClearPaintPending();
        OnSignalPaint(app_, window);
      },
      Qt::QueuedConnection);
}

void QtWindowLayer::EraseSignalWindow(WindowHandle window) {
  if (SignalFrame* frame = Frame(window)) frame->Erase();
}

void QtWindowLayer::DrawTextBox(WindowHandle window, const Rect& box, TextAlign align, Point anchor,
                                const std::string& text, Rgb color) {
  if (SignalFrame* frame = Frame(window)) {
    frame->DrawTextBox(box, align, anchor, QString::fromStdString(text), color);
  }
}

void QtWindowLayer::CreateTraceSurface(WindowHandle window) {
  if (SignalFrame* frame = Frame(window)) frame->CreateSurface();
}

void QtWindowLayer::ReleaseTraceSurface(WindowHandle window) {
  if (SignalFrame* frame = Frame(window)) frame->ReleaseSurface();
}

void QtWindowLayer::ShowTrace(WindowHandle window, const TraceRaster& raster) {
  if (SignalFrame* frame = Frame(window)) frame->ShowTrace(raster);
}

Point QtWindowLayer::ClientToScreen(WindowHandle window, Point client) {
  SignalFrame* frame = Frame(window);
  if (frame == nullptr) return client;
  const QPoint screen = frame->Client()->mapToGlobal(QPoint(client.x, client.y));
  return Point{screen.x(), screen.y()};
}

CursorHandle QtWindowLayer::SetCursor(CursorHandle cursor) {
  const CursorHandle previous = cursor_;
  cursor_ = cursor;
  ApplyCursor();
  return previous;
}

// The class cursor, the arrow, is what the pointer shows when a mouse message arrives.
void QtWindowLayer::BeginMouseMessage() { cursor_ = CURSOR_ARROW; }

void QtWindowLayer::EndMouseMessage() { ApplyCursor(); }

void QtWindowLayer::ApplyCursor() {
  const Qt::CursorShape shape = cursor_ == CURSOR_SIZE_WE ? Qt::SizeHorCursor : Qt::ArrowCursor;
  for (const auto& [handle, frame] : frames_) {
    if (frame) frame->Client()->setCursor(shape);
  }
}

void QtWindowLayer::TrackPopupMenu(int resourceId, Point screen, const std::vector<int>& checkedIds) {
  const std::vector<MenuNode>& nodes = PopupMenuResource(resourceId);
  if (nodes.empty()) return;
  QMenu menu(mainWindow_.data());
  BuildMenu(&menu, nodes, false);
  for (QAction* action : menu.findChildren<QAction*>()) {
    bool ok = false;
    const int id = action->data().toInt(&ok);
    const bool checked = ok && std::find(checkedIds.begin(), checkedIds.end(), id) != checkedIds.end();
    action->setCheckable(checked);
    action->setChecked(checked);
  }
  menu.exec(QPoint(screen.x, screen.y));
}

int QtWindowLayer::RunDialog(DialogId dialog) {
  if (dialog == DialogId::SoundCard) {
    SoundCardDialogState state;
    SoundCardSettingsDialog box(mainWindow_.data(), [this, &state](DialogHost& host, DialogMessage message, int w) {
      return SoundCardDialog(app_, state, host, message, w);
    });
    return box.Run();
  }
  AboutBox box(mainWindow_.data(),
               [](DialogHost& host, DialogMessage message, int w) { return AboutDialog(host, message, w); });
  return box.Run();
}

void QtWindowLayer::MessageBeep() { QApplication::beep(); }

void QtWindowLayer::MessageBox(const std::string& text, const std::string& caption) {
  QMessageBox box(QMessageBox::NoIcon, QString::fromStdString(caption), QString::fromStdString(text),
                  QMessageBox::Ok, mainWindow_.data());
  box.exec();
}

bool QtWindowLayer::IsMixerOpen(MixerKind mixer) { return IsMixerRunning(mixer); }

void QtWindowLayer::StartMixer(MixerKind mixer) { StartMixerProgram(mixer); }

void QtWindowLayer::OpenHelp(const std::string& keyword) { OpenHelpPages(keyword); }

namespace {

// The keys of the accelerator table: F1..F12 and the keypad's plus and minus. Shift and Alt
// take a key out of the table, as none of its entries names them.
bool ToAcceleratorKey(const QKeyEvent& event, AcceleratorKey& key) {
  const Qt::KeyboardModifiers modifiers = event.modifiers();
  if (modifiers & (Qt::ShiftModifier | Qt::AltModifier | Qt::MetaModifier)) return false;
  const int code = event.key();
  if (code >= Qt::Key_F1 && code <= Qt::Key_F12) {
    key = static_cast<AcceleratorKey>(static_cast<int>(AcceleratorKey::F1) + (code - Qt::Key_F1));
    return true;
  }
  if (!(modifiers & Qt::KeypadModifier)) return false;
  if (code == Qt::Key_Plus) {
    key = AcceleratorKey::KeypadPlus;
    return true;
  }
  if (code == Qt::Key_Minus) {
    key = AcceleratorKey::KeypadMinus;
    return true;
  }
  return false;
}

}  // namespace

// The accelerator table sees every key pressed in the main window or its children, except
// while a modal dialog or a menu has the keyboard.
// Qt sends a drag to the widget where the button went down. The spectrum windows do not capture
// the mouse: a drag that started elsewhere in the main window's client area (or in the other
// spectrum window) reaches the spectrum window under the pointer, as any pointer move would.
void QtWindowLayer::RouteDragToWindowUnderPointer(QWidget* receiver, const QMouseEvent& event) {
  const bool move = event.type() == QEvent::MouseMove;
  if (move ? event.buttons() == Qt::NoButton : event.button() != Qt::LeftButton) return;
  if (receiver != ClientArea() && dynamic_cast<SignalClient*>(receiver) == nullptr) return;
  const QPoint global = event.globalPosition().toPoint();
  auto* target = dynamic_cast<SignalClient*>(QApplication::widgetAt(global));
  if (target == nullptr || target == receiver) return;
  const MouseMessage message = move ? MouseMessage::Move : MouseMessage::LeftUp;
  target->DeliverMouse(static_cast<int>(message), target->mapFromGlobal(global), event.buttons(), event.modifiers());
}

bool QtWindowLayer::eventFilter(QObject* watched, QEvent* event) {
  if (!watched->isWidgetType() || !mainWindow_) return false;
  if (event->type() == QEvent::MouseMove || event->type() == QEvent::MouseButtonRelease) {
    auto* widget = static_cast<QWidget*>(watched);
    if (widget->window() == mainWindow_.data()) {
      RouteDragToWindowUnderPointer(widget, static_cast<const QMouseEvent&>(*event));
    }
    return false;
  }
  if (event->type() != QEvent::KeyPress) return false;
  auto* widget = static_cast<QWidget*>(watched);
  if (widget->window() != mainWindow_.data()) return false;
  if (QApplication::activeModalWidget() != nullptr || QApplication::activePopupWidget() != nullptr) return false;
  const auto& keyEvent = static_cast<const QKeyEvent&>(*event);
  AcceleratorKey key{};
  if (!ToAcceleratorKey(keyEvent, key)) return false;
  const int id = TranslateAccelerator(app_, key, (keyEvent.modifiers() & Qt::ControlModifier) != 0);
  if (id != 0) CommandHandler(app_, static_cast<std::uint32_t>(id));
  return true;
}

}  // namespace keblor
