#include "qt/qt_dialogs.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QLabel>
#include <QPixmap>
#include <QMainWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <algorithm>
#include <cmath>

#include "desktop/desktop_tools.h"

namespace keblor {
namespace {

// Dialog units of an 8-point dialog font in pixels.
constexpr double UNIT_X = 1.5;
constexpr double UNIT_Y = 1.625;

int Px(double units, double scale) { return static_cast<int>(std::lround(units * scale)); }

QFont DialogFont() {
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setPixelSize(11);
  return font;
}

// Left free around what a dialog holds when it grows.
constexpr int MARGIN_UNITS = 4;

// How much wider and taller a label's or button's box must be to show its text (or a label's
// picture) whole; (0, 0) for other widgets and for a box with neither.
QSize TextShortfall(QWidget& widget) {
  QString text;
  QRect contents;
  if (auto* label = qobject_cast<QLabel*>(&widget)) {
    text = label->text();
    const int margin = label->margin();
    contents = label->contentsRect().adjusted(margin, margin, -margin, -margin);
    const QPixmap picture = label->pixmap();
    if (text.isEmpty() && !picture.isNull()) {
      const QSize size = picture.deviceIndependentSize().toSize();
      return QSize(std::max(0, size.width() - contents.width()), std::max(0, size.height() - contents.height()));
    }
  } else if (auto* button = qobject_cast<QAbstractButton*>(&widget)) {
    text = button->text();
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = text;
    const bool radio = qobject_cast<QRadioButton*>(button) != nullptr;
    contents = button->style()->subElementRect(
        radio ? QStyle::SE_RadioButtonContents : QStyle::SE_PushButtonContents, &option, button);
  }
  if (text.isEmpty()) return QSize(0, 0);
  const QFontMetrics metrics = widget.fontMetrics();
  return QSize(std::max(0, metrics.horizontalAdvance(text) - contents.width()),
               std::max(0, metrics.height() - contents.height()));
}

// Where a box's text sits, and so which of its edges stay when it grows.
Qt::Alignment TextAlignment(QWidget& widget) {
  if (auto* label = qobject_cast<QLabel*>(&widget)) return label->alignment();
  if (qobject_cast<QRadioButton*>(&widget) != nullptr) return Qt::AlignLeft | Qt::AlignVCenter;
  return Qt::AlignCenter;
}

// `box` grown by `grow`: the left (top) edge stays for text aligned there, the right (bottom)
// edge for text aligned there, and the middle for centred text.
QRect Grown(QRect box, QSize grow, Qt::Alignment align) {
  const int left = (align & Qt::AlignLeft) ? 0 : (align & Qt::AlignRight) ? grow.width() : grow.width() / 2;
  const int top = (align & Qt::AlignTop) ? 0 : (align & Qt::AlignBottom) ? grow.height() : grow.height() / 2;
  return box.adjusted(-left, -top, grow.width() - left, grow.height() - top);
}

QLabel* AddStatic(QWidget* parent, const QString& text, QRect where, Qt::Alignment align) {
  auto* label = new QLabel(text, parent);
  label->setGeometry(where);
  label->setAlignment(align);
  return label;
}

}  // namespace

FixedDialog::FixedDialog(QWidget* owner) : QDialog(owner) {
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint);
  setFont(DialogFont());
  setModal(true);
}

QPoint FixedDialog::OwnerClientPoint(QWidget* owner, QPoint point) {
  // A dialog's place counts from its owner's client area, which lies below the menu bar.
  auto* main = qobject_cast<QMainWindow*>(owner);
  QWidget* client = main != nullptr && main->centralWidget() != nullptr ? main->centralWidget() : owner;
  return client->mapToGlobal(point);
}

QRect FixedDialog::DialogUnits(int x, int y, int width, int height) {
  return QRect(Px(x, UNIT_X), Px(y, UNIT_Y), Px(width, UNIT_X), Px(height, UNIT_Y));
}

int FixedDialog::TitleWidth(const QString& title) {
  QFont font = QApplication::font();
  font.setBold(true);
  const QFontMetrics metrics(font);
  return metrics.horizontalAdvance(title) + 6 * metrics.height();
}

void FixedDialog::FitTexts() {
  const QList<QWidget*> controls = findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
  QRect held;
  for (QWidget* control : controls) {
    const QSize grow = TextShortfall(*control);
    if (grow.width() > 0 || grow.height() > 0) {
      control->setGeometry(Grown(control->geometry(), grow, TextAlignment(*control)));
    }
    held |= control->geometry();
  }
  const QSize margin = DialogUnits(0, 0, MARGIN_UNITS, MARGIN_UNITS).size();
  const int width = std::max({this->width(), held.width() + 2 * margin.width(), TitleWidth(windowTitle())});
  const int height = std::max(this->height(), held.bottom() + 1 + margin.height());
  if (width != this->width() || held.left() < margin.width() || held.right() + 1 > width - margin.width()) {
    const QPoint shift((width - held.width()) / 2 - held.left(), 0);
    for (QWidget* control : controls) control->move(control->pos() + shift);
  }
  setFixedSize(width, height);
}

void FixedDialog::AddButton(int id, QAbstractButton* button) { buttons_[id] = button; }

QAbstractButton* FixedDialog::Button(int id) const {
  const auto it = buttons_.find(id);
  return it == buttons_.end() ? nullptr : it->second;
}

int FixedDialog::Run() {
  ending_ = false;
  if (QAbstractButton* ok = Button(1)) ok->setFocus();
  return exec();
}

void FixedDialog::End(int result) {
  ending_ = true;
  done(result);
}

void FixedDialog::closeEvent(QCloseEvent* event) {
  if (ending_) {
    event->accept();
    return;
  }
  event->ignore();
  OnCloseBox();
}

SoundCardSettingsDialog::SoundCardSettingsDialog(QWidget* owner, int channels, int bitsPerSample, Accept accept)
    : FixedDialog(owner), accept_(std::move(accept)), channels_(channels), bits_(bitsPerSample) {
  setWindowTitle(QStringLiteral("Sound card settings"));
  setFixedSize(DialogUnits(0, 0, 118, 61).size());

  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setGeometry(DialogUnits(13, 40, 37, 14));
  ok->setDefault(true);
  AddButton(1, ok);
  connect(ok, &QPushButton::clicked, this, [this] { OnOk(); });
  auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
  cancel->setGeometry(DialogUnits(67, 40, 37, 14));
  AddButton(2, cancel);
  connect(cancel, &QPushButton::clicked, this, [this] { End(0); });

  AddStatic(this, QStringLiteral("Channels"), DialogUnits(25, 14, 33, 8), Qt::AlignLeft | Qt::AlignTop);
  AddStatic(this, QStringLiteral("Bits"), DialogUnits(67, 14, 12, 8), Qt::AlignLeft | Qt::AlignTop);

  QButtonGroup* group = nullptr;
  for (const DialogRadio& item : SOUND_CARD_RADIOS) {
    if (item.groupStart) group = new QButtonGroup(this);
    auto* radio = new QRadioButton(QString::fromLatin1(item.text), this);
    radio->setGeometry(DialogUnits(item.x, item.y, item.width, 10));
    radio->setAutoExclusive(false);
    group->addButton(radio, item.id);
    AddButton(item.id, radio);
  }
  Button(channels == 2 ? IDC_CHANNELS_2 : IDC_CHANNELS_1)->setChecked(true);
  Button(bitsPerSample == 16 ? IDC_BITS_16 : IDC_BITS_8)->setChecked(true);
  FitTexts();
  if (owner != nullptr) move(OwnerClientPoint(owner, DialogUnits(9, 6, 0, 0).topLeft()));
}

// The checked radio buttons; a group with none checked keeps the current value.
void SoundCardSettingsDialog::OnOk() {
  int channels = channels_;
  int bits = bits_;
  for (const DialogRadio& item : SOUND_CARD_RADIOS) {
    if (!Button(item.id)->isChecked()) continue;
    if (ChannelsOf(item.id) != 0) channels = ChannelsOf(item.id);
    if (BitsOf(item.id) != 0) bits = BitsOf(item.id);
  }
  End(accept_ ? accept_(channels, bits) : 1);
}

AboutBox::AboutBox(QWidget* owner) : FixedDialog(owner) {
  setWindowTitle(QStringLiteral("About CW Keblor"));
  setFixedSize(DialogUnits(0, 0, 181, 73).size());

  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setGeometry(DialogUnits(66, 55, 50, 14));
  ok->setDefault(true);
  AddButton(1, ok);
  connect(ok, &QPushButton::clicked, this, [this] { End(0); });

  AddStatic(this, QStringLiteral("CW Keblor program"), DialogUnits(5, 2, 172, 10), Qt::AlignHCenter | Qt::AlignTop);
  AddStatic(this, QStringLiteral("Application for Microsoft  Windows"), DialogUnits(23, 12, 143, 9),
            Qt::AlignCenter);
  AddStatic(this, QStringLiteral("The CW Keblor developers"), DialogUnits(49, 44, 88, 7), Qt::AlignLeft | Qt::AlignTop);
  QLabel* icon = AddStatic(this, QString(), DialogUnits(11, 28, 20, 20), Qt::AlignLeft | Qt::AlignTop);
  icon->setObjectName(QStringLiteral("IDI_ICON"));
  icon->setPixmap(ProgramIcon().pixmap(32, 32));
  AddStatic(this, QStringLiteral("Author:"), DialogUnits(73, 34, 37, 8), Qt::AlignHCenter | Qt::AlignTop);
  AddStatic(this, QStringLiteral("Version 1.5"), DialogUnits(61, 24, 62, 8), Qt::AlignHCenter | Qt::AlignTop);
  FitTexts();
  if (owner != nullptr) move(OwnerClientPoint(owner, DialogUnits(50, 50, 0, 0).topLeft()));
}

}  // namespace keblor
