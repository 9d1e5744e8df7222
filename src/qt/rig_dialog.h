#pragma once
// Settings > Rig... on Qt: the model from a searchable list of the rig library's models, the
// port (one of the serial ports found, or any text), the speed and the sideband, and a Test that
// shows the dial the rig reports.

#include <QDialog>
#include <QTimer>
#include <functional>
#include <vector>

#include "app/rig_dialog.h"
#include "rig/rig.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace keblor {

class QtMainView;

class RigSettingsDialog : public QDialog {
 public:
  using Test = std::function<void(const RigSettings&)>;
  using Answer = std::function<std::optional<std::string>()>;
  // `ports` are offered in the port's list, in their order.
  RigSettingsDialog(QWidget* owner, const std::vector<RigModel>& models, const std::vector<std::string>& ports,
                    const RigSettings& current, Test test, Answer answer);

  RigSettings Chosen() const;
  // Shows only the models whose maker and name hold every word of `words`; "No rig" stays.
  void Search(const QString& words);

  QLineEdit* SearchBox() const { return search_; }
  QListWidget* ModelList() const { return list_; }
  QComboBox* PortBox() const { return port_; }
  QComboBox* SpeedBox() const { return speed_; }
  QComboBox* SidebandBox() const { return sideband_; }
  QPushButton* TestButton() const { return testButton_; }
  QLabel* AnswerLabel() const { return answerLabel_; }

 private:
  void StartTest();
  void LookForAnswer();

  QLineEdit* search_;
  QListWidget* list_;
  QComboBox* port_;
  QComboBox* speed_;
  QComboBox* sideband_;
  QPushButton* testButton_;
  QLabel* answerLabel_;
  Test test_;
  Answer answer_;
  QTimer waiting_;  // asks for the test's answer while it is awaited
  int model_;       // the one chosen when the list has none selected
};

class QtRigDialog : public RigDialog {
 public:
  // `models` is asked once, when the dialog first opens.
  QtRigDialog(QtMainView& main, std::function<std::vector<RigModel>()> models);
  std::optional<RigSettings> Run(const RigSettings& current, const std::function<void(const RigSettings&)>& test,
                                 const std::function<std::optional<std::string>()>& answer) override;

 private:
  QtMainView& main_;
  std::function<std::vector<RigModel>()> listModels_;
  std::vector<RigModel> models_;
  bool listed_ = false;
};

}  // namespace keblor
