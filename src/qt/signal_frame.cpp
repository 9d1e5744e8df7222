#include "qt/signal_frame.h"

#include <QMouseEvent>
#include <QPainter>
#include <cstring>

#include "display/signal_window.h"

namespace keblor {
namespace {

constexpr int BORDER = 3;
constexpr int CAPTION_HEIGHT = SIGNAL_CLIENT_TOP - BORDER;  // 18
constexpr int TRACE_TOP = 16;                               // client row of raster row 0
constexpr QRgb DARK_PIXEL = 0xff000000u;
constexpr QRgb LIT_PIXEL = 0xffc2c2c2u;

QColor ToColor(Rgb c) { return QColor(c.r, c.g, c.b); }

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
  if (buttons & Qt::LeftButton) keys |= MK_LBUTTON;
  if (buttons & Qt::RightButton) keys |= MK_RBUTTON;
  if (buttons & Qt::MiddleButton) keys |= MK_MBUTTON;
  if (modifiers & Qt::ShiftModifier) keys |= MK_SHIFT;
  if (modifiers & Qt::ControlModifier) keys |= MK_CONTROL;
  return keys;
}

}  // namespace

SignalClient::SignalClient(QWidget* parent, SignalFrameEvents& events)
    : QWidget(parent),
      image_(SIGNAL_CLIENT_WIDTH, SIGNAL_CLIENT_HEIGHT, QImage::Format_RGB32),
      events_(events) {
  image_.fill(ToColor(WINDOW_BACKGROUND));
  setFixedSize(SIGNAL_CLIENT_WIDTH, SIGNAL_CLIENT_HEIGHT);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);  // moves without a button change the cursor over the marker
}

void SignalClient::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.drawImage(0, 0, image_);
}

// The window does not capture the mouse: positions outside the client area are not reported,
// so leaving the window ends a drag of the marker.
void SignalClient::DeliverMouse(int message, QPoint at, Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers) {
  if (!rect().contains(at) || !events_.mouse) return;
  events_.mouse(message, KeyBits(buttons, modifiers), at.x(), at.y());
}

void SignalClient::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    Forward(static_cast<int>(MouseMessage::LeftDown), event);
  } else if (event->button() == Qt::RightButton && events_.rightButton) {
    const QPoint p = event->position().toPoint();
    events_.rightButton(p.x(), p.y());
  }
}

void SignalClient::mouseMoveEvent(QMouseEvent* event) { Forward(static_cast<int>(MouseMessage::Move), event); }

void SignalClient::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) Forward(static_cast<int>(MouseMessage::LeftUp), event);
}

SignalFrame::SignalFrame(QWidget* parent, const QString& title)
    : QWidget(parent), client_(new SignalClient(this, events_)), title_(title) {
  setFixedSize(SIGNAL_FRAME_WIDTH, SIGNAL_FRAME_HEIGHT);
  client_->move(SIGNAL_CLIENT_LEFT, SIGNAL_CLIENT_TOP);
  setWindowTitle(title);
}

QRect SignalFrame::CaptionRect() const { return QRect(BORDER, BORDER, SIGNAL_CLIENT_WIDTH, CAPTION_HEIGHT); }

QRect SignalFrame::CloseBoxRect() const {
  const QRect caption = CaptionRect();
  return QRect(caption.right() - 17, caption.top() + 2, 16, 14);
}

void SignalFrame::paintEvent(QPaintEvent*) {
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

void SignalFrame::mousePressEvent(QMouseEvent* event) {
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
void SignalFrame::mouseMoveEvent(QMouseEvent* event) {
  if (!dragging_ || parentWidget() == nullptr) return;
  QPoint inParent = mapToParent(event->position().toPoint());
  const QRect area = parentWidget()->rect();
  inParent.setX(std::clamp(inParent.x(), area.left(), area.right()));
  inParent.setY(std::clamp(inParent.y(), area.top(), area.bottom()));
  move(inParent - dragOffset_);
}

void SignalFrame::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  dragging_ = false;
  if (closePressed_) {
    closePressed_ = false;
    update(CloseBoxRect());
    if (CloseBoxRect().contains(event->position().toPoint()) && events_.close) events_.close();
  }
}

void SignalFrame::Erase() {
  Image().fill(ToColor(WINDOW_BACKGROUND));
  client_->update();
}

void SignalFrame::DrawTextBox(const Rect& box, TextAlign align, Point anchor, const QString& text, Rgb color) {
  const QRect area(box.left, box.top, box.right - box.left, box.bottom - box.top);
  if (area.isEmpty()) return;
  QPainter painter(&Image());
  painter.setClipRect(area);
  painter.fillRect(area, ToColor(LABEL_BACKGROUND));
  if (!text.isEmpty()) {
    painter.setFont(LabelFont());
    painter.setPen(ToColor(color));
    const QFontMetrics metrics(LabelFont());
    const int x = align == TextAlign::Left ? anchor.x : anchor.x - metrics.horizontalAdvance(text);
    painter.drawText(x, anchor.y + metrics.ascent(), text);
  }
  painter.end();
  client_->update(area);
}

void SignalFrame::CreateSurface() {
  if (!trace_.isNull()) return;
  trace_ = QImage(RASTER_WIDTH, RASTER_HEIGHT, QImage::Format_Mono);
  trace_.setColorTable({DARK_PIXEL, LIT_PIXEL});
  trace_.fill(0);
}

void SignalFrame::ReleaseSurface() { trace_ = QImage(); }

// Copies the raster into the one-bit surface and from there into the trace area. Both images
// exist already, so nothing is allocated per frame.
void SignalFrame::ShowTrace(const TraceRaster& raster) {
  if (trace_.isNull()) return;
  for (int row = 0; row < RASTER_HEIGHT; ++row) {
    std::memcpy(trace_.scanLine(row), raster.data() + row * RASTER_ROW_BYTES, RASTER_ROW_BYTES);
  }
  QImage& image = Image();
  for (int row = 0; row < RASTER_HEIGHT; ++row) {
    const uchar* bits = trace_.constScanLine(row);
    auto* out = reinterpret_cast<QRgb*>(image.scanLine(TRACE_TOP + row));
    for (int column = 0; column < TRACE_COLUMNS; ++column) {
      const bool lit = (bits[column / 8] >> (7 - column % 8)) & 1;
      out[column] = lit ? LIT_PIXEL : DARK_PIXEL;
    }
  }
  client_->update(0, TRACE_TOP, TRACE_COLUMNS, RASTER_HEIGHT);
}

bool SignalFrame::MarkPaintPending() {
  if (paintPending_) return false;
  paintPending_ = true;
  return true;
}

}  // namespace keblor
