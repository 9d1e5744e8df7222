#pragma once
// A spectrum window: a small fixed frame (caption with the title and a close box) around a
// 200 x 160 client area that paints the last picture it was given.

#include <QAccessible>
#include <QElapsedTimer>
#include <QFont>
#include <QImage>
#include <QMouseEvent>
#include <QTimer>
#include <QWidget>
#include <array>
#include <functional>
#include <string>

#include "app/spectrum_events.h"
#include "app/views.h"
#include "app/window_frames.h"
#include "display/spoken_readout.h"
#include "display/top_texts.h"
#include "qt/waterfall_image.h"

namespace keblor {

// What the window reports. Pointer positions are client pixels; `keys` are PointerKeys bits.
class SpectrumClient : public QWidget {
 public:
  SpectrumClient(QWidget* parent, SpectrumEvents& events);
  ~SpectrumClient() override;
  // Draws the picture into the client image (allocated once per zoom) and schedules a repaint.
  void SetPicture(const SpectrumPicture& picture);
  void SetZoom(int zoom);  // 1..4; pointer positions are reported in 1x pixels
  // With a waterfall the client area is WATERFALL_ROWS (1x) taller and shows the pictures' one.
  void SetWaterfall(bool shown);
  const QImage& Image() const { return image_; }
  const SpectrumPicture& Picture() const { return picture_; }
  QRect BoxRect(int index) const;  // the picture's text box `index`, in widget pixels
  // Where the accessible interface of text box `index` is kept (spectrum_accessible.h); 0: none.
  QAccessible::Id& LabelIdSlot(int index) { return labelIds_[static_cast<std::size_t>(index)]; }
  // A pointer message at `at` (client coordinates) that arrived at another widget: the one where
  // the button went down, which Qt keeps sending the drag to. Dropped outside the client area.
  void DeliverPointer(QPoint at, Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers);
  // Where a point reported in 1x pixels lies in the widget at the zoom: the pixel the right
  // button went down on when the point came from that press, else the point's top-left pixel.
  QPoint ToWidget(Point client) const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void Resize();  // a new image at the zoom and height, drawn from the last picture
  void DrawLabels(const SpectrumPicture& picture);
  void DrawReadout(const QString& readout, const TopTexts& top);
  void AnnounceLabels(const SpectrumPicture& picture) const;
  QRect DrawTrace(const TraceRaster& raster, const TraceRaster* previous, int wholeRows);
  void DrawRigText(const std::array<char, 40>& text, const TopTexts& top);
  QRect DrawDecodeLine(const SpectrumPicture& picture);  // the area drawn
  // The spot marks laid out in spotImage_ at the zoom; the lines of labels they take (0..3).
  void SetSpotFont();  // and the sizes that follow from it, at the zoom
  int LayOutSpots(const SpectrumPicture& picture);
  QRect SpotArea() const;  // the rows of spotImage_'s lines, in the client image
  QRect DrawSpots();       // spotImage_'s lines laid over the trace; the area drawn
  void Forward(QMouseEvent* event) { DeliverPointer(event->position().toPoint(), event->buttons(), event->modifiers()); }
  QImage image_;
  QFont font_;                // the labels' font at the zoom
  int topTextRows_ = 0;       // trace rows under the texts along the trace's top, at the zoom
  std::array<char, 40> rigText_{};  // the rig's text laid out in rigTextImage_
  std::size_t rigTextLength_ = 0;    // of which this many bytes
  QImage rigTextImage_;
  QFont spotFont_;            // the spots' calls, smaller than the labels
  int spotLineRows_ = 0;      // trace rows of one line of spot labels: the call, its tick and a gap
  int spotLines_ = 0;         // lines of labels in spotImage_
  bool spotsLaid_ = false;    // spotImage_ holds picture_'s marks at the zoom
  QImage spotImage_;          // the marks' labels and ticks on a clear ground, copied onto each picture
  SpectrumPicture picture_;   // the last one, drawn again at a new zoom
  bool labelsDrawn_ = false;  // image_ holds picture_'s labels
  int zoom_ = 1;
  QPoint rightPress_{-1, -1};  // widget pixels of the last right-button press
  bool waterfallShown_ = false;
  WaterfallImage waterfall_;
  SpectrumEvents& events_;
  std::array<QAccessible::Id, SpectrumPicture::BOX_COUNT> labelIds_{};
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
  void SetWaterfall(bool shown);  // the frame and client WATERFALL_ROWS (1x) taller, or not

  // --- SpectrumView ---
  // The client shows the picture; assistive technologies find the pitch readout in words as the
  // window's description, changed at most once a second.
  void Show(const SpectrumPicture& picture) override;
  void SetMarkerCursor(bool onMarker) override;
  void ShowPopupMenu(int resourceId, Point client, const std::vector<int>& checkedIds) override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void Resize();
  SpectrumEvents events_;
  SpectrumClient* client_;
  QString title_;
  bool dragging_ = false;
  QPoint dragOffset_;
  bool closePressed_ = false;
  int zoom_ = 1;
  bool waterfallShown_ = false;
  void TellReadout();
  SpokenReadout spoken_;
  std::string readoutSpoken_;  // the last picture's
  QElapsedTimer clock_;
  QTimer tellLater_;  // a change that came too soon is told when its second is up
};

}  // namespace keblor
