#include "qt/spots_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <QVBoxLayout>

#include "qt/main_view.h"

namespace keblor {
namespace {

constexpr int TEST_LOOK_MS = 100;

// The whole text as a number in [low, high]; nothing for anything else.
std::optional<int> NumberIn(const QLineEdit& box, int low, int high) {
  bool ok = false;
  const int n = box.text().trimmed().toInt(&ok);
  if (!ok || n < low || n > high) return std::nullopt;
  return n;
}

}  // namespace

SpotsSettingsDialog::SpotsSettingsDialog(QWidget* owner, const SpotsSettings& current, Test test, Answer answer)
    : QDialog(owner),
      host_(new QLineEdit(QString::fromStdString(current.Host))),
      port_(new QLineEdit(QString::number(current.Port))),
      call_(new QLineEdit(QString::fromStdString(current.Call))),
      minutes_(new QLineEdit(QString::number(current.Minutes))),
      testButton_(new QPushButton(QStringLiteral("&Test"))),
      answerLine_(new QLineEdit),
      message_(new QLabel),
      test_(std::move(test)),
      answer_(std::move(answer)) {
  setWindowTitle(QStringLiteral("Spots"));
  host_->setPlaceholderText(QStringLiteral("a DX cluster or the RBN; empty for none"));
  call_->setPlaceholderText(QStringLiteral("your call, for the login"));
  answerLine_->setReadOnly(true);
  answerLine_->setAccessibleName(QStringLiteral("Test answer"));
  message_->setWordWrap(true);

  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("&Host:"), host_);
  form->addRow(QStringLiteral("&Port:"), port_);
  form->addRow(QStringLiteral("&Call:"), call_);
  form->addRow(QStringLiteral("&Minutes:"), minutes_);
  auto* testRow = new QHBoxLayout;
  testRow->addWidget(testButton_);
  testRow->addWidget(answerLine_, 1);
  form->addRow(testRow);
  form->addRow(message_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(buttons);
  setMinimumWidth(360);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(testButton_, &QPushButton::clicked, this, &SpotsSettingsDialog::StartTest);
  waiting_.setInterval(TEST_LOOK_MS);
  connect(&waiting_, &QTimer::timeout, this, &SpotsSettingsDialog::LookForAnswer);
}

std::optional<SpotsSettings> SpotsSettingsDialog::Checked(bool forTest) {
  SpotsSettings chosen;
  chosen.Host = host_->text().trimmed().toStdString();
  chosen.Call = call_->text().trimmed().toStdString();
  const std::optional<int> port = NumberIn(*port_, 1, 65535);
  const std::optional<int> minutes = NumberIn(*minutes_, 1, 1440);
  QString problem;
  if (forTest && chosen.Host.empty()) {
    problem = QStringLiteral("Give the host of the spot feed to test.");
  } else if (!port) {
    problem = QStringLiteral("The port is a number from 1 to 65535.");
  } else if (!minutes) {
    problem = QStringLiteral("Minutes are a number from 1 to 1440: how long a spot is kept.");
  }
  message_->setText(problem);
  if (!problem.isEmpty()) return std::nullopt;
  chosen.Port = *port;
  chosen.Minutes = *minutes;
  return chosen;
}

void SpotsSettingsDialog::accept() {
  if (Checked(false)) QDialog::accept();
}

void SpotsSettingsDialog::StartTest() {
  const std::optional<SpotsSettings> shown = Checked(true);
  if (!shown) return;
  answerLine_->setText(QStringLiteral("Testing..."));
  if (test_) test_(*shown);
  waiting_.start();
  LookForAnswer();
}

void SpotsSettingsDialog::LookForAnswer() {
  const std::optional<std::string> answer = answer_ ? answer_() : std::nullopt;
  if (!answer) return;
  waiting_.stop();
  answerLine_->setText(QString::fromStdString(*answer));
  answerLine_->setCursorPosition(0);  // a long line shows its start
}

std::optional<SpotsSettings> QtSpotsDialog::Run(const SpotsSettings& current,
                                                const std::function<void(const SpotsSettings&)>& test,
                                                const std::function<std::optional<std::string>()>& answer) {
  SpotsSettingsDialog dialog(main_.Window(), current, test, answer);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.Checked(false);
}

}  // namespace keblor
