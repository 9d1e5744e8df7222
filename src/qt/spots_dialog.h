#pragma once
// Settings > Spots... on Qt: the spot feed's host and port, the call given at its login and the
// minutes a spot is kept, with a Test that shows the feed's first line or why none came.

#include <QDialog>
#include <QTimer>
#include <functional>
#include <optional>
#include <string>

#include "app/spots_dialog.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace keblor {

class QtMainView;

class SpotsSettingsDialog : public QDialog {
 public:
  using Test = std::function<void(const SpotsSettings&)>;
  using Answer = std::function<std::optional<std::string>()>;
  SpotsSettingsDialog(QWidget* owner, const SpotsSettings& current, Test test, Answer answer);

  // The settings shown, when they are good; else nothing, and the message says what is wrong.
  // A Test needs a host; OK takes none (no feed).
  std::optional<SpotsSettings> Checked(bool forTest);
  void accept() override;  // only with good settings

  QLineEdit* HostBox() const { return host_; }
  QLineEdit* PortBox() const { return port_; }
  QLineEdit* CallBox() const { return call_; }
  QLineEdit* MinutesBox() const { return minutes_; }
  QPushButton* TestButton() const { return testButton_; }
  QLineEdit* AnswerLine() const { return answerLine_; }
  QLabel* Message() const { return message_; }

 private:
  void StartTest();
  void LookForAnswer();

  QLineEdit* host_;
  QLineEdit* port_;
  QLineEdit* call_;
  QLineEdit* minutes_;
  QPushButton* testButton_;
  QLineEdit* answerLine_;  // read only: "Testing...", then the answer
  QLabel* message_;        // what is wrong with the settings shown; empty when nothing is
  Test test_;
  Answer answer_;
  QTimer waiting_;  // asks for the test's answer while it is awaited
};

class QtSpotsDialog : public SpotsDialog {
 public:
  explicit QtSpotsDialog(QtMainView& main) : main_(main) {}
  std::optional<SpotsSettings> Run(const SpotsSettings& current, const std::function<void(const SpotsSettings&)>& test,
                                   const std::function<std::optional<std::string>()>& answer) override;

 private:
  QtMainView& main_;
};

}  // namespace keblor
