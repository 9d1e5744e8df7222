// The two modal dialogs on real widgets: their controls and texts, and how each way of ending
// them (OK, Cancel, Enter, Escape, the close box) comes back to the caller.

#include <QAbstractButton>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <functional>

#include "app/command_ids.h"
#include "capture/sound_card_dialog.h"
#include "qt/qt_dialogs.h"
#include "qt_test_support.h"

namespace keblor {
namespace {

// Runs `act` on the dialog once it is up inside the modal loop. A dialog still open after the
// action is closed through its OK button so that the test never hangs; `stillOpen` tells.
// The script watches for the dialog until it is destroyed.
struct DialogScript {
  std::function<void(HostedDialog&)> act;
  bool seen = false;
  bool stillOpen = false;
  QTimer watch;
};

void ScheduleOnDialog(DialogScript& script) {
  QObject::connect(&script.watch, &QTimer::timeout, [&script] {
    auto* dialog = dynamic_cast<HostedDialog*>(QApplication::activeModalWidget());
    if (dialog == nullptr || script.seen) return;
    script.seen = true;
    script.watch.stop();
    script.act(*dialog);
    QCoreApplication::processEvents();
    if (dialog->isVisible()) {
      script.stillOpen = true;
      dialog->Button(1)->click();
    }
  });
  script.watch.start(5);
}

int RunAbout(RunningProgram& program, DialogScript& script) {
  ScheduleOnDialog(script);
  return program.layer.RunDialog(DialogId::About);
}

int RunSoundCard(RunningProgram& program, DialogScript& script) {
  ScheduleOnDialog(script);
  return program.layer.RunDialog(DialogId::SoundCard);
}

QStringList LabelTexts(const QWidget& dialog) {
  QStringList texts;
  for (const QLabel* label : dialog.findChildren<QLabel*>()) {
    if (!label->text().isEmpty()) texts << label->text();
  }
  return texts;
}

TEST(QtAboutDialog, ShowsItsControlsAndTexts) {
  RunningProgram program;
  program.Start();
  DialogScript script;
  script.act = [](HostedDialog& dialog) {
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("About CW Keblor"));
    auto* ok = qobject_cast<QPushButton*>(dialog.Button(1));
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->text(), QStringLiteral("OK"));
    EXPECT_TRUE(ok->isDefault());
    const QStringList texts = LabelTexts(dialog);
    for (const char* text : {"CW Keblor program", "Application for Microsoft  Windows", "Author:", "Version 1.5"}) {
      EXPECT_TRUE(texts.contains(QString::fromLatin1(text))) << text;
    }
    const auto* icon = dialog.findChild<QLabel*>(QStringLiteral("IDI_ICON"));
    ASSERT_NE(icon, nullptr);
    EXPECT_FALSE(icon->pixmap().isNull());
    dialog.Button(1)->click();
  };
  EXPECT_EQ(RunAbout(program, script), 0);
  EXPECT_TRUE(script.seen);
  EXPECT_FALSE(script.stillOpen);
}

TEST(QtAboutDialog, EnterGivesZeroAndTheCloseBoxOne) {
  RunningProgram program;
  program.Start();
  DialogScript enter;
  enter.act = [](HostedDialog& dialog) { QTest::keyClick(&dialog, Qt::Key_Return); };
  EXPECT_EQ(RunAbout(program, enter), 0);
  EXPECT_TRUE(enter.seen);
  EXPECT_FALSE(enter.stillOpen);

  DialogScript closeBox;
  closeBox.act = [](HostedDialog& dialog) { dialog.close(); };
  EXPECT_EQ(RunAbout(program, closeBox), 1);
  EXPECT_TRUE(closeBox.seen);
  EXPECT_FALSE(closeBox.stillOpen);
}

TEST(QtAboutDialog, EscapeDoesNotCloseIt) {
  RunningProgram program;
  program.Start();
  DialogScript escape;
  escape.act = [](HostedDialog& dialog) { QTest::keyClick(&dialog, Qt::Key_Escape); };
  EXPECT_EQ(RunAbout(program, escape), 0);  // ended by the script's OK afterwards
  EXPECT_TRUE(escape.seen);
  EXPECT_TRUE(escape.stillOpen);
}

// Both dialogs are placed from the main window's client area, below its menu bar.
TEST(QtDialogs, ArePlacedFromTheClientAreaBelowTheMenuBar) {
  RunningProgram program;
  program.Start();
  QWidget* client = program.layer.MainWindow()->centralWidget();
  ASSERT_NE(client, nullptr);
  ASSERT_GT(client->mapToGlobal(QPoint(0, 0)).y(), program.layer.MainWindow()->mapToGlobal(QPoint(0, 0)).y());

  DialogScript about;
  QPoint aboutAt;
  about.act = [&aboutAt](HostedDialog& dialog) { aboutAt = dialog.pos(); };
  RunAbout(program, about);
  EXPECT_EQ(aboutAt, client->mapToGlobal(HostedDialog::DialogUnits(50, 50, 0, 0).topLeft()));

  DialogScript card;
  QPoint cardAt;
  card.act = [&cardAt](HostedDialog& dialog) { cardAt = dialog.pos(); };
  RunSoundCard(program, card);
  EXPECT_EQ(cardAt, client->mapToGlobal(HostedDialog::DialogUnits(9, 6, 0, 0).topLeft()));
}

TEST(QtSoundCardDialog, ShowsItsControlsWithTheCurrentFormat) {
  RunningProgram program;
  program.settings.values["General/BitsPerSample"] = 8;
  program.Start();
  DialogScript script;
  script.act = [](HostedDialog& dialog) {
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Sound card settings"));
    const std::pair<int, const char*> buttons[] = {{1, "OK"},           {2, "Cancel"},         {IDC_CHANNELS_1, "1"},
                                                   {IDC_CHANNELS_2, "2"}, {IDC_BITS_8, "8"}, {IDC_BITS_16, "16"}};
    for (const auto& [id, text] : buttons) {
      ASSERT_NE(dialog.Button(id), nullptr) << id;
      EXPECT_EQ(dialog.Button(id)->text(), QString::fromLatin1(text)) << id;
    }
    EXPECT_TRUE(qobject_cast<QPushButton*>(dialog.Button(1))->isDefault());
    const QStringList texts = LabelTexts(dialog);
    EXPECT_TRUE(texts.contains(QStringLiteral("Channels")));
    EXPECT_TRUE(texts.contains(QStringLiteral("Bits")));
    EXPECT_TRUE(dialog.Button(IDC_CHANNELS_1)->isChecked());
    EXPECT_FALSE(dialog.Button(IDC_CHANNELS_2)->isChecked());
    EXPECT_TRUE(dialog.Button(IDC_BITS_8)->isChecked());
    EXPECT_FALSE(dialog.Button(IDC_BITS_16)->isChecked());

    // Each pair is one group: clicking the other button moves the choice.
    QTest::mouseClick(dialog.Button(IDC_CHANNELS_2), Qt::LeftButton);
    EXPECT_TRUE(dialog.Button(IDC_CHANNELS_2)->isChecked());
    EXPECT_FALSE(dialog.Button(IDC_CHANNELS_1)->isChecked());
    EXPECT_TRUE(dialog.Button(IDC_BITS_8)->isChecked());
    dialog.Button(2)->click();
  };
  EXPECT_EQ(RunSoundCard(program, script), 0);
  EXPECT_TRUE(script.seen);
}

TEST(QtSoundCardDialog, CancelEscapeAndCloseKeepTheFormat) {
  const std::function<void(HostedDialog&)> endings[] = {
      [](HostedDialog& d) { d.Button(2)->click(); },
      [](HostedDialog& d) { QTest::keyClick(&d, Qt::Key_Escape); },
      [](HostedDialog& d) { d.close(); },
  };
  int n = 0;
  for (const auto& end : endings) {
    SCOPED_TRACE(n++);
    RunningProgram program;
    program.Start();
    const int opens = program.device.CountCalls("Open");
    DialogScript script;
    script.act = [&end](HostedDialog& dialog) {
      QTest::mouseClick(dialog.Button(IDC_CHANNELS_2), Qt::LeftButton);
      QTest::mouseClick(dialog.Button(IDC_BITS_8), Qt::LeftButton);
      end(dialog);
    };
    EXPECT_EQ(RunSoundCard(program, script), 0);
    EXPECT_FALSE(script.stillOpen);
    EXPECT_EQ(program.app->settings.Channels, 1);
    EXPECT_EQ(program.app->settings.BitsPerSample, 16);
    EXPECT_EQ(program.device.CountCalls("Open"), opens);
  }
}

TEST(QtSoundCardDialog, OkWithoutChangeTouchesNoDevice) {
  RunningProgram program;
  program.Start();
  const std::size_t calls = program.device.calls.size();
  DialogScript script;
  script.act = [](HostedDialog& dialog) { QTest::keyClick(&dialog, Qt::Key_Return); };
  EXPECT_EQ(RunSoundCard(program, script), 1);
  EXPECT_FALSE(script.stillOpen);
  EXPECT_EQ(program.device.calls.size(), calls);
}

TEST(QtSoundCardDialog, OkToStereoOpensTheSecondWindowInTheGrownMainWindow) {
  RunningProgram program;
  program.Start();
  DialogScript script;
  script.act = [](HostedDialog& dialog) {
    QTest::mouseClick(dialog.Button(IDC_CHANNELS_2), Qt::LeftButton);
    dialog.Button(1)->click();
  };
  EXPECT_EQ(RunSoundCard(program, script), 1);
  RunningProgram::Settle();
  EXPECT_EQ(program.app->settings.Channels, 2);
  EXPECT_EQ(program.device.openFormat.channels, 2);
  EXPECT_EQ(program.layer.ClientArea()->size(), QSize(411, 187));
  SignalFrame* b = program.FrameOf(Vfo::B);
  ASSERT_NE(b, nullptr);
  EXPECT_TRUE(b->isVisible());
  EXPECT_EQ(b->pos(), QPoint(205, 2));
  EXPECT_TRUE(program.layer.MenuActions(cmd::SubVfoB).front()->isChecked());
  EXPECT_TRUE(program.layer.MenuActions(cmd::RangeB3).front()->isEnabled());
}

TEST(QtSoundCardDialog, TheMenuCommandRunsTheDialog) {
  RunningProgram program;
  program.Start();
  DialogScript script;
  script.act = [](HostedDialog& dialog) {
    QTest::mouseClick(dialog.Button(IDC_BITS_8), Qt::LeftButton);
    dialog.Button(1)->click();
  };
  ScheduleOnDialog(script);
  program.layer.MenuActions(cmd::SoundCard).front()->trigger();
  RunningProgram::Settle();
  EXPECT_TRUE(script.seen);
  EXPECT_EQ(program.app->settings.BitsPerSample, 8);
  EXPECT_EQ(program.device.openFormat.bitsPerSample, 8);
}

}  // namespace
}  // namespace keblor
