// Settings > Spots...: the settings shown and chosen, what bad input stops, and a Test that shows
// the feed's answer once there is one.

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include "qt/spots_dialog.h"

namespace keblor::test {
namespace {

// OK takes the settings at both ends of their ranges and stops past them, saying why; Test needs
// good settings and a host, hands them over and shows the feed's answer once it comes.
TEST(SpotsDialog, OkTakesGoodSettingsAndTestShowsTheFeedsAnswer) {
  std::vector<SpotsSettings> tested;
  std::optional<std::string> answer;
  SpotsSettingsDialog dialog(
      nullptr, {"dxc.example.net", 7300, "DL1ABC", 30}, [&](const SpotsSettings& s) { tested.push_back(s); },
      [&] { return answer; });
  EXPECT_EQ(dialog.Checked(false), (SpotsSettings{"dxc.example.net", 7300, "DL1ABC", 30}));
  dialog.HostBox()->setText(" ");  // no feed
  dialog.CallBox()->setText(" N0CALL ");
  struct Case { int port, minutes; const char* said; };  // said: nothing for good settings
  for (const Case& c : {Case{1, 1440, nullptr}, Case{65535, 1, nullptr}, Case{0, 15, "65535"},
                        Case{65536, 15, "65535"}, Case{7000, 0, "1440"}, Case{7000, 1441, "1440"}}) {
    SCOPED_TRACE(testing::Message() << c.port << " " << c.minutes);
    dialog.setResult(QDialog::Rejected);
    dialog.PortBox()->setText(QString::number(c.port));
    dialog.MinutesBox()->setText(QString::number(c.minutes));
    QTest::mouseClick(dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok), Qt::LeftButton);
    EXPECT_EQ(dialog.result() == QDialog::Accepted, c.said == nullptr);
    EXPECT_EQ(dialog.Message()->text().isEmpty(), c.said == nullptr);
    if (c.said != nullptr) {
      EXPECT_TRUE(dialog.Message()->text().contains(c.said)) << dialog.Message()->text().toStdString();
    } else {
      EXPECT_EQ(dialog.Checked(false), (SpotsSettings{"", c.port, "N0CALL", c.minutes}));
    }
  }

  dialog.MinutesBox()->setText("1440");
  QTest::mouseClick(dialog.TestButton(), Qt::LeftButton);
  EXPECT_TRUE(tested.empty());
  EXPECT_TRUE(dialog.Message()->text().contains("host")) << dialog.Message()->text().toStdString();

  dialog.HostBox()->setText("localhost");
  QTest::mouseClick(dialog.TestButton(), Qt::LeftButton);
  EXPECT_EQ(tested, (std::vector<SpotsSettings>{{"localhost", 7000, "N0CALL", 1440}}));
  EXPECT_EQ(dialog.AnswerLine()->text(), "Testing...");
  answer = "Please enter your call:";
  EXPECT_TRUE(QTest::qWaitFor([&] { return dialog.AnswerLine()->text() == "Please enter your call:"; }, 30000))
      << dialog.AnswerLine()->text().toStdString();
}

}  // namespace
}  // namespace keblor::test
