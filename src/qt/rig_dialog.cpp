#include "qt/rig_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QPushButton>
#include <QVBoxLayout>
#include <QHBoxLayout>
#include <algorithm>

#include "desktop/serial_ports.h"
#include "qt/main_view.h"

namespace keblor {
namespace {

constexpr int TEST_LOOK_MS = 100;
constexpr int SPEEDS[] = {1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};

QListWidgetItem* AddModelItem(QListWidget* list, const QString& text, int number) {
  auto* item = new QListWidgetItem(text, list);
  item->setData(Qt::UserRole, number);
  return item;
}

}  // namespace

RigSettingsDialog::RigSettingsDialog(QWidget* owner, const std::vector<RigModel>& models,
                                     const std::vector<std::string>& ports, const RigSettings& current, Test test,
                                     Answer answer)
    : QDialog(owner),
      search_(new QLineEdit),
      list_(new QListWidget),
      port_(new QComboBox),
      speed_(new QComboBox),
      sideband_(new QComboBox),
      testButton_(new QPushButton(QStringLiteral("&Test"))),
      answerLabel_(new QLabel),
      test_(std::move(test)),
      answer_(std::move(answer)),
      model_(current.Model) {
  setWindowTitle(QStringLiteral("Rig"));
  search_->setPlaceholderText(QStringLiteral("maker or model"));
  search_->setClearButtonEnabled(true);
  connect(search_, &QLineEdit::textChanged, this, &RigSettingsDialog::Search);

  AddModelItem(list_, QStringLiteral("No rig"), 0);
  for (const RigModel& model : models) {
    const QString text = QStringLiteral("%1 %2 (%3)")
                             .arg(QString::fromStdString(model.maker), QString::fromStdString(model.name))
                             .arg(model.number);
    AddModelItem(list_, text, model.number);
  }
  for (int row = 0; row < list_->count(); ++row)
    if (list_->item(row)->data(Qt::UserRole).toInt() == current.Model) list_->setCurrentRow(row);
  list_->setMinimumSize(320, 200);

  port_->setEditable(true);
  port_->setInsertPolicy(QComboBox::NoInsert);
  for (const std::string& port : ports) port_->addItem(QString::fromStdString(port));
  port_->setCurrentIndex(-1);
  port_->setEditText(QString::fromStdString(current.Port));
  port_->lineEdit()->setPlaceholderText(QStringLiteral("/dev/ttyUSB0, or localhost:4532 for rigctld"));
  speed_->setEditable(true);
  speed_->addItem(QStringLiteral("Rig's default"), 0);
  for (int speed : SPEEDS) speed_->addItem(QString::number(speed), speed);
  const int speedRow = speed_->findData(current.Speed);
  if (speedRow >= 0) {
    speed_->setCurrentIndex(speedRow);
  } else {
    speed_->setEditText(QString::number(current.Speed));
  }
  sideband_->addItems({QStringLiteral("From the rig's mode"), QStringLiteral("Upper"), QStringLiteral("Lower")});
  sideband_->setCurrentIndex(current.Sideband >= 0 && current.Sideband <= 2 ? current.Sideband : 0);

  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("&Search:"), search_);
  form->addRow(QStringLiteral("&Model:"), list_);
  form->addRow(QStringLiteral("&Port:"), port_);
  form->addRow(QStringLiteral("S&peed:"), speed_);
  form->addRow(QStringLiteral("Si&deband:"), sideband_);
  auto* testRow = new QHBoxLayout;
  testRow->addWidget(testButton_);
  testRow->addWidget(answerLabel_, 1);
  form->addRow(testRow);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(testButton_, &QPushButton::clicked, this, &RigSettingsDialog::StartTest);
  waiting_.setInterval(TEST_LOOK_MS);
  connect(&waiting_, &QTimer::timeout, this, &RigSettingsDialog::LookForAnswer);
}

RigSettings RigSettingsDialog::Chosen() const {
  RigSettings chosen;
  const QListWidgetItem* item = list_->currentItem();
  chosen.Model = item != nullptr ? item->data(Qt::UserRole).toInt() : model_;
  chosen.Port = port_->currentText().trimmed().toStdString();
  const int row = speed_->findText(speed_->currentText());
  chosen.Speed = row >= 0 ? speed_->itemData(row).toInt() : std::max(0, speed_->currentText().trimmed().toInt());
  chosen.Sideband = sideband_->currentIndex();
  return chosen;
}

void RigSettingsDialog::Search(const QString& words) {
  const QStringList wanted = words.split(QLatin1Char(' '), Qt::SkipEmptyParts);
  for (int row = 1; row < list_->count(); ++row) {
    const QString text = list_->item(row)->text();
    const bool shown = std::all_of(wanted.begin(), wanted.end(),
                                   [&text](const QString& word) { return text.contains(word, Qt::CaseInsensitive); });
    list_->setRowHidden(row, !shown);
  }
}

void RigSettingsDialog::StartTest() {
  answerLabel_->setText(QStringLiteral("Testing..."));
  if (test_) test_(Chosen());
  waiting_.start();
  LookForAnswer();
}

void RigSettingsDialog::LookForAnswer() {
  const std::optional<std::string> answer = answer_ ? answer_() : std::nullopt;
  if (!answer) return;
  waiting_.stop();
  answerLabel_->setText(QString::fromStdString(answer->empty() ? std::string("The rig answered.") : *answer));
}

QtRigDialog::QtRigDialog(QtMainView& main, std::function<std::vector<RigModel>()> models)
    : main_(main), listModels_(std::move(models)) {}

std::optional<RigSettings> QtRigDialog::Run(const RigSettings& current,
                                            const std::function<void(const RigSettings&)>& test,
                                            const std::function<std::optional<std::string>()>& answer) {
  if (!listed_ && listModels_) models_ = listModels_();
  listed_ = true;
  // Ports come and go: they are listed each time.
  RigSettingsDialog dialog(main_.Window(), models_, ListSerialPorts("/"), current, test, answer);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.Chosen();
}

}  // namespace keblor
