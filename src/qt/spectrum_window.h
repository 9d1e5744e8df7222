#pragma once
// A spectrum window: a small fixed frame (caption with the title and a close box) around a
// 200 x 160 client area that paints the last picture it was given.

#include <QFont>
#include <QImage>
#include <QMouseEvent>
#include <QWidget>
#include <array>
#include <functional>

#include "app/spectrum_events.h"
#include "app/views.h"
#include "app/window_frames.h"

namespace keblor {

// What the window reports. Pointer positions are client pixels; `keys` are PointerKeys bits.
class SpectrumClient : public QWidget {
 public:
  SpectrumClient(QWidget* parent, SpectrumEvents& events);
  // Draws the picture into the client image (allocated once per zoom) and schedules a repaint.
  void SetPicture(const SpectrumPicture& picture);
  void SetZoom(int zoom);  // 1..4; pointer positions are reported in 1x pixels
  const QImage& Image() const { return image_; }
  // A pointer message at `at` (client coordinates) that arrived at another widget: the one where
  // the button went down, which Qt keeps sending the drag to. Dropped outside the client area.
  void DeliverPointer(QPoint at, Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void DrawLabels(const SpectrumPicture& picture);
  QRect DrawTrace(const TraceRaster& raster, const TraceRaster* previous, int wholeRows);
  void DrawRigText(const std::array<char, 40>& text);
  void Forward(QMouseEvent* event) { DeliverPointer(event->position().toPoint(), event->buttons(), event->modifiers()); }
  QImage image_;
  QFont font_;                // the labels' font at the zoom
  int topTextRows_ = 0;       // trace rows under the texts along the trace's top, at the zoom
  std::array<char, 40> rigText_{};  // the rig's text laid out in rigTextImage_
  QImage rigTextImage_;
  SpectrumPicture picture_;   // the last one, drawn again at a new zoom
  bool labelsDrawn_ = false;  // image_ holds picture_'s labels
  int zoom_ = 1;
  SpectrumEvents& events_;
};

class SpectrumWindow : public QWidget, public SpectrumView {
 public:
  SpectrumWindow(QWidget* parent, const QString& title);

  SpectrumEvents& Events() { return events_; }
  SpectrumClient* Client() const { return client_; }
  QRect CloseBoxRect() const;  // in frame coordinates
  QRect CaptionRect() const;   // in frame coordinates, close box included
  void SetZoom(int zoom);       // the frame, caption and client at 1x .. 4x
  int Zoom() const { return zoom_; }

  // --- SpectrumView ---
  void Show(const SpectrumPicture& picture) override { client_->SetPicture(picture); }
  void SetMarkerCursor(bool onMarker) override;
  void ShowPopupMenu(int resourceId, Point client, const std::vector<int>& checkedIds) override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  SpectrumEvents events_;
  SpectrumClient* client_;
  QString title_;
  bool dragging_ = false;
  QPoint dragOffset_;
  bool closePressed_ = false;
  int zoom_ = 1;
};

}  // namespace keblor
