#include "qt/qt_dialogs.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <QRadioButton>
#include <cmath>

#include "capture/sound_card_dialog.h"
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

QLabel* AddStatic(QWidget* parent, const QString& text, QRect where, Qt::Alignment align) {
  auto* label = new QLabel(text, parent);
  label->setGeometry(where);
  label->setAlignment(align);
  return label;
}

}  // namespace

HostedDialog::HostedDialog(QWidget* owner, Procedure procedure) : QDialog(owner), procedure_(std::move(procedure)) {
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint);
  setFont(DialogFont());
  setModal(true);
}

QPoint HostedDialog::OwnerClientPoint(QWidget* owner, QPoint point) {
  // A dialog's place counts from its owner's client area, which lies below the menu bar.
  auto* main = qobject_cast<QMainWindow*>(owner);
  QWidget* client = main != nullptr && main->centralWidget() != nullptr ? main->centralWidget() : owner;
  return client->mapToGlobal(point);
}

QRect HostedDialog::DialogUnits(int x, int y, int width, int height) {
  return QRect(Px(x, UNIT_X), Px(y, UNIT_Y), Px(width, UNIT_X), Px(height, UNIT_Y));
}

void HostedDialog::AddButton(int id, QAbstractButton* button) {
  buttons_[id] = button;
  if (qobject_cast<QPushButton*>(button) != nullptr) {
    connect(button, &QAbstractButton::clicked, this, [this, id] { procedure_(*this, DialogMessage::Command, id); });
  }
}

QAbstractButton* HostedDialog::Button(int id) const {
  const auto it = buttons_.find(id);
  return it == buttons_.end() ? nullptr : it->second;
}

int HostedDialog::Run() {
  ending_ = false;
  procedure_(*this, DialogMessage::InitDialog, 0);
  if (ending_) return result();
  if (QAbstractButton* ok = Button(1)) ok->setFocus();
  return exec();
}

void HostedDialog::CheckRadioButton(int first, int last, int id) {
  for (int k = first; k <= last; ++k) {
    if (QAbstractButton* button = Button(k)) button->setChecked(k == id);
  }
}

bool HostedDialog::IsButtonChecked(int id) {
  QAbstractButton* button = Button(id);
  return button != nullptr && button->isChecked();
}

void HostedDialog::EndDialog(int result) {
  ending_ = true;
  setResult(result);
  done(result);
}

void HostedDialog::reject() { procedure_(*this, DialogMessage::Command, 2); }

void HostedDialog::closeEvent(QCloseEvent* event) {
  if (ending_) {
    event->accept();
    return;
  }
  event->ignore();
  procedure_(*this, DialogMessage::Close, 0);
}

SoundCardSettingsDialog::SoundCardSettingsDialog(QWidget* owner, Procedure procedure)
    : HostedDialog(owner, std::move(procedure)) {
  setWindowTitle(QStringLiteral("Sound card settings"));
  setFixedSize(DialogUnits(0, 0, 118, 61).size());

  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setGeometry(DialogUnits(13, 40, 37, 14));
  ok->setDefault(true);
  AddButton(1, ok);
  auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
  cancel->setGeometry(DialogUnits(67, 40, 37, 14));
  AddButton(2, cancel);

  AddStatic(this, QStringLiteral("Channels"), DialogUnits(25, 14, 33, 8), Qt::AlignLeft | Qt::AlignTop);
  AddStatic(this, QStringLiteral("Bits"), DialogUnits(67, 14, 12, 8), Qt::AlignLeft | Qt::AlignTop);

  struct RadioItem {
    int id;
    const char* text;
    int x, y, width;
  };
  static constexpr RadioItem RADIOS[] = {
      {IDC_CHANNELS_1, "1", 7, 7, 20},
      {IDC_CHANNELS_2, "2", 7, 20, 20},
      {IDC_BITS_8, "8", 87, 7, 20},
      {IDC_BITS_16, "16", 87, 20, 24},
  };
  auto* channels = new QButtonGroup(this);
  auto* bits = new QButtonGroup(this);
  for (const RadioItem& item : RADIOS) {
    auto* radio = new QRadioButton(QString::fromLatin1(item.text), this);
    radio->setGeometry(DialogUnits(item.x, item.y, item.width, 10));
    radio->setAutoExclusive(false);
    (item.id <= IDC_CHANNELS_2 ? channels : bits)->addButton(radio, item.id);
    AddButton(item.id, radio);
  }
  if (owner != nullptr) move(OwnerClientPoint(owner, DialogUnits(9, 6, 0, 0).topLeft()));
}

AboutBox::AboutBox(QWidget* owner, Procedure procedure) : HostedDialog(owner, std::move(procedure)) {
  setWindowTitle(QStringLiteral("About CW Keblor"));
  setFixedSize(DialogUnits(0, 0, 181, 73).size());

  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setGeometry(DialogUnits(66, 55, 50, 14));
  ok->setDefault(true);
  AddButton(1, ok);

  AddStatic(this, QStringLiteral("CW Keblor program"), DialogUnits(5, 2, 172, 10), Qt::AlignHCenter | Qt::AlignTop);
  AddStatic(this, QStringLiteral("Application for Microsoft  Windows"), DialogUnits(23, 12, 143, 9),
            Qt::AlignCenter);
  AddStatic(this, QStringLiteral("The CW Keblor developers"), DialogUnits(49, 44, 88, 7), Qt::AlignLeft | Qt::AlignTop);
  QLabel* icon = AddStatic(this, QString(), DialogUnits(11, 28, 20, 20), Qt::AlignLeft | Qt::AlignTop);
  icon->setObjectName(QStringLiteral("IDI_ICON"));
  icon->setPixmap(ProgramIcon().pixmap(32, 32));
  AddStatic(this, QStringLiteral("Author:"), DialogUnits(73, 34, 37, 8), Qt::AlignHCenter | Qt::AlignTop);
  AddStatic(this, QStringLiteral("Version 1.5"), DialogUnits(61, 24, 62, 8), Qt::AlignHCenter | Qt::AlignTop);
  if (owner != nullptr) move(OwnerClientPoint(owner, DialogUnits(50, 50, 0, 0).topLeft()));
}

}  // namespace keblor
