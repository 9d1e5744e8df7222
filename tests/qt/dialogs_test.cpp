// The two dialogs: every text and picture fits its box and the title its caption, and the About
// box's keys.

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTimer>
#include <functional>
#include <memory>

#include "qt/qt_dialogs.h"
#include "qt_test_support.h"

namespace keblor::test {
namespace {

// The room a control gives its text, measured as the style draws it.
QRect TextRoom(QWidget& control) {
  if (auto* label = qobject_cast<QLabel*>(&control)) return label->contentsRect();
  auto& button = static_cast<QAbstractButton&>(control);
  QStyleOptionButton option;
  option.initFrom(&button);
  option.text = button.text();
  const bool radio = qobject_cast<QRadioButton*>(&button) != nullptr;
  return button.style()->subElementRect(radio ? QStyle::SE_RadioButtonContents : QStyle::SE_PushButtonContents,
                                        &option, &button);
}

QString TextOf(QWidget& control) {
  if (auto* label = qobject_cast<QLabel*>(&control)) return label->text();
  return static_cast<QAbstractButton&>(control).text();
}

void ExpectTextsFit(FixedDialog& dialog) {
  SCOPED_TRACE(dialog.windowTitle().toStdString());
  int texts = 0;
  for (QWidget* control : dialog.findChildren<QWidget*>()) {
    if (qobject_cast<QLabel*>(control) == nullptr && qobject_cast<QPushButton*>(control) == nullptr &&
        qobject_cast<QRadioButton*>(control) == nullptr) {
      continue;
    }
    const QString text = TextOf(*control);
    auto* label = qobject_cast<QLabel*>(control);
    if (text.isEmpty() && label != nullptr && !label->pixmap().isNull()) {
      const QSize picture = label->pixmap().deviceIndependentSize().toSize();
      EXPECT_TRUE(label->contentsRect().size().expandedTo(picture) == label->contentsRect().size())
          << "a picture is cut";
    }
    if (text.isEmpty()) continue;
    ++texts;
    SCOPED_TRACE(text.toStdString());
    const QRect room = TextRoom(*control);
    EXPECT_LE(control->fontMetrics().horizontalAdvance(text), room.width());
    EXPECT_LE(control->fontMetrics().height(), room.height());
    EXPECT_TRUE(dialog.rect().contains(control->geometry())) << "outside the dialog";
  }
  EXPECT_GE(texts, 5);
  EXPECT_GE(dialog.width(), FixedDialog::TitleWidth(dialog.windowTitle()));
}

TEST(Dialogs, EveryTextFitsItsBoxAndTheTitleItsCaption) {
  QMainWindow owner;
  SoundCardSettingsDialog soundCard(&owner, 2, 16, nullptr);
  ExpectTextsFit(soundCard);
  AboutBox about(&owner);
  ExpectTextsFit(about);
}

// Runs the About box and does `act` to it once it is up; its result.
int RunAbout(const std::function<void(AboutBox&)>& act) {
  QMainWindow owner;
  AboutBox about(&owner);
  QTimer::singleShot(0, &about, [&about, act] { act(about); });
  return about.Run();
}

// OK and Enter end the About box with 0, the close box with 1; Escape leaves it open: the box
// has no cancel command.
TEST(Dialogs, AboutEndsWithOkEnterOrTheCloseBoxButNotEscape) {
  EXPECT_EQ(RunAbout([](AboutBox& box) { QTest::keyClick(&box, Qt::Key_Return); }), 0);
  EXPECT_EQ(RunAbout([](AboutBox& box) { box.Button(1)->click(); }), 0);
  EXPECT_EQ(RunAbout([](AboutBox& box) { box.close(); }), 1);

  bool openAfterEscape = false;
  EXPECT_EQ(RunAbout([&openAfterEscape](AboutBox& box) {
              QTest::keyClick(&box, Qt::Key_Escape);
              QTest::keyClick(box.focusWidget() != nullptr ? box.focusWidget() : &box, Qt::Key_Escape);
              QCoreApplication::processEvents();
              openAfterEscape = box.isVisible();
              QTest::keyClick(&box, Qt::Key_Enter);
            }),
            0);
  EXPECT_TRUE(openAfterEscape);
}

}  // namespace
}  // namespace keblor::test
