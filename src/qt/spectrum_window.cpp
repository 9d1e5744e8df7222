#include "qt/spectrum_window.h"

#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <cstring>

#include "core/marker_pointer.h"
#include "qt/menu_builder.h"

namespace keblor {
namespace {

constexpr int BORDER = 3;
constexpr int CAPTION_HEIGHT = SPECTRUM_CLIENT_TOP - BORDER;  // 18

QColor ToColor(Rgb c) { return QColor(c.r, c.g, c.b); }
QRgb ToPixel(Rgb c) { return qRgb(c.r, c.g, c.b); }

// A small sans font drawn without antialiasing, so that the same text lights the same pixels.
const QFont& LabelFont() {
  static const QFont font = [] {
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(11);
    f.setStyleStrategy(QFont::NoAntialias);
    f.setHintingPreference(QFont::PreferFullHinting);
    return f;
  }();
  return font;
}

unsigned KeyBits(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers) {
  unsigned keys = 0;
  if (buttons & Qt::LeftButton) keys |= POINTER_LEFT;
  if (buttons & Qt::RightButton) keys |= POINTER_RIGHT;
  if (buttons & Qt::MiddleButton) keys |= POINTER_MIDDLE;
  if (modifiers & Qt::ShiftModifier) keys |= POINTER_SHIFT;
  if (modifiers & Qt::ControlModifier) keys |= POINTER_CONTROL;
  return keys;
}

}  // namespace

SpectrumClient::SpectrumClient(QWidget* parent, SpectrumEvents& events)
    : QWidget(parent), image_(CLIENT_WIDTH, CLIENT_HEIGHT, QImage::Format_RGB32), events_(events) {
  image_.fill(ToColor(WINDOW_BACKGROUND));
  setFixedSize(CLIENT_WIDTH, CLIENT_HEIGHT);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);  // moves without a button change the cursor over the marker
}

// The whole client area from the picture: background, text boxes in order, then the trace.
void SpectrumClient::SetPicture(const SpectrumPicture& picture) {
  image_.fill(ToColor(WINDOW_BACKGROUND));
  QPainter painter(&image_);
  painter.setFont(LabelFont());
  const QFontMetrics metrics(LabelFont());
  for (int i = 0; i < picture.boxCount; ++i) {
    const TextBox& box = picture.boxes[static_cast<std::size_t>(i)];
    const QRect area(box.box.left, box.box.top, box.box.right - box.box.left, box.box.bottom - box.box.top);
    painter.setClipRect(area);
    painter.fillRect(area, ToColor(LABEL_BACKGROUND));
    if (box.text.empty()) continue;
    const QString text = QString::fromStdString(box.text);
    const int x = box.align == TextAlign::Left ? box.box.left : RIGHT_ANCHOR_X - metrics.horizontalAdvance(text);
    painter.setPen(ToColor(box.color));
    painter.drawText(x, box.box.top + metrics.ascent(), text);
  }
  painter.end();
  const QRgb lit = ToPixel(LABEL_BACKGROUND);
  const QRgb dark = ToPixel(TRACE_DARK);
  for (int row = 0; row < RASTER_HEIGHT; ++row) {
    auto* out = reinterpret_cast<QRgb*>(image_.scanLine(TRACE_TOP + row));
    for (int column = 0; column < TRACE_COLUMNS; ++column) out[column] = RasterPixel(picture.raster, column, row) ? lit : dark;
  }
  if (!picture.notice.empty()) {
    QPainter notice(&image_);
    notice.setFont(LabelFont());
    notice.setPen(ToColor(LABEL_BACKGROUND));
    notice.drawText(QRect(0, TRACE_TOP, TRACE_COLUMNS, RASTER_HEIGHT), Qt::AlignCenter,
                    QString::fromStdString(picture.notice));
  }
  update();
}

void SpectrumClient::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.drawImage(0, 0, image_);
}

// The window does not capture the pointer: positions outside the client area are not reported,
// so leaving the window ends a drag of the marker.
void SpectrumClient::DeliverPointer(QPoint at, Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers) {
  if (!rect().contains(at) || !events_.pointer) return;
  events_.pointer(KeyBits(buttons, modifiers), at.x(), at.y());
}

void SpectrumClient::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    Forward(event);
  } else if (event->button() == Qt::RightButton && events_.rightButton) {
    const QPoint p = event->position().toPoint();
    events_.rightButton(p.x(), p.y());
  }
}

void SpectrumClient::mouseMoveEvent(QMouseEvent* event) { Forward(event); }

void SpectrumClient::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) Forward(event);
}

SpectrumWindow::SpectrumWindow(QWidget* parent, const QString& title)
    : QWidget(parent), client_(new SpectrumClient(this, events_)), title_(title) {
  setFixedSize(SPECTRUM_FRAME_WIDTH, SPECTRUM_FRAME_HEIGHT);
  client_->move(SPECTRUM_CLIENT_LEFT, SPECTRUM_CLIENT_TOP);
  setWindowTitle(title);
}

QRect SpectrumWindow::CaptionRect() const { return QRect(BORDER, BORDER, CLIENT_WIDTH, CAPTION_HEIGHT); }

QRect SpectrumWindow::CloseBoxRect() const {
  const QRect caption = CaptionRect();
  return QRect(caption.right() - 17, caption.top() + 2, 16, 14);
}

void SpectrumWindow::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  // A raised fixed frame in the dialog colours.
  painter.fillRect(rect(), QColor(192, 192, 192));
  painter.setPen(Qt::white);
  painter.drawLine(0, 0, width() - 1, 0);
  painter.drawLine(0, 0, 0, height() - 1);
  painter.setPen(QColor(64, 64, 64));
  painter.drawLine(width() - 1, 0, width() - 1, height() - 1);
  painter.drawLine(0, height() - 1, width() - 1, height() - 1);

  const QRect caption = CaptionRect();
  painter.fillRect(caption, QColor(0, 0, 128));
  QFont titleFont = LabelFont();
  titleFont.setBold(true);
  painter.setFont(titleFont);
  painter.setPen(Qt::white);
  painter.drawText(caption.adjusted(3, 0, -20, 0), Qt::AlignLeft | Qt::AlignVCenter, title_);

  const QRect box = CloseBoxRect();
  painter.fillRect(box, QColor(192, 192, 192));
  painter.setPen(Qt::white);
  painter.drawLine(box.topLeft(), box.topRight());
  painter.drawLine(box.topLeft(), box.bottomLeft());
  painter.setPen(Qt::black);
  painter.drawLine(box.bottomLeft(), box.bottomRight());
  painter.drawLine(box.topRight(), box.bottomRight());
  const QPoint c = box.center() + (closePressed_ ? QPoint(1, 1) : QPoint(0, 0));
  painter.drawLine(c + QPoint(-3, -3), c + QPoint(3, 3));
  painter.drawLine(c + QPoint(-3, 3), c + QPoint(3, -3));
  painter.drawLine(c + QPoint(-2, -3), c + QPoint(4, 3));
  painter.drawLine(c + QPoint(-2, 3), c + QPoint(4, -3));
}

void SpectrumWindow::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  const QPoint p = event->position().toPoint();
  raise();
  if (CloseBoxRect().contains(p)) {
    closePressed_ = true;
    update(CloseBoxRect());
  } else if (CaptionRect().contains(p)) {
    dragging_ = true;
    dragOffset_ = p;
  }
}

// The pointer stays within the main window's client area while dragging, as the platform
// confines a child window's move; the frame itself may be partly hidden by the edge.
void SpectrumWindow::mouseMoveEvent(QMouseEvent* event) {
  if (!dragging_ || parentWidget() == nullptr) return;
  QPoint inParent = mapToParent(event->position().toPoint());
  const QRect area = parentWidget()->rect();
  inParent.setX(std::clamp(inParent.x(), area.left(), area.right()));
  inParent.setY(std::clamp(inParent.y(), area.top(), area.bottom()));
  move(inParent - dragOffset_);
}

void SpectrumWindow::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  dragging_ = false;
  if (closePressed_) {
    closePressed_ = false;
    update(CloseBoxRect());
    if (CloseBoxRect().contains(event->position().toPoint()) && events_.close) events_.close();
  }
}

void SpectrumWindow::SetMarkerCursor(bool onMarker) {
  client_->setCursor(onMarker ? Qt::SizeHorCursor : Qt::ArrowCursor);
}

void SpectrumWindow::ShowPopupMenu(int resourceId, Point client, const std::vector<int>& checkedIds) {
  const std::vector<MenuNode>& nodes = PopupMenuResource(resourceId);
  if (nodes.empty()) return;
  QMenu menu(this);
  BuildMenu(&menu, nodes, [this](int id) {
    if (events_.popupPick) events_.popupPick(id);
  });
  ShowChecks(menu, checkedIds);
  menu.exec(client_->mapToGlobal(QPoint(client.x, client.y)));
}

}  // namespace keblor
