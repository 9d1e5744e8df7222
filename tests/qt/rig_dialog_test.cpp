// Settings > Rig...: the model found by maker and model words, the settings the dialog gives,
// and a Test that shows the rig's answer once there is one.

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include "qt/rig_dialog.h"

namespace keblor::test {
namespace {

const std::vector<RigModel> MODELS = {
    {1, "Hamlib", "Dummy"}, {2, "Hamlib", "NET rigctl"}, {3073, "Icom", "IC-7300"}, {1036, "Yaesu", "FT-1000MP"}};

std::vector<QString> Shown(const QListWidget& list) {
  std::vector<QString> shown;
  for (int row = 0; row < list.count(); ++row)
    if (!list.isRowHidden(row)) shown.push_back(list.item(row)->text());
  return shown;
}

// The port: the one set, with the ports found offered and any text taken.
TEST(RigDialog, TheSettingsShownAndChosen) {
  RigSettingsDialog dialog(nullptr, MODELS, {"/dev/serial/by-id/usb-FTDI-port0", "/dev/ttyUSB0"},
                           {2, "localhost:4532", 9600, 2}, nullptr, nullptr);
  EXPECT_EQ(dialog.ModelList()->currentItem()->text(), "Hamlib NET rigctl (2)");
  EXPECT_EQ(dialog.PortBox()->currentText(), "localhost:4532");
  ASSERT_EQ(dialog.PortBox()->count(), 2);
  EXPECT_EQ(dialog.PortBox()->itemText(0), "/dev/serial/by-id/usb-FTDI-port0");
  EXPECT_EQ(dialog.SpeedBox()->currentText(), "9600");
  EXPECT_EQ(dialog.SidebandBox()->currentText(), "Lower");
  EXPECT_EQ(dialog.Chosen(), (RigSettings{2, "localhost:4532", 9600, 2}));

  // Every word must match, in either the maker or the model, in any case; "No rig" stays.
  QTest::keyClicks(dialog.SearchBox(), "icom 73");
  EXPECT_EQ(Shown(*dialog.ModelList()), (std::vector<QString>{"No rig", "Icom IC-7300 (3073)"}));
  dialog.SearchBox()->clear();
  EXPECT_EQ(Shown(*dialog.ModelList()).size(), MODELS.size() + 1);

  dialog.ModelList()->setCurrentRow(3);
  dialog.PortBox()->setCurrentIndex(1);
  dialog.SpeedBox()->setCurrentIndex(0);
  dialog.SidebandBox()->setCurrentIndex(0);
  EXPECT_EQ(dialog.Chosen(), (RigSettings{3073, "/dev/ttyUSB0", 0, 0}));
  dialog.PortBox()->setEditText(" /dev/rig ");
  EXPECT_EQ(dialog.Chosen().Port, "/dev/rig");
  dialog.SpeedBox()->setEditText("14400");
  EXPECT_EQ(dialog.Chosen().Speed, 14400);
  dialog.ModelList()->setCurrentRow(0);
  EXPECT_EQ(dialog.Chosen().Model, 0);
}

// Test hands over what the dialog shows and waits for the answer on a timer of its own.
TEST(RigDialog, TestShowsTheRigsAnswer) {
  std::vector<RigSettings> tested;
  std::optional<std::string> answer;
  RigSettingsDialog dialog(
      nullptr, MODELS, {"/dev/ttyUSB0"}, {1, "", 0, 0}, [&](const RigSettings& rig) { tested.push_back(rig); },
      [&] { return answer; });
  QTest::mouseClick(dialog.TestButton(), Qt::LeftButton);
  EXPECT_EQ(tested, (std::vector<RigSettings>{RigSettings{1, "", 0, 0}}));
  EXPECT_EQ(dialog.AnswerLabel()->text(), "Testing...");
  answer = "145.000 000 MHz FM";
  // Not at once: the answer is looked for on the dialog's timer.
  EXPECT_TRUE(QTest::qWaitFor([&] { return dialog.AnswerLabel()->text() == "145.000 000 MHz FM"; }, 30000))
      << dialog.AnswerLabel()->text().toStdString();
}

}  // namespace
}  // namespace keblor::test
