#include "qt/spectrum_window.h"

#include <QMenu>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <cstring>

#include "core/marker_pointer.h"
#include "display/spot_labels.h"
#include "display/top_texts.h"
#include "qt/spectrum_accessible.h"
#include "qt/menu_builder.h"

namespace keblor {
namespace {

constexpr int BORDER = 3;
constexpr int CAPTION_HEIGHT = SPECTRUM_CLIENT_TOP - BORDER;  // 18

QColor ToColor(Rgb c) { return QColor(c.r, c.g, c.b); }
QRgb ToPixel(Rgb c) { return qRgb(c.r, c.g, c.b); }
QRect ToQRect(const Rect& r) { return QRect(r.left, r.top, r.right - r.left, r.bottom - r.top); }

// A small sans font drawn without antialiasing, so that the same text lights the same pixels;
// at a zoom it is drawn larger, not magnified.
QFont LabelFont(int zoom) {
  QFont f(QStringLiteral("DejaVu Sans"));
  f.setPixelSize(11 * zoom);
  f.setStyleStrategy(QFont::NoAntialias);
  f.setHintingPreference(QFont::PreferFullHinting);
  return f;
}

// The spots' calls: small, and like the labels drawn without antialiasing.
QFont SpotFont(int zoom) {
  QFont f = LabelFont(zoom);
  f.setPixelSize(9 * zoom);
  return f;
}

// Trace rows from a call's top to its tick: its capitals and one row for a '/' below them.
int SpotTextRows(const QFont& font, int zoom) { return (QFontMetrics(font).capHeight() + zoom - 1) / zoom + 1; }

// The trace rows that a line of text along the trace's top covers, with the readout's dark box.
int TopTextRows(const QFont& font, int zoom) {
  const int height = QFontMetrics(font).height();
  const TopTexts texts = LayOutTopTexts({zoom}, "0", "", [height](std::string_view) { return TextExtent{1, height}; });
  return std::min(RASTER_HEIGHT, (texts.readoutBox.bottom - texts.trace.top + zoom - 1) / zoom);
}

QString FromUtf8(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

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
    : QWidget(parent), image_(CLIENT_WIDTH, CLIENT_HEIGHT, QImage::Format_RGB32), font_(LabelFont(1)), events_(events) {
  topTextRows_ = TopTextRows(font_, 1);
  SetSpotFont();
  image_.fill(ToColor(WINDOW_BACKGROUND));
  setFixedSize(CLIENT_WIDTH, CLIENT_HEIGHT);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);  // moves without a button change the cursor over the marker
  InstallSpectrumAccessibility();
}

SpectrumClient::~SpectrumClient() {
  for (const QAccessible::Id id : labelIds_) ForgetLabel(id);
}

QRect SpectrumClient::BoxRect(int index) const {
  const Rect& b = picture_.boxes[static_cast<std::size_t>(index)].box;
  const int z = zoom_;
  return QRect(b.left * z, b.top * z, (b.right - b.left) * z, (b.bottom - b.top) * z);
}

void SpectrumClient::SetZoom(int zoom) {
  if (zoom == zoom_) return;
  zoom_ = zoom;
  font_ = LabelFont(zoom);
  topTextRows_ = TopTextRows(font_, zoom);
  SetSpotFont();
  Resize();
}

void SpectrumClient::SetWaterfall(bool shown) {
  if (shown == waterfallShown_) return;
  waterfallShown_ = shown;
  Resize();
}

void SpectrumClient::Resize() {
  const int height = CLIENT_HEIGHT + (waterfallShown_ ? WATERFALL_ROWS : 0);
  image_ = QImage(CLIENT_WIDTH * zoom_, height * zoom_, QImage::Format_RGB32);
  image_.fill(ToColor(WINDOW_BACKGROUND));
  rigText_ = {};
  labelsDrawn_ = false;
  spotsLaid_ = false;
  waterfall_.Forget();
  setFixedSize(image_.size());
  SetPicture(picture_);
}

// The whole client area from the picture: background, text boxes in order, then the trace, each
// trace pixel a zoom x zoom square, and the waterfall below. Most pictures change only some of the
// trace: the labels, which lie outside the trace area, are drawn again only when one of them
// changed, the trace only where its bits changed, the waterfall by a scroll and its new rows, and
// only what changed is repainted.
void SpectrumClient::SetPicture(const SpectrumPicture& picture) {
  const bool labelsChanged = !labelsDrawn_ || picture.boxCount != picture_.boxCount ||
                             !std::equal(picture.boxes.begin(), picture.boxes.begin() + picture.boxCount,
                                         picture_.boxes.begin());
  // The trace area holds the last raster, unless the labels are drawn anew (which clears the
  // whole client area) or text lay over it: the notice across its middle, or along its top the
  // readout or a dial that has changed, whose rows are drawn again. A dial that stays is only
  // laid again over the bits that changed under it, unless a readout beside it may cut it short.
  const int z = zoom_;
  const bool rigChanged = picture.rig != picture_.rig;
  const bool topTextGone =
      !picture_.readout.empty() || (picture_.rig[0] != 0 && (rigChanged || !picture.readout.empty()));
  const bool topTextNew = !picture.readout.empty() || (picture.rig[0] != 0 && rigChanged);
  const int topRows = topTextRows_;
  // The decode line lies over the trace's bottom rows: the rows under a line that went are drawn whole.
  const bool wholeTrace = labelsChanged || !picture_.notice.empty() || (picture_.decodeLine && !picture.decodeLine);
  // The spot labels below the top texts are laid out only when the marks change; the rows under
  // the old ones are then drawn whole, and the labels laid again over any trace drawn under them.
  const bool spotsChanged = !spotsLaid_ || picture.spotCount != picture_.spotCount ||
                            !std::equal(picture.spots.begin(), picture.spots.begin() + picture.spotCount,
                                        picture_.spots.begin());
  const int spotLinesBefore = spotLines_;
  if (spotsChanged) spotLines_ = LayOutSpots(picture);
  int wholeRows = topTextGone ? topRows : 0;
  if (spotsChanged && std::max(spotLinesBefore, spotLines_) > 0)
    wholeRows = std::min(RASTER_HEIGHT, topRows + 1 + std::max(spotLinesBefore, spotLines_) * spotLineRows_);
  if (labelsChanged) DrawLabels(picture);
  QRect changed = DrawTrace(picture.raster, wholeTrace ? nullptr : &picture_.raster, wholeRows);
  if (spotLines_ > 0 && (spotsChanged || wholeTrace || changed.intersects(SpotArea()))) changed |= DrawSpots();
  const TopTexts top = LayOutTopTexts({z}, picture.readout, picture.rig.data(), [this](std::string_view text) {
    const QRect r =
        QFontMetrics(font_).boundingRect(QRect(0, 0, 4096, 4096), Qt::AlignLeft | Qt::AlignTop, FromUtf8(text));
    return TextExtent{r.width(), r.height()};
  });
  const QRect traceArea = ToQRect(top.trace);
  if (!picture.notice.empty()) {
    QPainter text(&image_);
    text.setFont(font_);
    text.setPen(ToColor(LABEL_BACKGROUND));
    text.drawText(traceArea, Qt::AlignCenter, QString::fromStdString(picture.notice));
  }
  if (!picture.readout.empty()) DrawReadout(QString::fromStdString(picture.readout), top);
  if (picture.rig[0] != 0) DrawRigText(picture.rig, top);
  if (picture.decodeLine) changed |= DrawDecodeLine(picture);
  if (!picture.notice.empty() || topTextNew)
    changed |= picture.notice.empty() ? QRect(0, TRACE_TOP * z, TRACE_COLUMNS * z, topRows * z) : traceArea;
  if (labelsChanged) AnnounceLabels(picture);
  const bool waterfall = waterfallShown_ && picture.waterfall != nullptr;
  const QRect rows = waterfall ? waterfall_.Update(image_, z, *picture.waterfall) : QRect();
  picture_ = picture;
  labelsDrawn_ = true;
  if (labelsChanged) {
    update();
    return;
  }
  // One rectangle around both: Qt copies a rectangle of the image straight to the screen, while a
  // region of two rectangles goes through its span painter and wakes its thread pool.
  const QRect dirty = changed | rows;
  if (!dirty.isEmpty()) update(dirty);
}

void SpectrumClient::SetSpotFont() {
  spotFont_ = SpotFont(zoom_);
  spotLineRows_ = SpotTextRows(spotFont_, zoom_) + SPOT_TICK + 1;
  spotImage_ = QImage(TRACE_COLUMNS * zoom_, (1 + SPOT_LINES * spotLineRows_) * zoom_,
                      QImage::Format_ARGB32_Premultiplied);
  spotsLaid_ = false;
}

// The labels where PlaceSpotLabels puts them, one trace row clear above the first line: each
// call, and the tick from under it down at its column.
int SpectrumClient::LayOutSpots(const SpectrumPicture& picture) {
  spotsLaid_ = true;
  if (picture.spotCount == 0) return 0;
  const int z = zoom_;
  spotImage_.fill(Qt::transparent);
  QPainter painter(&spotImage_);
  painter.setFont(spotFont_);
  const QFontMetrics metrics(spotFont_);
  const int textRows = SpotTextRows(spotFont_, z);
  const auto marks =
      std::span(picture.spots).first(static_cast<std::size_t>(std::min(picture.spotCount, MAX_SPOT_MARKS)));
  const SpotLabels placed = PlaceSpotLabels(marks, {z}, [&metrics](std::string_view text) {
    return TextExtent{metrics.horizontalAdvance(FromUtf8(text)), 0};
  });
  for (std::size_t i = 0; i < marks.size(); ++i) {
    const SpotLabel& label = placed.labels[i];
    if (label.line < 0) continue;
    const int top = (1 + label.line * spotLineRows_) * z;
    const QColor color = ToColor(SpotColour(marks[i].age));
    painter.setPen(color);
    painter.drawText(label.left, top + metrics.capHeight(), FromUtf8(SpotLabelText(marks[i])));
    painter.fillRect(label.tickLeft, top + textRows * z, label.tickWidth, SPOT_TICK * z, color);
  }
  return placed.lines;
}

// The rows of the trace area that the lines of spot labels take.
QRect SpectrumClient::SpotArea() const {
  const int z = zoom_;
  const int top = TRACE_TOP + topTextRows_;
  const int rows = std::min(1 + spotLines_ * spotLineRows_, TRACE_TOP + RASTER_HEIGHT - top);
  return QRect(0, top * z, TRACE_COLUMNS * z, rows * z);
}

QRect SpectrumClient::DrawSpots() {
  const QRect area = SpotArea();
  for (int y = 0; y < area.height(); ++y) {
    const auto* in = reinterpret_cast<const QRgb*>(spotImage_.constScanLine(y));
    auto* out = reinterpret_cast<QRgb*>(image_.scanLine(area.top() + y));
    for (int x = 0; x < area.width(); ++x)
      if (qAlpha(in[x]) != 0) out[x] = in[x];
  }
  return area;
}

// The readout on its dark box, so that the marker or the trace never runs through its figures.
void SpectrumClient::DrawReadout(const QString& readout, const TopTexts& top) {
  QPainter painter(&image_);
  painter.setFont(font_);
  painter.fillRect(ToQRect(top.readoutBox), ToColor(TRACE_DARK));
  painter.setPen(ToColor(LABEL_BACKGROUND));
  painter.drawText(ToQRect(top.readout), Qt::AlignRight | Qt::AlignTop, readout);
}

// The decode line on a dark box along the trace area's bottom: the call and speed at its left, the
// text's end at its right, its start cut off where the two meet.
QRect SpectrumClient::DrawDecodeLine(const SpectrumPicture& picture) {
  const int z = zoom_;
  const int rows = topTextRows_ - 1;
  const QRect box(0, (TRACE_TOP + RASTER_HEIGHT - rows) * z, TRACE_COLUMNS * z, rows * z);
  QPainter painter(&image_);
  painter.setFont(font_);
  painter.fillRect(box, ToColor(TRACE_DARK));
  painter.setPen(ToColor(LABEL_BACKGROUND));
  const QString label = QString::fromUtf8(picture.decodeLabel.data());
  const QRect inner = box.adjusted(2 * z, 0, -2 * z, 0);
  QRect used;
  painter.drawText(inner, Qt::AlignLeft | Qt::AlignVCenter, label, &used);
  const QRect textArea = inner.adjusted(label.isEmpty() ? 0 : used.width() + 6 * z, 0, 0, 0);
  painter.setClipRect(textArea);
  painter.drawText(textArea, Qt::AlignRight | Qt::AlignVCenter | Qt::TextDontClip,
                   QString::fromUtf8(picture.decodeText.data()));
  return box;
}

// Assistive technologies hear of a label that reads differently; the level's, which changes with
// every frame, they read when they ask.
void SpectrumClient::AnnounceLabels(const SpectrumPicture& picture) const {
  for (int i = 0; i < picture.boxCount; ++i) {
    const auto at = static_cast<std::size_t>(i);
    const bool changed = i >= picture_.boxCount || picture.boxes[at].text != picture_.boxes[at].text;
    if (changed && picture.boxes[at].box != LEVEL_BOX) AnnounceLabelChanged(labelIds_[at]);
  }
}

// The trace's pixels: all of them, or those of the bytes that differ from `previous` but in the
// first `wholeRows` rows. The rows written, as an area of the client image.
QRect SpectrumClient::DrawTrace(const TraceRaster& raster, const TraceRaster* previous, int wholeRows) {
  constexpr int TRACE_BYTES = TRACE_COLUMNS / 8;
  static_assert(TRACE_COLUMNS % 8 == 0 && TRACE_BYTES <= RASTER_ROW_BYTES);
  const int z = zoom_;
  const QRgb lit = ToPixel(LABEL_BACKGROUND);
  const QRgb dark = ToPixel(TRACE_DARK);
  const std::size_t byteBytes = sizeof(QRgb) * static_cast<std::size_t>(8 * z);  // one raster byte's pixels
  int first = RASTER_HEIGHT;
  int last = -1;
  for (int row = 0; row < RASTER_HEIGHT; ++row) {
    auto* out = reinterpret_cast<QRgb*>(image_.scanLine((TRACE_TOP + row) * z));
    bool rowChanged = false;
    for (int byte = 0; byte < TRACE_BYTES; ++byte) {
      const auto at = static_cast<std::size_t>(row * RASTER_ROW_BYTES + byte);
      if (previous != nullptr && row >= wholeRows && (*previous)[at] == raster[at]) continue;
      rowChanged = true;
      for (int bit = 0; bit < 8; ++bit) {
        const QRgb pixel = (raster[at] >> (7 - bit)) & 1 ? lit : dark;
        for (int i = 0; i < z; ++i) out[(byte * 8 + bit) * z + i] = pixel;
      }
      // Only this byte's pixels: a text laid over the others differs from line to line.
      for (int i = 1; i < z; ++i)
        std::memcpy(reinterpret_cast<QRgb*>(image_.scanLine((TRACE_TOP + row) * z + i)) + byte * 8 * z,
                    out + byte * 8 * z, byteBytes);
    }
    if (!rowChanged) continue;
    first = std::min(first, row);
    last = row;
  }
  if (last < first) return {};
  return QRect(0, (TRACE_TOP + first) * z, TRACE_COLUMNS * z, (last - first + 1) * z);
}

// The rig's dial, as much of it as `top` shows, in the lit colour. It is laid out only when it
// changes, and copied onto each picture: drawing text costs far more.
void SpectrumClient::DrawRigText(const std::array<char, 40>& text, const TopTexts& top) {
  if (text != rigText_ || top.dialLength != rigTextLength_) {
    const int z = zoom_;
    rigText_ = text;
    rigTextLength_ = top.dialLength;
    rigTextImage_ = QImage((TRACE_COLUMNS - 2) * z, (topTextRows_ - 1) * z, QImage::Format_ARGB32_Premultiplied);
    rigTextImage_.fill(Qt::transparent);
    QPainter painter(&rigTextImage_);
    painter.setFont(font_);
    painter.setPen(ToColor(LABEL_BACKGROUND));
    painter.drawText(rigTextImage_.rect(), Qt::AlignLeft | Qt::AlignTop, FromUtf8({text.data(), top.dialLength}));
  }
  const Rect& place = top.dial;
  const QRgb lit = ToPixel(LABEL_BACKGROUND);
  const int width = std::min(rigTextImage_.width(), place.right - place.left);
  const int height = std::min(rigTextImage_.height(), place.bottom - place.top);
  for (int y = 0; y < height; ++y) {
    const auto* in = reinterpret_cast<const QRgb*>(rigTextImage_.constScanLine(y));
    auto* out = reinterpret_cast<QRgb*>(image_.scanLine(place.top + y)) + place.left;
    for (int x = 0; x < width; ++x)
      if (qAlpha(in[x]) != 0) out[x] = lit;
  }
}

// The background and the text boxes above the waterfall; the trace area is left to DrawTrace.
void SpectrumClient::DrawLabels(const SpectrumPicture& picture) {
  const int z = zoom_;
  QPainter painter(&image_);
  painter.fillRect(0, 0, CLIENT_WIDTH * z, CLIENT_HEIGHT * z, ToColor(WINDOW_BACKGROUND));
  painter.setFont(font_);
  const QFontMetrics metrics(font_);
  for (int i = 0; i < picture.boxCount; ++i) {
    const TextBox& box = picture.boxes[static_cast<std::size_t>(i)];
    const QRect area(box.box.left * z, box.box.top * z, (box.box.right - box.box.left) * z,
                     (box.box.bottom - box.box.top) * z);
    painter.setClipRect(area);
    painter.fillRect(area, ToColor(LABEL_BACKGROUND));
    if (box.text.empty()) continue;
    const QString text = QString::fromStdString(box.text);
    const int x = box.align == TextAlign::Left ? area.left() : RIGHT_ANCHOR_X * z - metrics.horizontalAdvance(text);
    painter.setPen(ToColor(box.color));
    painter.drawText(x, area.top() + metrics.ascent(), text);
  }
}

void SpectrumClient::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  const QRect area = event->rect();
  painter.drawImage(area.topLeft(), image_, area);
}

// The window does not capture the pointer: positions outside the client area are not reported,
// so leaving the window ends a drag of the marker.
void SpectrumClient::DeliverPointer(QPoint at, Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers) {
  if (!rect().contains(at) || !events_.pointer) return;
  events_.pointer(KeyBits(buttons, modifiers), at.x() / zoom_, at.y() / zoom_);
}

void SpectrumClient::mousePressEvent(QMouseEvent* event) {
  const bool shiftLeft = event->button() == Qt::LeftButton && (event->modifiers() & Qt::ShiftModifier);
  if ((event->button() == Qt::MiddleButton || shiftLeft) && events_.tune) {
    const QPoint p = event->position().toPoint();
    events_.tune(p.x() / zoom_, p.y() / zoom_);
  }
  if (event->button() == Qt::LeftButton) {
    Forward(event);
  } else if (event->button() == Qt::RightButton && events_.rightButton) {
    rightPress_ = event->position().toPoint();
    events_.rightButton(rightPress_.x() / zoom_, rightPress_.y() / zoom_);
  }
}

QPoint SpectrumClient::ToWidget(Point client) const {
  const bool pressed = rightPress_.x() >= 0 && rightPress_.y() >= 0;
  if (pressed && rightPress_.x() / zoom_ == client.x && rightPress_.y() / zoom_ == client.y) return rightPress_;
  return QPoint(client.x * zoom_, client.y * zoom_);
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
  setAccessibleName(title);
  clock_.start();
  tellLater_.setSingleShot(true);
  QObject::connect(&tellLater_, &QTimer::timeout, this, [this] { TellReadout(); });
}

void SpectrumWindow::Show(const SpectrumPicture& picture) {
  client_->SetPicture(picture);
  readoutSpoken_ = picture.readoutSpoken;
  TellReadout();
}

void SpectrumWindow::TellReadout() {
  const std::int64_t now = clock_.elapsed();
  if (spoken_.Offer(readoutSpoken_, now)) setAccessibleDescription(QString::fromStdString(spoken_.Told()));
  if (spoken_.DueMs() >= 0 && !tellLater_.isActive()) tellLater_.start(static_cast<int>(spoken_.DueMs() - now));
}

void SpectrumWindow::SetZoom(int zoom) {
  zoom_ = zoom;
  client_->SetZoom(zoom);
  Resize();
}

void SpectrumWindow::SetWaterfall(bool shown) {
  waterfallShown_ = shown;
  client_->SetWaterfall(shown);
  Resize();
}

void SpectrumWindow::Resize() {
  const int z = zoom_;
  setFixedSize(SPECTRUM_FRAME_WIDTH * z, (SPECTRUM_FRAME_HEIGHT + (waterfallShown_ ? WATERFALL_ROWS : 0)) * z);
  client_->move(SPECTRUM_CLIENT_LEFT * z, SPECTRUM_CLIENT_TOP * z);
  update();
}

QRect SpectrumWindow::CaptionRect() const {
  return QRect(BORDER * zoom_, BORDER * zoom_, CLIENT_WIDTH * zoom_, CAPTION_HEIGHT * zoom_);
}

QRect SpectrumWindow::CloseBoxRect() const {
  const QRect caption = CaptionRect();
  return QRect(caption.right() - 17 * zoom_, caption.top() + 2 * zoom_, 16 * zoom_, 14 * zoom_);
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
  QFont titleFont = LabelFont(zoom_);
  titleFont.setBold(true);
  painter.setFont(titleFont);
  painter.setPen(Qt::white);
  painter.drawText(caption.adjusted(3 * zoom_, 0, -20 * zoom_, 0), Qt::AlignLeft | Qt::AlignVCenter, title_);

  const QRect box = CloseBoxRect();
  painter.fillRect(box, QColor(192, 192, 192));
  painter.setPen(Qt::white);
  painter.drawLine(box.topLeft(), box.topRight());
  painter.drawLine(box.topLeft(), box.bottomLeft());
  painter.setPen(Qt::black);
  painter.drawLine(box.bottomLeft(), box.bottomRight());
  painter.drawLine(box.topRight(), box.bottomRight());
  const int z = zoom_;
  const QPoint c = box.center() + (closePressed_ ? QPoint(z, z) : QPoint(0, 0));
  painter.setPen(QPen(Qt::black, z));
  painter.drawLine(c + QPoint(-3, -3) * z, c + QPoint(3, 3) * z);
  painter.drawLine(c + QPoint(-3, 3) * z, c + QPoint(3, -3) * z);
  painter.drawLine(c + QPoint(-2, -3) * z, c + QPoint(4, 3) * z);
  painter.drawLine(c + QPoint(-2, 3) * z, c + QPoint(4, -3) * z);
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
  // The menu's corner at the pointer: the point came in 1x pixels, the client is drawn at the zoom.
  menu.exec(client_->mapToGlobal(client_->ToWidget(client)));
}

}  // namespace keblor
