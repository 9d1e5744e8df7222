#pragma once
// A spectrum window: a small fixed frame (caption with the title and a close box) around a
// 200 x 160 client area. The client keeps its picture in a persistent image, the window's own
// drawing context: the core draws into it, the paint event only copies it to the screen.

#include <QImage>
#include <QMouseEvent>
#include <QWidget>
#include <functional>

#include "app/window_layer.h"

namespace keblor {

inline constexpr int SIGNAL_FRAME_WIDTH = 206;
inline constexpr int SIGNAL_FRAME_HEIGHT = 184;
inline constexpr int SIGNAL_CLIENT_LEFT = 3;
inline constexpr int SIGNAL_CLIENT_TOP = 21;
inline constexpr int SIGNAL_CLIENT_WIDTH = 200;
inline constexpr int SIGNAL_CLIENT_HEIGHT = 160;

// What the frame reports to its owner. Mouse coordinates are client pixels; `keys` are MK_* bits.
struct SignalFrameEvents {
  std::function<void(int message, unsigned keys, int x, int y)> mouse;  // message: a MouseMessage
  std::function<void(int x, int y)> rightButton;
  std::function<void()> close;
};

class SignalClient : public QWidget {
 public:
  explicit SignalClient(QWidget* parent, SignalFrameEvents& events);
  QImage& Image() { return image_; }
  // A mouse message at `at` (client coordinates) that arrived at another widget: the one where
  // the button went down, which Qt keeps sending the drag to. Dropped outside the client area.
  void DeliverMouse(int message, QPoint at, Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void Forward(int message, QMouseEvent* event) {
    DeliverMouse(message, event->position().toPoint(), event->buttons(), event->modifiers());
  }
  QImage image_;
  SignalFrameEvents& events_;
};

class SignalFrame : public QWidget {
 public:
  SignalFrame(QWidget* parent, const QString& title);

  SignalFrameEvents& Events() { return events_; }
  SignalClient* Client() const { return client_; }
  QImage& Image() { return client_->Image(); }
  QRect CloseBoxRect() const;    // in frame coordinates
  QRect CaptionRect() const;     // in frame coordinates, close box included

  void Erase();
  void DrawTextBox(const Rect& box, TextAlign align, Point anchor, const QString& text, Rgb color);
  void CreateSurface();
  void ReleaseSurface();
  bool HasSurface() const { return !trace_.isNull(); }
  void ShowTrace(const TraceRaster& raster);

  // Coalesced repaint request: true when one was not already pending.
  bool MarkPaintPending();
  void ClearPaintPending() { paintPending_ = false; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  SignalFrameEvents events_;
  SignalClient* client_;
  QString title_;
  QImage trace_;  // the one-bit trace surface, 208 x 128
  bool dragging_ = false;
  QPoint dragOffset_;
  bool closePressed_ = false;
  bool paintPending_ = false;
};

}  // namespace keblor
